// Printing from a session window, read back from the PDF the printer made:
// the page, the session and the selection through a real CUPS queue
// (cups-pdf), the host's attached printing with its end timer and Cancel,
// and printing to a PDF file when there is no queue.
#include <QMdiArea>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include "cups_server.h"
#include "frame_fixture.h"
#include "print/attached_print_window.h"
#include "print/printer_service.h"

namespace parlane::test {
namespace {

// The text of a PDF laid out as on the page; pages end in form feeds.
QString PdfText(const QString& pdf) {
  QProcess p;
  p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
  p.waitForFinished(20000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

// The printed lines of each page, blank lines dropped.
std::vector<QStringList> Pages(const QString& text) {
  std::vector<QStringList> pages;
  for (const QString& page : text.split(QLatin1Char('\f'))) {
    QStringList lines;
    for (const QString& line : page.split(QLatin1Char('\n'))) {
      if (!line.trimmed().isEmpty()) lines << line;
    }
    if (!lines.isEmpty()) pages.push_back(lines);
  }
  return pages;
}

qsizetype Indent(const QString& line) {
  qsizetype n = 0;
  while (n < line.size() && line[n] == QLatin1Char(' ')) ++n;
  return n;
}

// The first word's left and top edge on page 1, in points.
std::pair<double, double> FirstWordBox(const QString& pdf) {
  QProcess p;
  p.start(QStringLiteral("pdftotext"),
          {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
           QStringLiteral("1"), pdf, QStringLiteral("-")});
  p.waitForFinished(20000);
  const QString html = QString::fromUtf8(p.readAllStandardOutput());
  const QRegularExpression word(QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\""));
  const auto m = word.match(html);
  if (!m.hasMatch()) return {-1, -1};
  return {m.captured(1).toDouble(), m.captured(2).toDouble()};
}

class PrintTest : public SessionContextTest {
 protected:
  void UsePrinter(PrinterService::Target target) {
    printer =
        std::make_unique<PrinterService>(platform, dir.filePath(QStringLiteral("out.pdf")), target);
    context.printer = printer.get();
  }

  TelnetWindow* OpenWindow() {
    child = Open();
    return child->Window();
  }
  void Show(TelnetWindow* w, const std::string& bytes) {
    w->GetSession().Received({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
  }
  // Rows "line 00" .. "line NN".
  static std::string Lines(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) {
      s += QStringLiteral("line %1").arg(i, 2, 10, QLatin1Char('0')).toStdString();
      if (i + 1 < n) s += "\r\n";
    }
    return s;
  }
  // Runs a print command with the print dialog answered OK.
  void Print(int id) {
    platform.dialogResponders.push_back([](QDialog&) { return int(QDialog::Accepted); });
    ASSERT_TRUE(child->CommandEnabled(id));
    ASSERT_TRUE(child->HandleCommand(id));
    EXPECT_TRUE(platform.dialogResponders.empty());  // the print dialog was shown
  }
  QString Printed() {
    const QString pdf = cups.WaitForPdf();
    EXPECT_FALSE(pdf.isEmpty()) << cups.Log().toStdString();
    return pdf;
  }
  void StartCups() {
    const QString why = cups.Start();
    if (!why.isEmpty()) GTEST_SKIP() << "no CUPS scheduler for the test: " << why.toStdString();
    UsePrinter(PrinterService::Target::DefaultQueue);
    ASSERT_TRUE(printer->HasQueue()) << "the test's queue is not the default printer";
  }

  CupsServer cups;
  std::unique_ptr<PrinterService> printer;
  TelnetWindowMDIChild* child = nullptr;
};

TEST_F(PrintTest, PageAndSessionThroughCupsKeepMarginsAndBreakPages) {
  StartCups();
  if (IsSkipped()) return;
  TelnetWindow* w = OpenWindow();
  Show(w, Lines(80));

  Print(cmd::kPrintPage);
  const QString pagePdf = Printed();
  const auto page = Pages(PdfText(pagePdf));
  ASSERT_EQ(page.size(), 1u);
  ASSERT_EQ(page[0].size(), 24);  // the 24 rows on the screen, nothing else
  EXPECT_EQ(page[0].front().trimmed(), QStringLiteral("line 56"));
  EXPECT_EQ(page[0].back().trimmed(), QStringLiteral("line 79"));

  // Three lines from the top and six characters from the left of the
  // printable area, in the printer font measured as the page did.
  const QFont font = PrinterFontFor(config.PrinterFont, w->TerminalFont(), ScreenDpi());
  const QFontMetricsF fm(font);
  const double toPoints = 72.0 / ScreenDpi();
  const QRectF area = printer->Printer().pageRect(QPrinter::Point);
  const auto [x, y] = FirstWordBox(pagePdf);
  EXPECT_NEAR(x, area.left() + 6 * std::round(fm.averageCharWidth()) * toPoints, 2.0);
  const double lineTop = area.top() + 3 * std::round(fm.height() + fm.leading()) * toPoints;
  EXPECT_GT(y, lineTop - 1.0);
  EXPECT_LT(y, lineTop + fm.height() * toPoints);

  // The session: rows 0 to the cursor row + H, on as many pages as it takes,
  // each page as full as the one before, the rows in order across the break.
  Print(cmd::kPrintSession);
  const auto pages = Pages(PdfText(Printed()));
  ASSERT_GE(pages.size(), 2u);
  int next = 0;
  for (size_t i = 0; i < pages.size(); ++i) {
    if (i + 1 < pages.size()) {
      EXPECT_EQ(pages[i].size(), pages[0].size()) << "page " << i + 1;
    }
    for (const QString& line : pages[i]) {
      EXPECT_EQ(line.trimmed(), QStringLiteral("line %1").arg(next, 2, 10, QLatin1Char('0')));
      EXPECT_EQ(Indent(line), Indent(pages[0][0]));  // no line is wrapped or shifted
      ++next;
    }
  }
  EXPECT_EQ(next, 80);  // the empty rows after the cursor print nothing
}

TEST_F(PrintTest, SelectionAndAttachedJobThroughCups) {
  StartCups();
  if (IsSkipped()) return;
  TelnetWindow* w = OpenWindow();
  Show(w, "\x1b[H\x1b[2J");
  std::string rows;
  for (int r = 0; r < 10; ++r) rows += "abcdefghijklmnopqrstuvwxyz" + std::to_string(r) + "\r\n";
  Show(w, rows);
  // From column 10 of row 5 to column 20 of row 7.
  const int top = w->GetSession().Screen().ScreenTop();
  Selection& sel = w->GetSession().Select();
  sel.Track({10, top + 5});
  sel.Track({20, top + 7});
  Print(cmd::kPrintSelected);
  const auto sel3 = Pages(PdfText(Printed()));
  ASSERT_EQ(sel3.size(), 1u);
  ASSERT_EQ(sel3[0].size(), 3);
  EXPECT_EQ(sel3[0][0].trimmed(), QStringLiteral("klmnopqrstuvwxyz5"));
  EXPECT_EQ(sel3[0][1].trimmed(), QStringLiteral("abcdefghijklmnopqrstuvwxyz6"));
  EXPECT_EQ(sel3[0][2].trimmed(), QStringLiteral("abcdefghijklmnopqrst"));
  EXPECT_EQ(Indent(sel3[0][0]) - Indent(sel3[0][1]), 10);

  // The host prints two lines; the window shows none of it and runs on.
  Show(w, "\x1b[H\x1b[2Jbefore\x1b[5iHELLO\r\n\tWORLD\r\n\x1b[4iafter");
  EXPECT_EQ(w->GetSession().Screen().RowText(w->GetSession().Screen().ScreenTop()), "beforeafter");
  EXPECT_EQ(w->GetSession().Interp().State(), InterpreterState::Ground);
  auto* timer3 = w->findChild<QTimer*>(QStringLiteral("timer3"));
  ASSERT_NE(timer3, nullptr);
  EXPECT_TRUE(timer3->isActive());
  EXPECT_EQ(timer3->interval(), 6000);
  ASSERT_NE(w->PrintWindow(), nullptr);
  EXPECT_TRUE(w->PrintWindow()->isVisible());
  // A second job within the six seconds continues the same document.
  Show(w, "\x1b[5iAGAIN\x1b[4i");
  EXPECT_TRUE(timer3->isActive());
  QMetaObject::invokeMethod(timer3, "timeout", Qt::DirectConnection);  // the six seconds pass
  EXPECT_FALSE(w->GetSession().AttachedPrinting());
  EXPECT_FALSE(w->PrintWindow()->isVisible());
  const auto job = Pages(PdfText(Printed()));
  ASSERT_EQ(job.size(), 1u);
  ASSERT_EQ(job[0].size(), 3);
  EXPECT_EQ(job[0][0].trimmed(), QStringLiteral("HELLO"));
  EXPECT_EQ(job[0][1].trimmed(), QStringLiteral("WORLD"));
  EXPECT_EQ(Indent(job[0][1]) - Indent(job[0][0]), 8);  // the tab
  EXPECT_EQ(job[0][2].trimmed(), QStringLiteral("AGAIN"));
}

TEST_F(PrintTest, CancelReturnsToNormalDisplayAtOnce) {
  StartCups();
  if (IsSkipped()) return;
  TelnetWindow* w = OpenWindow();
  Show(w, "\x1b[5isecret");
  ASSERT_NE(w->PrintWindow(), nullptr);
  EXPECT_EQ(w->GetSession().Interp().State(), InterpreterState::PrinterPassThrough);

  platform.messageAnswers.push_back(MsgResult::No);  // not yet
  w->PrintWindow()->CancelButton()->click();
  EXPECT_TRUE(w->GetSession().AttachedPrinting());
  platform.messageAnswers.push_back(MsgResult::Yes);
  w->PrintWindow()->CancelButton()->click();
  ASSERT_EQ(platform.messages.size(), 2u);
  EXPECT_EQ(platform.messages[1].text, QStringLiteral("Are you sure you want to cancel printing?"));
  EXPECT_EQ(platform.messages[1].caption, QStringLiteral("Cancel Printing"));
  EXPECT_EQ(platform.messages[1].icon, MsgIcon::Question);
  EXPECT_FALSE(w->GetSession().AttachedPrinting());
  EXPECT_FALSE(w->PrintWindow()->isVisible());
  Show(w, "shown");  // the host's remaining printer data is ordinary output
  EXPECT_EQ(w->GetSession().Screen().RowText(w->GetSession().Screen().ScreenTop()), "shown");
  EXPECT_TRUE(cups.WaitForPdf(2000).isEmpty());  // nothing of the aborted job printed
}

// Without a queue the print commands write the PDF file chosen in the print
// dialog, and an attached job's bytes are dropped with one note.
TEST_F(PrintTest, WithoutAQueuePrintingGoesToAPdfFile) {
  UsePrinter(PrinterService::Target::PdfFile);
  EXPECT_FALSE(printer->HasQueue());
  TelnetWindow* w = OpenWindow();
  Show(w, Lines(3));
  Print(cmd::kPrintPage);
  const auto page = Pages(PdfText(dir.filePath(QStringLiteral("out.pdf"))));
  ASSERT_EQ(page.size(), 1u);
  ASSERT_EQ(page[0].size(), 3);
  EXPECT_EQ(page[0][2].trimmed(), QStringLiteral("line 02"));

  // Cancelled print dialog: nothing is printed.
  QFile::remove(dir.filePath(QStringLiteral("out.pdf")));
  platform.dialogResponders.push_back([](QDialog&) { return int(QDialog::Rejected); });
  child->HandleCommand(cmd::kPrintSession);
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("out.pdf"))));

  // A printer that cannot start the document is reported, not passed over.
  printer->Printer().setOutputFileName(dir.filePath(QStringLiteral("missing/out.pdf")));
  Print(cmd::kPrintPage);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].text, QStringLiteral("The document could not be printed."));
  EXPECT_EQ(platform.messages[0].icon, MsgIcon::Stop);

  Show(w, "\x1b[H\x1b[2J\x1b[5isecret\r\n\x1b[4ivisible");
  EXPECT_EQ(w->GetSession().Screen().RowText(w->GetSession().Screen().ScreenTop()), "visible");
  EXPECT_EQ(status.messages.size(), 1);
  EXPECT_TRUE(w->PrintWindow() == nullptr || !w->PrintWindow()->isVisible());  // no spooling dialog
  EXPECT_FALSE(child->CommandEnabled(cmd::kPrintSelected));                    // nothing selected

  // scripts/printed-page.sh asks for a page of a session for the README.
  const QString keep = qEnvironmentVariable("PARLANE_PRINTED_PAGE");
  if (keep.isEmpty()) return;
  printer->Printer().setOutputFileName(keep);
  Show(w,
       "\x1b[H\x1b[2JWelcome to example.net (Debian GNU/Linux 12)\r\n\r\nlogin: guest\r\n"
       "Last login: Mon Dec  7 01:12:09 from 10.0.0.7\r\n$ ls -l\r\ntotal 12\r\n"
       "-rw-r--r-- 1 guest users  1841 Dec  6 22:40 notes.txt\r\n"
       "-rw-r--r-- 1 guest users 40960 Dec  6 23:05 report.zip\r\n"
       "drwxr-xr-x 2 guest users  4096 Dec  7 00:58 scripts\r\n$ ");
  Print(cmd::kPrintPage);
}

}  // namespace
}  // namespace parlane::test
