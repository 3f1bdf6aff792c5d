// The store, printing and line feeds of the screen buffer.
#include "term/screen.h"

#include "term/emulation.h"

#include <algorithm>
#include <cstring>

namespace parlane {

namespace {

constexpr uint8_t kSpace = 0x20;
constexpr uint8_t kLf = 10;
constexpr uint8_t kEsc = 27;
// The used length of a row is one byte, so a row has at most 255 columns.
constexpr int kMaxColumns = 255;
// A tab stop and a last cell need at least two columns.
constexpr int kMinColumns = 2;
// A screen this tall could not be painted anyway; it bounds the store.
constexpr int kMaxRows = 1000;
// Runs up to this long are copied cell by cell instead of through memcpy.
constexpr size_t kShortRun = 16;
// The line-feed look-ahead leaves this many lines of the old screen visible.
constexpr int kLookAheadReserve = 3;

// VT100 special graphics 0x5F..0x7E in the terminal font's CP437.
constexpr std::array<uint8_t, 32> kLineDrawing = {
    0x20, 0x04, 0xB1, 0x1A, 0x19, 0x1B, 0x1F, 0xF8, 0xF1, 0x11, 0x17, 0xD9, 0xBF, 0xDA, 0xC0, 0xC5,
    0xC4, 0xC4, 0xC4, 0xC4, 0xC4, 0xC3, 0xB4, 0xC1, 0xC2, 0xB3, 0xF3, 0xF2, 0xE3, 0xD8, 0x9C, 0xF9,
};
constexpr uint8_t kLineDrawingFirst = 0x5F;
constexpr uint8_t kLineDrawingLast = 0x7E;

// Copies 1..16 bytes with at most two moves of each size, overlapping in
// the middle: short runs are the common case between colour changes and
// cursor moves, and a byte loop's exit is mispredicted on each of them.
template <typename Word>
void MoveEnds(uint8_t* dst, const uint8_t* src, size_t n) {
  Word first;
  Word last;
  std::memcpy(&first, src, sizeof(Word));
  std::memcpy(&last, src + n - sizeof(Word), sizeof(Word));
  std::memcpy(dst, &first, sizeof(Word));
  std::memcpy(dst + n - sizeof(Word), &last, sizeof(Word));
}

void CopyShort(uint8_t* dst, const uint8_t* src, size_t n) {
  if (n >= 8) {
    MoveEnds<uint64_t>(dst, src, n);
  } else if (n >= 4) {
    MoveEnds<uint32_t>(dst, src, n);
  } else if (n >= 2) {
    MoveEnds<uint16_t>(dst, src, n);
  } else if (n == 1) {
    dst[0] = src[0];
  }
}

void FillShort(uint8_t* dst, uint8_t value, size_t n) {
  std::array<uint8_t, kShortRun> same;
  same.fill(value);
  CopyShort(dst, same.data(), n);
}

}  // namespace

uint8_t LineDrawingGlyph(uint8_t byte) {
  if (byte < kLineDrawingFirst || byte > kLineDrawingLast) return byte;
  return kLineDrawing[byte - kLineDrawingFirst];
}

int StoreCapacity(ScreenGeometry g) {
  const int rows = std::clamp(g.rows, 1, kMaxRows);
  const int rowBytes = 2 * std::clamp(g.columns, kMinColumns, kMaxColumns) + 1;
  const int screens = kStoreBudgetBytes / (rows * rowBytes);
  return std::max(screens, 1) * rows;
}

TerminalScreen::TerminalScreen(ScreenGeometry geometry, const TerminalOptions& options,
                               ScreenPainter& painter, WindowColors colors)
    : rows_(std::clamp(geometry.rows, 1, kMaxRows)),
      cols_(std::clamp(geometry.columns, kMinColumns, kMaxColumns)),
      capacity_(StoreCapacity({rows_, cols_})),
      height_(rows_),
      regionBottom_(rows_),
      options_(options),
      colors_(colors),
      background_(colors.background),
      painter_(painter) {
  const size_t rowBytes = static_cast<size_t>(2 * cols_ + 1);
  block_.resize(rowBytes * static_cast<size_t>(capacity_));
  rowsPtr_.resize(static_cast<size_t>(capacity_));
  for (size_t i = 0; i < rowsPtr_.size(); ++i) {
    uint8_t* row = block_.data() + i * rowBytes;
    std::memset(row, kSpace, static_cast<size_t>(cols_));
    std::memset(row + cols_, kAttrNormal, static_cast<size_t>(cols_));
    row[2 * cols_] = 0;
    rowsPtr_[i] = row;
  }
}

// The screen top may go down to N - H, so that the store's last row (where
// the cursor ends up once the store has filled) is always visible, also in
// a window shorter than the configured rows.
int TerminalScreen::VerticalRange() const { return std::max(0, capacity_ - height_); }

int TerminalScreen::RegionTopRow() const { return std::min(top_ + regionTop_ - 1, capacity_ - 1); }

int TerminalScreen::RegionBottomRow() const {
  return std::min(top_ + regionBottom_ - 1, capacity_ - 1);
}

void TerminalScreen::BlankRow(int index) {
  uint8_t* row = RowPtr(index);
  // A row taken back keeps nothing of its earlier use: padding over it must
  // look as it does on a fresh screen.
  std::memset(row + cols_, kAttrNormal, static_cast<size_t>(cols_));
  row[2 * cols_] = 0;
}

void TerminalScreen::SetHeight(int height) {
  height_ = std::clamp(height, 1, capacity_);
  top_ = std::min(top_, VerticalRange());
  // The region must stay inside the rows the screen can address.
  regionBottom_ = std::min(regionBottom_, ClearHeight());
  regionTop_ = std::min(regionTop_, regionBottom_);
}

void TerminalScreen::SetScreenTop(int top) { top_ = std::clamp(top, 0, VerticalRange()); }

bool TerminalScreen::KeepCursorVisible() {
  const int last = top_ + height_ - 1;
  if (cursor_.row <= last) return false;
  const int old = top_;
  SetScreenTop(cursor_.row - height_ + 1);
  return top_ != old;
}

std::string_view TerminalScreen::RowText(int index) const {
  const RowView row = Row(index);
  return {reinterpret_cast<const char*>(row.Chars().data()), static_cast<size_t>(row.Used())};
}

int TerminalScreen::ClampRow(int row) const { return std::clamp(row, 0, capacity_ - 1); }

void TerminalScreen::SetCursor(int row, int col) {
  cursor_.row = ClampRow(row);
  cursor_.col = std::clamp(col, 0, cols_);
}

int TerminalScreen::CursorLine() const { return std::clamp(cursor_.row - top_ + 1, 1, height_); }

void TerminalScreen::SetCurrentBackground(Rgb color) {
  if (color == background_) return;
  background_ = color;
  painter_.BackgroundChanged(color);
}

void TerminalScreen::SetWindowColors(const WindowColors& colors) {
  const bool newBackground = colors.background != colors_.background;
  colors_ = colors;
  if (newBackground) SetCurrentBackground(colors.background);
  painter_.InvalidateAll();
}

void TerminalScreen::Designate(CharsetSlot slot, bool lineDrawing) {
  (slot == CharsetSlot::G0 ? g0Line_ : g1Line_) = lineDrawing;
  UpdateMapping();
}

void TerminalScreen::UpdateMapping() {
  const EmulationTraits& traits = TraitsOf(Emu());
  mapping_ = (traits.highBit && highBit_) || (traits.charsets && LineDrawing(ActiveCharset()));
}

void TerminalScreen::SetOptions(const TerminalOptions& options) {
  options_ = options;
  UpdateMapping();
  painter_.InvalidateAll();
}

// ---- printing ----

uint8_t TerminalScreen::MapGlyph(uint8_t byte) const {
  const EmulationTraits& traits = TraitsOf(Emu());
  if (traits.highBit && highBit_) byte = static_cast<uint8_t>(byte + 0x80);
  if (traits.charsets && LineDrawing(ActiveCharset())) {
    byte = LineDrawingGlyph(byte);
  }
  return byte;
}

void TerminalScreen::WrapBeforeGlyph(std::span<const uint8_t> rest) {
  UsedOf(cursor_.row) = static_cast<uint8_t>(cols_);
  if (Wrap()) {
    cursor_.col = 0;
    LineFeed(rest);
  } else {
    cursor_.col = cols_ - 1;
  }
}

void TerminalScreen::ExtendTo(int col) {
  uint8_t& used = UsedOf(cursor_.row);
  if (used >= col) return;
  std::memset(RowPtr(cursor_.row) + used, kSpace, static_cast<size_t>(col - used));
  // The cells were blank before and are spaces now, but they keep their old
  // attributes, whose colours may differ from the blank's: repaint them.
  painter_.CellsDrawn(cursor_.row, used, col - used);
  used = static_cast<uint8_t>(col);
}

uint8_t TerminalScreen::WriteGlyph(uint8_t byte, std::span<const uint8_t> rest) {
  uint8_t stored = byte;
  WriteRun({&byte, 1}, {&stored, 1}, rest);
  return stored;
}

void TerminalScreen::WriteRun(std::span<const uint8_t> run, std::span<uint8_t> writeBack,
                              std::span<const uint8_t> rest) {
  const bool mapping = mapping_;
  // The first ESC of the run at or after a wrap, found only when a wrap needs
  // it and searched again only once passed, so a long run stays linear.
  size_t esc = 0;
  size_t i = 0;
  while (i < run.size()) {
    if (cursor_.col >= cols_) WrapBeforeGlyph(LookAheadAfter(run, i + 1, esc, rest));
    const int start = cursor_.col;
    const size_t chunk = std::min(run.size() - i, static_cast<size_t>(cols_ - start));
    uint8_t* row = RowPtr(cursor_.row);
    uint8_t* cells = row + start;
    uint8_t* attrs = row + cols_ + start;
    if (mapping) {
      for (size_t k = 0; k < chunk; ++k) cells[k] = MapGlyph(run[i + k]);
      std::memset(attrs, attr_, chunk);
    } else if (chunk <= kShortRun) {
      // Words between colour changes are short: inline moves beat a call.
      CopyShort(cells, run.data() + i, chunk);
      FillShort(attrs, attr_, chunk);
    } else {
      std::memcpy(cells, run.data() + i, chunk);
      std::memset(attrs, attr_, chunk);
    }
    if (!writeBack.empty()) std::memcpy(writeBack.data() + i, cells, chunk);
    // The cells between the old used length and the first cell written
    // become spaces: the row never shows stale text.
    uint8_t& used = row[2 * cols_];
    const int firstChanged = std::min(static_cast<int>(used), start);
    if (used < start) std::memset(row + used, kSpace, static_cast<size_t>(start - used));
    cursor_.col = start + static_cast<int>(chunk);
    if (used < cursor_.col) used = static_cast<uint8_t>(cursor_.col);
    painter_.CellsDrawn(cursor_.row, firstChanged, cursor_.col - firstChanged);
    i += chunk;
  }
}

// The input after byte from - 1 of a printed run, for the look-ahead of the
// line feed of a wrap: the rest of the run, then the input after it. In TTY a
// run may hold ESC, which ends the look-ahead, so the rest of the run is given
// when it holds one; a run never holds LF, so otherwise the input after the
// run gives the same count. `esc` caches the position of the next ESC (or
// the run's size) between calls of one run.
std::span<const uint8_t> TerminalScreen::LookAheadAfter(std::span<const uint8_t> run, size_t from,
                                                        size_t& esc,
                                                        std::span<const uint8_t> rest) {
  if (esc < from) {
    const auto* found = static_cast<const uint8_t*>(
        from < run.size() ? std::memchr(run.data() + from, kEsc, run.size() - from) : nullptr);
    esc = found != nullptr ? static_cast<size_t>(found - run.data()) : run.size();
  }
  return esc < run.size() ? run.subspan(from) : rest;
}

// ---- line feed and scrolling ----

int TerminalScreen::LookAhead(std::span<const uint8_t> rest) const {
  const int limit = height_ - kLookAheadReserve;
  int n = 1;
  for (uint8_t b : rest) {
    if (n >= limit || b == kEsc) break;
    if (b == kLf) ++n;
  }
  return n;
}

void TerminalScreen::ScrollScreen(int n) {
  const int newTop = std::clamp(top_ + n, 0, VerticalRange());
  if (newTop == top_) return;
  // The window moves by what the screen top actually moved, so the painted
  // rows stay where the store has them.
  painter_.Scrolled(newTop - top_);
  top_ = newTop;
  painter_.ScreenTopChanged(top_);
}

void TerminalScreen::ReuseOldest(int n) {
  for (int i = 0; i < n; ++i) BlankRow(i);
  std::rotate(rowsPtr_.begin(), rowsPtr_.begin() + n, rowsPtr_.end());
  cursor_.row = capacity_ - n;
  painter_.Scrolled(n);
}

void TerminalScreen::LineFeed(std::span<const uint8_t> rest) {
  ++cursor_.row;
  if (RegionSet() && cursor_.row == top_ + regionBottom_) {
    --cursor_.row;
    ScrollRegionUp();
    RedrawRows(RegionTopRow(), cursor_.row);
  }
  if (cursor_.row - top_ < height_ && cursor_.row < capacity_) return;
  int n = LookAhead(rest);
  if (cursor_.row < capacity_) {
    ScrollScreen(n);
    return;
  }
  ReuseOldest(std::min(n, rows_));
}

void TerminalScreen::Index() {
  const int bottomRow = RegionBottomRow();
  if (cursor_.row != bottomRow) {
    cursor_.row = std::min(cursor_.row + 1, bottomRow);
    return;
  }
  ScrollRegionUp();
  RedrawRows(RegionTopRow(), cursor_.row);
}

void TerminalScreen::ReverseIndex() {
  const int topRow = RegionTopRow();
  if (cursor_.row == topRow) {
    ScrollRegionDown();
    RedrawRows(cursor_.row, RegionBottomRow());
    return;
  }
  cursor_.row = std::max(cursor_.row - 1, topRow);
}

void TerminalScreen::RotateUp(int first, int last) {
  first = ClampRow(first);
  last = ClampRow(last);
  if (first > last) return;
  auto begin = rowsPtr_.begin();
  std::rotate(begin + first, begin + first + 1, begin + last + 1);
  BlankRow(last);
}

void TerminalScreen::RotateDown(int first, int last) {
  first = ClampRow(first);
  last = ClampRow(last);
  if (first > last) return;
  auto begin = rowsPtr_.begin();
  std::rotate(begin + first, begin + last, begin + last + 1);
  BlankRow(first);
}

void TerminalScreen::ScrollRegionUp() { RotateUp(RegionTopRow(), cursor_.row); }

void TerminalScreen::ScrollRegionDown() { RotateDown(cursor_.row, RegionBottomRow()); }

void TerminalScreen::RedrawRows(int first, int last) {
  first = std::max(first, 0);
  last = std::min(last, capacity_ - 1);
  if (first <= last) painter_.RowsRedrawn(first, last);
}

void TerminalScreen::ClearRows(int first, int last, uint8_t attr, int used) {
  first = std::max(first, 0);
  last = std::min(last, capacity_ - 1);
  for (int r = first; r <= last; ++r) {
    uint8_t* row = RowPtr(r);
    std::memset(row, kSpace, static_cast<size_t>(cols_));
    std::memset(row + cols_, attr, static_cast<size_t>(cols_));
    row[2 * cols_] = static_cast<uint8_t>(used);
  }
}

}  // namespace parlane
