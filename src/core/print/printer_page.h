// The printer as the engine sees it: a document of pages on which text is
// drawn at logical positions. The GUI implements it on Qt's printer; tests
// record what is drawn.
//
// One logical unit is one screen pixel: the printer's page is mapped so that
// a printout looks the size it would on the screen.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace parlane {

// Measured with the printer font once a page has been set up.
struct PrinterMetrics {
  int charWidth = 1;   // the font's average character width
  int lineHeight = 1;  // character height plus external leading
  int pageHeight = 0;  // the printable page's height in logical units
};

// A page keeps a top margin of three lines, a bottom reserve of three lines
// and a left margin of six characters.
inline constexpr int kTopMarginLines = 3;
inline constexpr int kBottomMarginLines = 3;
inline constexpr int kLeftMarginChars = 6;

class PrinterPage {
 public:
  virtual ~PrinterPage() = default;

  // Starts the print job under `title` (the spooler's document name).
  virtual bool BeginDocument(std::string_view title) = 0;
  // Starts a page: maps it, selects the printer font. False when the printer
  // failed (the job is then over).
  virtual bool BeginPage() = 0;
  virtual PrinterMetrics Metrics() const = 0;
  // Draws the bytes (the terminal's character set) in one piece, the top of
  // the text at (x, y).
  virtual void DrawText(int x, int y, std::span<const uint8_t> text) = 0;
  // Ends the page; false when the printer failed.
  virtual bool EndPage() = 0;
  // Ends the job; what was drawn goes to the spooler.
  virtual void EndDocument() = 0;
  // Throws the job away.
  virtual void Abort() = 0;
};

// Lines of text on a page below the margins; never less than one, so that a
// printer font taller than the page still prints a line per page.
int LinesPerPage(const PrinterMetrics& metrics);

}  // namespace parlane
