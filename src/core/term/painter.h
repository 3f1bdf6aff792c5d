// What the screen reports when it changes, so that a window can paint exactly
// that. The screen never draws; it tells its painter what changed and the
// painter schedules the paint (a Qt window ORs these into a damage region and
// repaints on a short timer; tools use NullPainter).
//
// Row numbers are store indices (see TerminalScreen); the window shows store
// rows ScreenTop() .. ScreenTop() + Height() - 1. To paint a row: fill it with
// TerminalScreen::CurrentBackground(), then draw its cells up to the used
// length in runs of equal attribute, each in TerminalScreen::ColorsOf(attr).
#pragma once

#include "term/colors.h"

namespace parlane {

class ScreenPainter {
 public:
  virtual ~ScreenPainter() = default;

  // Cells [firstCol, firstCol + count) of store row `row` were written.
  virtual void CellsDrawn(int row, int firstCol, int count) = 0;
  // Store rows first..last (inclusive, already clamped to the store) must be
  // repainted whole: their used cells, and blank beyond.
  virtual void RowsRedrawn(int first, int last) = 0;
  // The window's contents moved up by `lines` text lines (scroll the client
  // area and repaint the uncovered strip at the bottom). Always followed by
  // ScreenTopChanged when the screen top moved with it.
  virtual void Scrolled(int lines) = 0;
  // The screen top (the vertical scroll position) was moved by the screen
  // itself; the scroller follows without scrolling the contents again.
  virtual void ScreenTopChanged(int top) = 0;
  // Everything must be repainted.
  virtual void InvalidateAll() = 0;
  // The colour that uncovered parts of the window are filled with changed.
  virtual void BackgroundChanged(Rgb color) = 0;
};

// Ignores every report: for tools, tests and benchmarks.
class NullPainter final : public ScreenPainter {
 public:
  void CellsDrawn(int, int, int) override {}
  void RowsRedrawn(int, int) override {}
  void Scrolled(int) override {}
  void ScreenTopChanged(int) override {}
  void InvalidateAll() override {}
  void BackgroundChanged(Rgb) override {}
};

}  // namespace parlane
