#include "app/mdi_client.h"

#include <QMdiSubWindow>
#include <QStyle>

#include "app/commands.h"
#include "app/dialup_shell.h"
#include "app/main_frame.h"
#include "app/splash.h"
#include "app/status_bar.h"
#include "app/tmy_app.h"
#include "config/shell_text.h"
#include "config/value_rules.h"
#include "platform/qt_event_loop.h"
#include "host/telnet_server.h"
#include "host/telnet_window_host.h"
#include "print/printer_service.h"
#include "session/telnet_window.h"

namespace parlane {

namespace {

// Timer 1: the first tick comes soon after start-up, the later ones every
// five seconds (the clock shows minutes).
constexpr int kFirstClockTickMs = 250;
constexpr int kClockTickMs = 5000;

QString Latin1(std::string_view s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }

// The engine's messages shown as message boxes, with the main window as parent.
class PlatformMessageSink final : public MessageSink {
 public:
  PlatformMessageSink(Platform& platform, QWidget* parent) : platform_(platform), parent_(parent) {}
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override {
    platform_.Message(
        parent_, QString::fromLocal8Bit(text.data(), qsizetype(text.size())), Latin1(caption),
        icon == MessageIcon::Stop ? MsgIcon::Stop : MsgIcon::Exclamation, MsgButtons::Ok);
  }

 private:
  Platform& platform_;
  QWidget* parent_;
};

std::tm LocalNow() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return local;
}

}  // namespace

TMyMDIClient::TMyMDIClient(TMyApp& app, TMainMDIDecoratedFrame& frame)
    : QMdiArea(&frame), app_(app), frame_(frame), now_(LocalNow) {
  setObjectName(QStringLiteral("TMyMDIClient"));
  messages_ = std::make_unique<PlatformMessageSink>(app_.Services(), &frame_);
  clock_.setObjectName(QStringLiteral("timer1"));
  connect(&clock_, &QTimer::timeout, this, &TMyMDIClient::ClockTick);
  // A session window larger than the work area can still be reached.
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  connect(this, &QMdiArea::subWindowActivated, &frame_,
          &TMainMDIDecoratedFrame::UpdateCommandStates);
}

TMyMDIClient::~TMyMDIClient() {
  DestroySessions();
  printer_.reset();
  SaveFiles();
}

// Session windows go without being asked, before the records and services
// they refer to, and while the frame that tracks them is still whole.
void TMyMDIClient::DestroySessions() {
  const QList<QMdiSubWindow*> children = subWindowList();
  for (QMdiSubWindow* child : children) delete child;
}

void TMyMDIClient::SaveFiles() {
  if (saved_) return;
  saved_ = true;
  // The bytes read at start-up are kept; only changed fields are written.
  SaveMainConfig(app_.FileInDir(kMainConfigFile), app_.Config(), read_ ? &read_->main : nullptr);
  SaveKeymap(app_.FileInDir(kKeymapFileName), app_.Keys(), read_ ? &read_->keys : nullptr);
  app_.RemoveFonts();
  PlaySound(SoundEvent::Exit);
}

void TMyMDIClient::SetupWindow() {
  context_ = std::make_unique<AppContext>(
      AppContext{app_.Config(), app_.Placement(), app_.Keys(), app_.Book(), app_.Services(),
                 *frame_.Status(), app_.Loop(), QString::fromStdString(app_.ProgramDir().string()),
                 &frame_, frame_.EditMenu(), [this](SoundEvent e) { PlaySound(e); }});
  dialupShell_ = std::make_unique<DialupShell>(*this, *context_, app_.ProgramDir());
  const char* home = std::getenv("HOME");
  read_ = std::make_unique<ReadBytes>();
  app_.Config() = LoadMainConfig(app_.FileInDir(kMainConfigFile),
                                 DefaultTransferDir(home ? home : "/"), &read_->main);
  app_.Keys().ClearFunctionKeys();
  ShowTitleScreen();
  if (!app_.CommandLineHost()) PlaySound(SoundEvent::TitleScreen);
  LoadKeymap(app_.FileInDir(kKeymapFileName), app_.Keys(), &read_->keys);
  CreatePrinter();
  app_.Book().Load(app_.FileInDir(kPhonebookFile), *messages_);
  if (!ApplyDefaultPortSettings(app_.Config(), *messages_)) {
    QMetaObject::invokeMethod(&frame_, &QWidget::close, Qt::QueuedConnection);
  }
  clock_.start(kFirstClockTickMs);
  QMetaObject::invokeMethod(this, &TMyMDIClient::CompleteStartup, Qt::QueuedConnection);
}

void TMyMDIClient::CompleteStartup() {
  if (startupCompleted_) return;
  startupCompleted_ = true;
  RebuildStatusBar();
  frame_.FillToolBar();
  frame_.Status()->SetEmulation(Latin1(EmulationName(app_.Config().Terminal.Emulation)));
  if (app_.Config().ToolbarHidden == 1) frame_.DockToolBar(false);
  frame_.UpdateCommandStates();
  if (app_.CommandLineHost()) StartCommandLineSession();
  if (const auto& hostMode = app_.HostModeAtStart()) {
    if (hostMode->portText) {
      const QString port = QString::fromStdString(*hostMode->portText);
      OpenHostModeServer(&port);
    } else {
      OpenHostModeServer();
    }
  }
  if (app_.DialEntry()) {
    QMetaObject::invokeMethod(
        this, [this] { dialupShell_->DialAtStartup(*app_.DialEntry()); }, Qt::QueuedConnection);
  }
}

bool TMyMDIClient::CanClose() {
  if (dialup_) {
    delete dialup_.data();
    dialup_ = nullptr;
  }
  return true;
}

void TMyMDIClient::CleanupWindow() {
  app_.Placement().FrameMaximized = frame_.isMaximized() ? 1 : 0;
  clock_.stop();
}

void TMyMDIClient::ClockTick() {
  if (firstTick_) {
    firstTick_ = false;
    frame_.activateWindow();
    clock_.start(kClockTickMs);
  }
  ShowClock(false);
}

void TMyMDIClient::ShowClock(bool force) {
  const QString text = QString::fromStdString(ClockText(now_()));
  if (text == lastClock_ && !force) return;
  lastClock_ = text;
  frame_.Status()->SetClock(text);
}

void TMyMDIClient::RebuildStatusBar() {
  const Main_Configuration_Struct& cfg = app_.Config();
  TStatusBar* status = frame_.Status();
  const bool clockAdded = cfg.ClockHidden == 0 && !status->ClockShown();
  status->Rebuild(cfg.ConnectTimeHidden == 0, cfg.ClockHidden == 0);
  if (clockAdded) ShowClock(true);
}

void TMyMDIClient::PlaySound(SoundEvent event) {
  const SoundAction action = SoundFor(event, app_.Config());
  switch (action.kind) {
    case SoundAction::Kind::Nothing: break;
    case SoundAction::Kind::SystemBeep: app_.Services().Beep(); break;
    case SoundAction::Kind::WaveFile:
      app_.Services().PlayWave(QString::fromLocal8Bit(action.file.c_str()), action.synchronous,
                               action.noDefault);
      break;
  }
}

void TMyMDIClient::ShellMessage(const QString& text, MsgIcon icon) {
  app_.Services().Message(&frame_, text, Latin1(kShellCaption), icon, MsgButtons::Ok);
}

TelnetWindowMDIChild* TMyMDIClient::ActiveSession() const {
  return qobject_cast<TelnetWindowMDIChild*>(activeSubWindow());
}

void TMyMDIClient::PlaceChild(QMdiSubWindow* child, bool session) {
  const QSize area = viewport()->size();
  if (area.width() <= 0 || area.height() <= 0 || cascadeOffset_ >= area.width() ||
      cascadeOffset_ >= area.height()) {
    cascadeOffset_ = 0;
  }
  if (child->mdiArea() != this) addSubWindow(child);
  child->move(cascadeOffset_, cascadeOffset_);
  cascadeOffset_ += style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, child);
  if (session && app_.Placement().SessionsMaximized == 1) {
    child->showMaximized();
  } else {
    child->show();
  }
}

TelnetWindowMDIChild* TMyMDIClient::OpenTelnetSession(const TelnetSessionParams& params) {
  TelnetSessionParams p = params;
  // Started with a host, the program is a one-connection tool: every
  // session window goes without asking when its connection closes.
  if (app_.CommandLineHost()) p.closeWithoutAsking = true;
  auto* child = new TelnetWindowMDIChild(*context_, p);
  child->setAttribute(Qt::WA_DeleteOnClose);
  AdoptSession(child);
  return child;
}

void TMyMDIClient::AdoptSession(TelnetWindowMDIChild* child) {
  connect(child, &TelnetWindowMDIChild::ConnectionStateChanged, &frame_,
          &TMainMDIDecoratedFrame::UpdateCommandStates);
  connect(child, &QObject::destroyed, &frame_, &TMainMDIDecoratedFrame::UpdateCommandStates,
          Qt::QueuedConnection);
  PlaceChild(child, true);
}

TelnetServerMDIChild* TMyMDIClient::OpenHostModeServer(const QString* portText) {
  // Each caller gets a session window of its own, titled with its address.
  auto openClient = [this](HostListener::Client client) {
    OpenTelnetSession(HostClientParams(app_.Config(), client.fd, client.address));
  };
  auto* child = new TelnetServerMDIChild(*context_, openClient, nullptr, portText);
  child->setAttribute(Qt::WA_DeleteOnClose);
  if (!child->Dialog()->SetupWindow()) {
    delete child;
    return nullptr;
  }
  PlaceChild(child, false);
  child->adjustSize();
  return child;
}

void TMyMDIClient::StartCommandLineSession() {
  const StartupHost& host = *app_.CommandLineHost();
  TelnetSessionParams params;
  params.host = host.host;
  params.port = host.port;
  params.terminal = app_.Config().Terminal;
  params.title = QString::fromLocal8Bit(host.host.c_str());
  params.closeWithoutAsking = true;
  TelnetWindowMDIChild* child = OpenTelnetSession(params);
  connect(child, &TelnetWindowMDIChild::ConnectionEnded, this,
          &TMyMDIClient::CommandLineSessionEnded);
  connect(this, &TMyMDIClient::CommandLineSessionEnded, &frame_, &QWidget::close,
          Qt::QueuedConnection);
}

}  // namespace parlane
