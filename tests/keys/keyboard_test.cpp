#include "keys/keyboard.h"

#include <gtest/gtest.h>

#include <string>

namespace parlane {
namespace {

constexpr KeyModifiers kNone{};
constexpr KeyModifiers kCtrl{true, false};
constexpr KeyModifiers kShift{false, true};
constexpr KeyModifiers kCtrlShift{true, true};

// A session that records every data send.
class KeyboardTest : public ::testing::Test {
 protected:
  KeyboardTest() : kb_(table_, options_, [this](std::string_view b) { sent_.append(b); }) {
    table_ = DefaultKeyTable();
    options_.BackspaceSendsDelete = 0;
    kb_.Setup(static_cast<uint32_t>(Emulation::Vt100), KeypadMode::Numeric);
  }

  // One key press as the window delivers it: key down, then its character.
  std::string Press(VirtualKey vk, KeyModifiers mods = kNone, int ch = -1) {
    sent_.clear();
    kb_.KeyDown(vk, mods);
    if (ch >= 0) kb_.Char(static_cast<uint8_t>(ch), mods);
    return sent_;
  }

  KeyTable table_;
  TerminalOptions options_;
  std::string sent_;
  Keyboard kb_;
};

TEST_F(KeyboardTest, NumericModeMapsOnlyEditingAndCursorKeys) {
  EXPECT_EQ(Press(VirtualKey::Up), "\x1b[A");
  EXPECT_EQ(Press(VirtualKey::Delete), "\x1b[3~");
  EXPECT_EQ(Press(VirtualKey::Numpad5, kNone, '5'), "5");
  EXPECT_EQ(Press(VirtualKey::Add, kNone, '+'), "+");
  EXPECT_EQ(Press(VirtualKey::NumLock), "");
  EXPECT_EQ(kb_.MappedText(VirtualKey::Numpad5), nullptr);
}

TEST_F(KeyboardTest, ApplicationModeSendsKeypadTextAndSwallowsTheDigit) {
  kb_.Setup(static_cast<uint32_t>(Emulation::Vt100), KeypadMode::Application);
  EXPECT_EQ(Press(VirtualKey::Numpad5, kNone, '5'), "\x1bOu");
  EXPECT_EQ(Press(VirtualKey::NumLock), "\x1bOP");
  EXPECT_EQ(Press(VirtualKey::Decimal, kNone, '.'), "\x1bOn");
  EXPECT_EQ(Press(VirtualKey::Up), "\x1b[A");
}

TEST_F(KeyboardTest, SetupFollowsTheEmulation) {
  kb_.Setup(static_cast<uint32_t>(Emulation::ScoAnsi), KeypadMode::Numeric);
  EXPECT_EQ(Press(VirtualKey::End), "\x1b[F");
  kb_.Setup(static_cast<uint32_t>(Emulation::PcAnsi), KeypadMode::Numeric);
  EXPECT_EQ(Press(VirtualKey::End), "\x1b[K");
}

TEST_F(KeyboardTest, UnknownEmulationMapsNothing) {
  kb_.Setup(9, KeypadMode::Application);
  EXPECT_EQ(Press(VirtualKey::Up), "");
  EXPECT_EQ(Press(VirtualKey::Numpad1, kNone, '1'), "1");
}

TEST_F(KeyboardTest, TableEditsTakeEffectAtOnce) {
  table_.KeyMaps[1][6] = "up!";
  EXPECT_EQ(Press(VirtualKey::Up), "up!");
}

TEST_F(KeyboardTest, EmptyMappedTextSendsNothingAndSwallowsTheCharacter) {
  table_.KeyMaps[1][1] = "";
  EXPECT_EQ(Press(VirtualKey::Delete, kNone, 0x7f), "");
  EXPECT_TRUE(kb_.KeyHandled());
}

TEST_F(KeyboardTest, Backspace) {
  EXPECT_EQ(Press(VirtualKey::Backspace, kNone, 8), "\b");
  options_.BackspaceSendsDelete = 1;
  EXPECT_EQ(Press(VirtualKey::Backspace, kNone, 8), "\x7f");
}

TEST_F(KeyboardTest, EnterAndTab) {
  EXPECT_EQ(Press(VirtualKey::Enter, kNone, 13), "\r");
  options_.OutboundCrLf = 1;
  EXPECT_EQ(Press(VirtualKey::Enter, kNone, 13), "\r\n");
  EXPECT_EQ(Press(VirtualKey::Tab, kNone, 9), "\t");
  EXPECT_EQ(Press(VirtualKey::Tab, kShift, 9), "\x1b[Z");
}

TEST_F(KeyboardTest, OrdinaryCharactersGoOutAsOneByte) {
  EXPECT_EQ(Press(VirtualKey::Other, kNone, 'a'), "a");
  EXPECT_EQ(Press(VirtualKey::Other, kCtrl, 3), "\x03");
  EXPECT_EQ(Press(VirtualKey::Other, kNone, 0), std::string(1, '\0'));
  EXPECT_FALSE(kb_.KeyHandled());
}

TEST_F(KeyboardTest, CtrlF1AndF2SendCredentialsAsTyped) {
  kb_.SetCredentials("us^Mer", "pa\\41ss");
  EXPECT_EQ(Press(VirtualKey::F1, kCtrl), "us^Mer\r");
  EXPECT_EQ(Press(VirtualKey::F2, kCtrlShift), "pa\\41ss\r");
  options_.OutboundCrLf = 1;
  EXPECT_EQ(Press(VirtualKey::F1, kCtrl), "us^Mer\r\n");
  EXPECT_TRUE(kb_.KeyHandled());
}

TEST_F(KeyboardTest, CtrlF1WithoutEntrySendsOnlyTheCarriageReturn) {
  EXPECT_EQ(Press(VirtualKey::F1, kCtrl), "\r");
}

TEST_F(KeyboardTest, FunctionKeysSendTheirTexts) {
  table_.FunctionKeys[2] = "dir^M";
  table_.ShiftFunctionKeys[2] = "ls -l\\0D";
  EXPECT_EQ(Press(VirtualKey::F3), "dir\r");
  EXPECT_EQ(Press(VirtualKey::F3, kShift), "ls -l\r");
  EXPECT_EQ(Press(VirtualKey::F3, kCtrl), "dir\r");
  EXPECT_EQ(Press(VirtualKey::F1), "\x1bOP");
  EXPECT_EQ(Press(VirtualKey::F1, kShift), "");
  EXPECT_TRUE(kb_.KeyHandled());
}

TEST_F(KeyboardTest, LineFeedInFunctionTextNeedsTheOutboundOption) {
  table_.FunctionKeys[3] = "a\nb";
  EXPECT_EQ(Press(VirtualKey::F4), "ab");
  options_.OutboundCrLf = 1;
  EXPECT_EQ(Press(VirtualKey::F4), "a\nb");
}

TEST_F(KeyboardTest, F10AsSystemKey) {
  table_.FunctionKeys[9] = "ten";
  table_.ShiftFunctionKeys[9] = "TEN";
  sent_.clear();
  EXPECT_TRUE(kb_.SysKeyDown(VirtualKey::F10, kNone));
  EXPECT_EQ(sent_, "ten");
  sent_.clear();
  EXPECT_TRUE(kb_.SysKeyDown(VirtualKey::F10, kShift));
  EXPECT_EQ(sent_, "TEN");
  sent_.clear();
  EXPECT_FALSE(kb_.SysKeyDown(VirtualKey::F4, kNone));
  EXPECT_FALSE(kb_.SysKeyDown(VirtualKey::Other, kNone));
  EXPECT_EQ(sent_, "");
}

TEST_F(KeyboardTest, HandledFlagLastsOnlyUntilTheNextKeyDown) {
  EXPECT_EQ(Press(VirtualKey::Up), "\x1b[A");
  EXPECT_TRUE(kb_.KeyHandled());
  EXPECT_EQ(Press(VirtualKey::Other, kNone, 'x'), "x");
}

}  // namespace
}  // namespace parlane
