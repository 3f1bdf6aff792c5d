#include "telnet/encoder.h"

#include <algorithm>

namespace parlane::telnet {

void Encode(std::span<const uint8_t> bytes, EncodeRules rules, std::vector<uint8_t>& out) {
  const auto special = [rules](uint8_t b) {
    return (rules.doubleIac && b == kIac) || (rules.crNul && b == kCr);
  };
  auto p = bytes.begin();
  while (p != bytes.end()) {
    const auto stop = std::find_if(p, bytes.end(), special);
    out.insert(out.end(), p, stop);
    if (stop == bytes.end()) break;
    out.push_back(*stop);
    out.push_back(*stop == kIac ? kIac : kNul);
    p = stop + 1;
  }
}

std::vector<uint8_t> DoubleIac(std::span<const uint8_t> bytes) {
  std::vector<uint8_t> out;
  out.reserve(bytes.size() + 8);
  Encode(bytes, {true, false}, out);
  return out;
}

}  // namespace parlane::telnet
