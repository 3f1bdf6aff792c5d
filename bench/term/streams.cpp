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

const char* const kWords[] = {"terminal", "session",   "modem", "carrier", "host",
                              "login",    "the",       "a",     "of",      "transfer",
                              "zmodem",   "phonebook", "dial",  "connect", "buffer",
                              "screen",   "line",      "and",   "to",      "window"};
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
    for (int i = 0; i < 10; ++i)
      s += Words(rng, 10 + rng.Below(50)) +
           "\r\x1b"
           "D";
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

// CUP to a random place, 1 to 20 characters, EL: a screen-oriented program
// updating fields here and there.
std::string CursorAddressed(size_t min) {
  Rng rng;
  std::string s;
  while (s.size() < min) {
    s += "\x1b[" + std::to_string(1 + rng.Below(24)) + ";" + std::to_string(1 + rng.Below(80)) +
         "H" + Words(rng, 1 + rng.Below(20)) + "\x1b[K";
  }
  return s;
}

// A rendition every 3 to 10 characters: highlighted listings, coloured
// prompts and status lines.
std::string DenseRenditions(size_t min) {
  Rng rng;
  std::string s;
  int column = 0;
  while (s.size() < min) {
    switch (rng.Below(3)) {
      case 0: s += "\x1b[" + std::to_string(rng.Below(2)) + "m"; break;
      case 1: s += "\x1b[3" + std::to_string(rng.Below(8)) + "m"; break;
      default:
        s += "\x1b[" + std::to_string(rng.Below(2)) + ";3" + std::to_string(rng.Below(8)) + ";4" +
             std::to_string(rng.Below(8)) + "m";
    }
    const size_t n = 3 + rng.Below(8);
    s += Words(rng, n);
    column += static_cast<int>(n);
    if (column > 70) {
      s += "\r\n";
      column = 0;
    }
  }
  return s;
}

}  // namespace

std::vector<Stream> MakeStreams(size_t min, long only) {
  using Make = std::string (*)(size_t);
  struct Shape {
    const char* name;
    Emulation emulation;
    Make make;
  };
  static constexpr Shape kShapes[] = {
      {"plain text lines", Emulation::Vt100, PlainText},
      {"colour SGR text", Emulation::PcAnsi, ColourText},
      {"full-screen redraws", Emulation::Vt100, FullScreenRedraws},
      {"region scrolling", Emulation::Vt100, RegionScrolling},
      {"CP437 line drawing", Emulation::Vt100, LineDrawing},
      {"cursor-addressed redraws", Emulation::Vt100, CursorAddressed},
      {"rendition every 3-10", Emulation::PcAnsi, DenseRenditions},
  };
  std::vector<Stream> streams;
  for (long i = 0; i < static_cast<long>(std::size(kShapes)); ++i) {
    const Shape& shape = kShapes[i];
    streams.push_back(
        {shape.name, shape.emulation, only < 0 || only == i ? shape.make(min) : std::string()});
  }
  return streams;
}

}  // namespace parlane::bench
