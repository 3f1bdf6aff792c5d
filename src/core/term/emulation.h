// What makes one emulation differ from another, in one row per emulation:
// adding an emulation is a row here, its final-byte handler (a dispatch
// file of the interpreter) and its code in the terminal options.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "config/terminal_options.h"

namespace parlane {

// How the screen is cleared by a form feed and how backspace treats the
// cell it moves onto.
enum class EraseStyle : uint8_t {
  Plain,  // TTY: spaces, colours untouched
  Vt,     // VT100: normal attribute, rows left empty
  Pc,     // the ANSI emulations: current attribute, the background follows
};

// How cells are coloured from their attribute byte.
enum class RenditionRule : uint8_t {
  Window,     // TTY: the window's text colour
  Vt100,      // bold yellow, reverse, else the window's colours
  AnsiColor,  // foreground in the high nibble, background in the low one
};

// Which final-byte table handles a completed sequence.
enum class DispatchTable : uint8_t { None, Vt100, PcAnsi, ScoAnsi };

struct EmulationTraits {
  Emulation id;
  std::string_view name;        // shown in the status bar
  std::string_view key;         // the tools' command-line word
  std::string_view telnetType;  // sent for TERMINAL-TYPE
  bool escapes;                 // ESC and CSI start sequences
  bool charsets;                // SO/SI, G0/G1 designations and line drawing
  bool highBit;                 // CSI 12 m / 10 m add 0x80 to printed bytes
  bool backspaceErases;         // backspace blanks the cell it moves onto
  EraseStyle erase;
  RenditionRule rendition;
  DispatchTable dispatch;
};

inline constexpr EmulationTraits kEmulationTraits[] = {
    {Emulation::Tty, kEmulationNames[0], "tty", "TTY", false, false, false, false,
     EraseStyle::Plain, RenditionRule::Window, DispatchTable::None},
    {Emulation::Vt100, kEmulationNames[1], "vt100", "VT100", true, true, false, false,
     EraseStyle::Vt, RenditionRule::Vt100, DispatchTable::Vt100},
    {Emulation::PcAnsi, kEmulationNames[2], "pcansi", "ANSI", true, false, false, true,
     EraseStyle::Pc, RenditionRule::AnsiColor, DispatchTable::PcAnsi},
    {Emulation::ScoAnsi, kEmulationNames[3], "scoansi", "ANSI", true, true, true, false,
     EraseStyle::Pc, RenditionRule::AnsiColor, DispatchTable::ScoAnsi},
};

inline constexpr size_t kEmulationCount = std::size(kEmulationTraits);

// The row of a known emulation code, or nothing.
constexpr const EmulationTraits* FindEmulation(uint32_t code) {
  return code < kEmulationCount ? &kEmulationTraits[code] : nullptr;
}

// The row whose command-line word is `key`, or nothing.
constexpr const EmulationTraits* FindEmulationKey(std::string_view key) {
  for (const EmulationTraits& row : kEmulationTraits) {
    if (row.key == key) return &row;
  }
  return nullptr;
}

// The row of `emulation`; an unknown code behaves as VT100.
constexpr const EmulationTraits& TraitsOf(Emulation emulation) {
  const auto code = static_cast<uint32_t>(emulation);
  return kEmulationTraits[code < kEmulationCount ? code : static_cast<uint32_t>(Emulation::Vt100)];
}

}  // namespace parlane
