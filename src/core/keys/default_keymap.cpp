// The key table a new installation starts with. This file is the readable
// source of the default KEYMAP.DAT: one row per mapped key, one column per
// emulation, every text in the key-text notation (^[ is ESC, \7F is DEL).
//
// TTY:      ANSI cursor keys and VT220 editing keys, which nearly every host
//           understands; Delete sends DEL; the keypad sends its characters.
// VT100:    cursor keys ESC [ A..D, VT220 editing keys ESC [ 1~ .. 6~; in
//           application keypad mode Num Lock / * - are PF1..PF4 (ESC O P..S),
//           + is the keypad comma (ESC O l), . is ESC O n, 0..9 are ESC O p..y.
// PC ANSI:  what ANSI BBS hosts expect: ESC [ A..D, Home ESC [ H, End ESC [ K,
//           Insert ESC [ @, Delete DEL, Page Up ESC [ V, Page Down ESC [ U;
//           the keypad sends its characters (ANSI.SYS has no keypad mode).
// SCO ANSI: the SCO console's keys: ESC [ A..D, Home ESC [ H, End ESC [ F,
//           Insert ESC [ L, Delete DEL, Page Up ESC [ I, Page Down ESC [ G;
//           the keypad sends its characters.
#include <string_view>

#include "keys/keymap.h"

namespace parlane {
namespace {

struct DefaultKeyRow {
  std::string_view Label;  // must match kKeySlots, checked below
  std::string_view Text[kKeyMapCount];
};

// clang-format off
constexpr DefaultKeyRow kDefaultKeys[kKeySlotCount] = {
  // key              TTY        VT100      PC ANSI    SCO ANSI
  {"Insert",       {"^[[2~",   "^[[2~",   "^[[@",    "^[[L"}},
  {"Delete",       {"\\7F",    "^[[3~",   "\\7F",    "\\7F"}},
  {"Home",         {"^[[1~",   "^[[1~",   "^[[H",    "^[[H"}},
  {"End",          {"^[[4~",   "^[[4~",   "^[[K",    "^[[F"}},
  {"Page Up",      {"^[[5~",   "^[[5~",   "^[[V",    "^[[I"}},
  {"Page Down",    {"^[[6~",   "^[[6~",   "^[[U",    "^[[G"}},
  {"Up Arrow",     {"^[[A",    "^[[A",    "^[[A",    "^[[A"}},
  {"Down Arrow",   {"^[[B",    "^[[B",    "^[[B",    "^[[B"}},
  {"Left Arrow",   {"^[[D",    "^[[D",    "^[[D",    "^[[D"}},
  {"Right Arrow",  {"^[[C",    "^[[C",    "^[[C",    "^[[C"}},
  {"Num Lock",     {"",        "^[OP",    "",        ""}},
  {"Keypad /",     {"/",       "^[OQ",    "/",       "/"}},
  {"Keypad *",     {"*",       "^[OR",    "*",       "*"}},
  {"Keypad -",     {"-",       "^[OS",    "-",       "-"}},
  {"Keypad +",     {"+",       "^[Ol",    "+",       "+"}},
  {"Keypad .",     {".",       "^[On",    ".",       "."}},
  {"Keypad 0",     {"0",       "^[Op",    "0",       "0"}},
  {"Keypad 1",     {"1",       "^[Oq",    "1",       "1"}},
  {"Keypad 2",     {"2",       "^[Or",    "2",       "2"}},
  {"Keypad 3",     {"3",       "^[Os",    "3",       "3"}},
  {"Keypad 4",     {"4",       "^[Ot",    "4",       "4"}},
  {"Keypad 5",     {"5",       "^[Ou",    "5",       "5"}},
  {"Keypad 6",     {"6",       "^[Ov",    "6",       "6"}},
  {"Keypad 7",     {"7",       "^[Ow",    "7",       "7"}},
  {"Keypad 8",     {"8",       "^[Ox",    "8",       "8"}},
  {"Keypad 9",     {"9",       "^[Oy",    "9",       "9"}},
};

// F1 .. F12 as VT220 and xterm send them; Shift+F1 .. Shift+F12 start empty
// for the user's own texts.
constexpr std::string_view kDefaultFunctionKeys[kFunctionKeyCount] = {
  "^[OP",   "^[OQ",   "^[OR",   "^[OS",   "^[[15~", "^[[17~",
  "^[[18~", "^[[19~", "^[[20~", "^[[21~", "^[[23~", "^[[24~",
};
// clang-format on

constexpr bool RowsMatchSlots() {
  for (size_t s = 0; s < kKeySlotCount; ++s)
    if (kDefaultKeys[s].Label != kKeySlots[s].Label) return false;
  return true;
}
static_assert(RowsMatchSlots(), "default key rows must follow the slot order");

constexpr bool TextsFit() {
  for (const auto& row : kDefaultKeys)
    for (auto text : row.Text)
      if (text.size() > KeyTable::kMaxKeyTextLength) return false;
  for (auto text : kDefaultFunctionKeys)
    if (text.size() > KeyTable::kMaxFunctionTextLength) return false;
  return true;
}
static_assert(TextsFit(), "default texts must fit their fields");

}  // namespace

KeyTable DefaultKeyTable() {
  KeyTable t;
  for (size_t i = 0; i < kFunctionKeyCount; ++i) t.FunctionKeys[i] = kDefaultFunctionKeys[i];
  for (size_t m = 0; m < kKeyMapCount; ++m)
    for (size_t s = 0; s < kKeySlotCount; ++s) t.KeyMaps[m][s] = kDefaultKeys[s].Text[m];
  return t;
}

}  // namespace parlane
