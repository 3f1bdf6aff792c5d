// The terminal view for assistive technology: the visible rows as text with
// the cursor position and the mouse selection, and events that tell a
// screen reader what new output changed, at most once per display frame.
#pragma once

#include <QAccessibleWidget>
#include <QString>
#include <functional>
#include <vector>

namespace parlane {

class TelnetWindow;
class TerminalScreen;

// The rows a window shows, as one text: each row up to its used length (the
// cursor's row at least up to the cursor), rows joined by "\n", in Unicode.
struct VisibleText {
  QString text;
  std::vector<int> lineStart;  // offset of each visible line in `text`
  int firstRow = 0;            // the store row of line 0
  int cursorOffset = -1;       // -1: the cursor is not in view
  // The offset of a cell (clamped to its line's text); -1 for a row not in view.
  int OffsetOf(int row, int col) const;
  // The line an offset lies on and its column.
  void LineAndColumn(int offset, int& line, int& col) const;
};
VisibleText BuildVisibleText(const TerminalScreen& screen);

// What changed between two texts: at `position`, `removed` gave way to
// `inserted` (both empty when nothing changed).
struct TextChange {
  int position = 0;
  QString removed;
  QString inserted;
  bool operator==(const TextChange&) const = default;
};
TextChange DiffText(const QString& before, const QString& after);

class TerminalAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit TerminalAccessible(TelnetWindow* window);

  void* interface_cast(QAccessible::InterfaceType type) override;
  QString text(QAccessible::Text t) const override;
  QAccessible::State state() const override;

  // QAccessibleTextInterface
  void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
  int selectionCount() const override;
  void addSelection(int startOffset, int endOffset) override;
  void removeSelection(int selectionIndex) override;
  void setSelection(int selectionIndex, int startOffset, int endOffset) override;
  int cursorPosition() const override;
  void setCursorPosition(int position) override;
  QString text(int startOffset, int endOffset) const override;
  int characterCount() const override;
  QRect characterRect(int offset) const override;
  int offsetAtPoint(const QPoint& point) const override;
  void scrollToSubstring(int startIndex, int endIndex) override;
  QString attributes(int offset, int* startOffset, int* endOffset) const override;

 private:
  TelnetWindow* Window() const;
  VisibleText Visible() const;
};

// Makes Qt build a TerminalAccessible for every terminal view (once).
void InstallTerminalAccessibility();

// The view painted new output: when assistive technology listens, a text
// event (insert, remove or update) and a cursor event follow on the next
// display frame, however much output arrives in between.
void TerminalTextChanged(TelnetWindow& window);

// Tests: receive the events here instead of through the platform, whether
// or not assistive technology is running. An empty function restores it.
void SetTerminalAccessibleSinkForTest(std::function<void(QAccessibleEvent&)> sink);

}  // namespace parlane
