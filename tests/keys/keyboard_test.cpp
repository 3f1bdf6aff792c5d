#include "keys/keyboard.h"

#include <gtest/gtest.h>

#include <string>

namespace parlane {
namespace {

constexpr KeyModifiers kNone{};
constexpr KeyModifiers kCtrl{true, false};
constexpr KeyModifiers kShift{false, true};
constexpr KeyModifiers kCtrlShift{true, true};
constexpr int kNoChar = -1;

// A session that records every data send.
class KeyboardTest : public ::testing::Test {
 protected:
  KeyboardTest() : kb_(table_, options_, [this](std::string_view b) { sent_.append(b); }) {
    table_ = DefaultKeyTable();
    options_.BackspaceSendsDelete = 0;
    kb_.Setup(static_cast<uint32_t>(Emulation::Vt100), KeypadMode::Numeric);
  }

  // One key press as the window delivers it: key down, then its character.
  std::string Press(VirtualKey vk, KeyModifiers mods = kNone, int ch = kNoChar) {
    sent_.clear();
    kb_.KeyDown(vk, mods);
    if (ch != kNoChar) kb_.Char(static_cast<uint8_t>(ch), mods);
    return sent_;
  }

  KeyTable table_;
  TerminalOptions options_;
  std::string sent_;
  Keyboard kb_;
};

// One key press under one set-up, and what goes out for it.
struct PressCase {
  const char* name;
  Emulation emulation;
  KeypadMode mode;
  uint32_t backspaceDelete, outboundCrLf;
  VirtualKey vk;
  KeyModifiers mods;
  int ch;
  std::string sent;
};

class KeyPressTest : public KeyboardTest, public ::testing::WithParamInterface<PressCase> {};

TEST_P(KeyPressTest, Sends) {
  const PressCase& c = GetParam();
  options_.BackspaceSendsDelete = c.backspaceDelete;
  options_.OutboundCrLf = c.outboundCrLf;
  kb_.Setup(static_cast<uint32_t>(c.emulation), c.mode);
  EXPECT_EQ(Press(c.vk, c.mods, c.ch), c.sent);
}

constexpr auto kVt = Emulation::Vt100;
constexpr auto kNum = KeypadMode::Numeric;
constexpr auto kApp = KeypadMode::Application;

const PressCase kPressCases[] = {
    // Numeric mode maps only the editing and cursor keys; the keypad types.
    {"NumericCursorKey", kVt, kNum, 0, 0, VirtualKey::Up, kNone, kNoChar, "\x1b[A"},
    {"NumericKeypadDigitTypes", kVt, kNum, 0, 0, VirtualKey::Numpad5, kNone, '5', "5"},
    {"NumericNumLockSendsNothing", kVt, kNum, 0, 0, VirtualKey::NumLock, kNone, kNoChar, ""},
    // Application mode sends the key map's text and swallows the character.
    {"AppKeypadDigit", kVt, kApp, 0, 0, VirtualKey::Numpad5, kNone, '5', "\x1bOu"},
    {"AppNumLock", kVt, kApp, 0, 0, VirtualKey::NumLock, kNone, kNoChar, "\x1bOP"},
    {"AppKeypadPoint", kVt, kApp, 0, 0, VirtualKey::Decimal, kNone, '.', "\x1bOn"},
    {"MapFollowsEmulationSco", Emulation::ScoAnsi, kNum, 0, 0, VirtualKey::End, kNone, kNoChar,
     "\x1b[F"},
    {"MapFollowsEmulationPc", Emulation::PcAnsi, kNum, 0, 0, VirtualKey::End, kNone, kNoChar,
     "\x1b[K"},
    {"UnknownEmulationMapsNothing", static_cast<Emulation>(9), kApp, 0, 0, VirtualKey::Numpad1,
     kNone, '1', "1"},
    // Backspace, Enter and Tab.
    {"BackspaceControlH", kVt, kNum, 0, 0, VirtualKey::Backspace, kNone, 8, "\b"},
    {"BackspaceDelete", kVt, kNum, 1, 0, VirtualKey::Backspace, kNone, 8, "\x7f"},
    {"Enter", kVt, kNum, 0, 0, VirtualKey::Enter, kNone, 13, "\r"},
    {"EnterOutboundCrLf", kVt, kNum, 0, 1, VirtualKey::Enter, kNone, 13, "\r\n"},
    {"Tab", kVt, kNum, 0, 1, VirtualKey::Tab, kNone, 9, "\t"},
    {"ShiftTabBackTab", kVt, kNum, 0, 0, VirtualKey::Tab, kShift, 9, "\x1b[Z"},
    // Everything else goes out as the one byte it produced.
    {"Letter", kVt, kNum, 0, 0, VirtualKey::Other, kNone, 'a', "a"},
    {"CtrlLetter", kVt, kNum, 0, 0, VirtualKey::Other, kCtrl, 3, "\x03"},
    {"Nul", kVt, kNum, 0, 0, VirtualKey::Other, kNone, 0, std::string(1, '\0')},
    // Function keys: the plain or shifted text, also with Ctrl past F2.
    {"F1DefaultText", kVt, kNum, 0, 0, VirtualKey::F1, kNone, kNoChar, "\x1bOP"},
    {"ShiftF1EmptyByDefault", kVt, kNum, 0, 0, VirtualKey::F1, kShift, kNoChar, ""},
    {"CtrlF1WithoutEntrySendsCr", kVt, kNum, 0, 0, VirtualKey::F1, kCtrl, kNoChar, "\r"},
};

INSTANTIATE_TEST_SUITE_P(Keys, KeyPressTest, ::testing::ValuesIn(kPressCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeyboardTest, MappedKeysReadTheSharedTableAndSwallowTheirCharacter) {
  table_.KeyMaps[1][6] = "up!";  // an edit in the key-map dialog counts at once
  EXPECT_EQ(Press(VirtualKey::Up), "up!");
  table_.KeyMaps[1][1] = "";  // an empty text still suppresses the character
  EXPECT_EQ(Press(VirtualKey::Delete, kNone, 0x7f), "");
  EXPECT_TRUE(kb_.KeyHandled());
  EXPECT_EQ(Press(VirtualKey::Other, kNone, 'x'), "x");  // the flag lasts one key
}

TEST_F(KeyboardTest, CtrlF1AndF2SendCredentialsAsTyped) {
  kb_.SetCredentials("us^Mer", "pa\\41ss");
  EXPECT_EQ(Press(VirtualKey::F1, kCtrl), "us^Mer\r");
  EXPECT_EQ(Press(VirtualKey::F2, kCtrlShift), "pa\\41ss\r");
  options_.OutboundCrLf = 1;
  EXPECT_EQ(Press(VirtualKey::F1, kCtrl), "us^Mer\r\n");
  EXPECT_TRUE(kb_.KeyHandled());
}

TEST_F(KeyboardTest, FunctionKeyTextsAreExpanded) {
  table_.FunctionKeys[2] = "dir^M";
  table_.ShiftFunctionKeys[2] = "ls -l\\0D";
  table_.FunctionKeys[3] = "a\nb";
  EXPECT_EQ(Press(VirtualKey::F3), "dir\r");
  EXPECT_EQ(Press(VirtualKey::F3, kShift), "ls -l\r");
  EXPECT_EQ(Press(VirtualKey::F3, kCtrl), "dir\r");
  EXPECT_EQ(Press(VirtualKey::F4), "ab");  // a typed line feed needs the outbound option
  options_.OutboundCrLf = 1;
  EXPECT_EQ(Press(VirtualKey::F4), "a\nb");
}

TEST_F(KeyboardTest, F10AsSystemKey) {
  table_.FunctionKeys[9] = "ten";
  table_.ShiftFunctionKeys[9] = "TEN";
  sent_.clear();
  EXPECT_TRUE(kb_.SysKeyDown(VirtualKey::F10, kNone));
  EXPECT_TRUE(kb_.SysKeyDown(VirtualKey::F10, kShift));
  EXPECT_FALSE(kb_.SysKeyDown(VirtualKey::F4, kNone));
  EXPECT_FALSE(kb_.SysKeyDown(VirtualKey::Other, kNone));
  EXPECT_EQ(sent_, "tenTEN");
}

}  // namespace
}  // namespace parlane
