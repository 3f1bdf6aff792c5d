#include "session/telnet_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMimeData>

#include "app/app_context.h"
#include "app/commands.h"
#include "config/placement.h"
#include "session/terminal_view.h"
#include "transfer/session_transfers.h"
#include "transfer/upload_list.h"

namespace parlane {

TelnetWindowMDIChild::TelnetWindowMDIChild(AppContext& app, const TelnetSessionParams& params,
                                           QWidget* parent)
    : QMdiSubWindow(parent), app_(app) {
  setObjectName(QStringLiteral("TelnetWindowMDIChild"));
  setWindowTitle(params.title.isEmpty() ? QString::fromStdString(params.host) : params.title);
  window_ = new TelnetWindow(app, params, QString::fromLatin1(kClassName), this);
  setWidget(window_);
  setFocusProxy(window_);

  connect(window_, &TelnetWindow::ConnectedChanged, this,
          &TelnetWindowMDIChild::ConnectionStateChanged);
  connect(window_, &TelnetWindow::ConnectionEnded, this, &TelnetWindowMDIChild::ConnectionEnded);
  connect(window_, &TelnetWindow::CloseRequested, this, &QMdiSubWindow::close);
  connect(window_, &TelnetWindow::TitleChangeRequested, this, &QWidget::setWindowTitle);
  connect(window_, &TelnetWindow::DownloadRequested, this, [this] { parlane::DownloadRequested(app_, *this); });
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
    case cmd::kReceiveFiles: ReceiveFilesCommand(app_, *this); return true;
    case cmd::kSendFiles: SendFilesCommand(app_, *this, uploadList_); return true;
    default: return false;
  }
}

bool TelnetWindowMDIChild::CommandEnabled(int id) const {
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
    case cmd::kReceiveFiles:
    case cmd::kSendFiles: return TransferCommandEnabled(*this);
    default: return false;
  }
}

void TelnetWindowMDIChild::KeypadModeChanged() { window_->KeypadModeChanged(); }

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
