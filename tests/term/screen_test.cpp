// The screen buffer: the store and its reuse, the line-feed look-ahead, the
// pending wrap, used lengths and stale cells.
#include <gtest/gtest.h>

#include <string>

#include "term_fixture.h"

namespace parlane::test {
namespace {

TEST(StoreCapacity, WholeScreensIn60000Bytes) {
  struct Case {
    int rows, cols, capacity;
  };
  for (const Case c : {Case{24, 80, 360},
                       {24, 132, 216},
                       {25, 80, 350},
                       {25, 132, 225},
                       {35, 80, 350},
                       {35, 132, 210},
                       {50, 80, 350},
                       {50, 132, 200}}) {
    SCOPED_TRACE(std::to_string(c.rows) + "x" + std::to_string(c.cols));
    EXPECT_EQ(StoreCapacity({c.rows, c.cols}), c.capacity);
    NullPainter painter;
    TerminalScreen screen({c.rows, c.cols}, {}, painter);
    EXPECT_EQ(screen.Capacity(), c.capacity);
    EXPECT_EQ(screen.VerticalRange(), c.capacity - c.rows);
    EXPECT_EQ(screen.RegionBottom(), c.rows);
  }
}

TEST(StoreCapacity, SizesFromABadSettingsFileAreLimited) {
  NullPainter painter;
  TerminalScreen zero({0, 0}, {}, painter);
  EXPECT_EQ(zero.Rows(), 1);
  EXPECT_EQ(zero.Columns(), 2);
  TerminalScreen wide({24, 1000}, {}, painter);
  EXPECT_EQ(wide.Columns(), 255);
  EXPECT_EQ(wide.Capacity(), StoreCapacity({24, 255}));
}

TEST(Screen, FreshStoreIsBlankWithNormalAttributes) {
  Term t;
  for (int r = 0; r < t.screen.Capacity(); ++r) {
    const RowView row = t.screen.Row(r);
    ASSERT_EQ(row.Used(), 0);
    for (uint8_t a : row.Attrs()) ASSERT_EQ(a, kAttrNormal);
    for (uint8_t c : row.Chars()) ASSERT_EQ(c, ' ');
  }
}

TEST(Screen, LookAheadScrollsManyLinesAtOnce) {
  struct Case {
    const char* name;
    std::string input;
    std::vector<int> scrolls;
  };
  const std::string fill(23, '\n');  // the cursor reaches the last screen line
  const std::vector<Case> cases = {
      {"thirty line feeds scroll by H-3", fill + std::string(30, '\n'), {21, 9}},
      {"an ESC after the first LF stops the look-ahead",
       fill + "\n\033[m" + std::string(5, '\n'),
       {1, 5}},
      {"text between the line feeds", fill + "a\nb\nc\n", {3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Term t;
    t.Feed(c.input);
    EXPECT_EQ(t.paint.scrolls, c.scrolls);
  }
}

// A wrap inside a printed run performs a line feed whose look-ahead starts at
// the next byte of the run. In TTY an ESC is printed, yet it still ends the
// look-ahead, so the line feeds after it must not be counted.
TEST(Screen, WrapLookAheadSeesTheRestOfTheRun) {
  struct Case {
    const char* name;
    Emulation emu;
    std::string after;  // fed after the last screen line was filled to column C
    std::vector<int> scrolls;
  };
  const std::vector<Case> cases = {
      {"TTY: an ESC later in the run stops the count", Emulation::Tty, "Y\033\n\n\n\n\n", {1, 5}},
      {"TTY: without an ESC the line feeds count", Emulation::Tty, "YZ\n\n\n\n\n", {6}},
      {"TTY: an ESC in the middle of a longer run", Emulation::Tty, "YZ\033W\n\n", {1, 2}},
      {"TTY: a later wrap past the ESC counts again",
       Emulation::Tty,
       "Y\033" + std::string(80, 'z') + "\n\n",
       {1, 3}},
      {"VT100: the ESC starts a sequence after the run", Emulation::Vt100, "Y\033[m\n\n", {1, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Term t(c.emu);
    t.Feed(std::string(23, '\n') + std::string(80, 'x'));
    ASSERT_TRUE(t.paint.scrolls.empty());
    t.Feed(c.after);
    EXPECT_EQ(t.paint.scrolls, c.scrolls);
  }
}

TEST(Screen, LookAheadKeepsCursorOnScreen) {
  Term t;
  t.Feed(std::string(23, '\n') + std::string(30, '\n') + "end");
  EXPECT_EQ(t.screen.ScreenTop(), 30);
  EXPECT_EQ(t.CursorLine(), 24);
  EXPECT_EQ(t.Line(24), "end");
}

TEST(Screen, ScrollReportedOnlyAsFarAsTheTopMoved) {
  Term t;
  t.screen.SetScreenTop(t.screen.VerticalRange() - 4);
  t.screen.SetCursor(t.screen.ScreenTop() + 23, 0);
  t.Feed(std::string(10, '\n'));
  EXPECT_EQ(t.screen.ScreenTop(), t.screen.VerticalRange());
  ASSERT_FALSE(t.paint.scrolls.empty());
  EXPECT_EQ(t.paint.scrolls.front(), 4);
}

TEST(Screen, TextAndCursor) {
  constexpr auto kVt = Emulation::Vt100;
  const std::string full(80, 'x');
  const std::string lastY = std::string(79, 'x') + "Y";
  const std::vector<SeqCase> cases = {
      {"a full row leaves the cursor at column C", kVt, full, {{1, full}, {2, ""}}, {{1, 80}}},
      {"a printable byte wraps", kVt, full + "Y", {{1, full}, {2, "Y"}}, {{2, 1}}},
      {"no wrap: overwrite", kVt, full + "Y", {{1, lastY}, {2, ""}}, {{1, 80}}, "", false},
      {"CR cancels the wrap", kVt, full + "\rY", {{1, "Y" + full.substr(1)}, {2, ""}}, {{1, 1}}},
      {"BS cancels the wrap", kVt, full + "\bY", {{1, lastY}, {2, ""}}, {{1, 80}}},
      {"cursor left cancels the wrap", kVt, full + "\033[DY", {{1, lastY}, {2, ""}}, {{1, 80}}},
      {"LF keeps the column and pads", kVt, "abcdef\nX", {{2, "      X"}}, {{2, 7}}},
      {"erased cells stay hidden", kVt, "old text here\r\033[K", {{1, ""}}},
      {"padding is spaces, not old text", kVt, "old text here\r\033[K\033[1;8H", {{1, "       "}}},
      {"LF then erase", kVt, "\033[2;1Hline two\033[1;1H\n\033[K", {{2, ""}}},
      {"tab to the next stop", kVt, "ab\t", {{1, "ab      "}}, {{1, 8}}},
      {"tab from a stop", kVt, "\t\t", {{1, std::string(16, ' ')}}, {{1, 16}}},
      {"tab never beyond C-1", kVt, "\033[1;77H\t", {{1, std::string(79, ' ')}}, {{1, 79}}},
      {"tab from C-1 stays", kVt, "\033[1;80H\t", {{1, std::string(79, ' ')}}, {{1, 79}}},
      {"tab over text keeps it", kVt, "abcdefghij\r\tX", {{1, "abcdefghXj"}}, {{1, 9}}},
      {"BS blanks in PC ANSI", Emulation::PcAnsi, "abc\b", {{1, "ab "}}, {{1, 2}}},
      {"BS only moves in VT100", kVt, "abc\b", {{1, "abc"}}, {{1, 2}}},
      {"BS only moves in SCO ANSI", Emulation::ScoAnsi, "abc\b", {{1, "abc"}}, {{1, 2}}},
      {"BS only moves in TTY", Emulation::Tty, "abc\b", {{1, "abc"}}, {{1, 2}}},
      {"inbound CR LF", kVt, "one\rtwo\r", {{1, "one"}, {2, "two"}}, {{3, 0}}, "", true, true},
  };
  for (const auto& c : cases) Check(c);
}

TEST(Screen, FullRowIn132Columns) {
  Term t(Emulation::Vt100, {24, 132});
  t.Feed(std::string(132, 'z'));
  EXPECT_EQ(t.screen.Row(0).Used(), 132);
  EXPECT_EQ(t.Col(), 132);
}

TEST(Screen, FormFeedByEmulation) {
  struct Case {
    Emulation emu;
    int used;
    uint8_t attr;
  };
  for (const Case c : {Case{Emulation::Tty, 5, kAttrNormal},
                       {Emulation::Vt100, 0, kAttrNormal},
                       {Emulation::PcAnsi, 80, 0x14},
                       {Emulation::ScoAnsi, 80, 0x14}}) {
    SCOPED_TRACE(static_cast<int>(c.emu));
    Term t(c.emu);
    t.Feed("hello\r\n");
    if (c.emu == Emulation::PcAnsi || c.emu == Emulation::ScoAnsi) t.Feed("\033[31;44m");
    t.Feed("\f");
    EXPECT_EQ(t.screen.Row(0).Used(), c.used);
    EXPECT_EQ(t.AttrAt(1, 0), c.attr);
    EXPECT_EQ(t.Line(1), std::string(static_cast<size_t>(c.used), ' '));
    EXPECT_EQ(t.screen.Cursor(), (CursorPos{0, 0}));
    EXPECT_EQ(t.paint.invalidations, 1);
  }
  Term ansi(Emulation::PcAnsi);
  ansi.Feed("\033[44m\f");
  EXPECT_EQ(ansi.screen.CurrentBackground(), kAnsiPalette[4]);
}

TEST(Screen, HeightSmallerAndLargerThanRows) {
  Term t;
  t.screen.SetHeight(10);
  EXPECT_EQ(t.screen.VerticalRange(), 360 - 10);
  t.Feed("\033[99;999H");
  EXPECT_EQ(t.CursorLine(), 10);
  EXPECT_EQ(t.Col(), 79);
  t.screen.SetHeight(5000);  // never taller than the store
  EXPECT_EQ(t.screen.Height(), 360);
  EXPECT_EQ(t.screen.VerticalRange(), 0);
  t.Feed("\033[2J\f");
  EXPECT_EQ(t.screen.Cursor(), (CursorPos{0, 0}));
}

TEST(Screen, ShrinkingKeepsRegionAndTopInside) {
  Term t;
  t.screen.SetHeight(40);
  t.Feed("\033[5;40r");
  EXPECT_EQ(t.screen.RegionBottom(), 40);
  t.screen.SetScreenTop(t.screen.VerticalRange());
  t.screen.SetHeight(10);
  EXPECT_LE(t.screen.RegionBottom(), 24);
  // The region may reach past the store's end at the lowest screen top; no
  // edit may leave the store.
  for (const char* edit : {"\033M", "\033D\033D\033D", "\033[J", "\033[99B", "\033E\033E"}) {
    t.Feed(edit);
    EXPECT_LT(t.screen.Cursor().row, t.screen.Capacity()) << edit;
  }
}

TEST(Screen, KeepCursorVisibleAfterResize) {
  Term t;
  t.Feed("\033[24;1H");
  t.screen.SetHeight(10);
  EXPECT_TRUE(t.screen.KeepCursorVisible());
  EXPECT_EQ(t.screen.ScreenTop(), 14);
  EXPECT_FALSE(t.screen.KeepCursorVisible());
}

}  // namespace
}  // namespace parlane::test
