// The GUI tests' shared helpers: a loopback host served from the GUI loop,
// the whole Parlane shell in a temporary program directory (FrameTest), and
// bare session windows with a recording context (SessionContextTest). Every
// dialog is answered by a ScriptedPlatform.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "app/commands.h"
#include "app/main_frame.h"
#include "app/mdi_client.h"
#include "app/status_bar.h"
#include "app/tmy_app.h"
#include "book/phonebook.h"
#include "config/main_config.h"
#include "config/placement.h"
#include "keys/keymap.h"
#include "platform/qt_event_loop.h"
#include "platform/scripted_platform.h"
#include "session/session.h"
#include "session/telnet_window.h"
#include "session/terminal_view.h"

namespace parlane::test {

inline std::vector<uint8_t> ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string ReadText(const std::filesystem::path& file) {
  const std::vector<uint8_t> bytes = ReadAll(file);
  return {bytes.begin(), bytes.end()};
}

inline void WriteAll(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A text file, with the directories it needs.
inline void WriteText(const QString& path, const QString& text) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(text.toUtf8());
}

// Runs the GUI loop until `done` or `ms` have passed; returns `done()`.
inline bool RunUntil(const std::function<bool()>& done, int ms = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < ms)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

// The rows from the top of the store to the cursor row, one line each.
inline std::string ScreenText(TelnetWindow* w) {
  const TerminalScreen& s = w->GetSession().Screen();
  std::string text;
  for (int row = 0; row <= s.Cursor().row; ++row) text += std::string(s.RowText(row)) + "\n";
  return text;
}

// A loopback port on which nothing listens now.
inline int FreePort() {
  const int fd = socket(AF_INET6, SOCK_STREAM, 0);
  sockaddr_in6 a{};
  a.sin6_family = AF_INET6;
  socklen_t len = sizeof a;
  bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  close(fd);
  return ntohs(a.sin6_port);
}

// A TCP host on 127.0.0.1 at a free port with one client, served by the GUI
// loop: whatever the client sends collects in `received`.
class LoopbackServer {
 public:
  LoopbackServer() {
    listen_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(listen_, 4);
    socklen_t len = sizeof a;
    getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    accepter_ = std::make_unique<QSocketNotifier>(listen_, QSocketNotifier::Read);
    QObject::connect(accepter_.get(), &QSocketNotifier::activated, [this] { Poll(); });
  }
  ~LoopbackServer() {
    CloseClient();
    accepter_.reset();
    close(listen_);
  }
  int Port() const { return port_; }
  std::string PortText() const { return std::to_string(port_); }
  bool HasClient() const { return client_ >= 0; }
  // Accepts the client, or reads what it sent.
  void Poll() {
    if (client_ < 0) {
      client_ = accept4(listen_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (client_ < 0) return;
      reader_ = std::make_unique<QSocketNotifier>(client_, QSocketNotifier::Read);
      reader_->setEnabled(!held_);
      QObject::connect(reader_.get(), &QSocketNotifier::activated, [this] { Poll(); });
    }
    if (held_) return;
    char buf[65536];
    for (ssize_t n; (n = recv(client_, buf, sizeof buf, 0)) > 0;)
      received.append(buf, static_cast<size_t>(n));
  }
  // While held, nothing is read: the client's sends back up.
  void Hold(bool hold) {
    held_ = hold;
    if (reader_) reader_->setEnabled(!hold);
    if (!hold) Poll();
  }
  bool Accepted(int ms = 5000) {
    return RunUntil([&] { return HasClient(); }, ms);
  }
  // Runs the loop until the client has sent `bytes`; what came up to and
  // with them is taken out of `received`.
  bool Gets(std::string_view bytes, int ms = 5000) {
    if (RunUntil([&] { return received.find(bytes) != std::string::npos; }, ms)) {
      received.erase(0, received.find(bytes) + bytes.size());
      return true;
    }
    std::string hex;
    for (unsigned char c : received) hex += QString::asprintf("%02x ", c).toStdString();
    ADD_FAILURE() << "the host received: " << hex;
    return false;
  }
  void Send(std::string_view s) {
    ASSERT_EQ(send(client_, s.data(), s.size(), MSG_NOSIGNAL), ssize_t(s.size()));
  }
  void CloseClient() {
    reader_.reset();
    if (client_ >= 0) close(client_);
    client_ = -1;
  }

  std::string received;

 private:
  int listen_ = -1;
  int client_ = -1;
  int port_ = 0;
  bool held_ = false;
  std::unique_ptr<QSocketNotifier> accepter_, reader_;
};

inline TelnetSessionParams SessionTo(const LoopbackServer& server,
                                     const TerminalOptions& terminal) {
  TelnetSessionParams params;
  params.host = "127.0.0.1";
  params.port = static_cast<uint16_t>(server.Port());
  params.terminal = terminal;
  return params;
}

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    dir_ = std::filesystem::path(tmp_.path().toStdString()) / "parlane";
  }
  void TearDown() override { Shutdown(); }

  // Starts the shell; `firstRun` as if the directory had just been made.
  void Start(bool firstRun, std::optional<StartupHost> host = std::nullopt) {
    std::filesystem::create_directories(dir_);
    app_ = std::make_unique<TMyApp>(platform_, dir_, firstRun, std::move(host));
    app_->InitMainWindow();
    // The private message that completes the panes and the tool bar.
    QCoreApplication::processEvents();
    ASSERT_TRUE(Client()->StartupCompleted());
  }
  // Started as `parlane 127.0.0.1 PORT` against `server`.
  void StartWith(const LoopbackServer& server) {
    Start(true, StartupHost{"127.0.0.1", static_cast<uint16_t>(server.Port()), server.PortText()});
  }

  // Exit, then the application object goes, writing the files.
  void Shutdown() {
    if (!app_) return;
    if (Frame()->isVisible()) Frame()->close();
    app_.reset();
  }

  // A session window connected to `server`, active.
  TelnetWindowMDIChild* OpenSession(LoopbackServer& server, const char* title = nullptr) {
    TelnetSessionParams params = SessionTo(server, Config().Terminal);
    if (title) params.title = QString::fromLatin1(title);
    TelnetWindowMDIChild* child = Client()->OpenTelnetSession(params);
    EXPECT_TRUE(RunUntil([&] { return server.HasClient() && child->IsConnected(); }));
    Client()->setActiveSubWindow(child);
    return child;
  }
  // The first session window.
  TelnetWindowMDIChild* FirstSession() const {
    return qobject_cast<TelnetWindowMDIChild*>(Client()->subWindowList().value(0));
  }

  // Runs a menu command as the user would pick it.
  void Pick(int id) {
    ASSERT_TRUE(Enabled(id)) << id;
    Frame()->MenuAction(id)->trigger();
  }
  bool Enabled(int id) {
    Frame()->UpdateCommandStates();
    return Frame()->MenuAction(id)->isEnabled();
  }

  TMainMDIDecoratedFrame* Frame() const { return app_->Frame(); }
  TMyMDIClient* Client() const { return app_->Frame()->Client(); }
  TStatusBar* Status() const { return app_->Frame()->Status(); }
  QString Pane(const char* name) const { return Status()->PaneText(QString::fromLatin1(name)); }
  Main_Configuration_Struct& Config() const { return app_->Config(); }
  std::filesystem::path File(const char* name) const { return dir_ / name; }
  // A file beside the program directory.
  std::filesystem::path Temp(const char* name) const {
    return std::filesystem::path(tmp_.path().toStdString()) / name;
  }

  QTemporaryDir tmp_;
  std::filesystem::path dir_;
  ScriptedPlatform platform_;
  std::unique_ptr<TMyApp> app_;
};

// The status panes as a session window writes them.
class RecordingStatus final : public StatusPanes {
 public:
  void SetMessage(const QString& t) override { messages << t; }
  bool ConnectTimeShown() const override { return true; }
  void SetConnectTime(const QString& t) override { connectTime = t; }
  void SetLink(const QString& t) override { link = t; }
  void SetEmulation(const QString& t) override { emulation = t; }
  void SetIndicator(StatusIndicator which, bool on) override {
    if (which == StatusIndicator::Cd) cd = on;
  }
  QStringList messages;
  QString connectTime, link, emulation;
  bool cd = false;
};

// Session windows in a plain MDI area with default settings, without the
// shell: what they tell the shell is recorded.
class SessionContextTest : public ::testing::Test {
 protected:
  SessionContextTest()
      : config(LoadMainConfig(std::filesystem::path("/nonexistent/MAIN.CFG"), "/tmp")),
        keys(DefaultKeyTable()),
        context{config, placement,  keys,        phonebook, platform,
                status, loop,       dir.path(),  &mainWindow, nullptr,
                [this](SoundEvent s) { sounds.push_back(s); }} {
    mainWindow.resize(1000, 800);
    area = new QMdiArea(&mainWindow);
    area->resize(1000, 800);
    mainWindow.show();
  }

  TelnetWindowMDIChild* Open(TelnetSessionParams params) {
    auto* child = new TelnetWindowMDIChild(context, params);
    child->setAttribute(Qt::WA_DeleteOnClose);
    area->addSubWindow(child);
    child->show();
    child->Window()->setFocus();
    return child;
  }
  TelnetWindowMDIChild* Open() { return Open(SessionTo(server, config.Terminal)); }
  // Opened and connected to `server`.
  TelnetWindowMDIChild* Connected() {
    TelnetWindowMDIChild* child = Open();
    EXPECT_TRUE(RunUntil([&] { return server.HasClient() && child->IsConnected(); }));
    return child;
  }

  QTemporaryDir dir;
  LoopbackServer server;
  Main_Configuration_Struct config;
  WindowPlacementRecord placement;
  KeyTable keys;
  Phonebook phonebook;
  ScriptedPlatform platform;
  RecordingStatus status;
  QtEventLoop loop;
  QWidget mainWindow;
  QMdiArea* area = nullptr;
  std::vector<SoundEvent> sounds;
  AppContext context;
};

}  // namespace parlane::test
