// Throughput of the interpreter on generated streams, next to libvterm's
// screen layer on the same bytes when it is available, in two set-ups: the
// lightest useful one and one that copies every damaged cell.
//   bench_term [MiB per stream] [parlane|both] [stream number]
//   (default 16 MiB, both engines, every stream)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "streams.h"
#include "term/interpreter.h"
#include "term/painter.h"
#include "term/screen.h"

#ifdef PARLANE_HAVE_VTERM
#include <vterm.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;
// The program reads at most this much per read notification.
constexpr size_t kBlock = 1024;
// Each measurement is repeated and the best run is kept.
constexpr int kRuns = 3;

double MegabytesPerSecond(size_t bytes, Clock::duration d) {
  const double seconds = std::chrono::duration<double>(d).count();
  return static_cast<double>(bytes) / (1024.0 * 1024.0) / seconds;
}

double RunParlane(const parlane::bench::Stream& s) {
  using namespace parlane;
  std::vector<uint8_t> bytes(s.bytes.begin(), s.bytes.end());
  Clock::duration best = Clock::duration::max();
  for (int run = 0; run < kRuns; ++run) {
    NullPainter painter;
    NullSessionHooks hooks;
    TerminalOptions options;
    options.Emulation = static_cast<uint32_t>(s.emulation);
    TerminalScreen screen({24, 80}, options, painter);
    Interpreter interp(screen, hooks);
    const auto start = Clock::now();
    for (size_t at = 0; at < bytes.size(); at += kBlock) {
      interp.Process(
          std::span<const uint8_t>(bytes.data() + at, std::min(kBlock, bytes.size() - at)));
    }
    best = std::min(best, Clock::now() - start);
  }
  return MegabytesPerSecond(bytes.size(), best);
}

#ifdef PARLANE_HAVE_VTERM
// What a window would do: copy the damaged cells and the rows pushed into
// the scroll-back, nothing more.
struct VtermSink {
  VTermScreen* screen = nullptr;
  std::vector<VTermScreenCell> cells = std::vector<VTermScreenCell>(24 * 80);
  std::vector<VTermScreenCell> scrollback = std::vector<VTermScreenCell>(80);
};

int OnDamage(VTermRect rect, void* user) {
  auto* sink = static_cast<VtermSink*>(user);
  for (int r = rect.start_row; r < rect.end_row; ++r) {
    for (int c = rect.start_col; c < rect.end_col; ++c) {
      vterm_screen_get_cell(sink->screen, {r, c}, &sink->cells[static_cast<size_t>(r * 80 + c)]);
    }
  }
  return 1;
}

// The window scrolls its own pixels; the copy of the cells follows.
int OnMoveRect(VTermRect dest, VTermRect src, void* user) {
  auto* sink = static_cast<VtermSink*>(user);
  const int rows = src.end_row - src.start_row;
  const int cols = src.end_col - src.start_col;
  const bool up = dest.start_row < src.start_row;
  for (int i = 0; i < rows; ++i) {
    const int k = up ? i : rows - 1 - i;
    const auto from = sink->cells.begin() + (src.start_row + k) * 80 + src.start_col;
    std::copy(from, from + cols, sink->cells.begin() + (dest.start_row + k) * 80 + dest.start_col);
  }
  return 1;
}

int OnPushLine(int cols, const VTermScreenCell* cells, void* user) {
  auto* sink = static_cast<VtermSink*>(user);
  std::copy(cells, cells + std::min(cols, 80), sink->scrollback.begin());
  return 1;
}

// The lightest useful set-up: damage is reported and ignored (the window
// would read the cells when it paints), the scroll-back keeps its lines,
// damage merging stays at libvterm's default.
int IgnoreDamage(VTermRect, void*) { return 1; }

double RunVtermLight(const parlane::bench::Stream& s) {
  VTermScreenCallbacks callbacks{};
  callbacks.damage = IgnoreDamage;
  callbacks.sb_pushline = OnPushLine;
  Clock::duration best = Clock::duration::max();
  for (int run = 0; run < kRuns; ++run) {
    VTerm* vt = vterm_new(24, 80);
    vterm_set_utf8(vt, 0);
    VtermSink sink;
    sink.screen = vterm_obtain_screen(vt);
    vterm_screen_set_callbacks(sink.screen, &callbacks, &sink);
    vterm_screen_reset(sink.screen, 1);
    const auto start = Clock::now();
    for (size_t at = 0; at < s.bytes.size(); at += kBlock) {
      vterm_input_write(vt, s.bytes.data() + at, std::min(kBlock, s.bytes.size() - at));
    }
    best = std::min(best, Clock::now() - start);
    vterm_free(vt);
  }
  return MegabytesPerSecond(s.bytes.size(), best);
}

// The heavier set-up: every damaged cell copied out after each block,
// scrolls merged and moved as a window would move its pixels.
double RunVterm(const parlane::bench::Stream& s) {
  VTermScreenCallbacks callbacks{};
  callbacks.damage = OnDamage;
  callbacks.moverect = OnMoveRect;
  callbacks.sb_pushline = OnPushLine;
  Clock::duration best = Clock::duration::max();
  for (int run = 0; run < kRuns; ++run) {
    VTerm* vt = vterm_new(24, 80);
    vterm_set_utf8(vt, 0);
    VtermSink sink;
    sink.screen = vterm_obtain_screen(vt);
    vterm_screen_set_callbacks(sink.screen, &callbacks, &sink);
    vterm_screen_set_damage_merge(sink.screen, VTERM_DAMAGE_SCROLL);
    vterm_screen_reset(sink.screen, 1);
    const auto start = Clock::now();
    for (size_t at = 0; at < s.bytes.size(); at += kBlock) {
      vterm_input_write(vt, s.bytes.data() + at, std::min(kBlock, s.bytes.size() - at));
      vterm_screen_flush_damage(sink.screen);
    }
    best = std::min(best, Clock::now() - start);
    vterm_free(vt);
  }
  return MegabytesPerSecond(s.bytes.size(), best);
}
#endif

}  // namespace

int main(int argc, char** argv) {
  constexpr size_t kMiB = 1024 * 1024;
  const long mib = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 16;
  const bool withVterm = !(argc > 2 && std::string(argv[2]) == "parlane");
  const long only = argc > 3 ? std::strtol(argv[3], nullptr, 10) : -1;
  const auto streams =
      parlane::bench::MakeStreams(static_cast<size_t>(std::max(1L, mib)) * kMiB, only);
  std::printf("%-26s %13s %13s %7s %13s %7s\n", "stream", "Parlane MB/s", "light MB/s", "ratio",
              "copying MB/s", "ratio");
  for (size_t i = 0; i < streams.size(); ++i) {
    if (only >= 0 && static_cast<size_t>(only) != i) continue;
    const auto& s = streams[i];
    const double ours = RunParlane(s);
#ifdef PARLANE_HAVE_VTERM
    const double light = withVterm ? RunVtermLight(s) : 0.0;
    const double heavy = withVterm ? RunVterm(s) : 0.0;
    std::printf("%-26s %13.1f %13.1f %6.1fx %13.1f %6.1fx\n", s.name.c_str(), ours, light,
                ours / light, heavy, ours / heavy);
#else
    std::printf("%-26s %13.1f %13s %7s %13s %7s\n", s.name.c_str(), ours, "-", "-", "-", "-");
    (void)withVterm;
#endif
    std::fflush(stdout);
  }
  return 0;
}
