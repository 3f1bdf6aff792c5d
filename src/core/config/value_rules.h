// Value rules of the Terminal Settings and colour dialogs, kept apart from
// the windows that show them. (The Hardware Settings rules are in dcb.h.)
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "config/terminal_options.h"
#include "util/rgb.h"

namespace parlane {

// The colour dialog offers the terminal's sixteen palette colours
// (kAnsiPalette); radio 200 + i is colour i.
// The radio checked when the dialog opens on `current`: the index of the
// exactly equal colour, or empty when it is none of the sixteen.
std::optional<int> ColorIndexFor(Rgb current);

// The colour returned after OK: the first checked radio's, black when none.
Rgb ColorFromChecks(const std::array<bool, 16>& checked);

// The state of the Terminal Settings dialog.
struct TerminalChoices {
  std::string EmulationText;  // selected list text ("" when none)
  bool Inbound = false;
  bool Outbound = false;
  bool LocalEcho = false;
  bool WordWrap = false;
  bool DeleteChecked = false;    // "Delete"
  bool ControlHChecked = false;  // "Control-H"
  bool operator==(const TerminalChoices&) const = default;
};

// Position of `text` among the four emulation names, empty when none.
std::optional<uint32_t> EmulationIndexOf(std::string_view text);

// The emulation's name, or "" for a code outside 0 to 3.
std::string_view EmulationName(uint32_t emulation);

// "ON" or "OFF" as the entry editors show the flags.
inline std::string_view OnOffText(uint32_t flag) { return flag ? "ON" : "OFF"; }

TerminalChoices ChoicesFromTerminal(const TerminalOptions& t);

// Emulation unchanged from `previous` when the text matches none of the
// names; each flag 1 when its box is checked; backspace DEL when "Delete".
TerminalOptions TerminalFromChoices(const TerminalChoices& c, const TerminalOptions& previous);

}  // namespace parlane
