// What a Telnet session agrees to: the option reply table, the texts of the
// TERMINAL-TYPE, TERMINAL-SPEED and NAWS answers, the binary-mode requests
// around a transfer, and the remembered TRANSMIT-BINARY and NAWS agreement.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "telnet/codes.h"

namespace parlane::telnet {

// The speed we report for TERMINAL-SPEED (transmit,receive).
inline constexpr std::string_view kTerminalSpeedText = "256000,256000";

using Reply = std::array<uint8_t, 3>;

// The answer to IAC verb option, or nothing. WONT and DONT are never
// answered; DO NAWS is answered WILL (the caller then sends the size).
std::optional<Reply> OptionReply(uint8_t verb, uint8_t option);

// IAC SB option IS: the head of a subnegotiation answer.
std::array<uint8_t, 4> SubnegotiationHead(uint8_t option);
inline constexpr std::array<uint8_t, 2> kSubnegotiationEnd = {kIac, kSe};

// IAC SB NAWS width height IAC SE, each size a 16-bit big-endian value (the
// high byte is 0 for any real window); a size byte of 255 is doubled so the
// report cannot be read as IAC.
std::vector<uint8_t> WindowSizeReport(int columns, int rows);

// IAC DO BINARY, IAC WILL BINARY (on) or IAC DONT BINARY, IAC WONT BINARY
// (off): sent with the raw send before and after a Zmodem transfer.
std::array<uint8_t, 6> BinaryModeRequest(bool on);

// What the host has agreed to. Replies are never suppressed by it (a
// repeated request is answered again); it is only remembered.
class OptionState {
 public:
  // Notes a request received from the host.
  void NoteRequest(uint8_t verb, uint8_t option);
  const TelnetBinaryState& Binary() const { return binary_; }
  bool WindowSizeAgreed() const { return naws_; }

 private:
  TelnetBinaryState binary_;
  bool naws_ = false;
};

}  // namespace parlane::telnet
