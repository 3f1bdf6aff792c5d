// libFuzzer target: random bytes in random block splits through every
// emulation, Telnet on and off, at random heights, with the screen's
// invariants checked after every block.
//
// Input: 4 set-up bytes (emulation and flags, geometry, height, block size
// seed), then the stream. With the structured flag the stream bytes pick
// well-formed sequences (SGR, CUP, ED/EL, DECSTBM, SO/SI, IAC, ...) instead
// of being fed as they are.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "term/interpreter.h"
#include "term/painter.h"
#include "term/recording_session.h"
#include "term/screen.h"

namespace {

using namespace parlane;

void Check(bool ok) {
  if (!ok) std::abort();
}

void CheckInvariants(const TerminalScreen& s) {
  const int n = s.Capacity();
  Check(s.Height() >= 1 && s.Height() <= n);
  Check(s.ScreenTop() >= 0 && s.ScreenTop() <= s.VerticalRange());
  Check(s.Cursor().row >= 0 && s.Cursor().row < n);
  Check(s.Cursor().col >= 0 && s.Cursor().col <= s.Columns());
  Check(s.SavedCursor().row >= 0 && s.SavedCursor().row < n);
  Check(s.SavedCursor().col >= 0 && s.SavedCursor().col <= s.Columns());
  Check(s.RegionTop() >= 1 && s.RegionTop() <= s.RegionBottom());
  Check(s.RegionBottom() <= s.ClearHeight());
  // The visible rows lie inside the store; screen clears stop at its last row
  // when the window is shorter than the configured rows.
  Check(s.ScreenTop() + s.Height() <= n);
  for (int r = 0; r < n; ++r) Check(s.Row(r).Used() <= s.Columns());
}

// Well-formed pieces for the structured mode; %d is replaced by a parameter.
const char* const kTokens[] = {
    "\x1b[%dm",
    "\x1b[%d;%dm",
    "\x1b[%d;%dH",
    "\x1b[%dA",
    "\x1b[%dB",
    "\x1b[%dC",
    "\x1b[%dD",
    "\x1b[%dJ",
    "\x1b[%dK",
    "\x1b[%d;%dr",
    "\x1b[r",
    "\x1b"
    "D",
    "\x1b"
    "M",
    "\x1b"
    "E",
    "\x1b(0",
    "\x1b(B",
    "\x1b)0",
    "\x0e",
    "\x0f",
    "\r\n",
    "\n",
    "\r",
    "\t",
    "\b",
    "\f",
    "\x1b[@",
    "\x1b[P",
    "\x1b[L",
    "\x1b[M",
    "\x1b[S",
    "\x1b[T",
    "\x1b"
    "7",
    "\x1b"
    "8",
    "\x1b[s",
    "\x1b[u",
    "\x1b[6n",
    "\x1b[c",
    "\x1b[=7l",
    "\x1b[=7h",
    "\x1b[12m",
    "\x1b[10m",
    "\xff\xfd\x1f",
    "\xff\xfd\x18",
    "\xff\xfa\x18\x01\xff\xf0",
    "\xff\xff",
    "\x1b[5i",
    "\x1b[4i",
    "\x18"
    "B00",
    "hello world ",
    "\xb3\xc4\xda\xbf",
    "\x9b"
    "2J",
};
constexpr size_t kTokenCount = sizeof kTokens / sizeof kTokens[0];

std::vector<uint8_t> Structured(const uint8_t* data, size_t size) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i < size; ++i) {
    const std::string token = kTokens[data[i] % kTokenCount];
    for (size_t k = 0; k < token.size(); ++k) {
      if (token[k] == '%' && k + 1 < token.size() && token[k + 1] == 'd') {
        const int value = i + 1 < size ? data[++i] % 140 : 1;
        for (char c : std::to_string(value)) out.push_back(static_cast<uint8_t>(c));
        ++k;
      } else {
        out.push_back(static_cast<uint8_t>(token[k]));
      }
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr size_t kSetup = 4;
  if (size < kSetup) return 0;
  static constexpr int kRows[] = {24, 25, 35, 50};
  static constexpr int kCols[] = {80, 132};
  const uint8_t flags = data[0];
  TerminalOptions options;
  options.Emulation = flags & 3;
  options.WordWrap = (flags >> 2) & 1;
  options.InboundCrLf = (flags >> 3) & 1;
  options.LocalEcho = (flags >> 4) & 1;
  const bool telnet = (flags >> 5) & 1;
  const bool structured = (flags >> 6) & 1;
  const ScreenGeometry geometry{kRows[data[1] & 3], kCols[(data[1] >> 2) & 1]};
  uint32_t seed = data[3] | 1u;

  NullPainter painter;
  TerminalScreen screen(geometry, options, painter);
  screen.SetHeight(data[2] == 0 ? geometry.rows : data[2]);
  RecordingSession session;
  Interpreter interp(screen, session, {telnet});
  if (options.LocalEcho) session.SetEcho(&interp);

  std::vector<uint8_t> stream = structured ? Structured(data + kSetup, size - kSetup)
                                           : std::vector<uint8_t>(data + kSetup, data + size);
  size_t at = 0;
  while (at < stream.size()) {
    seed = seed * 1103515245u + 12345u;
    const size_t block = 1 + (seed >> 16) % 1024;
    const size_t n = std::min(block, stream.size() - at);
    interp.Process(std::span<uint8_t>(stream.data() + at, n));
    CheckInvariants(screen);
    if ((seed >> 8) % 7 == 0) {  // the user scrolls back or resizes meanwhile
      screen.SetScreenTop(static_cast<int>(seed >> 20) % (screen.VerticalRange() + 1));
      screen.SetHeight(1 + static_cast<int>(seed >> 12) % 80);
      interp.WindowResized();
      CheckInvariants(screen);
    }
    session.sent.clear();
    session.printed.clear();
    session.capture.clear();
    at += n;
  }
  return 0;
}
