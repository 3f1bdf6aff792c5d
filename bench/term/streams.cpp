#include "streams.h"

#include <cstdint>

namespace parlane::bench {

namespace {

// A small deterministic generator so every run measures the same bytes.
class Rng {
 public:
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  uint32_t Below(uint32_t n) { return Next() % n; }

 private:
  uint32_t state_ = 2463534242u;
};

const char* const kWords[] = {"terminal", "session", "modem", "carrier", "host", "login",
                              "the", "a", "of", "transfer", "zmodem", "phonebook", "dial",
                              "connect", "buffer", "screen", "line", "and", "to", "window"};
constexpr size_t kWordCount = sizeof kWords / sizeof kWords[0];

std::string Words(Rng& rng, size_t maxLen) {
  std::string s;
  while (s.size() < maxLen) {
    if (!s.empty()) s += ' ';
    s += kWords[rng.Below(kWordCount)];
  }
  return s.substr(0, maxLen);
}

std::string PlainText(size_t min) {
  Rng rng;
  std::string s;
  while (s.size() < min) s += Words(rng, 20 + rng.Below(58)) + "\r\n";
  return s;
}

std::string ColourText(size_t min) {
  Rng rng;
  std::string s;
  while (s.size() < min) {
    for (int i = 0; i < 8; ++i) {
      s += "\x1b[" + std::to_string(rng.Below(2)) + ";3" + std::to_string(rng.Below(8)) + ";4" +
           std::to_string(rng.Below(8)) + "m" + Words(rng, 3 + rng.Below(6)) + " ";
    }
    s += "\x1b[0m\r\n";
  }
  return s;
}

std::string FullScreenRedraws(size_t min) {
  Rng rng;
  std::string s;
  while (s.size() < min) {
    s += "\x1b[H";
    for (int row = 1; row <= 24; ++row) {
      s += "\x1b[" + std::to_string(row) + ";1H" + Words(rng, 10 + rng.Below(60)) + "\x1b[K";
    }
  }
  return s;
}

std::string RegionScrolling(size_t min) {
  Rng rng;
  std::string s = "\x1b[5;20r";
  while (s.size() < min) {
    s += "\x1b[20;1H";
    for (int i = 0; i < 10; ++i) s += Words(rng, 10 + rng.Below(50)) + "\r\x1b" "D";
    s += "\x1b[5;1H";
    for (int i = 0; i < 5; ++i) s += "\x1bM" + Words(rng, 10 + rng.Below(50)) + "\r";
  }
  return s + "\x1b[r";
}

std::string LineDrawing(size_t min) {
  Rng rng;
  std::string s = "\x1b)0";
  while (s.size() < min) {
    s += "\x0elqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqk\x0f\r\n";
    for (int i = 0; i < 4; ++i) {
      std::string cells;
      for (int k = 0; k < 30; ++k) cells += static_cast<char>(0xB0 + rng.Below(0x30));
      s += "\x0ex\x0f " + cells + " \xb3\xba\xcd\xc4 \x0ex\x0f\r\n";
    }
    s += "\x0emqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqj\x0f\r\n";
  }
  return s;
}

}  // namespace

std::vector<Stream> MakeStreams(size_t min) {
  return {
      {"plain text lines", Emulation::Vt100, PlainText(min)},
      {"colour SGR text", Emulation::PcAnsi, ColourText(min)},
      {"full-screen redraws", Emulation::Vt100, FullScreenRedraws(min)},
      {"region scrolling", Emulation::Vt100, RegionScrolling(min)},
      {"CP437 line drawing", Emulation::Vt100, LineDrawing(min)},
  };
}

}  // namespace parlane::bench
