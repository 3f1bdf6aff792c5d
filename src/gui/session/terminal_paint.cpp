// Damage and painting of the terminal view. The screen reports what changed;
// the view marks the visible lines involved, remembers how far the contents
// scrolled, and on the display timer blits the scroll and asks Qt to repaint
// the marked lines. paintEvent then draws rows from the buffer.
#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <ctime>

#include "session/cp437.h"
#include "session/terminal_accessible.h"
#include "session/terminal_bridge.h"

namespace parlane {

namespace {

// Damage is painted this long after the first change of a burst: about the
// display's refresh, so a flood of output costs one paint per frame.
constexpr int kFlushDelayMs = 15;

QColor ToQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

}  // namespace

// ---- damage from the screen ----

void TelnetWindow::MarkLines(int firstLine, int lastLine) {
  const int height = static_cast<int>(dirtyLines_.size());
  firstLine = std::max(firstLine, 0);
  lastLine = std::min(lastLine, height - 1);
  for (int line = firstLine; line <= lastLine; ++line) dirtyLines_[static_cast<size_t>(line)] = 1;
  ScheduleFlush();
}

void TelnetWindow::ScheduleFlush() {
  if (!flushTimer_.isActive()) flushTimer_.start(kFlushDelayMs);
}

void TelnetWindow::CellsDrawn(int row) {
  const int line = row - session_->Screen().ScreenTop();
  MarkLines(line, line);
}

void TelnetWindow::RowsRedrawn(int first, int last) {
  const int top = session_->Screen().ScreenTop();
  MarkLines(first - top, last - top);
}

void TelnetWindow::Scrolled(int lines) {
  const int height = static_cast<int>(dirtyLines_.size());
  if (lines <= 0) return;
  pendingScroll_ += lines;
  if (dirtyAll_ || pendingScroll_ >= height) {
    dirtyAll_ = true;
  } else {
    // What was marked moves up with the contents; the uncovered lines at the
    // bottom must be painted.
    std::rotate(dirtyLines_.begin(), dirtyLines_.begin() + lines, dirtyLines_.end());
    std::fill(dirtyLines_.end() - lines, dirtyLines_.end(), uint8_t{1});
  }
  ScheduleFlush();
}

void TelnetWindow::ScreenTopChanged() { ScheduleFlush(); }

void TelnetWindow::InvalidateAll() {
  dirtyAll_ = true;
  ScheduleFlush();
}

QRect TelnetWindow::LineRect(int line) const {
  return QRect(0, line * lineHeight_, viewport()->width(), lineHeight_);
}

QRect TelnetWindow::CaretRect() const {
  const TerminalScreen& s = session_->Screen();
  const CursorPos c = s.Cursor();
  return QRect((c.col - hpos_) * cellWidth_, (c.row - s.ScreenTop()) * lineHeight_, cellWidth_,
               lineHeight_);
}

void TelnetWindow::FlushDamage() {
  flushTimer_.stop();
  SyncScrollBars();
  QWidget* view = viewport();
  if (dirtyAll_ || !view->isVisible()) {
    view->update();
  } else {
    if (pendingScroll_ > 0) {
      const int dy = pendingScroll_ * lineHeight_;
      view->scroll(0, -dy);
      // The caret's old picture moved with the blit.
      if (!paintedCaret_.isNull()) view->update(paintedCaret_.translated(0, -dy));
    }
    const int height = static_cast<int>(dirtyLines_.size());
    for (int line = 0; line < height;) {
      if (!dirtyLines_[static_cast<size_t>(line)]) {
        ++line;
        continue;
      }
      int end = line;
      while (end + 1 < height && dirtyLines_[static_cast<size_t>(end + 1)]) ++end;
      view->update(QRect(0, line * lineHeight_, view->width(), (end - line + 1) * lineHeight_));
      line = end + 1;
    }
    if (caretDirty_) {
      if (!paintedCaret_.isNull()) view->update(paintedCaret_);
      view->update(CaretRect());
    }
  }
  std::fill(dirtyLines_.begin(), dirtyLines_.end(), uint8_t{0});
  pendingScroll_ = 0;
  dirtyAll_ = false;
  caretDirty_ = false;
  TerminalTextChanged(*this);
}

void TelnetWindow::BlinkCaret() {
  caretOn_ = !caretOn_;
  viewport()->update(CaretRect());
}

// ---- painting ----

void TelnetWindow::paintEvent(QPaintEvent* event) {
  QPainter p(viewport());
  p.setFont(font_);
  for (const QRect& rect : event->region()) PaintRows(p, rect);
  PaintSelection(p);
  PaintCaret(p);
  if (benchSeen_ && !flushTimer_.isActive()) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::printf("PARLANE_BENCH_DONE %lld.%09ld\n", static_cast<long long>(now.tv_sec), now.tv_nsec);
    std::fflush(stdout);
    benchSeen_ = false;
    benchMarker_.clear();
    QCoreApplication::quit();
  }
}

void TelnetWindow::PaintRows(QPainter& p, const QRect& rect) {
  const TerminalScreen& s = session_->Screen();
  p.fillRect(rect, ToQColor(s.CurrentBackground()));
  const int firstLine = std::max(0, rect.top() / lineHeight_);
  const int lastLine = rect.bottom() / lineHeight_;
  const int firstCol = hpos_ + std::max(0, rect.left() / cellWidth_);
  const int lastCol = hpos_ + rect.right() / cellWidth_;
  for (int line = firstLine; line <= lastLine; ++line) {
    const int row = s.ScreenTop() + line;
    if (row > s.Capacity() - 1) break;
    PaintRow(p, row, line, firstCol, lastCol);
  }
}

// Draws the used cells of `row` between two columns in runs of equal
// attribute, each in the colours the screen computes for it.
void TelnetWindow::PaintRow(QPainter& p, int row, int line, int firstCol, int lastCol) {
  const TerminalScreen& s = session_->Screen();
  const RowView view = s.Row(row);
  const auto chars = view.Chars();
  const auto attrs = view.Attrs();
  const int end = std::min(view.Used() - 1, lastCol);
  const int y = line * lineHeight_;
  const int baseline = y + ascent_;
  QString text;
  for (int col = firstCol; col <= end;) {
    const uint8_t attr = attrs[static_cast<size_t>(col)];
    int runEnd = col;
    while (runEnd + 1 <= end && attrs[static_cast<size_t>(runEnd + 1)] == attr) ++runEnd;
    const CellColorPair colors = s.ColorsOf(attr);
    const int x = (col - hpos_) * cellWidth_;
    const int width = (runEnd - col + 1) * cellWidth_;
    p.fillRect(QRect(x, y, width, lineHeight_), ToQColor(colors.bg));
    text.resize(runEnd - col + 1);
    for (int i = col; i <= runEnd; ++i) {
      text[i - col] = QChar(kCp437ToUnicode[chars[static_cast<size_t>(i)]]);
    }
    p.setPen(ToQColor(colors.fg));
    p.drawText(x, baseline, text);
    col = runEnd + 1;
  }
}

void TelnetWindow::PaintSelection(QPainter& p) {
  const Selection& sel = session_->Select();
  if (sel.Empty()) return;
  const TerminalScreen& s = session_->Screen();
  const SelectionPoint a = sel.First();
  const SelectionPoint b = sel.Last();
  const auto px = [&](int col) { return (col - hpos_) * cellWidth_; };
  const auto py = [&](int row) { return (row - s.ScreenTop()) * lineHeight_; };
  const int right = px(s.Columns());
  p.save();
  p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  const QColor invert(Qt::white);
  if (a.row == b.row) {
    p.fillRect(QRect(px(a.col), py(a.row), px(b.col) - px(a.col), lineHeight_), invert);
  } else {
    p.fillRect(QRect(px(a.col), py(a.row), right - px(a.col), lineHeight_), invert);
    if (b.row - a.row > 1) {
      p.fillRect(QRect(px(0), py(a.row + 1), right - px(0), (b.row - a.row - 1) * lineHeight_),
                 invert);
    }
    p.fillRect(QRect(px(0), py(b.row), px(b.col) - px(0), lineHeight_), invert);
  }
  p.restore();
}

void TelnetWindow::PaintCaret(QPainter& p) {
  paintedCaret_ = QRect();
  if (!caretShown_ || !caretOn_ || caretHidden_ > 0) return;
  const QRect caret = CaretRect();
  p.save();
  p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  p.fillRect(caret, Qt::white);
  p.restore();
  paintedCaret_ = caret;
}

}  // namespace parlane
