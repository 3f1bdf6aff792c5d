#include "config/value_rules.h"

namespace parlane {

std::optional<int> ColorIndexFor(Rgb current) {
  for (size_t i = 0; i < kAnsiPalette.size(); ++i)
    if (kAnsiPalette[i] == current) return static_cast<int>(i);
  return std::nullopt;
}

Rgb ColorFromChecks(const std::array<bool, 16>& checked) {
  for (size_t i = 0; i < checked.size(); ++i)
    if (checked[i]) return kAnsiPalette[i];
  return Rgb{0, 0, 0};
}

std::optional<uint32_t> EmulationIndexOf(std::string_view text) {
  for (uint32_t i = 0; i < 4; ++i)
    if (kEmulationNames[i] == text) return i;
  return std::nullopt;
}

std::string_view EmulationName(uint32_t emulation) {
  return emulation < 4 ? kEmulationNames[emulation] : std::string_view{};
}

TerminalChoices ChoicesFromTerminal(const TerminalOptions& t) {
  TerminalChoices c;
  c.EmulationText = EmulationName(t.Emulation);
  c.Inbound = t.InboundCrLf != 0;
  c.Outbound = t.OutboundCrLf != 0;
  c.LocalEcho = t.LocalEcho != 0;
  c.WordWrap = t.WordWrap != 0;
  c.DeleteChecked = t.BackspaceSendsDelete == 1;
  c.ControlHChecked = !c.DeleteChecked;
  return c;
}

TerminalOptions TerminalFromChoices(const TerminalChoices& c, const TerminalOptions& previous) {
  TerminalOptions t = previous;
  if (auto e = EmulationIndexOf(c.EmulationText)) t.Emulation = *e;
  t.InboundCrLf = c.Inbound;
  t.OutboundCrLf = c.Outbound;
  t.LocalEcho = c.LocalEcho;
  t.WordWrap = c.WordWrap;
  t.BackspaceSendsDelete = c.DeleteChecked;
  return t;
}

}  // namespace parlane
