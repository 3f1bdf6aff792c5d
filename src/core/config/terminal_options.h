// The six terminal options carried by the main settings, every phonebook
// entry and every session window: six little-endian u32 values, 24 bytes.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "util/le.h"

namespace parlane {

enum class Emulation : uint32_t { Tty = 0, Vt100 = 1, PcAnsi = 2, ScoAnsi = 3 };

// The names the program shows: the first four are indexed by Emulation, the
// last two name the transfer protocols.
inline constexpr std::array<std::string_view, 6> kEmulationNames = {
    "TTY", "VT100", "PC ANSI", "SCO ANSI/ANSI", "YMODEM-G", "ZMODEM"};

struct TerminalOptions {
  static constexpr size_t kSize = 24;

  uint32_t Emulation = 1;             // 0 TTY, 1 VT100, 2 PC ANSI, 3 SCO ANSI/ANSI
  uint32_t InboundCrLf = 0;           // a received CR is shown as CR LF
  uint32_t OutboundCrLf = 0;          // a sent CR is sent as CR LF
  uint32_t LocalEcho = 0;             // typed characters are also shown locally
  uint32_t WordWrap = 1;              // lines wrap at the right margin
  uint32_t BackspaceSendsDelete = 1;  // Backspace sends DEL, else Control-H

  static TerminalOptions Decode(std::span<const uint8_t> b, size_t off = 0);
  void Encode(std::span<uint8_t> b, size_t off = 0) const;
  bool operator==(const TerminalOptions&) const = default;
};

}  // namespace parlane
