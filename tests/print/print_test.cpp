// Printing in the engine: the rows each print command takes, their layout
// on pages, and the attached-printing filter. A session's way in and out of
// attached printing (the end timer, Cancel, no printer) is tested through
// CUPS in the GUI's PrintTest.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "print/attached_print.h"
#include "print/print_layout.h"
#include "term/interpreter.h"
#include "term/painter.h"

namespace parlane {
namespace {

// A printer that records pages and text; page height 600 at 10 x 20 gives
// 600 / 20 - 6 = 24 lines per page.
struct PageLog {
  struct Text {
    int page;
    int x;
    int y;
    std::string text;
  };
  std::vector<std::string> calls;
  std::vector<Text> texts;
  int pages = 0;
  bool failNewPage = false;
};

class RecordingPrinter final : public PrinterPage {
 public:
  explicit RecordingPrinter(PageLog& log, PrinterMetrics m = {10, 20, 600}) : log_(log), m_(m) {}
  bool BeginDocument(std::string_view title) override {
    log_.calls.push_back("doc " + std::string(title));
    return true;
  }
  bool BeginPage() override {
    if (log_.pages > 0 && log_.failNewPage) return false;
    ++log_.pages;
    log_.calls.push_back("page");
    return true;
  }
  PrinterMetrics Metrics() const override { return m_; }
  void DrawText(int x, int y, std::span<const uint8_t> t) override {
    log_.texts.push_back({log_.pages, x, y, std::string(t.begin(), t.end())});
  }
  bool EndPage() override {
    log_.calls.push_back("endpage");
    return true;
  }
  void EndDocument() override { log_.calls.push_back("enddoc"); }
  void Abort() override { log_.calls.push_back("abort"); }

 private:
  PageLog& log_;
  PrinterMetrics m_;
};

struct Screen {
  NullPainter painter;
  NullSessionHooks hooks;
  TerminalScreen screen{{24, 80}, TerminalOptions{1, 0, 0, 0, 0, 0}, painter};
  Interpreter interp{screen, hooks};
  explicit Screen(std::string_view text) { interp.Process(text); }
};

// The rows Print Page and Print Session take:
// PrintTest.PageAndSessionThroughCupsKeepMarginsAndBreakPages.
TEST(PrintLayout, SelectedRowsAndTheirMargins) {
  // Rows 0..29 hold "row N"; the cursor ends on row 29.
  std::string text;
  for (int i = 0; i < 30; ++i) text += (i ? "\r\n" : "") + std::string("row ") + std::to_string(i);
  Screen s(text);

  struct Case {
    const char* name;
    PrintRange range;
    std::vector<std::pair<int, std::string>> rows;  // x in characters, text
  };
  const std::vector<Case> cases = {
      {"several rows: first from its column, last up to its column",
       SelectionRange(2, 5, 4, 7),
       {{8, "w 5"}, {6, "row 6"}, {6, "row "}}},
      {"one row: from the start column to the end of its text",
       SelectionRange(1, 3, 2, 3),
       {{7, "ow 3"}}},
      {"a column past the text prints nothing of that row",
       SelectionRange(40, 2, 3, 3),
       {{11, ""}, {6, "row"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto rows = LayoutPage(s.screen, c.range, {10, 20, 600}, 1);
    ASSERT_EQ(rows.size(), c.rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i].x, c.rows[i].first * 10);
      EXPECT_EQ(rows[i].y, (int(i) + 3) * 20);
      EXPECT_EQ(std::string(rows[i].text.begin(), rows[i].text.end()), c.rows[i].second);
    }
  }
}

// Whole pages of a session: PrintTest.PageAndSessionThroughCupsKeepMarginsAndBreakPages.
TEST(PrintLayout, PagesBreakAfterLinesPerPage) {
  EXPECT_EQ(PageCount({0, 0, 80, 29, false}, 24), 2);
  EXPECT_EQ(PageCount({0, 0, 80, 23, false}, 24), 1);
  // A font taller than the page still prints one line per page.
  EXPECT_EQ(LinesPerPage({10, 500, 600}), 1);
  EXPECT_EQ(LinesPerPage({10, 0, 600}), 594);
}

std::vector<uint8_t> B(std::string_view s) { return {s.begin(), s.end()}; }

TEST(AttachedPrintOut, FilterTable) {
  struct Case {
    const char* name;
    std::string input;
    std::vector<std::tuple<int, int, std::string>> drawn;  // column, line, text
    size_t endsAt;  // index of the byte that ends the job; npos: none
  };
  const std::vector<Case> cases = {
      {"text, CR LF and the end sequence",
       "HELLO\r\n\x1b[4i",
       {{0, 1, "H"}, {1, 1, "E"}, {2, 1, "L"}, {3, 1, "L"}, {4, 1, "O"}},
       10},
      {"CSI 4 i ends too",
       "A\x9b"
       "4i",
       {{0, 1, "A"}},
       3},
      {"an escape sequence is dropped but its last byte",
       "\x1b[1m",
       {{0, 1, "m"}},
       std::string::npos},
      {"LF keeps the column; tab is eight spaces",
       "ab\n\tc",
       {{0, 1, "a"}, {1, 1, "b"}, {2, 2, "        "}, {10, 2, "c"}},
       std::string::npos},
      {"ESC [ 4 x is not the end", "\x1b[4xy", {{0, 1, "y"}}, std::string::npos},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PageLog log;
    AttachedPrintOut out(std::make_unique<RecordingPrinter>(log));
    out.Begin();
    size_t endedAt = std::string::npos;
    for (size_t i = 0; i < c.input.size() && endedAt == std::string::npos; ++i) {
      if (out.Filter(static_cast<uint8_t>(c.input[i]))) endedAt = i;
    }
    EXPECT_EQ(endedAt, c.endsAt);
    ASSERT_EQ(log.texts.size(), c.drawn.size());
    for (size_t i = 0; i < c.drawn.size(); ++i) {
      const auto& [col, line, text] = c.drawn[i];
      EXPECT_EQ(log.texts[i].x, (col + 6) * 10);
      EXPECT_EQ(log.texts[i].y, (line + 3) * 20);
      EXPECT_EQ(log.texts[i].text, text);
    }
  }
}

TEST(AttachedPrintOut, PagesAndPrinterFailures) {
  PageLog log;
  {
    AttachedPrintOut out(std::make_unique<RecordingPrinter>(log));
    out.Begin();
    for (int i = 0; i < 24; ++i) EXPECT_FALSE(out.Filter('\n'));  // the 25th line is a new page
    EXPECT_EQ(log.pages, 2);
    EXPECT_EQ(out.Line(), 1);
    out.Filter('x');
    EXPECT_FALSE(out.Filter('\f'));
    EXPECT_EQ(log.pages, 3);
  }  // destroyed: the document is finished, never lost
  EXPECT_EQ(log.calls.back(), "enddoc");

  PageLog failing;
  failing.failNewPage = true;
  AttachedPrintOut out(std::make_unique<RecordingPrinter>(failing));
  out.Begin();
  EXPECT_TRUE(out.Filter('\f'));  // a failed page ends the job
  EXPECT_FALSE(out.HasPrinter());
  EXPECT_EQ(failing.calls.back(), "abort");

  AttachedPrintOut none(nullptr);  // no printer: filtered and dropped
  none.Begin();
  EXPECT_FALSE(none.Filter('A'));
  for (uint8_t b : B("\x1b[4")) EXPECT_FALSE(none.Filter(b));
  EXPECT_TRUE(none.Filter('i'));
}

}  // namespace
}  // namespace parlane
