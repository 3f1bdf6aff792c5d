#include "session/session_files.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/app_context.h"
#include "app/commands.h"
#include "config/main_config.h"
#include "platform/platform.h"
#include "session/capture.h"
#include "session/session.h"
#include "session/terminal_view.h"

namespace parlane {

namespace {

// Transmission goes at the link's pace: a new piece is read only while the
// link holds less than this much unsent output.
constexpr size_t kTransmitHighWater = 32 * 1024;
constexpr size_t kTransmitPiece = 8 * 1024;
// How often a waiting transmission looks at the link again.
constexpr int kTransmitWaitMs = 10;
constexpr int kProgressSteps = 1000;

const QString kParlaneCaption = QStringLiteral("Parlane");
const QString kErrorCaption = QStringLiteral("Error");
const QString kAllFiles = QStringLiteral("All files (*.*)|*.*|");

QString FromView(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Local(const QString& path) { return path.toLocal8Bit().toStdString(); }

// The texts use CR as their line break; a desktop message box wants LF.
QString MessageText(std::string_view text) {
  return FromView(text).replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

}  // namespace

// The small window that shows a long transmission's progress, with Cancel.
class TransmitProgress final : public QWidget {
 public:
  TransmitProgress(QWidget* parent, const QString& file, const QString& session)
      : QWidget(parent, Qt::Tool) {
    setObjectName(QStringLiteral("TransmitProgress"));
    setWindowTitle(QStringLiteral("Transmit File - %1").arg(session));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Transmitting file %1").arg(file), this);
    label->setWordWrap(true);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, kProgressSteps);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("Cancel"));
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(cancel_);
    layout->addWidget(label);
    layout->addWidget(bar_);
    layout->addLayout(row);
    setMinimumWidth(360);
  }
  QPushButton* CancelButton() const { return cancel_; }
  void Show(uint64_t sent, uint64_t size) {
    if (size == 0) return;
    bar_->setValue(static_cast<int>(std::min<uint64_t>(sent, size) * kProgressSteps / size));
  }

 private:
  QProgressBar* bar_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

SessionFileCommands::SessionFileCommands(AppContext& app, TelnetWindow& window)
    : QObject(&window), app_(app), window_(window) {
  setObjectName(QStringLiteral("SessionFileCommands"));
  transmitTimer_.setSingleShot(true);
  connect(&transmitTimer_, &QTimer::timeout, this, &SessionFileCommands::TransmitTick);
}

// Runs after the window's session has gone: touches nothing but its own.
SessionFileCommands::~SessionFileCommands() {
  transmitTimer_.stop();
  transmitter_.reset();
  if (progress_) delete progress_.data();
}

bool SessionFileCommands::HandleCommand(int id) {
  switch (id) {
    case cmd::kBeginCapture: ToggleCapture(); return true;
    case cmd::kSaveSession: SaveSession(); return true;
    case cmd::kSaveSelected: SaveSelected(); return true;
    case cmd::kTransmitFile: TransmitFile(); return true;
    case cmd::kScriptRun: RunScript(); return true;
    case cmd::kScriptStop: StopScript(); return true;
    default: return false;
  }
}

std::optional<bool> SessionFileCommands::CommandEnabled(int id) const {
  const Session& session = window_.GetSession();
  switch (id) {
    case cmd::kBeginCapture:
    case cmd::kSaveSession: return true;
    case cmd::kSaveSelected: return !session.Select().Empty();
    case cmd::kTransmitFile: return !Transmitting();
    case cmd::kScriptRun: return !session.ScriptIsRunning();
    case cmd::kScriptStop: return session.ScriptIsRunning();
    default: return std::nullopt;
  }
}

bool SessionFileCommands::Capturing() const { return window_.GetSession().Capturing(); }

bool SessionFileCommands::Active() const {
  if (window_.hasFocus()) return true;
  for (QWidget* w = window_.parentWidget(); w; w = w->parentWidget()) {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(w)) {
      return frame->mdiArea() && frame->mdiArea()->activeSubWindow() == frame;
    }
  }
  return false;
}

QString SessionFileCommands::Caption() const {
  for (QWidget* w = window_.parentWidget(); w; w = w->parentWidget()) {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(w)) return frame->windowTitle();
  }
  return kParlaneCaption;
}

// ---- capture ----

void SessionFileCommands::ToggleCapture() {
  Session& session = window_.GetSession();
  if (session.Capturing()) {
    session.StopCapture();
    app_.status.SetMessage(QString());
    return;
  }
  Main_Configuration_Struct& cfg = app_.config;
  FileDialogRequest request;
  request.title = QStringLiteral("Save Capture File As");
  request.filter = kAllFiles;
  request.initialDir = QString::fromLocal8Bit(cfg.CaptureDir.c_str());
  request.fileName = QString::fromLocal8Bit(cfg.CaptureFile.c_str());
  request.confirmOverwrite = false;  // the append question below asks instead
  const std::optional<QString> chosen = app_.platform.SaveFile(&window_, request);
  if (!chosen) return;
  const QFileInfo info(*chosen);
  cfg.CaptureDir = Local(info.absolutePath());
  cfg.CaptureFile = Local(info.fileName());

  bool truncate = false;
  if (info.exists()) {
    const MsgResult answer =
        app_.platform.Message(&window_, MessageText(kTextAppendQuestion), kParlaneCaption,
                              MsgIcon::Stop, MsgButtons::YesNoCancel);
    if (answer == MsgResult::Cancel) return;
    truncate = answer == MsgResult::No;
  }
  std::unique_ptr<CaptureFile> file = CaptureFile::Open(Local(*chosen), truncate);
  if (!file) {
    app_.platform.Message(&window_, FromView(kTextFileInUse), kErrorCaption, MsgIcon::Stop,
                          MsgButtons::Ok);
    return;
  }
  QPointer<SessionFileCommands> self(this);
  session.StartCapture(std::move(file), [self] {
    if (self) self->CaptureFailed();
  });
  app_.status.SetMessage(FromView(kTextCaptureOn));
}

// A write failed inside the interpreter: capture is already off. The message
// waits until the block has been handled.
void SessionFileCommands::CaptureFailed() {
  if (Active()) app_.status.SetMessage(QString());
  QTimer::singleShot(0, this, [this] {
    app_.platform.Message(&window_, FromView(kTextCaptureWriteFailed), kParlaneCaption,
                          MsgIcon::None, MsgButtons::Ok);
  });
}

// ---- saving rows ----

void SessionFileCommands::SaveSession() {
  const TerminalScreen& screen = window_.GetSession().Screen();
  SaveRowsCommand(0, std::min(screen.Cursor().row + screen.Height(), screen.Capacity() - 1));
}

void SessionFileCommands::SaveSelected() {
  const Selection& selection = window_.GetSession().Select();
  if (selection.Empty()) return;
  SaveRowsCommand(selection.First().row, selection.Last().row);
}

void SessionFileCommands::SaveRowsCommand(int first, int last) {
  Main_Configuration_Struct& cfg = app_.config;
  FileDialogRequest request;
  request.title = QStringLiteral("Save Session File As");
  request.filter = kAllFiles;
  request.initialDir = QString::fromLocal8Bit(cfg.CaptureDir.c_str());
  request.fileName = QString::fromLocal8Bit(cfg.CaptureFile.c_str());
  const std::optional<QString> chosen = app_.platform.SaveFile(&window_, request);
  if (!chosen) return;
  const QFileInfo info(*chosen);
  cfg.CaptureDir = Local(info.absolutePath());
  cfg.CaptureFile = Local(info.fileName());
  switch (SaveRows(Local(*chosen), window_.GetSession().Screen(), first, last)) {
    case SaveResult::Saved: break;
    // Nothing was saved: say so rather than end as if it had been.
    case SaveResult::CannotCreate:
      app_.platform.Message(&window_, FromView(kTextFileInUse), kErrorCaption, MsgIcon::Stop,
                            MsgButtons::Ok);
      break;
    case SaveResult::WriteFailed:
      app_.platform.Message(&window_, FromView(kTextSaveWriteFailed), kErrorCaption, MsgIcon::Stop,
                            MsgButtons::Ok);
      break;
  }
}

// ---- transmit ----

void SessionFileCommands::TransmitFile() {
  if (Transmitting()) return;
  FileDialogRequest request;
  request.title = QStringLiteral("Select File To Transmit");
  request.filter = QStringLiteral("All Files (*.*)|*.*|");
  request.initialDir = QDir::currentPath();
  request.fileMustExist = true;
  const std::optional<QString> chosen = app_.platform.OpenFile(&window_, request);
  if (!chosen) return;
  transmitter_ = FileTransmitter::Open(Local(*chosen));
  if (!transmitter_) return;  // unreadable: the command ends
  const QString full = QFileInfo(*chosen).absoluteFilePath();
  app_.status.SetMessage(QStringLiteral("Transmitting file %1").arg(full));
  if (transmitter_->Size() >= static_cast<uint64_t>(kProgressWindowBytes)) {
    progress_ = new TransmitProgress(app_.mainWindow, full, Caption());
    connect(progress_->CancelButton(), &QPushButton::clicked, this,
            &SessionFileCommands::StopTransmit);
    progress_->show();
  }
  transmitTimer_.start(0);
}

// One step: a piece of the file while the link keeps up, else a short wait.
// The event loop runs between steps, so the host's echo is shown and every
// window stays alive.
void SessionFileCommands::TransmitTick() {
  if (!transmitter_) return;
  Session& session = window_.GetSession();
  if (!session.IsConnected()) {
    StopTransmit();
    return;
  }
  if (session.PendingOutput() >= kTransmitHighWater) {
    transmitTimer_.start(kTransmitWaitMs);
    return;
  }
  const bool more = transmitter_->Step(
      kTransmitPiece, [&session](std::span<const uint8_t> bytes) { session.SendRawBytes(bytes); });
  if (!more) {
    StopTransmit();
    return;
  }
  if (progress_) progress_->Show(transmitter_->Sent(), transmitter_->Size());
  transmitTimer_.start(0);
}

void SessionFileCommands::StopTransmit() {
  if (!transmitter_) return;
  transmitTimer_.stop();
  transmitter_.reset();
  if (progress_) progress_->close();
  app_.status.SetMessage(QString());
  emit TransmitFinished();
}

// ---- scripts ----

void SessionFileCommands::RunScript() {
  Session& session = window_.GetSession();
  if (session.ScriptIsRunning()) return;
  FileDialogRequest request;
  request.title = QStringLiteral("Select Script File To Run");
  request.filter = FromView(kScriptFileFilter);
  request.fileMustExist = true;
  const std::optional<QString> chosen = app_.platform.OpenFile(&window_, request);
  if (!chosen) return;
  // A file that cannot be opened simply does not run.
  session.RunScript(Local(*chosen));
}

void SessionFileCommands::StopScript() { window_.GetSession().StopScript(); }

}  // namespace parlane
