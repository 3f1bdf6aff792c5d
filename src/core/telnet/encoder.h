// The Telnet send side: data bytes framed for the wire. A data byte 255 is
// sent doubled so it cannot be read as IAC, and outside binary mode a
// carriage return is followed by NUL so the host does not take the byte
// after it for the end of a line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "telnet/codes.h"

namespace parlane::telnet {

struct EncodeRules {
  bool doubleIac = true;
  bool crNul = false;  // true while our direction is not binary
};

// Appends `bytes` to `out` framed by `rules`.
void Encode(std::span<const uint8_t> bytes, EncodeRules rules, std::vector<uint8_t>& out);

// `bytes` with every 255 doubled.
std::vector<uint8_t> DoubleIac(std::span<const uint8_t> bytes);

}  // namespace parlane::telnet
