// The mouse selection of a session window: an anchor and an end point in the
// screen buffer's store, the text that Copy puts on the clipboard, and the
// cells the window shows inverted.
#pragma once

#include <string>
#include <string_view>

#include "term/screen.h"

namespace parlane {

// A point between cells: column 0..C (the boundary before that column) on a
// store row.
struct SelectionPoint {
  int col = -1;
  int row = -1;
  bool operator==(const SelectionPoint&) const = default;
};

// Turns a pixel position in the client area into a selection point: the
// column is x / cell width rounded to the nearer cell boundary plus the
// horizontal scroll position (0..C); the row is y / line height (not below
// 0) plus the screen top (at most N - 1). Cell sizes below 1 count as 1.
SelectionPoint PointFromPixel(int x, int y, int cellWidth, int lineHeight, int hscroll,
                              int screenTop, int columns, int capacity);

class Selection {
 public:
  bool Active() const { return anchor_.row >= 0; }
  void Clear() { anchor_ = end_ = {}; }
  // The first point of a drag becomes the anchor, later points the end.
  void Track(SelectionPoint p);
  SelectionPoint Anchor() const { return anchor_; }
  SelectionPoint End() const { return end_; }
  // The two points in reading order: the earlier row first; on one row the
  // smaller column first.
  SelectionPoint First() const;
  SelectionPoint Last() const;
  // Whether there is anything to invert or copy (the points differ).
  bool Empty() const { return !Active() || First() == Last(); }

  // The Copy text: the selected characters of each row up to its used
  // length, rows joined by `lineEnd`. Empty when nothing would be copied.
  std::string CopyText(const TerminalScreen& screen, std::string_view lineEnd = "\r\n") const;

 private:
  SelectionPoint anchor_;
  SelectionPoint end_;
};

}  // namespace parlane
