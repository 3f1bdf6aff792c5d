// Host mode in the whole program: `--host-mode PORT` opens the server
// window, twenty Python callers at once beside a flooding one each get a
// window of their own with the host script's greeting and what is typed
// there; callers that leave close their windows; a caller's Zmodem request
// and print job are refused by the question; the bind error and Update.
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QProcess>
#include <QPushButton>
#include <set>

#include "app/command_line.h"
#include "frame_fixture.h"
#include "host/telnet_server.h"
#include "host/telnet_window_host.h"

namespace parlane::test {
namespace {

// A plain loopback caller.
int Call(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

std::string ScreenText(TelnetWindowMDIChild* child) { return test::ScreenText(child->Window()); }

class HostModeTest : public FrameTest {
 protected:
  // Starts Parlane as `parlane --host-mode PORT` with `script` as HostScript.
  TelnetServerDialog* StartHostMode(const std::string& portText, const std::string& script = "") {
    const CommandLine line = ParseCommandLine({"--host-mode", portText});
    EXPECT_TRUE(line.hostMode);
    std::filesystem::create_directories(dir_);
    app_ = std::make_unique<TMyApp>(platform_, dir_, false, line.host);
    app_->SetHostModeStart(TMyApp::HostModeStart{line.hostModePort});
    // HostScript comes from MAIN.CFG: set it once the settings are read.
    app_->InitMainWindow();
    Config().HostScript = script;
    Config().SoundsOff = 0;
    Config().UseSpeakerBeep = 0;
    Config().SoundFiles[2] = "connect.wav";
    Config().SoundFiles[3] = "host.wav";
    QCoreApplication::processEvents();
    return Server();
  }
  TelnetServerDialog* Server() const {
    for (QMdiSubWindow* w : Client()->subWindowList()) {
      if (auto* s = qobject_cast<TelnetServerMDIChild*>(w)) return s->Dialog();
    }
    return nullptr;
  }
  std::vector<TelnetWindowMDIChild*> Callers() const {
    std::vector<TelnetWindowMDIChild*> out;
    for (QMdiSubWindow* w : Client()->subWindowList()) {
      if (auto* c = qobject_cast<TelnetWindowMDIChild*>(w)) out.push_back(c);
    }
    return out;
  }
};

TEST_F(HostModeTest, TwentyCallersAtOnceBesideAFlood) {
  const int port = FreePort();
  const auto script = Temp("host.csc");
  std::ofstream(script) << "SEND Welcome, caller^M^J\nWAIT bye\nSEND Goodbye^M^J\n";
  TelnetServerDialog* server = StartHostMode(std::to_string(port), script.string());
  ASSERT_NE(server, nullptr);
  ASSERT_TRUE(server->IsListening());
  EXPECT_EQ(server->StatusText().toStdString(),
            "WAITING FOR TELNET CLIENT TO CONNECT ON PORT " + std::to_string(port) + "...");
  // Started in host mode, Parlane is not a command-line session: the title
  // sound plays and nothing closes with the callers.
  EXPECT_FALSE(app_->CommandLineHost().has_value());

  QProcess callers;
  callers.setProcessChannelMode(QProcess::MergedChannels);
  callers.start(QStringLiteral("python3"),
                {QStringLiteral(PARLANE_TEST_DATA "/host_callers.py"), QString::number(port),
                 QStringLiteral("20"), QStringLiteral("100")});
  if (!callers.waitForStarted()) GTEST_SKIP() << "python3 cannot be started";

  // Type "typed-NN" into the window whose caller said "id=NN".
  std::set<TelnetWindowMDIChild*> typed;
  std::set<QString> titles;
  size_t mostWindows = 0;
  QString output;
  const bool finished = RunUntil(
      [&] {
        output += QString::fromLocal8Bit(callers.readAll());
        const auto windows = Callers();
        mostWindows = std::max(mostWindows, windows.size());
        for (TelnetWindowMDIChild* child : windows) {
          // While the host script runs the title has the script's name after it.
          titles.insert(child->windowTitle().section(QStringLiteral(" - "), 0, 0));
          if (typed.count(child) != 0) continue;
          const std::string text = ScreenText(child);
          const size_t at = text.find("id=");
          // Both digits must have arrived: "id=1" may come a block before "5".
          if (at == std::string::npos || at + 5 > text.size() || !std::isdigit(text[at + 3]) ||
              !std::isdigit(text[at + 4])) {
            continue;
          }
          typed.insert(child);
          QTest::keyClicks(child->Window(),
                           QString::fromStdString("typed-" + text.substr(at + 3, 2)));
          QTest::keyClick(child->Window(), Qt::Key_Return);
        }
        return callers.state() == QProcess::NotRunning;
      },
      240000);
  output += QString::fromLocal8Bit(callers.readAll());
  ASSERT_TRUE(finished) << output.toStdString();
  ASSERT_EQ(callers.exitCode(), 0) << output.toStdString();
  EXPECT_EQ(typed.size(), 20u);
  EXPECT_GE(mostWindows, 2u);
  EXPECT_TRUE(titles.count(QStringLiteral("Host mode with 127.0.0.1")));
  if (output.contains(QStringLiteral("ipv6 yes"))) {
    EXPECT_TRUE(titles.count(QStringLiteral("Host mode with ::1"))) << output.toStdString();
  }
  // Every caller has gone, so has every window; the server listens on.
  EXPECT_TRUE(RunUntil([&] { return Callers().empty(); }, 20000));
  EXPECT_TRUE(server->IsListening());
  // Each caller is announced by the server's own sound, none by "Connect":
  // 20 callers, the flood, the silent caller, perhaps the vanished one.
  int hostSounds = 0;
  int connectSounds = 0;
  for (const auto& s : platform_.sounds) {
    hostSounds += s.file == QString::fromStdString(Config().SoundFiles[3]);
    connectSounds += s.file == QString::fromStdString(Config().SoundFiles[2]);
  }
  EXPECT_GE(hostSounds, 22);
  EXPECT_EQ(connectSounds, 0);
}

TEST_F(HostModeTest, RefusesTheCallersDownloadAndPrintJob) {
  TelnetServerDialog* server = StartHostMode(std::to_string(FreePort()));
  ASSERT_TRUE(server && server->IsListening());
  const int fd = Call(server->BoundPort());
  ASSERT_GE(fd, 0);
  ASSERT_TRUE(RunUntil([&] { return Callers().size() == 1; }));
  TelnetWindowMDIChild* child = Callers().front();
  ASSERT_TRUE(RunUntil([&] { return child->IsConnected(); }));
  // The host-mode terminal options whatever the defaults say.
  const TerminalOptions& o = child->Window()->GetSession().Options();
  EXPECT_EQ(o.InboundCrLf, 0u);
  EXPECT_EQ(o.OutboundCrLf, 1u);
  EXPECT_EQ(o.LocalEcho, 1u);
  EXPECT_EQ(o.WordWrap, 1u);
  EXPECT_EQ(o.BackspaceSendsDelete, 0u);

  // Nobody answers the questions: their default, No, refuses.
  const std::string request =
      "**\x18"
      "B00000000000000\r\n";
  ASSERT_EQ(send(fd, request.data(), request.size(), 0), ssize_t(request.size()));
  ASSERT_TRUE(RunUntil([&] {
    return ScreenText(child).find("B00000000000000") != std::string::npos;
  })) << ScreenText(child);
  const std::string job = "\x1b[5iSECRET JOB\x1b[4i after\r\n";
  ASSERT_EQ(send(fd, job.data(), job.size(), 0), ssize_t(job.size()));
  ASSERT_TRUE(RunUntil([&] {
    return ScreenText(child).find("SECRET JOB after") != std::string::npos;
  })) << ScreenText(child);
  int questions = 0;
  for (const auto& m : platform_.messages) {
    if (m.buttons != MsgButtons::YesNoDefaultNo) continue;
    ++questions;
    EXPECT_EQ(m.caption, child->windowTitle());
    EXPECT_EQ(m.icon, MsgIcon::Question);
  }
  EXPECT_EQ(questions, 2);
  close(fd);
  EXPECT_TRUE(RunUntil([&] { return Callers().empty(); }));
}

TEST_F(HostModeTest, BindErrorThenUpdateOnAFreePort) {
  // A port in use by another program.
  const int busy = socket(AF_INET6, SOCK_STREAM, 0);
  sockaddr_in6 a{};
  a.sin6_family = AF_INET6;
  ASSERT_EQ(bind(busy, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(listen(busy, 1), 0);
  socklen_t len = sizeof a;
  getsockname(busy, reinterpret_cast<sockaddr*>(&a), &len);
  const std::string busyPort = std::to_string(ntohs(a.sin6_port));

  TelnetServerDialog* server = StartHostMode(busyPort);
  ASSERT_NE(server, nullptr);
  EXPECT_FALSE(server->IsListening());
  EXPECT_EQ(server->StatusText(),
            QStringLiteral("ERROR BINDING TO PORT, PLEASE TRY AGAIN OR USE ANOTHER PORT"));
  const std::string before = Config().HostPort;

  // Update on the same busy port changes nothing; on a free one it listens
  // and keeps the new port text.
  server->findChild<QPushButton*>(QStringLiteral("105"))->click();
  EXPECT_FALSE(server->IsListening());
  EXPECT_EQ(Config().HostPort, before);
  const std::string freePort = std::to_string(FreePort());
  server->PortEdit()->setText(QString::fromStdString(freePort));
  server->findChild<QPushButton*>(QStringLiteral("105"))->click();
  EXPECT_TRUE(server->IsListening());
  EXPECT_EQ(server->BoundPort(), std::stoi(freePort));
  EXPECT_EQ(Config().HostPort, freePort);
  close(busy);

  // Browse... keeps the chosen script at once.
  platform_.openAnswers.push_back({QStringLiteral("/tmp/chosen.csc")});
  server->findChild<QPushButton*>(QStringLiteral("103"))->click();
  EXPECT_EQ(platform_.fileDialogs.back().title, QStringLiteral("Select Script File To Use"));
  EXPECT_EQ(server->ScriptEdit()->text(), QStringLiteral("/tmp/chosen.csc"));
  EXPECT_EQ(Config().HostScript, "/tmp/chosen.csc");

  // A script typed into its field reaches the settings when the window closes.
  server->ScriptEdit()->setText(QStringLiteral("/tmp/typed.csc"));
  EXPECT_NE(Config().HostScript, "/tmp/typed.csc");
  Client()->subWindowList().front()->close();
  QCoreApplication::processEvents();
  EXPECT_EQ(Config().HostScript, "/tmp/typed.csc");
}

}  // namespace
}  // namespace parlane::test
