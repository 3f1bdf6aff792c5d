#include "session/selection.h"

#include <algorithm>

namespace parlane {

SelectionPoint PointFromPixel(int x, int y, int cellWidth, int lineHeight, int hscroll,
                              int screenTop, int columns, int capacity) {
  const int cw = std::max(cellWidth, 1);
  const int lh = std::max(lineHeight, 1);
  // Left half of a cell selects the boundary before it, right half the one after.
  const int boundary = x < 0 ? -((-x + cw / 2) / cw) : (x + cw / 2) / cw;
  SelectionPoint p;
  p.col = std::clamp(boundary + hscroll, 0, columns);
  p.row = std::clamp(std::max(y, 0) / lh + screenTop, 0, std::max(capacity - 1, 0));
  return p;
}

void Selection::Track(SelectionPoint p) {
  if (!Active()) {
    anchor_ = end_ = p;
    return;
  }
  end_ = p;
}

SelectionPoint Selection::First() const {
  if (anchor_.row != end_.row) return anchor_.row < end_.row ? anchor_ : end_;
  return anchor_.col <= end_.col ? anchor_ : end_;
}

SelectionPoint Selection::Last() const { return First() == anchor_ ? end_ : anchor_; }

namespace {

// The used characters of `row` from `from` up to `to` (exclusive), both cut
// at the row's used length.
void AppendCells(std::string& out, const TerminalScreen& screen, int row, int from, int to) {
  const auto chars = screen.Row(row).UsedChars();
  const int used = static_cast<int>(chars.size());
  from = std::clamp(from, 0, used);
  to = std::clamp(to, from, used);
  out.append(reinterpret_cast<const char*>(chars.data()) + from, static_cast<size_t>(to - from));
}

}  // namespace

std::string Selection::CopyText(const TerminalScreen& screen, std::string_view lineEnd) const {
  std::string out;
  if (!Active()) return out;
  const SelectionPoint a = First();
  const SelectionPoint b = Last();
  const int last = std::min(b.row, screen.Capacity() - 1);
  if (a.row < 0 || a.row > last) return out;
  if (a.row == b.row) {
    AppendCells(out, screen, a.row, a.col, b.col);
    return out;
  }
  AppendCells(out, screen, a.row, a.col, screen.Columns());
  out += lineEnd;
  for (int row = a.row + 1; row < last; ++row) {
    AppendCells(out, screen, row, 0, screen.Columns());
    out += lineEnd;
  }
  AppendCells(out, screen, last, 0, b.col);
  return out;
}

}  // namespace parlane
