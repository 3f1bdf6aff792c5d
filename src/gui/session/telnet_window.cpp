#include "session/telnet_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMimeData>

#include "app/app_context.h"
#include "app/commands.h"
#include "config/placement.h"
#include "host/telnet_window_host.h"
#include "session/session_files.h"
#include "session/session_keys.h"
#include "session/terminal_view.h"
#include "transfer/session_transfers.h"
#include "transfer/upload_list.h"

namespace parlane {

TelnetWindowMDIChild::TelnetWindowMDIChild(AppContext& app, const TelnetSessionParams& params,
                                           QWidget* parent)
    : TelnetWindowMDIChild(
          app, params.title.isEmpty() ? QString::fromStdString(params.host) : params.title,
          params.acceptedFd >= 0
              ? new TelnetWindowHost(app, params, QString::fromLatin1(kClassName))
              : new TelnetWindow(app, params, QString::fromLatin1(kClassName)),
          parent) {}

TelnetWindowMDIChild::TelnetWindowMDIChild(AppContext& app, const QString& title,
                                           TelnetWindow* window, QWidget* parent)
    : QMdiSubWindow(parent), app_(app), window_(window) {
  setObjectName(QStringLiteral("TelnetWindowMDIChild"));
  setWindowTitle(title);
  files_ = new SessionFileCommands(app, *window_);
  setWidget(window_);
  setFocusProxy(window_);

  connect(window_, &TelnetWindow::ConnectedChanged, this,
          &TelnetWindowMDIChild::ConnectionStateChanged);
  connect(window_, &TelnetWindow::ConnectionEnded, this, &TelnetWindowMDIChild::ConnectionEnded);
  connect(window_, &TelnetWindow::CloseRequested, this, &QMdiSubWindow::close);
  connect(window_, &TelnetWindow::TitleChangeRequested, this, &QWidget::setWindowTitle);
  connect(window_, &TelnetWindow::DownloadRequested, this,
          [this] { parlane::DownloadRequested(app_, *this); });
  connect(window_, &TelnetWindow::PreferredSizeChanged, this, [this](QSize before, QSize after) {
    if (isMaximized() || isMinimized()) return;
    resize(size() + (after - before));
  });
}

FileUploadMDIChild* TelnetWindowMDIChild::UploadList() const { return uploadList_.data(); }

TelnetWindowMDIChild::~TelnetWindowMDIChild() {
  if (uploadList_) uploadList_->close();
}

bool TelnetWindowMDIChild::HandleCommand(int id) {
  if (files_->HandleCommand(id)) return true;
  switch (id) {
    case cmd::kCopy: window_->Copy(); return true;
    case cmd::kPaste: window_->Paste(); return true;
    case cmd::kCopyAndPaste: window_->CopyAndPaste(); return true;
    case cmd::kFont: window_->ChooseFont(); return true;
    case cmd::kBackgroundColor: window_->ChooseBackgroundColor(); return true;
    case cmd::kTextColor: window_->ChooseTextColor(); return true;
    case cmd::kTerminalSettings: window_->TerminalSettings(); return true;
    case cmd::kKeypadNumeric:
    case cmd::kKeypadApplication: window_->KeypadModeChanged(); return true;
    case cmd::kPrintPage:
    case cmd::kPrintSession:
    case cmd::kPrintSelected: window_->PrintCommand(id); return true;
    case cmd::kReceiveFiles: ReceiveFilesCommand(app_, *this); return true;
    case cmd::kSendFiles: SendFilesCommand(app_, *this, uploadList_); return true;
    default: return false;
  }
}

bool TelnetWindowMDIChild::CommandEnabled(int id) const {
  if (const std::optional<bool> enabled = files_->CommandEnabled(id)) return *enabled;
  switch (id) {
    case cmd::kCopy: return window_->HasSelection();
    case cmd::kPaste: {
      const QMimeData* data = QApplication::clipboard()->mimeData();
      return data && data->hasText() && !window_->PasteRunning();
    }
    // Copy and Paste has no rule of its own: without a selection the copy
    // does nothing and the clipboard is pasted as it is.
    case cmd::kCopyAndPaste: return !window_->PasteRunning();
    case cmd::kFont:
    case cmd::kBackgroundColor:
    case cmd::kTextColor:
    case cmd::kTerminalSettings:
    case cmd::kKeypadNumeric:
    case cmd::kKeypadApplication: return true;
    case cmd::kPrintPage:
    case cmd::kPrintSession:
    case cmd::kPrintSelected: return window_->CanPrint(id);
    case cmd::kReceiveFiles:
    case cmd::kSendFiles: return TransferCommandEnabled(*this);
    default: return false;
  }
}

// With the focus on the frame of the sub-window rather than on the view,
// keys still go to the host: the sub-window's own shortcuts never run.
bool TelnetWindowMDIChild::event(QEvent* e) {
  if (ClaimSessionKey(e)) return true;
  if (e->type() == QEvent::KeyPress && !forwarding_ && !window_->hasFocus() &&
      !IsFrameKey(*static_cast<QKeyEvent*>(e))) {
    // Not one the view passed up (it has no focus): the view takes it. A
    // key the view leaves comes back here and goes no further.
    forwarding_ = true;
    QCoreApplication::sendEvent(window_, e);
    forwarding_ = false;
    e->accept();
    return true;
  }
  return QMdiSubWindow::event(e);
}

void TelnetWindowMDIChild::KeypadModeChanged() { window_->KeypadModeChanged(); }

bool TelnetWindowMDIChild::Capturing() const { return files_->Capturing(); }
bool TelnetWindowMDIChild::IsConnected() const { return window_->IsConnected(); }
bool TelnetWindowMDIChild::HasSelection() const { return window_->HasSelection(); }

void TelnetWindowMDIChild::closeEvent(QCloseEvent* event) {
  // A paste lets events run between its characters: the window goes when it
  // has finished.
  if (window_->PasteRunning()) {
    event->ignore();
    QTimer::singleShot(50, this, &QMdiSubWindow::close);
    return;
  }
  files_->WindowClosing();
  app_.placement.SessionsMaximized = isMaximized() ? 1 : 0;
  // A connected lamp and a running clock must not outlive their session.
  if (window_->hasFocus() || (mdiArea() && mdiArea()->activeSubWindow() == this)) {
    window_->ClearStatus();
  }
  if (uploadList_) uploadList_->close();
  emit SessionClosed();
  QMdiSubWindow::closeEvent(event);
}

// The frame is sized around the terminal once its own frame is known: the
// client area then holds exactly the configured rows and columns.
void TelnetWindowMDIChild::showEvent(QShowEvent* event) {
  QMdiSubWindow::showEvent(event);
  if (sized_) return;
  sized_ = true;
  if (isMaximized() || isMinimized()) return;
  resize(size() - window_->size() + window_->sizeHint());
}

void TelnetWindowMDIChild::resizeEvent(QResizeEvent* event) {
  QMdiSubWindow::resizeEvent(event);
  app_.placement.SessionsMaximized = isMaximized() ? 1 : 0;
}

void TelnetWindowMDIChild::changeEvent(QEvent* event) {
  QMdiSubWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) {
    app_.placement.SessionsMaximized = isMaximized() ? 1 : 0;
  }
}

}  // namespace parlane
