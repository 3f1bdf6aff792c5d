// Keyboard translation of one session window: the key map for its emulation
// and keypad mode, and the three key handlers.
//
// How the window drives it (one key press):
//   1. KeyDown(vk, mods)         for every key press, with its virtual-key code
//   2. Char(ch, mods)            for each character the press produces (if any)
// and SysKeyDown(vk, mods) instead of both for keys the window would otherwise
// give to the menus (keys held with Alt; F10 where the platform treats it as a
// menu key). A toolkit that delivers F10 as an ordinary key may pass it to
// KeyDown: it sends the same F10 text there. Everything the keyboard sends
// goes through the session's data send given at construction.
//
// Virtual-key codes (VirtualKey below) that the window must deliver:
//   Backspace 0x08, Tab 0x09, Enter 0x0D,
//   Page Up 0x21, Page Down 0x22, End 0x23, Home 0x24,
//   Left 0x25, Up 0x26, Right 0x27, Down 0x28, Insert 0x2D, Delete 0x2E,
//   keypad 0..9 0x60..0x69 (only while Num Lock is on, i.e. when the keypad key
//   produces a digit; with Num Lock off the keypad keys are Home, Up and so on),
//   keypad * 0x6A, + 0x6B, - 0x6D, . 0x6E, / 0x6F,
//   F1..F12 0x70..0x7B, Num Lock 0x90.
// Any other key may be delivered as VirtualKey::Other (or any unlisted code):
// it sends nothing on key-down and its character goes through Char().
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "config/terminal_options.h"
#include "keys/keymap.h"

namespace parlane {

enum class VirtualKey : uint8_t {
  Other = 0x00,
  Backspace = 0x08,
  Tab = 0x09,
  Enter = 0x0D,
  PageUp = 0x21,
  PageDown = 0x22,
  End = 0x23,
  Home = 0x24,
  Left = 0x25,
  Up = 0x26,
  Right = 0x27,
  Down = 0x28,
  Insert = 0x2D,
  Delete = 0x2E,
  Numpad0 = 0x60,
  Numpad1 = 0x61,
  Numpad2 = 0x62,
  Numpad3 = 0x63,
  Numpad4 = 0x64,
  Numpad5 = 0x65,
  Numpad6 = 0x66,
  Numpad7 = 0x67,
  Numpad8 = 0x68,
  Numpad9 = 0x69,
  Multiply = 0x6A,
  Add = 0x6B,
  Subtract = 0x6D,
  Decimal = 0x6E,
  Divide = 0x6F,
  F1 = 0x70,
  F2 = 0x71,
  F3 = 0x72,
  F4 = 0x73,
  F5 = 0x74,
  F6 = 0x75,
  F7 = 0x76,
  F8 = 0x77,
  F9 = 0x78,
  F10 = 0x79,
  F11 = 0x7A,
  F12 = 0x7B,
  NumLock = 0x90,
};

struct KeyModifiers {
  bool Ctrl = false;
  bool Shift = false;
};

enum class KeypadMode { Numeric, Application };

class Keyboard {
 public:
  using SendFn = std::function<void(std::string_view bytes)>;

  // `table` is the program's shared key table and `options` the session's
  // terminal options; both must outlive the keyboard. Edits of the table take
  // effect at once, as do changes of BackspaceSendsDelete and OutboundCrLf.
  Keyboard(const KeyTable& table, const TerminalOptions& options, SendFn send);

  // The set-up: clears the map, then maps the slots of the emulation's key
  // map (only the ten editing and cursor keys in Numeric mode, all 26 in
  // Application mode). An emulation outside 0..3 maps no key. Redone when the
  // window is built, gains the focus, changes emulation or keypad mode.
  void Setup(uint32_t emulation, KeypadMode mode);

  // The texts Ctrl+F1 and Ctrl+F2 send (from the phonebook entry; empty for a
  // session opened without one).
  void SetCredentials(std::string userName, std::string password);

  // Key down. Returns true when the key's text was sent here, in which case
  // the character the same press produces is swallowed by Char().
  bool KeyDown(VirtualKey vk, KeyModifiers mods);
  bool KeyDown(uint8_t vk, KeyModifiers mods) { return KeyDown(static_cast<VirtualKey>(vk), mods); }

  // A character produced by the last key press (Ctrl+letter as its control
  // code, Backspace as 8, Enter as 13, Tab as 9).
  void Char(uint8_t ch, KeyModifiers mods);

  // A system key (F10, or a key held with Alt). Returns true when it was
  // handled (F10 sends its function-key text); false leaves it to the window's
  // default handling (menus and accelerators).
  bool SysKeyDown(VirtualKey vk, KeyModifiers mods);

  // The key-map text a virtual key is mapped to, or nullptr when unmapped.
  const std::string* MappedText(VirtualKey vk) const;
  bool KeyHandled() const { return keyHandled_; }

 private:
  static constexpr int8_t kUnmapped = -1;

  void SendFunctionKey(size_t index, bool shifted);
  void SendKeyText(const std::string& text);
  void Send(std::string_view bytes);

  const KeyTable& table_;
  const TerminalOptions& options_;
  SendFn send_;
  std::string userName_;
  std::string password_;
  uint32_t emulation_ = 0;
  std::array<int8_t, 256> slotOf_;  // key slot per virtual-key code, or kUnmapped
  bool keyHandled_ = false;
};

}  // namespace parlane
