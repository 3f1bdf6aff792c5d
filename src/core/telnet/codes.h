// Telnet command bytes, option numbers and the agreed TRANSMIT-BINARY state.
#pragma once

#include <cstdint>

namespace parlane::telnet {

inline constexpr uint8_t kSe = 240;
inline constexpr uint8_t kNop = 241;
inline constexpr uint8_t kSb = 250;
inline constexpr uint8_t kWill = 251;
inline constexpr uint8_t kWont = 252;
inline constexpr uint8_t kDo = 253;
inline constexpr uint8_t kDont = 254;
inline constexpr uint8_t kIac = 255;

inline constexpr uint8_t kOptBinary = 0;
inline constexpr uint8_t kOptEcho = 1;
inline constexpr uint8_t kOptSuppressGoAhead = 3;
inline constexpr uint8_t kOptTerminalType = 24;
inline constexpr uint8_t kOptNaws = 31;
inline constexpr uint8_t kOptTerminalSpeed = 32;

// The SEND/IS code after the option in a subnegotiation; our answers are IS.
inline constexpr uint8_t kSubIs = 0;

inline constexpr uint8_t kCr = 13;
inline constexpr uint8_t kNul = 0;

}  // namespace parlane::telnet

namespace parlane {

// The agreed TRANSMIT-BINARY state of a Telnet connection, per direction.
// Outside binary mode a carriage return travels as CR NUL (or CR LF).
struct TelnetBinaryState {
  bool hostSendsBinary = false;  // the host has agreed (WILL BINARY) to send binary
  bool weSendBinary = false;     // the host has agreed (DO BINARY) that we send binary
  bool operator==(const TelnetBinaryState&) const = default;
};

}  // namespace parlane
