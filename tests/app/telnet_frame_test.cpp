// The shell opening Telnet sessions: from the Open Telnet dialog and from
// the command line, against a loopback listener of the test's own.
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "app/commands.h"
#include "dialogs/open_telnet.h"
#include "frame_fixture.h"
#include "loopback_server.h"
#include "session/telnet_window.h"

namespace parlane::test {
namespace {

// Accepts the client once it has connected (the GUI loop runs meanwhile).
bool Accept(LoopbackServer& server) {
  return RunUntil([&] {
    server.Poll();
    return server.HasClient();
  });
}

TEST_F(FrameTest, OpenTelnetConnectionOpensATitledSessionWindow) {
  LoopbackServer server;
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
  ASSERT_TRUE(Accept(server));

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
  LoopbackServer server;
  StartupHost host;
  host.host = "127.0.0.1";
  host.port = static_cast<uint16_t>(server.Port());
  host.portText = std::to_string(server.Port());
  Start(true, host);
  // No title sound with a host on the command line.
  EXPECT_TRUE(platform_.sounds.empty());
  ASSERT_EQ(Client()->subWindowList().size(), 1);
  EXPECT_TRUE(Config().HostHistory[0].Free());
  ASSERT_TRUE(Accept(server));
  QSignalSpy closed(Frame(), &TMainMDIDecoratedFrame::Closed);
  server.CloseClient();
  EXPECT_TRUE(RunUntil([&] { return closed.count() == 1; }));
  // Nothing was asked: the program just ends.
  EXPECT_TRUE(platform_.messages.empty());
}

}  // namespace
}  // namespace parlane::test
