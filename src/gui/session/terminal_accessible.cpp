#include "session/terminal_accessible.h"

#include <QAccessible>
#include <QMdiSubWindow>
#include <QTimer>
#include <algorithm>

#include "session/cp437.h"
#include "session/selection.h"
#include "session/session.h"
#include "session/terminal_view.h"
#include "term/screen.h"

namespace parlane {

namespace {

// Text events go out at most once per display frame.
constexpr int kEventFrameMs = 16;

std::function<void(QAccessibleEvent&)>& TestSink() {
  static std::function<void(QAccessibleEvent&)> sink;
  return sink;
}

bool Listening() { return TestSink() || QAccessible::isActive(); }

void Send(QAccessibleEvent& event) {
  if (TestSink()) {
    TestSink()(event);
  } else {
    QAccessible::updateAccessibility(&event);
  }
}

// Remembers what the last events told and sends the difference.
class TerminalTextWatcher : public QObject {
  Q_OBJECT
 public:
  explicit TerminalTextWatcher(TelnetWindow* window) : QObject(window), window_(window) {
    timer_.setSingleShot(true);
    timer_.setInterval(kEventFrameMs);
    connect(&timer_, &QTimer::timeout, this, &TerminalTextWatcher::Report);
  }
  void Changed() {
    if (!timer_.isActive()) timer_.start();
  }

 private:
  void Report() {
    if (!Listening()) return;
    const VisibleText now = BuildVisibleText(window_->GetSession().Screen());
    const TextChange change = DiffText(last_, now.text);
    if (!change.removed.isEmpty() && !change.inserted.isEmpty()) {
      QAccessibleTextUpdateEvent event(window_, change.position, change.removed, change.inserted);
      Send(event);
    } else if (!change.inserted.isEmpty()) {
      QAccessibleTextInsertEvent event(window_, change.position, change.inserted);
      Send(event);
    } else if (!change.removed.isEmpty()) {
      QAccessibleTextRemoveEvent event(window_, change.position, change.removed);
      Send(event);
    }
    if (now.cursorOffset != lastCursor_ && now.cursorOffset >= 0) {
      QAccessibleTextCursorEvent event(window_, now.cursorOffset);
      Send(event);
    }
    last_ = now.text;
    lastCursor_ = now.cursorOffset;
  }

  TelnetWindow* window_;
  QTimer timer_;
  QString last_;
  int lastCursor_ = -1;
};

QAccessibleInterface* Factory(const QString&, QObject* object) {
  if (auto* window = qobject_cast<TelnetWindow*>(object)) return new TerminalAccessible(window);
  return nullptr;
}

}  // namespace

// ---- the visible text ----

VisibleText BuildVisibleText(const TerminalScreen& screen) {
  VisibleText v;
  v.firstRow = screen.ScreenTop();
  const int lastRow = std::min(screen.ScreenTop() + screen.Height(), screen.Capacity()) - 1;
  const CursorPos cursor = screen.Cursor();
  for (int row = v.firstRow; row <= lastRow; ++row) {
    if (row > v.firstRow) v.text += QLatin1Char('\n');
    v.lineStart.push_back(static_cast<int>(v.text.size()));
    const RowView r = screen.Row(row);
    for (const uint8_t byte : r.UsedChars()) v.text += QChar(kCp437ToUnicode[byte]);
    if (row == cursor.row) {
      const int col = std::min(cursor.col, screen.Columns());
      if (col > r.Used()) v.text += QString(col - r.Used(), QLatin1Char(' '));
      v.cursorOffset = v.lineStart.back() + col;
    }
  }
  return v;
}

int VisibleText::OffsetOf(int row, int col) const {
  const int line = row - firstRow;
  if (line < 0 || line >= static_cast<int>(lineStart.size())) return -1;
  const int end = line + 1 < static_cast<int>(lineStart.size())
                      ? lineStart[static_cast<size_t>(line) + 1] - 1
                      : static_cast<int>(text.size());
  return std::clamp(lineStart[static_cast<size_t>(line)] + col,
                    lineStart[static_cast<size_t>(line)], end);
}

void VisibleText::LineAndColumn(int offset, int& line, int& col) const {
  const auto it = std::upper_bound(lineStart.begin(), lineStart.end(), offset);
  line = std::max(0, static_cast<int>(it - lineStart.begin()) - 1);
  col = lineStart.empty() ? 0 : offset - lineStart[static_cast<size_t>(line)];
}

TextChange DiffText(const QString& before, const QString& after) {
  const qsizetype shorter = std::min(before.size(), after.size());
  qsizetype prefix = 0;
  while (prefix < shorter && before[prefix] == after[prefix]) ++prefix;
  qsizetype suffix = 0;
  while (suffix < shorter - prefix &&
         before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
    ++suffix;
  }
  TextChange change;
  change.position = static_cast<int>(prefix);
  change.removed = before.mid(prefix, before.size() - prefix - suffix);
  change.inserted = after.mid(prefix, after.size() - prefix - suffix);
  return change;
}

// ---- the interface ----

TerminalAccessible::TerminalAccessible(TelnetWindow* window)
    : QAccessibleWidget(window, QAccessible::Terminal) {}

TelnetWindow* TerminalAccessible::Window() const { return static_cast<TelnetWindow*>(widget()); }

VisibleText TerminalAccessible::Visible() const {
  return BuildVisibleText(Window()->GetSession().Screen());
}

void* TerminalAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
  return QAccessibleWidget::interface_cast(type);
}

QString TerminalAccessible::text(QAccessible::Text t) const {
  if (t == QAccessible::Name) {
    QString name = QAccessibleWidget::text(t);
    if (!name.isEmpty()) return name;
    // The session's title: the host, or the phonebook entry's name.
    for (QWidget* w = Window(); w != nullptr; w = w->parentWidget()) {
      if (auto* sub = qobject_cast<QMdiSubWindow*>(w)) return sub->windowTitle();
    }
    return Window()->window()->windowTitle();
  }
  if (t == QAccessible::Description) return QStringLiteral("Terminal session");
  return QAccessibleWidget::text(t);
}

QAccessible::State TerminalAccessible::state() const {
  QAccessible::State s = QAccessibleWidget::state();
  s.multiLine = true;
  s.selectableText = true;
  return s;
}

void TerminalAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
  *startOffset = *endOffset = 0;
  if (selectionIndex != 0) return;
  const Selection& sel = Window()->GetSession().Select();
  if (sel.Empty()) return;
  const VisibleText v = Visible();
  const SelectionPoint a = sel.First();
  const SelectionPoint b = sel.Last();
  // Parts of the selection above or below the view clamp to its ends.
  *startOffset = a.row < v.firstRow ? 0 : v.OffsetOf(a.row, a.col);
  const int last = v.firstRow + static_cast<int>(v.lineStart.size()) - 1;
  *endOffset = b.row > last ? static_cast<int>(v.text.size()) : v.OffsetOf(b.row, b.col);
  if (*startOffset < 0 || *endOffset < 0 || *endOffset < *startOffset)
    *startOffset = *endOffset = 0;
}

int TerminalAccessible::selectionCount() const {
  int start = 0;
  int end = 0;
  selection(0, &start, &end);
  return end > start ? 1 : 0;
}

// The selection is made with the mouse, the cursor by the host: assistive
// technology reads them but does not move them.
void TerminalAccessible::addSelection(int, int) {}
void TerminalAccessible::removeSelection(int) {}
void TerminalAccessible::setSelection(int, int, int) {}
void TerminalAccessible::setCursorPosition(int) {}
void TerminalAccessible::scrollToSubstring(int, int) {}

int TerminalAccessible::cursorPosition() const { return std::max(0, Visible().cursorOffset); }

QString TerminalAccessible::text(int startOffset, int endOffset) const {
  const QString all = Visible().text;
  startOffset = std::clamp(startOffset, 0, static_cast<int>(all.size()));
  endOffset = endOffset < 0 ? static_cast<int>(all.size())
                            : std::clamp(endOffset, startOffset, static_cast<int>(all.size()));
  return all.mid(startOffset, endOffset - startOffset);
}

int TerminalAccessible::characterCount() const { return static_cast<int>(Visible().text.size()); }

QRect TerminalAccessible::characterRect(int offset) const {
  const VisibleText v = Visible();
  if (offset < 0 || offset > static_cast<int>(v.text.size()) || v.lineStart.empty()) return {};
  int line = 0;
  int col = 0;
  v.LineAndColumn(offset, line, col);
  const TelnetWindow* w = Window();
  const QRect cell((col - w->HorizontalPosition()) * w->CellWidth(), line * w->LineHeight(),
                   w->CellWidth(), w->LineHeight());
  return QRect(w->viewport()->mapToGlobal(cell.topLeft()), cell.size());
}

int TerminalAccessible::offsetAtPoint(const QPoint& point) const {
  const TelnetWindow* w = Window();
  const QPoint p = w->viewport()->mapFromGlobal(point);
  if (!w->viewport()->rect().contains(p)) return -1;
  const VisibleText v = Visible();
  const int line = p.y() / w->LineHeight();
  const int col = p.x() / w->CellWidth() + w->HorizontalPosition();
  return v.OffsetOf(v.firstRow + line, col);
}

QString TerminalAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
  // Colours are the host's business; the text carries no attributes.
  *startOffset = 0;
  *endOffset = characterCount();
  (void)offset;
  return {};
}

// ---- hooks ----

void InstallTerminalAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(Factory);
    return true;
  }();
  (void)installed;
}

void TerminalTextChanged(TelnetWindow& window) {
  if (!Listening()) return;
  auto* watcher = window.findChild<TerminalTextWatcher*>(QString(), Qt::FindDirectChildrenOnly);
  if (watcher == nullptr) watcher = new TerminalTextWatcher(&window);
  watcher->Changed();
}

void SetTerminalAccessibleSinkForTest(std::function<void(QAccessibleEvent&)> sink) {
  TestSink() = std::move(sink);
}

}  // namespace parlane

#include "terminal_accessible.moc"
