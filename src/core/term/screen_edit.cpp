// Control characters, cursor movement, erasing and the SCO line editing of
// the screen buffer.
#include <algorithm>
#include <cstring>

#include "term/emulation.h"
#include "term/screen.h"

namespace parlane {

namespace {
constexpr uint8_t kSpace = 0x20;
constexpr int kTabWidth = 8;  // tab stops are fixed every eight columns
}  // namespace

// ---- control characters ----

void TerminalScreen::Tab() {
  const int stop = std::min((cursor_.col / kTabWidth + 1) * kTabWidth, cols_ - 1);
  uint8_t* row = RowPtr(cursor_.row);
  const int used = row[2 * cols_];
  const int first = std::max(cursor_.col, used);
  for (int c = first; c < stop; ++c) {
    row[c] = kSpace;
    row[cols_ + c] = attr_;
  }
  if (cursor_.col < stop) cursor_.col = stop;
  // The cells just written lie at or beyond the used length, so extending
  // the row reports them to the painter together with any gap before them.
  ExtendTo(cursor_.col);
}

void TerminalScreen::Backspace() {
  if (cursor_.col == 0) return;
  --cursor_.col;
  if (!TraitsOf(Emu()).backspaceErases) return;
  RowPtr(cursor_.row)[cursor_.col] = kSpace;
  painter_.CellsDrawn(cursor_.row, cursor_.col, 1);
}

void TerminalScreen::CarriageReturn(std::span<const uint8_t> rest) {
  cursor_.col = 0;
  if (options_.InboundCrLf != 0) LineFeed(rest);
}

void TerminalScreen::ClearFromTop(uint8_t attr, int used) {
  ClearRows(top_, top_ + ClearHeight() - 1, attr, used);
}

void TerminalScreen::FormFeed() {
  const int last = std::min(top_ + ClearHeight() - 1, capacity_ - 1);
  switch (TraitsOf(Emu()).erase) {
    case EraseStyle::Vt: ClearFromTop(kAttrNormal, 0); break;
    case EraseStyle::Pc:
      ClearFromTop(attr_, cols_);
      SetCurrentBackground(kAnsiPalette[attr_ & 7]);
      break;
    case EraseStyle::Plain:
      for (int r = top_; r <= last; ++r) std::memset(RowPtr(r), kSpace, static_cast<size_t>(cols_));
      break;
  }
  cursor_ = {top_, 0};
  painter_.InvalidateAll();
}

// ---- cursor movement ----

void TerminalScreen::CursorPosition(int line, int column) {
  line = line >= 1 ? std::min(line, height_) : 1;
  column = column >= 1 ? std::min(column, cols_) : 1;
  cursor_ = {ClampRow(top_ + line - 1), column - 1};
  PadToCursor();
}

// Up and down keep the column, but like every cursor movement they cancel a
// pending wrap: the next glyph lands in the last cell of the new row instead
// of wrapping onto the row below it.
void TerminalScreen::CursorUp(int n) {
  cursor_.row = std::max(cursor_.row - n, RegionTopRow());
  cursor_.col = std::min(cursor_.col, cols_ - 1);
  PadToCursor();
}

void TerminalScreen::CursorDown(int n) {
  cursor_.row = std::min(cursor_.row + n, RegionBottomRow());
  cursor_.col = std::min(cursor_.col, cols_ - 1);
  PadToCursor();
}

void TerminalScreen::CursorRight(int n) {
  cursor_.col = std::min(cursor_.col + n, cols_ - 1);
  PadToCursor();
}

void TerminalScreen::CursorLeft(int n) {
  cursor_.col = std::max(cursor_.col - n, 0);
  PadToCursor();
}

void TerminalScreen::NextLine() {
  cursor_.col = 0;
  Index();
  PadToCursor();
}

void TerminalScreen::SetScrollRegion(int top, int bottom) {
  top = top >= 1 ? std::min(top, height_) : 1;
  bottom = bottom >= 1 ? std::min(bottom, height_) : height_;
  if (top == bottom) {
    top = 1;
    bottom = rows_;
  } else if (top > bottom) {
    std::swap(top, bottom);
  }
  regionTop_ = top;
  regionBottom_ = std::min(bottom, ClearHeight());
  cursor_ = {top_, 0};
}

// ---- erasing ----

void TerminalScreen::EraseInDisplayVt(EraseMode mode) {
  const int row = cursor_.row;
  uint8_t* cells = RowPtr(row);
  switch (mode) {
    case EraseMode::All:
      ClearFromTop(kAttrNormal, 0);
      painter_.InvalidateAll();
      return;
    case EraseMode::ToStart: {
      ClearRows(top_, row - 1, kAttrNormal, 0);
      const int end = std::min(cursor_.col, cols_ - 1);
      std::memset(cells, kSpace, static_cast<size_t>(end + 1));
      std::memset(cells + cols_, kAttrNormal, static_cast<size_t>(end + 1));
      RedrawRows(top_, row);
      return;
    }
    case EraseMode::ToEnd:
      // Rows below the cursor; none when the cursor is on the store's last row.
      if (row + 1 < capacity_) ClearRows(row + 1, top_ + ClearHeight() - 1, kAttrNormal, 0);
      EraseInLineVt(EraseMode::ToEnd);
      RedrawRows(row, top_ + height_ - 1);
      return;
  }
}

void TerminalScreen::ClearScreenPc() {
  ClearFromTop(attr_, cols_);
  cursor_ = {top_, 0};
  SetCurrentBackground(kAnsiPalette[attr_ & 7]);
  painter_.InvalidateAll();
}

void TerminalScreen::EraseInLineVt(EraseMode mode) {
  uint8_t* row = RowPtr(cursor_.row);
  const int col = cursor_.col;
  switch (mode) {
    case EraseMode::All:
      std::memset(row, kSpace, static_cast<size_t>(cols_));
      std::memset(row + cols_, kAttrNormal, static_cast<size_t>(cols_));
      row[2 * cols_] = 0;
      break;
    case EraseMode::ToStart: {
      const int end = std::min(col, cols_ - 1);
      std::memset(row, kSpace, static_cast<size_t>(end + 1));
      std::memset(row + cols_, kAttrNormal, static_cast<size_t>(end + 1));
      break;
    }
    case EraseMode::ToEnd:
      // Extending the used length to the cursor must not bring back stale
      // cells, so the row is padded first.
      PadToCursor();
      std::memset(row + col, kSpace, static_cast<size_t>(cols_ - col));
      std::memset(row + cols_ + col, kAttrNormal, static_cast<size_t>(cols_ - col));
      row[2 * cols_] = static_cast<uint8_t>(col);
      break;
  }
  RedrawRows(cursor_.row, cursor_.row);
}

void TerminalScreen::EraseToEndOfLinePc() {
  uint8_t* row = RowPtr(cursor_.row);
  const int col = cursor_.col;
  PadToCursor();
  std::memset(row + col, kSpace, static_cast<size_t>(cols_ - col));
  std::memset(row + cols_ + col, attr_, static_cast<size_t>(cols_ - col));
  row[2 * cols_] = static_cast<uint8_t>(cols_);
  RedrawRows(cursor_.row, cursor_.row);
}

// ---- SCO line and character editing ----

void TerminalScreen::InsertBlank() {
  uint8_t* row = RowPtr(cursor_.row);
  // At a pending wrap the cursor cell is the last one.
  const int col = std::min(cursor_.col, cols_ - 1);
  PadToCursor();
  const size_t moved = static_cast<size_t>(cols_ - 1 - col);
  std::memmove(row + col + 1, row + col, moved);
  std::memmove(row + cols_ + col + 1, row + cols_ + col, moved);
  row[col] = kSpace;
  row[cols_ + col] = attr_;
  uint8_t& used = row[2 * cols_];
  used = static_cast<uint8_t>(std::min(used + 1, cols_));
  RedrawRows(cursor_.row, cursor_.row);
}

void TerminalScreen::DeleteChar() {
  uint8_t* row = RowPtr(cursor_.row);
  uint8_t& used = row[2 * cols_];
  const int col = cursor_.col;
  if (used > col) {
    const size_t moved = static_cast<size_t>(used - col - 1);
    std::memmove(row + col, row + col + 1, moved);
    std::memmove(row + cols_ + col, row + cols_ + col + 1, moved);
    --used;
  }
  RedrawRows(cursor_.row, cursor_.row);
}

void TerminalScreen::InsertLine() {
  const int savedTop = regionTop_;
  const int savedBottom = regionBottom_;
  regionTop_ = CursorLine();
  regionBottom_ = height_;
  ScrollRegionDown();
  RedrawRows(cursor_.row, top_ + height_ - 1);
  regionTop_ = savedTop;
  regionBottom_ = savedBottom;
}

void TerminalScreen::DeleteLine() {
  RotateUp(cursor_.row, top_ + height_ - 1);
  RedrawRows(cursor_.row, top_ + height_ - 1);
}

void TerminalScreen::ScrollUpOne() {
  RotateUp(RegionTopRow(), RegionBottomRow());
  RedrawRows(RegionTopRow(), RegionBottomRow());
}

void TerminalScreen::ScrollDownOne() {
  RotateDown(RegionTopRow(), RegionBottomRow());
  RedrawRows(RegionTopRow(), RegionBottomRow());
}

}  // namespace parlane
