// The terminal view of a session window (`TelnetWindow`): paints the screen
// buffer, keeps the caret and the scroll bars, turns keys and the mouse into
// session input, and shows the session's messages.
//
// Damage from the screen is gathered per visible line and painted on a short
// timer, so that a burst of output repaints at display rate; scrolls of the
// contents are blitted with QWidget::scroll.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace parlane {

struct AppContext;
struct TelnetSessionParams;
enum class HostRequest;
class AttachedPrintWindow;
class PrinterPage;
class Session;
class ViewBridge;

// The Qt side of a session window. The engine's callbacks (the screen's
// damage reports and the session's reports) reach it through a ViewBridge
// (terminal_bridge.h), which keeps the engine's headers out of this one.
class TelnetWindow : public QAbstractScrollArea {
  Q_OBJECT
 public:
  // `className` names the window class whose preferences (font, colours) the
  // window uses: "TelnetWindow_Class", or "CommWindow_Class" for dial-up.
  TelnetWindow(AppContext& app, const TelnetSessionParams& params, const QString& className,
               QWidget* parent = nullptr);
  ~TelnetWindow() override;

  Session& GetSession() { return *session_; }
  const Session& GetSession() const { return *session_; }

  // ---- the per-window commands ----
  void Copy();
  void Paste();
  // Sends text as typed keys (Paste, and the middle button's primary
  // selection).
  void PasteText(const QString& text);
  // The selection as text for the desktop (LF line ends).
  QString SelectedText() const;
  void CopyAndPaste();
  void ChooseFont();
  void ChooseBackgroundColor();
  void ChooseTextColor();
  void TerminalSettings();
  void KeypadModeChanged();
  // Print Current Page, Print Current Session, Print Selected Text (by
  // command id) and their enabling (print/session_print.cpp).
  void PrintCommand(int id);
  bool CanPrint(int id) const;
  AttachedPrintWindow* PrintWindow() const { return printWindow_; }
  // The window is closing while it is the active one: the status bar's
  // connection panes stop describing it.
  void ClearStatus();

  bool HasSelection() const;
  bool IsConnected() const;
  bool PasteRunning() const;

  // ---- geometry ----
  int CellWidth() const { return cellWidth_; }
  int LineHeight() const { return lineHeight_; }
  int VisibleColumns() const;
  int HorizontalPosition() const { return hpos_; }
  QFont TerminalFont() const { return font_; }
  QColor BackgroundColor() const;
  QColor TextColor() const;
  QSize sizeHint() const override;

  // Paints whatever damage is waiting now (tests and the benchmark).
  void FlushDamage();
  // True while damage waits for the display timer.
  bool DamagePending() const { return flushTimer_.isActive(); }

 signals:
  void ConnectedChanged(bool connected);
  void ConnectionEnded();
  // The window wants its frame closed (posted, never from inside a call).
  void CloseRequested();
  void TitleChangeRequested(const QString& title);
  // The window's preferred size changed (font): the frame resizes by as much.
  void PreferredSizeChanged(QSize oldSize, QSize newSize);
  // The host sent a Zmodem sender's request (emitted from inside the
  // interpreter; the rest of the received block is dropped).
  void DownloadRequested();

 protected:
  // A host-mode caller's window (TelnetWindowHost) answers true: it gives no
  // "Connect" sound and asks before the caller's downloads and print jobs.
  virtual bool IsHostMode() const { return false; }
  // The caller asks for a download or an attached print job; false refuses.
  virtual bool AllowHostRequest(HostRequest) { return true; }
  AppContext& App() const { return app_; }
  // Runs after each pasted character (`sent` so far): waiting events run
  // now and then. The dial-up window waits there for its output queue.
  virtual void PastedCharacter(int sent);

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  bool event(QEvent* event) override;

 private:
  friend class ViewBridge;

  // What the screen reports (through the bridge).
  void CellsDrawn(int row);
  void RowsRedrawn(int first, int last);
  void Scrolled(int lines);
  void ScreenTopChanged();
  void InvalidateAll();

  // What the session reports (through the bridge).
  void BeginOutput();
  void EndOutput();
  void ClearSelection();
  void Bell();
  void Connected();
  void ShowFailure(std::string_view text, bool stop);
  bool AskCloseWindow(std::string_view question);
  void OnConnectionEnded(bool closeWindow);
  void LinkActivity(bool receive, bool on);
  void ActivityOff(int index);
  std::string FrameTitle() const;
  void SetFrameTitle(std::string_view title);
  // Attached printing (print/session_print.cpp).
  std::unique_ptr<PrinterPage> OpenAttachedPrinter();
  void AttachedPrintingChanged(bool active);
  void SetPrintTimer(bool running);
  // The window gained the focus: its spooling dialog comes to the front too.
  void RaisePrintWindow();

  // Set-up and geometry (terminal_view.cpp).
  void ApplyFont(const QFont& font);
  void UpdateScrollRanges();
  void RecomputeHeight();
  void SyncScrollBars();
  QString Caption() const;
  void RequestClose();
  void UpdateStatusOnFocus();
  void ConnectTick();
  void SetColorsFromPrefs(const QColor& text, const QColor& background);
  void CheckBenchMarker(std::span<const uint8_t> bytes);

  // Damage and painting (terminal_paint.cpp).
  void MarkLines(int firstLine, int lastLine);
  void ScheduleFlush();
  void PaintRows(QPainter& p, const QRect& rect);
  void PaintRow(QPainter& p, int row, int line, int firstCol, int lastCol);
  void PaintSelection(QPainter& p);
  void PaintCaret(QPainter& p);
  QRect CaretRect() const;
  QRect LineRect(int line) const;
  void BlinkCaret();

  // Input (terminal_input.cpp).
  void TrackMouse(const QPoint& pos);
  void AutoScroll();
  void ReturnFromScrollback(bool returned);
  void UserMovesView();

  AppContext& app_;
  QString className_;
  std::unique_ptr<ViewBridge> bridge_;
  std::unique_ptr<Session> session_;

  QFont font_;
  QFont chosenFont_;  // font_ as chosen, before the spacing fitted to the cells
  int cellWidth_ = 8;
  int lineHeight_ = 16;
  int ascent_ = 12;  // baseline offset within a line
  int hpos_ = 0;     // horizontal scroll position, in columns

  // Damage waiting for the display timer, per visible line, plus the lines
  // the contents have scrolled up by since the last paint.
  std::vector<uint8_t> dirtyLines_;
  int pendingScroll_ = 0;
  bool dirtyAll_ = false;
  bool caretDirty_ = false;
  bool syncingScroll_ = false;
  QTimer flushTimer_;
  QRect paintedCaret_;  // where the caret was last painted (viewport pixels)

  // Caret: shown while focused; blinks.
  bool caretShown_ = false;
  bool caretOn_ = true;
  int caretHidden_ = 0;  // BeginOutput/EndOutput nesting
  QTimer blinkTimer_;

  // Mouse selection.
  bool selecting_ = false;
  QPoint lastMouse_;
  QTimer autoScrollTimer_;

  // The "rd" (0) and "sd" (1) indicators.
  bool activityLit_[2] = {false, false};
  QTimer activityOffTimer_[2];

  // Connect-time clock (timer 2) and state.
  QTimer connectTimer_;
  bool ended_ = false;
  QElapsedTimer lastBell_;

  // The benchmark's end marker (PARLANE_BENCH_MARKER): when it has arrived and
  // been painted, the time is printed and the program quits.
  // Attached printing: the spooling dialog and timer 3, made at the first job.
  AttachedPrintWindow* printWindow_ = nullptr;
  QTimer* printTimer_ = nullptr;

  QByteArray benchMarker_;
  QByteArray benchTail_;
  bool benchSeen_ = false;
};

}  // namespace parlane
