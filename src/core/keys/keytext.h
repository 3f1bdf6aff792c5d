// The key-text notation shared by key maps, function keys and script texts:
//   ^c   control character (c from '@' to '_' gives c-64, '`' to DEL gives c-96)
//   ^~   a literal '^'
//   \xx  the byte with hexadecimal value xx
//   \\   a literal '\'
#pragma once

#include <string>
#include <string_view>

namespace parlane {

// Expands `text` into the bytes to send. The text is read up to its first NUL
// (it is a zero-terminated text, wherever it came from), and the result ends
// before the first NUL the notation produces, so "^@" or "\00" cut it there.
// A literal line feed (byte 10) in the text is dropped unless `outboundCrLf`
// is set. Incomplete escapes: a '^' or '\' at the very end is dropped, a '^'
// before a character outside '@'..DEL drops both, and a '\' with only one
// character after it is dropped while that character is handled normally.
std::string TranslateKeyText(std::string_view text, bool outboundCrLf);

// The five lines that explain the notation in the key-map dialog.
inline constexpr std::string_view kKeyTextHelp[] = {"^ = Control Key Sequence", "^~ = ^",
                                                    "^[ = Escape Character",
                                                    "\\xx = Character in Hex Format", "\\\\ = \\"};

}  // namespace parlane
