// A session in a box for the terminal tests: a screen with a recording
// painter, a recording session and an interpreter.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "term/interpreter.h"
#include "term/recording_session.h"
#include "term/render.h"
#include "term/screen.h"

#include <gtest/gtest.h>

namespace parlane::test {

struct PaintLog : ScreenPainter {
  void CellsDrawn(int row, int, int count) override {
    lastDrawnRow = row;
    cellsDrawn += count;
  }
  void RowsRedrawn(int first, int last) override { redrawn.push_back({first, last}); }
  void Scrolled(int lines) override { scrolls.push_back(lines); }
  void ScreenTopChanged(int top) override { tops.push_back(top); }
  void InvalidateAll() override { ++invalidations; }
  void BackgroundChanged(Rgb c) override { backgrounds.push_back(c); }

  int lastDrawnRow = -1;
  int cellsDrawn = 0;
  std::vector<std::pair<int, int>> redrawn;
  std::vector<int> scrolls;
  std::vector<int> tops;
  int invalidations = 0;
  std::vector<Rgb> backgrounds;
};

inline TerminalOptions OptionsFor(Emulation e, bool wrap = true, bool inboundCrLf = false) {
  TerminalOptions o;
  o.Emulation = static_cast<uint32_t>(e);
  o.WordWrap = wrap ? 1 : 0;
  o.InboundCrLf = inboundCrLf ? 1 : 0;
  return o;
}

struct Term {
  explicit Term(Emulation e = Emulation::Vt100, ScreenGeometry g = {24, 80}, bool telnet = false,
                TerminalOptions options = {})
      : screen(g, WithEmulation(options, e), paint), interp(screen, session, {telnet}) {}

  static TerminalOptions WithEmulation(TerminalOptions o, Emulation e) {
    o.Emulation = static_cast<uint32_t>(e);
    return o;
  }

  void Feed(std::string_view bytes) { interp.Process(bytes); }
  // Screen line n (1-based) as stored text up to its used length.
  std::string Line(int n) const { return std::string(screen.RowText(screen.ScreenTop() + n - 1)); }
  int CursorLine() const { return screen.Cursor().row - screen.ScreenTop() + 1; }
  int Col() const { return screen.Cursor().col; }
  std::string Sent() const {
    const auto all = session.AllSent();
    return {all.begin(), all.end()};
  }
  uint8_t AttrAt(int line, int col) const {
    return screen.Row(screen.ScreenTop() + line - 1).Attrs()[static_cast<size_t>(col)];
  }
  std::string Json() const { return RenderJson(interp, session); }

  PaintLog paint;
  TerminalScreen screen;
  RecordingSession session;
  Interpreter interp;
};

// Bytes fed to a fresh screen and what they leave: the text of some screen
// lines, the cursor and the replies.
struct SeqCase {
  const char* name;
  Emulation emu;
  std::string input;
  std::map<int, std::string> lines;  // screen line -> text up to its used length
  std::optional<std::pair<int, int>> cursor = std::nullopt;  // screen line, column
  std::string sent = "";
  bool wrap = true;
  bool inboundCrLf = false;
};

inline void Check(const SeqCase& c) {
  SCOPED_TRACE(c.name);
  Term t(c.emu, {24, 80}, false, OptionsFor(c.emu, c.wrap, c.inboundCrLf));
  t.Feed(c.input);
  for (const auto& [line, text] : c.lines) EXPECT_EQ(t.Line(line), text) << "line " << line;
  if (c.cursor) {
    EXPECT_EQ(t.CursorLine(), c.cursor->first);
    EXPECT_EQ(t.Col(), c.cursor->second);
  }
  EXPECT_EQ(t.Sent(), c.sent);
}

}  // namespace parlane::test
