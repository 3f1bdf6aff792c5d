// The print commands of a session window: which rows and columns of the
// screen buffer's store each prints, and how they are laid out on pages.
#pragma once

#include <vector>

#include "print/printer_page.h"
#include "term/screen.h"

namespace parlane {

// Store rows firstRow..lastRow (inclusive). The first row starts at
// firstCol; the last row stops before lastCol when that is smaller than its
// used length and `cutLastRow` is set.
struct PrintRange {
  int firstCol = 0;
  int firstRow = 0;
  int lastCol = 0;
  int lastRow = 0;
  bool cutLastRow = false;
  bool operator==(const PrintRange&) const = default;
};

// Print Current Page: the screen, screen top to screen top + max(H, R) - 1.
PrintRange PageRange(const TerminalScreen& screen);
// Print Current Session: row 0 to min(cursor row + H, N - 1).
PrintRange SessionRange(const TerminalScreen& screen);
// Print Selected Text, from the selection's first point to its last (the
// column of a point is the cell boundary before it). On one row the text
// runs from the first column to the end of the row's text; the end column
// only applies when the selection spans several rows.
PrintRange SelectionRange(int firstCol, int firstRow, int lastCol, int lastRow);

// Pages the range takes at `linesPerPage` lines each.
int PageCount(const PrintRange& range, int linesPerPage);

// One row as it is drawn: its text and its position in logical units.
struct PrintedRow {
  int x = 0;
  int y = 0;
  std::vector<uint8_t> text;
  bool operator==(const PrintedRow&) const = default;
};

// The rows of page `page` (1-based).
std::vector<PrintedRow> LayoutPage(const TerminalScreen& screen, const PrintRange& range,
                                   const PrinterMetrics& metrics, int page);

// Prints the range as one document titled "Parlane": every page set up,
// drawn and ended in turn. False when the printer failed (the job is
// aborted then).
bool PrintRows(const TerminalScreen& screen, const PrintRange& range, PrinterPage& printer);

}  // namespace parlane
