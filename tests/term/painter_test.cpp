// What the screen reports to its painter.
#include <gtest/gtest.h>

#include "term_fixture.h"

namespace parlane::test {
namespace {

TEST(PainterReports, PrintRunsAreOneReportPerRow) {
  Term t;
  t.Feed("hello");
  EXPECT_EQ(t.paint.cellsDrawn, 5);
  EXPECT_EQ(t.paint.lastDrawnRow, 0);
  t.Feed(std::string(80, 'x'));  // 75 on row 0, the wrap, 5 on row 1
  EXPECT_EQ(t.paint.cellsDrawn, 85);
  EXPECT_EQ(t.paint.lastDrawnRow, 1);
}

// Cells that a cursor movement or a tab pads with spaces keep their old
// attributes, so the painter must hear about them.
TEST(PainterReports, PaddingIsReported) {
  struct Case {
    const char* name;
    std::string input;
    int cells;
  };
  const std::vector<Case> cases = {
      {"cursor right", "\033[5C", 5},
      {"cursor position", "\033[1;9H", 8},
      {"line feed keeps the column, the next byte pads", "abc\nd", 3 + 3 + 1},
      {"tab", "\t", 8},
      {"no padding inside the used part", "abcdef\033[3D\033[1C", 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Term t;
    t.Feed(c.input);
    EXPECT_EQ(t.paint.cellsDrawn, c.cells);
  }
}

TEST(PainterReports, RegionScrollRedrawsTheRegion) {
  Term t;
  t.Feed("\033[5;10r\033[10;1H");
  t.paint.redrawn.clear();
  t.Feed("\n");
  ASSERT_EQ(t.paint.redrawn.size(), 1u);
  EXPECT_EQ(t.paint.redrawn[0], (std::pair{4, 9}));
  EXPECT_TRUE(t.paint.scrolls.empty());
}

TEST(PainterReports, ScreenTopFollowsScrollingUntilRowsAreReused) {
  Term t;
  t.Feed(std::string(23, '\n'));
  EXPECT_TRUE(t.paint.tops.empty());
  t.Feed("\n\n");
  EXPECT_EQ(t.paint.scrolls, (std::vector<int>{2}));
  EXPECT_EQ(t.paint.tops, (std::vector<int>{2}));
  for (int i = 0; i < 334; ++i) t.Feed("\n");  // the cursor on the store's last row
  const auto topsBefore = t.paint.tops.size();
  t.paint.scrolls.clear();
  t.Feed("\n");
  EXPECT_EQ(t.paint.scrolls, (std::vector<int>{1}));
  EXPECT_EQ(t.paint.tops.size(), topsBefore);
}

TEST(PainterReports, BackgroundChanges) {
  Term t(Emulation::PcAnsi);
  t.Feed("\033[42m\033[2J");
  ASSERT_EQ(t.paint.backgrounds.size(), 1u);
  EXPECT_EQ(t.paint.backgrounds[0], kAnsiPalette[2]);
  EXPECT_GE(t.paint.invalidations, 1);
  // A new window background replaces the current one.
  t.screen.SetWindowColors({{255, 255, 255}, {10, 20, 30}});
  EXPECT_EQ(t.screen.CurrentBackground(), (Rgb{10, 20, 30}));
  // A new text colour leaves the current background alone.
  t.Feed("\033[41m\033[2J");
  t.screen.SetWindowColors({{1, 1, 1}, {10, 20, 30}});
  EXPECT_EQ(t.screen.CurrentBackground(), kAnsiPalette[1]);
}

}  // namespace
}  // namespace parlane::test
