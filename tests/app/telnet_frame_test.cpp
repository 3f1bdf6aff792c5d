// The shell opening Telnet sessions: from the Open Telnet dialog and from
// the command line, against a loopback listener of the test's own.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "app/commands.h"
#include "dialogs/open_telnet.h"
#include "frame_fixture.h"
#include "session/telnet_window.h"

namespace parlane::test {
namespace {

// A listening socket on 127.0.0.1 at a free port.
class Listener {
 public:
  Listener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    EXPECT_EQ(::listen(fd_, 4), 0);
    socklen_t len = sizeof addr;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
  }
  ~Listener() {
    if (peer_ >= 0) ::close(peer_);
    ::close(fd_);
  }
  uint16_t Port() const { return port_; }
  // Accepts the client once it has connected (the GUI loop runs meanwhile).
  bool Accept() {
    QElapsedTimer timer;
    timer.start();
    ::fcntl(fd_, F_SETFL, O_NONBLOCK);
    while (timer.elapsed() < 3000) {
      peer_ = ::accept(fd_, nullptr, nullptr);
      if (peer_ >= 0) return true;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return false;
  }
  void ClosePeer() {
    ::close(peer_);
    peer_ = -1;
  }

 private:
  int fd_ = -1;
  int peer_ = -1;
  uint16_t port_ = 0;
};

bool RunUntil(const std::function<bool()>& done, int ms = 3000) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return done();
}

TEST_F(FrameTest, OpenTelnetConnectionOpensATitledSessionWindow) {
  Listener server;
  Start(true);
  app_->Placement().SessionsMaximized = 1;
  const QString port = QString::number(server.Port());
  platform_.dialogResponders.push_back([&](QDialog& d) {
    auto& dialog = dynamic_cast<OpenTelnet&>(d);
    dialog.HostBox()->setEditText(QStringLiteral("127.0.0.1"));
    dialog.PortEdit()->setText(port);
    return int{QDialog::Accepted};
  });
  Frame()->MenuAction(cmd::kOpenTelnet)->trigger();
  ASSERT_EQ(Client()->subWindowList().size(), 1);
  auto* child = qobject_cast<TelnetWindowMDIChild*>(Client()->subWindowList().front());
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->windowTitle(), QStringLiteral("127.0.0.1"));
  EXPECT_TRUE(child->isMaximized());
  EXPECT_EQ(Config().HostHistory[0], (HostHistoryEntry{"127.0.0.1", port.toStdString()}));
  ASSERT_TRUE(server.Accept());

  // With a session window active the Window menu works and the session's
  // own commands follow its answers.
  Client()->setActiveSubWindow(child);
  Frame()->UpdateCommandStates();
  EXPECT_TRUE(Frame()->MenuAction(cmd::kCascade)->isEnabled());
  EXPECT_EQ(Frame()->MenuAction(cmd::kCopy)->isEnabled(), child->CommandEnabled(cmd::kCopy));
  EXPECT_TRUE(Frame()->MenuAction(cmd::kFont)->isEnabled());
  EXPECT_EQ(Status()->PaneText(QStringLiteral("link")), QStringLiteral("TELNET"));

  // An accelerator typed into the terminal is the frame's, not the host's.
  const size_t dialogs = platform_.dialogTitles.size();
  QTest::keyClick(child->widget(), Qt::Key_T, Qt::AltModifier);
  EXPECT_EQ(platform_.dialogTitles.size(), dialogs + 1);
}

TEST_F(FrameTest, CancelledOpenTelnetOpensNothing) {
  Start(true);
  Frame()->MenuAction(cmd::kOpenTelnet)->trigger();
  EXPECT_EQ(platform_.dialogTitles, std::vector<QString>{QStringLiteral("Open Telnet Connection")});
  EXPECT_TRUE(Client()->subWindowList().isEmpty());
  EXPECT_TRUE(Config().HostHistory[0].Free());
}

TEST_F(FrameTest, CommandLineSessionClosesTheProgramWhenItsConnectionCloses) {
  Listener server;
  StartupHost host;
  host.host = "127.0.0.1";
  host.port = server.Port();
  host.portText = std::to_string(server.Port());
  Start(true, host);
  // No title sound with a host on the command line.
  EXPECT_TRUE(platform_.sounds.empty());
  ASSERT_EQ(Client()->subWindowList().size(), 1);
  EXPECT_TRUE(Config().HostHistory[0].Free());
  ASSERT_TRUE(server.Accept());
  QSignalSpy closed(Frame(), &TMainMDIDecoratedFrame::Closed);
  server.ClosePeer();
  EXPECT_TRUE(RunUntil([&] { return closed.count() == 1; }));
  // Nothing was asked: the program just ends.
  EXPECT_TRUE(platform_.messages.empty());
}

}  // namespace
}  // namespace parlane::test
