// Printing in the engine: the rows each print command takes, their layout
// on pages, the attached-printing filter, and a session's way in and out of
// attached printing (ESC [ 5 i ... ESC [ 4 i, the end timer, Cancel).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keys/keymap.h"
#include "print/attached_print.h"
#include "print/print_layout.h"
#include "session/session.h"
#include "session/session_fakes.h"
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

TEST(PrintLayout, RowsAndMarginsOfEachCommand) {
  // Rows 0..29 hold "row N"; the cursor ends on row 29.
  std::string text;
  for (int i = 0; i < 30; ++i) text += (i ? "\r\n" : "") + std::string("row ") + std::to_string(i);
  Screen s(text);
  const int top = s.screen.ScreenTop();
  EXPECT_EQ(PageRange(s.screen), (PrintRange{0, top, 80, top + 23, false}));
  EXPECT_EQ(SessionRange(s.screen),
            (PrintRange{0, 0, 80, s.screen.Cursor().row + s.screen.Height(), false}));

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

TEST(PrintLayout, PagesBreakAfterLinesPerPage) {
  std::string text;
  for (int i = 0; i < 30; ++i) text += (i ? "\r\n" : "") + std::string("line ") + std::to_string(i);
  Screen s(text);
  PageLog log;
  RecordingPrinter printer(log);
  const PrintRange range{0, 0, 80, 29, false};
  EXPECT_EQ(PageCount(range, 24), 2);
  EXPECT_EQ(PageCount({0, 0, 80, 23, false}, 24), 1);
  ASSERT_TRUE(PrintRows(s.screen, range, printer));
  EXPECT_EQ(log.calls.front(), "doc Parlane");
  EXPECT_EQ(log.calls.back(), "enddoc");
  EXPECT_EQ(log.pages, 2);
  ASSERT_EQ(log.texts.size(), 30u);
  EXPECT_EQ(log.texts[23].text, "line 23");
  EXPECT_EQ(log.texts[23].page, 1);
  EXPECT_EQ(log.texts[24].page, 2);
  EXPECT_EQ(log.texts[24].y, 3 * 20);  // the second page starts below its top margin
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

// A session window as far as attached printing goes.
class PrintView final : public test::RecordingView {
 public:
  std::unique_ptr<PrinterPage> OpenAttachedPrinter() override {
    ++opened;
    if (!hasPrinter) return nullptr;
    return std::make_unique<RecordingPrinter>(log);
  }
  void AttachedPrintingChanged(bool active) override { dialogShown = active; }
  void SetPrintTimer(bool running) override { timer = running; }

  PageLog log;
  bool hasPrinter = true;
  int opened = 0;
  bool dialogShown = false;
  bool timer = false;
};

class AttachedSession : public ::testing::Test {
 protected:
  AttachedSession() {
    SessionSetup setup;
    setup.options.Emulation = 1;
    session = std::make_unique<Session>(setup, keys, painter, view);
  }
  void Receive(std::string_view s) { test::Receive(*session, s); }
  std::string Row(int r) const { return std::string(session->Screen().RowText(r)); }

  KeyTable keys;
  NullPainter painter;
  PrintView view;
  std::unique_ptr<Session> session;
};

TEST_F(AttachedSession, EndOfPrintReturnsToNormalDisplay) {
  Receive("A\x1b[5iHELLO\r\n\x1b[4iB");
  EXPECT_EQ(Row(0), "AB");  // the job's bytes never reach the screen
  EXPECT_EQ(session->Interp().State(), InterpreterState::Ground);
  EXPECT_TRUE(view.timer);
  EXPECT_TRUE(session->AttachedPrinting());
  ASSERT_EQ(view.log.texts.size(), 5u);

  // Within the end timer a new job continues on the same page, next line.
  Receive("\x1b[5iX\x1b[4i");
  EXPECT_EQ(view.opened, 1);
  EXPECT_EQ(view.log.pages, 1);
  EXPECT_EQ(view.log.texts.back().y, (2 + 3) * 20);

  session->AttachedPrintTimer();
  EXPECT_FALSE(session->AttachedPrinting());
  EXPECT_FALSE(view.dialogShown);
  EXPECT_EQ(view.log.calls.back(), "enddoc");
  Receive("C");
  EXPECT_EQ(Row(0), "ABC");
}

TEST_F(AttachedSession, CancelAndMissingPrinter) {
  Receive("\x1b[5iabc");
  EXPECT_TRUE(view.dialogShown);
  EXPECT_EQ(session->Interp().State(), InterpreterState::PrinterPassThrough);
  session->CancelAttachedPrinting();
  EXPECT_EQ(view.log.calls.back(), "abort");
  EXPECT_FALSE(view.dialogShown);
  Receive("def");  // the host's remaining printer data shows as ordinary output
  EXPECT_EQ(Row(0), "def");

  view.hasPrinter = false;
  Receive("\x1b[5isecret\x1b[4iok");
  EXPECT_EQ(Row(0), "defok");
  EXPECT_EQ(session->Interp().State(), InterpreterState::Ground);
}

}  // namespace
}  // namespace parlane
