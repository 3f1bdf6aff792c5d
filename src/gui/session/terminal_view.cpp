// Set-up, the session's reports and the per-window commands of the terminal
// view. Painting is in terminal_paint.cpp, keys and mouse in terminal_input.cpp.
#include "session/terminal_view.h"

#include "session/terminal_bridge.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDateTime>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QStyle>

#include "app/app_context.h"
#include "config/main_config.h"
#include "keys/keymap.h"
#include "platform/platform.h"
#include "term/emulation.h"
#include "session/cp437.h"
#include "session/session_dialogs.h"
#include "session/terminal_accessible.h"
#include "session/telnet_window.h"
#include "session/window_prefs_store.h"

namespace parlane {

namespace {

// The connect-time clock ticks every five seconds.
constexpr int kConnectTickMs = 5000;
// The caret blinks once a second.
constexpr int kCaretBlinkMs = 1000;
// While a selection is dragged outside the window it auto-scrolls this often.
constexpr int kAutoScrollMs = 50;
// Bells closer together than this ring once: a host that floods BEL bytes
// must not queue seconds of sound.
constexpr int kBellSpacingMs = 100;
// The "rd"/"sd" indicators stay lit this long after the last read or send.
constexpr int kActivityLingerMs = 100;
// While pasting, waiting events run after this many characters: often enough
// that the window stays alive, rarely enough that a large paste is not slowed
// by a full event round per byte.
constexpr int kPasteEventStride = 32;

QString FromView(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

Rgb ToRgb(const QColor& c) {
  return Rgb{static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
             static_cast<uint8_t>(c.blue())};
}

ScreenGeometry GeometryFrom(const Main_Configuration_Struct& config) {
  ScreenGeometry g;
  g.rows = 24;
  for (const int r : kAllowedRows) {
    if (r == config.Rows) g.rows = r;
  }
  g.columns = config.Columns == 132 ? 132 : 80;
  return g;
}

}  // namespace

TelnetWindow::TelnetWindow(AppContext& app, const TelnetSessionParams& params,
                           const QString& className, QWidget* parent)
    : QAbstractScrollArea(parent), app_(app), className_(className) {
  setObjectName(QStringLiteral("TelnetWindow"));
  WindowPrefsStore& prefs = WindowPrefsStore::For(app_, className_);

  SessionSetup setup;
  setup.geometry = GeometryFrom(app_.config);
  setup.options = params.terminal;
  setup.colors = WindowColors{ToRgb(prefs.Text()), ToRgb(prefs.Background())};
  setup.keypad = app_.config.KeypadNumeric ? KeypadMode::Numeric : KeypadMode::Application;
  setup.userName = params.userName;
  setup.password = params.password;
  setup.loginScript = params.loginScript;
  setup.telnet = !params.makeLink;
  bridge_ = std::make_unique<ViewBridge>(*this);
  session_ = std::make_unique<Session>(setup, app_.keys, *bridge_, *bridge_);
  if (params.makeLink) {
    session_->AttachLink(params.makeLink(*session_));
  } else if (params.acceptedFd >= 0) {
    session_->AttachHostClient(app_.loop, params.acceptedFd, params.peerAddress);
  } else {
    session_->AttachTelnet(app_.loop, params.host, params.port, !params.closeWithoutAsking);
  }

  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  dirtyLines_.assign(static_cast<size_t>(session_->Screen().Height()), 0);

  flushTimer_.setSingleShot(true);
  flushTimer_.setTimerType(Qt::PreciseTimer);
  connect(&flushTimer_, &QTimer::timeout, this, &TelnetWindow::FlushDamage);
  blinkTimer_.setInterval(QApplication::cursorFlashTime() > 0 ? kCaretBlinkMs : 0);
  connect(&blinkTimer_, &QTimer::timeout, this, &TelnetWindow::BlinkCaret);
  autoScrollTimer_.setInterval(kAutoScrollMs);
  connect(&autoScrollTimer_, &QTimer::timeout, this, &TelnetWindow::AutoScroll);
  for (int i = 0; i < 2; ++i) {
    activityOffTimer_[i].setSingleShot(true);
    activityOffTimer_[i].setInterval(kActivityLingerMs);
    connect(&activityOffTimer_[i], &QTimer::timeout, this, [this, i] { ActivityOff(i); });
  }
  connectTimer_.setInterval(kConnectTickMs);
  connect(&connectTimer_, &QTimer::timeout, this, &TelnetWindow::ConnectTick);
  lastBell_.start();

  benchMarker_ = qgetenv("PARLANE_BENCH_MARKER");
  InstallTerminalAccessibility();

  ApplyFont(prefs.Font());
  resize(sizeHint());
  // The connection starts once the window is set up: posted, as the frame
  // must exist for the messages and the status bar.
  QTimer::singleShot(0, this, [this] { session_->Start(); });
}

TelnetWindow::~TelnetWindow() {
  flushTimer_.stop();
  // The session refers to this window as its painter and view: it goes first.
  session_.reset();
}

bool TelnetWindow::IsConnected() const { return session_->IsConnected(); }
bool TelnetWindow::PasteRunning() const { return session_->PasteRunning(); }

// ---- geometry ----

void TelnetWindow::ApplyFont(const QFont& font) {
  chosenFont_ = font;
  font_ = font;
  QFontMetricsF metrics(font_);
  // A font without width or height must never reach a division.
  const double advance = metrics.horizontalAdvance(QLatin1Char('M'));
  cellWidth_ = std::max(1, static_cast<int>(advance + 0.5));
  lineHeight_ = std::max(1, static_cast<int>(metrics.height() + metrics.leading() + 0.5));
  ascent_ = static_cast<int>(metrics.ascent() + 0.5);
  // Cells are laid out on whole pixels: spread the rounding so runs of text
  // drawn together stay on the grid.
  if (advance > 0) font_.setLetterSpacing(QFont::AbsoluteSpacing, cellWidth_ - advance);
  viewport()->setFont(font_);
  RecomputeHeight();
  InvalidateAll();
}

QSize TelnetWindow::sizeHint() const {
  const TerminalScreen& s = session_->Screen();
  const int frame = 2 * frameWidth();
  const int vbar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  return QSize(s.Columns() * cellWidth_ + vbar + frame, s.Rows() * lineHeight_ + vbar + frame);
}

int TelnetWindow::VisibleColumns() const { return viewport()->width() / cellWidth_; }

void TelnetWindow::RecomputeHeight() {
  const int height = std::max(1, viewport()->height() / lineHeight_);
  const bool moved = session_->Resize(height);
  dirtyLines_.assign(static_cast<size_t>(session_->Screen().Height()), 0);
  UpdateScrollRanges();
  if (moved) InvalidateAll();
}

void TelnetWindow::UpdateScrollRanges() {
  const TerminalScreen& s = session_->Screen();
  syncingScroll_ = true;
  verticalScrollBar()->setRange(0, s.VerticalRange());
  verticalScrollBar()->setPageStep(s.Height());
  verticalScrollBar()->setSingleStep(1);
  verticalScrollBar()->setValue(s.ScreenTop());
  const int hrange = std::max(0, s.Columns() - VisibleColumns());
  horizontalScrollBar()->setRange(0, hrange);
  horizontalScrollBar()->setPageStep(std::max(1, VisibleColumns()));
  hpos_ = std::min(hpos_, hrange);
  horizontalScrollBar()->setValue(hpos_);
  syncingScroll_ = false;
}

void TelnetWindow::SyncScrollBars() {
  syncingScroll_ = true;
  verticalScrollBar()->setValue(session_->Screen().ScreenTop());
  syncingScroll_ = false;
}

void TelnetWindow::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  // A minimized frame leaves no client area: the screen keeps its height
  // rather than scrolling the host's screen down to one line.
  if (const auto* frame = qobject_cast<const QMdiSubWindow*>(parentWidget());
      frame && frame->isMinimized()) {
    return;
  }
  RecomputeHeight();
  viewport()->update();
  if (caretShown_) caretDirty_ = true;
}

void TelnetWindow::scrollContentsBy(int, int) {
  if (syncingScroll_) return;
  // The user moved a scroll bar: the host's screen moves with the view. A
  // move either way keeps the position from before, for the next key press.
  const int top = verticalScrollBar()->value();
  const int column = horizontalScrollBar()->value();
  const bool topMoved = top != session_->Screen().ScreenTop();
  if (topMoved || column != hpos_) UserMovesView();
  if (topMoved) session_->Screen().SetScreenTop(top);
  hpos_ = column;
  viewport()->update();
  caretDirty_ = true;
}

// ---- the session's reports ----

void TelnetWindow::BeginOutput() { ++caretHidden_; }

void TelnetWindow::EndOutput() {
  if (caretHidden_ > 0) --caretHidden_;
  caretDirty_ = true;
  ScheduleFlush();
}

void TelnetWindow::ClearSelection() {
  if (!session_->Select().Active()) return;
  session_->Select().Clear();
  dirtyAll_ = true;
  ScheduleFlush();
}

void TelnetWindow::Bell() {
  if (lastBell_.isValid() && lastBell_.elapsed() < kBellSpacingMs) return;
  lastBell_.restart();
  if (app_.playSound) {
    app_.playSound(sound::kBeep);
  } else {
    QApplication::beep();
  }
}

void TelnetWindow::Connected() {
  // A host-mode caller was announced by the server's own sound.
  if (app_.playSound && !IsHostMode()) app_.playSound(sound::kConnect);
  connectTimer_.start();
  if (hasFocus()) {
    app_.status.SetConnectTime(QString::fromStdString(session_->ElapsedText()));
    app_.status.SetIndicator(StatusIndicator::Cd, true);
  }
  emit ConnectedChanged(true);
}

void TelnetWindow::ConnectTick() {
  if (hasFocus() && session_->IsConnected()) {
    app_.status.SetConnectTime(QString::fromStdString(session_->ElapsedText()));
  }
}

QString TelnetWindow::Caption() const { return QString::fromStdString(FrameTitle()); }

void TelnetWindow::ShowFailure(std::string_view text, bool stop) {
  app_.platform.Message(this, FromView(text), Caption(),
                        stop ? MsgIcon::Stop : MsgIcon::Exclamation, MsgButtons::Ok);
}

bool TelnetWindow::AskCloseWindow(std::string_view question) {
  return app_.platform.Message(this, FromView(question), Caption(), MsgIcon::Question,
                               MsgButtons::YesNo) == MsgResult::Yes;
}

void TelnetWindow::OnConnectionEnded(bool closeWindow) {
  connectTimer_.stop();
  if (hasFocus()) app_.status.SetIndicator(StatusIndicator::Cd, false);
  if (!ended_) {
    ended_ = true;
    emit ConnectedChanged(false);
    emit ConnectionEnded();
  }
  if (closeWindow) RequestClose();
}

void TelnetWindow::RequestClose() {
  // Posted: the request may come from inside the link's own notification.
  QTimer::singleShot(0, this, [this] { emit CloseRequested(); });
}

// The "rd" and "sd" indicators light at once and go out a moment after the
// last read or send: a stream of blocks keeps them lit instead of redrawing
// the status bar twice per block.
void TelnetWindow::LinkActivity(bool receive, bool on) {
  const int index = receive ? 0 : 1;
  if (on) {
    activityOffTimer_[index].stop();
    if (!activityLit_[index] && hasFocus()) {
      activityLit_[index] = true;
      app_.status.SetIndicator(receive ? StatusIndicator::Rd : StatusIndicator::Sd, true);
    }
    return;
  }
  if (activityLit_[index] && !activityOffTimer_[index].isActive()) {
    activityOffTimer_[index].start();
  }
}

void TelnetWindow::ActivityOff(int index) {
  activityLit_[index] = false;
  app_.status.SetIndicator(index == 0 ? StatusIndicator::Rd : StatusIndicator::Sd, false);
}

std::string TelnetWindow::FrameTitle() const {
  for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(w)) return frame->windowTitle().toStdString();
  }
  return windowTitle().toStdString();
}

void TelnetWindow::SetFrameTitle(std::string_view title) {
  emit TitleChangeRequested(QString::fromStdString(std::string(title)));
}

// ---- focus ----

void TelnetWindow::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  caretShown_ = true;
  caretOn_ = true;
  caretDirty_ = true;
  if (blinkTimer_.interval() > 0) blinkTimer_.start();
  session_->SetKeypadMode(app_.config.KeypadNumeric ? KeypadMode::Numeric
                                                    : KeypadMode::Application);
  UpdateStatusOnFocus();
  RaisePrintWindow();
  ScheduleFlush();
}

void TelnetWindow::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  caretShown_ = false;
  blinkTimer_.stop();
  caretDirty_ = true;
  ScheduleFlush();
}

void TelnetWindow::UpdateStatusOnFocus() {
  StatusPanes& status = app_.status;
  status.SetMessage(session_->Capturing() ? FromView(kTextCaptureOn) : QString());
  const bool connected = session_->IsConnected();
  status.SetIndicator(StatusIndicator::Cd, connected);
  status.SetConnectTime(connected ? QString::fromStdString(session_->ElapsedText()) : QString());
  if (const SessionLink* link = session_->Link()) {
    status.SetLink(QString::fromStdString(link->StatusName()));
  }
  const uint32_t emulation = session_->Options().Emulation;
  if (const EmulationTraits* row = FindEmulation(emulation))
    status.SetEmulation(FromView(row->name));
}

void TelnetWindow::ClearStatus() {
  StatusPanes& status = app_.status;
  status.SetConnectTime(QString());
  status.SetIndicator(StatusIndicator::Cd, false);
  for (int i = 0; i < 2; ++i) {
    activityOffTimer_[i].stop();
    if (activityLit_[i]) ActivityOff(i);
  }
}

void TelnetWindow::KeypadModeChanged() {
  session_->SetKeypadMode(app_.config.KeypadNumeric ? KeypadMode::Numeric
                                                    : KeypadMode::Application);
}

// ---- clipboard ----

bool TelnetWindow::HasSelection() const { return !session_->Select().Empty(); }

// Desktop programs expect LF line ends in copied text.
QString TelnetWindow::SelectedText() const {
  const std::string text = session_->Select().CopyText(session_->Screen(), "\n");
  return QString::fromStdU16String(Cp437ToClipboard(text));
}

void TelnetWindow::Copy() {
  const QString text = SelectedText();
  if (text.isEmpty()) return;
  QApplication::clipboard()->setText(text);
}

void TelnetWindow::Paste() { PasteText(QApplication::clipboard()->text()); }

void TelnetWindow::PasteText(const QString& text) {
  if (session_->PasteRunning()) return;
  if (text.isEmpty()) return;
  const std::string bytes = ClipboardToCp437(text.toStdU16String());
  int sent = 0;
  // The window defers its close while a paste runs, so it outlives this.
  session_->Paste(bytes, [this, &sent] {
    PastedCharacter(++sent);
    return true;
  });
}

void TelnetWindow::PastedCharacter(int sent) {
  if (sent % kPasteEventStride == 0) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
}

void TelnetWindow::CopyAndPaste() {
  Copy();
  Paste();
}

// ---- font, colours, terminal settings ----

void TelnetWindow::ChooseFont() {
  // The dialog opens on the font as chosen, without the spacing the view
  // adds to fit its cells.
  const QFont initial = chosenFont_;
  const auto chosen = app_.platform.ChooseFont(this, initial, true);
  if (!chosen) return;
  // OK without a change changes nothing, on screen or in the file.
  const QFontInfo was(initial);
  const QFontInfo now(*chosen);
  if (was.family() == now.family() && was.pixelSize() == now.pixelSize() &&
      chosen->bold() == initial.bold() && chosen->italic() == initial.italic()) {
    return;
  }
  const QSize before = sizeHint();
  ApplyFont(*chosen);
  const QSize after = sizeHint();
  resize(after);
  emit PreferredSizeChanged(before, after);
  viewport()->update();
  WindowPrefsStore::For(app_, className_).SetFont(*chosen);
}

QColor TelnetWindow::BackgroundColor() const {
  const Rgb c = session_->Screen().Colors().background;
  return QColor(c.r, c.g, c.b);
}

QColor TelnetWindow::TextColor() const {
  const Rgb c = session_->Screen().Colors().text;
  return QColor(c.r, c.g, c.b);
}

void TelnetWindow::SetColorsFromPrefs(const QColor& text, const QColor& background) {
  session_->SetColors(WindowColors{ToRgb(text), ToRgb(background)});
  InvalidateAll();
  viewport()->update();
}

void TelnetWindow::ChooseBackgroundColor() {
  const auto chosen =
      RunColorDialog(app_.platform, this, QStringLiteral("Background Color"), BackgroundColor());
  if (!chosen) return;
  SetColorsFromPrefs(TextColor(), *chosen);
  WindowPrefsStore::For(app_, className_).SetBackground(*chosen);
}

void TelnetWindow::ChooseTextColor() {
  const auto chosen =
      RunColorDialog(app_.platform, this, QStringLiteral("Text Color"), TextColor());
  if (!chosen) return;
  SetColorsFromPrefs(*chosen, BackgroundColor());
  WindowPrefsStore::For(app_, className_).SetText(*chosen);
}

void TelnetWindow::TerminalSettings() {
  const auto chosen = RunTerminalSettingsDialog(app_.platform, this, session_->Options());
  if (!chosen) return;
  session_->SetOptions(*chosen);
  // The defaults for new sessions follow the window's new settings.
  app_.config.Terminal = *chosen;
  if (const EmulationTraits* row = FindEmulation(chosen->Emulation)) {
    app_.status.SetEmulation(FromView(row->name));
  }
  InvalidateAll();
  viewport()->update();
}

// ---- the benchmark's end marker ----

void TelnetWindow::CheckBenchMarker(std::span<const uint8_t> bytes) {
  if (benchMarker_.isEmpty() || benchSeen_) return;
  benchTail_.append(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
  if (benchTail_.contains(benchMarker_)) {
    benchSeen_ = true;
    return;
  }
  // Keep just enough to find a marker split across two blocks.
  if (benchTail_.size() > benchMarker_.size()) benchTail_ = benchTail_.right(benchMarker_.size());
}

}  // namespace parlane
