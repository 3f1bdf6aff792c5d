#include "keys/keytext.h"

#include <gtest/gtest.h>

#include <string>

namespace parlane {
namespace {

struct KeyTextCase {
  const char* name;
  std::string text;
  bool crlf;
  std::string expected;
};

class KeyTextTest : public ::testing::TestWithParam<KeyTextCase> {};

TEST_P(KeyTextTest, Expands) {
  const auto& c = GetParam();
  EXPECT_EQ(TranslateKeyText(c.text, c.crlf), c.expected);
}

const KeyTextCase kCases[] = {
    {"PlainTextCopied", "hello world", false, "hello world"},
    {"CaretBracketIsEscape", "^[[A", false, "\x1b[A"},
    {"UpperAndLowerControlLetters", "^M^m^J", false, "\r\r\n"},
    {"CaretQuestionMarkIsBelowTheRange", "^_^?", false, "\x1f"},
    {"CaretGraveIsNulAndEndsOutput", "ab^`cd", false, "ab"},
    {"CaretAtIsNulAndEndsOutput", "x^@y", false, "x"},
    {"CaretTildeIsCaret", "^~", false, "^"},
    {"CaretDelGivesControlUnderscore", std::string("^\x7f"), false, "\x1f"},
    {"CaretBeforeDigitDropsBoth", "a^1b", false, "ab"},
    {"CaretBeforeSpaceDropsBoth", "a^ b", false, "ab"},
    {"CaretBeforeHighByteDropsBoth", "a^\xe9z", false, "az"},
    {"CaretAtEndDropped", "x^", false, "x"},
    {"HexEscapes", "\\41\\42", false, "AB"},
    {"HexLowerCase", "\\1b\\7f", false, "\x1b\x7f"},
    {"HexNonDigitCountsAsZero", "\\4G", false, "@"},
    {"HexZeroEndsOutput", "ab\\00cd", false, "ab"},
    {"DoubleBackslash", "a\\\\b", false, "a\\b"},
    {"MixedFromHelpText", "\\41\\\\^~", false, "A\\^"},
    {"BackslashOneBeforeEndKeepsChar", "x\\4", false, "x4"},
    {"BackslashOneBeforeEndHandlesCaretNormally", "\\^", false, ""},
    {"BackslashAtEndDropped", "abc\\", false, "abc"},
    {"LiteralLineFeedDroppedWithoutOption", "a\nb", false, "ab"},
    {"LiteralLineFeedKeptWithOption", "a\nb", true, "a\nb"},
    {"CaretJKeptWithoutOption", "a^Jb", false, "a\nb"},
    {"HexLineFeedKeptWithoutOption", "a\\0Ab", false, "a\nb"},
    {"BackslashBeforeLineFeedAtEnd", "a\\\n", false, "a"},
    {"InputEndsAtNul", std::string("ab\0cd", 5), false, "ab"},
    {"EmptyText", "", false, ""},
};

INSTANTIATE_TEST_SUITE_P(Notation, KeyTextTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace parlane
