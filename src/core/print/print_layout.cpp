#include "print/print_layout.h"

#include <algorithm>

namespace parlane {

namespace {

constexpr const char* kDocumentName = "Parlane";

int LastStoreRow(const TerminalScreen& screen) { return screen.Capacity() - 1; }

}  // namespace

int LinesPerPage(const PrinterMetrics& metrics) {
  const int lineHeight = std::max(metrics.lineHeight, 1);
  return std::max(metrics.pageHeight / lineHeight - kTopMarginLines - kBottomMarginLines, 1);
}

PrintRange PageRange(const TerminalScreen& screen) {
  PrintRange r;
  r.firstRow = screen.ScreenTop();
  r.lastRow = std::min(screen.ScreenTop() + screen.ClearHeight() - 1, LastStoreRow(screen));
  r.lastCol = screen.Columns();
  return r;
}

PrintRange SessionRange(const TerminalScreen& screen) {
  PrintRange r;
  r.lastRow = std::min(screen.Cursor().row + screen.Height(), LastStoreRow(screen));
  r.lastCol = screen.Columns();
  return r;
}

PrintRange SelectionRange(int firstCol, int firstRow, int lastCol, int lastRow) {
  PrintRange r{firstCol, firstRow, lastCol, lastRow, firstRow != lastRow};
  return r;
}

int PageCount(const PrintRange& range, int linesPerPage) {
  const int rows = range.lastRow - range.firstRow + 1;
  if (rows <= 0 || linesPerPage <= 0) return 0;
  return rows / linesPerPage + (rows % linesPerPage != 0 ? 1 : 0);
}

std::vector<PrintedRow> LayoutPage(const TerminalScreen& screen, const PrintRange& range,
                                   const PrinterMetrics& metrics, int page) {
  std::vector<PrintedRow> rows;
  const int perPage = LinesPerPage(metrics);
  const int first = range.firstRow + (page - 1) * perPage;
  const int last =
      std::min(range.firstRow + page * perPage - 1, std::min(range.lastRow, LastStoreRow(screen)));
  for (int row = std::max(first, 0); row <= last; ++row) {
    const RowView view = screen.Row(row);
    int start = 0;
    int end = view.Used();
    if (row == range.firstRow) start = std::clamp(range.firstCol, 0, end);
    if (row == range.lastRow && range.cutLastRow && range.lastCol < end) {
      end = std::max(range.lastCol, start);
    }
    PrintedRow printed;
    printed.x = (start + kLeftMarginChars) * metrics.charWidth;
    printed.y = (row - first + kTopMarginLines) * metrics.lineHeight;
    const auto chars = view.Chars();
    printed.text.assign(chars.begin() + start, chars.begin() + end);
    rows.push_back(std::move(printed));
  }
  return rows;
}

bool PrintRows(const TerminalScreen& screen, const PrintRange& range, PrinterPage& printer) {
  if (!printer.BeginDocument(kDocumentName)) return false;
  if (!printer.BeginPage()) {
    printer.Abort();
    return false;
  }
  const int pages = std::max(PageCount(range, LinesPerPage(printer.Metrics())), 1);
  for (int page = 1; page <= pages; ++page) {
    if (page > 1 && !printer.BeginPage()) {
      printer.Abort();
      return false;
    }
    // Each page is set up anew: the metrics are those of this page.
    for (const PrintedRow& row : LayoutPage(screen, range, printer.Metrics(), page)) {
      if (!row.text.empty()) printer.DrawText(row.x, row.y, row.text);
    }
    if (!printer.EndPage()) {
      printer.Abort();
      return false;
    }
  }
  printer.EndDocument();
  return true;
}

}  // namespace parlane
