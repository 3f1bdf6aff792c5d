#include "keys/keyboard.h"

#include <utility>

#include "keys/keytext.h"

namespace parlane {
namespace {

constexpr uint8_t kCarriageReturn = 13;
constexpr uint8_t kLineFeed = 10;
constexpr uint8_t kTab = 9;
constexpr uint8_t kDelete = 127;
// Shift+Tab goes out as the back-tab sequence ESC [ Z.
constexpr std::string_view kBackTab = "\x1b[Z";

bool IsFunctionKey(VirtualKey vk) { return vk >= VirtualKey::F1 && vk <= VirtualKey::F12; }

size_t FunctionIndex(VirtualKey vk) {
  return static_cast<size_t>(static_cast<uint8_t>(vk) - static_cast<uint8_t>(VirtualKey::F1));
}

}  // namespace

Keyboard::Keyboard(const KeyTable& table, const TerminalOptions& options, SendFn send)
    : table_(table), options_(options), send_(std::move(send)) {
  slotOf_.fill(kUnmapped);
}

void Keyboard::Setup(uint32_t emulation, KeypadMode mode) {
  slotOf_.fill(kUnmapped);
  emulation_ = emulation;
  if (emulation >= kKeyMapCount) return;
  const size_t slots = mode == KeypadMode::Numeric ? kFirstKeypadSlot : kKeySlotCount;
  for (size_t s = 0; s < slots; ++s) slotOf_[kKeySlots[s].VirtualKey] = static_cast<int8_t>(s);
}

void Keyboard::SetCredentials(std::string userName, std::string password) {
  userName_ = std::move(userName);
  password_ = std::move(password);
}

const std::string* Keyboard::MappedText(VirtualKey vk) const {
  const int8_t slot = slotOf_[static_cast<uint8_t>(vk)];
  if (slot == kUnmapped) return nullptr;
  return &table_.KeyMaps[emulation_][static_cast<size_t>(slot)];
}

bool Keyboard::KeyDown(VirtualKey vk, KeyModifiers mods) {
  keyHandled_ = false;
  if (const std::string* text = MappedText(vk)) {
    SendKeyText(*text);
    keyHandled_ = true;
  } else if (vk == VirtualKey::Backspace && options_.BackspaceSendsDelete) {
    const char del = static_cast<char>(kDelete);
    Send(std::string_view(&del, 1));
    keyHandled_ = true;
  } else if (IsFunctionKey(vk) && mods.Ctrl && (vk == VirtualKey::F1 || vk == VirtualKey::F2)) {
    // The user name and password go out as they are, no notation expanded;
    // the CR after them goes through Char() so the outbound CR-LF option applies.
    Send(vk == VirtualKey::F1 ? userName_ : password_);
    Char(kCarriageReturn, mods);
    keyHandled_ = true;
  } else if (IsFunctionKey(vk)) {
    SendFunctionKey(FunctionIndex(vk), mods.Shift);
    keyHandled_ = true;
  }
  return keyHandled_;
}

void Keyboard::Char(uint8_t ch, KeyModifiers mods) {
  if (keyHandled_) return;
  if (ch == kCarriageReturn && options_.OutboundCrLf) {
    const char crlf[] = {static_cast<char>(kCarriageReturn), static_cast<char>(kLineFeed)};
    Send(std::string_view(crlf, 2));
  } else if (ch == kTab && mods.Shift) {
    Send(kBackTab);
  } else {
    const char c = static_cast<char>(ch);
    Send(std::string_view(&c, 1));
  }
}

bool Keyboard::SysKeyDown(VirtualKey vk, KeyModifiers mods) {
  if (vk != VirtualKey::F10) return false;
  SendFunctionKey(FunctionIndex(vk), mods.Shift);
  return true;
}

void Keyboard::SendFunctionKey(size_t index, bool shifted) {
  SendKeyText(shifted ? table_.ShiftFunctionKeys[index] : table_.FunctionKeys[index]);
}

void Keyboard::SendKeyText(const std::string& text) {
  Send(TranslateKeyText(text, options_.OutboundCrLf != 0));
}

void Keyboard::Send(std::string_view bytes) {
  if (!bytes.empty() && send_) send_(bytes);
}

}  // namespace parlane
