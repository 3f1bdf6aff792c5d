// The device control block applied to a serial device through termios.
#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>

#include "config/dcb.h"

namespace parlane {

// What the block asks of the line, as termios sees it.
struct LineSettings {
  bool operator==(const LineSettings&) const = default;
  uint32_t baudRate = 0;
  int dataBits = 8;  // 5 to 8
  ParityCode parity = ParityCode::None;
  bool checkParity = false;  // the block's parity-check bit: INPCK
  int stopBits = 1;          // 1 or 2 (1.5 acts as 2)
  bool rtsCtsFlow = false;   // CTS output flow or RTS handshake
  bool xonXoffOut = false;
  bool xonXoffIn = false;
  uint8_t xonChar = 17;
  uint8_t xoffChar = 19;
};

// The settings a block asks for; nullopt for a block no device accepts
// (rate 0, data bits outside 5 to 8, unknown parity or stop-bit code).
std::optional<LineSettings> LineSettingsFromDcb(const Dcb& dcb);

// Raw mode with these settings on top of what `t` held: no echo, no line
// editing, no translation, 1-byte reads. A rate without a B constant is left
// for SetArbitraryRate; returns whether the rate has a B constant.
bool FillTermios(termios& t, const LineSettings& settings);

// Puts the device in raw mode with these settings. A rate without a B
// constant goes through the arbitrary-rate interface. False when the device
// refuses them or does not keep the rate asked for. (A pseudo-terminal
// keeps 8 data bits without parity whatever it is given, so only the rate
// is checked.)
bool ApplyLineSettings(int fd, const LineSettings& settings);

// What a termios holds; the rate is 0 when it has no B constant.
LineSettings LineSettingsFromTermios(const termios& t);

// The settings the device holds now (for checks and tests).
std::optional<LineSettings> ReadLineSettings(int fd);

// The arbitrary-rate interface (termios2 with BOTHER), in a file of its own
// because its kernel header cannot share a file with <termios.h>.
bool SetArbitraryRate(int fd, uint32_t rate);
std::optional<uint32_t> GetArbitraryRate(int fd);

}  // namespace parlane
