// Telnet sessions in the whole shell: opened from the Open Telnet dialog and
// from the command line (in this process and as a program of its own), the
// keys typed in a session, and the work area around an oversized window.
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>

#include "dialogs/open_telnet.h"
#include "frame_fixture.h"

namespace parlane::test {
namespace {

TEST_F(FrameTest, OpenTelnetConnectionOpensATitledSessionWindow) {
  LoopbackServer server;
  Start(true);
  // Cancelled: nothing opens and the history stays empty.
  Pick(cmd::kOpenTelnet);
  EXPECT_EQ(platform_.dialogTitles, std::vector<QString>{"Open Telnet Connection"});
  EXPECT_TRUE(Client()->subWindowList().isEmpty());
  EXPECT_TRUE(Config().HostHistory[0].Free());

  app_->Placement().SessionsMaximized = 1;
  platform_.dialogResponders.push_back([&](QDialog& d) {
    auto& dialog = dynamic_cast<OpenTelnet&>(d);
    dialog.HostBox()->setEditText(QStringLiteral("127.0.0.1"));
    dialog.PortEdit()->setText(QString::number(server.Port()));
    return int{QDialog::Accepted};
  });
  Pick(cmd::kOpenTelnet);
  ASSERT_EQ(Client()->subWindowList().size(), 1);
  TelnetWindowMDIChild* child = FirstSession();
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->windowTitle(), QStringLiteral("127.0.0.1"));
  EXPECT_TRUE(child->isMaximized());
  EXPECT_EQ(Config().HostHistory[0], (HostHistoryEntry{"127.0.0.1", server.PortText()}));
  ASSERT_TRUE(server.Accepted());

  // With a session window active the Window menu works and the session's
  // own commands follow its answers.
  Client()->setActiveSubWindow(child);
  EXPECT_TRUE(Enabled(cmd::kCascade));
  EXPECT_EQ(Enabled(cmd::kCopy), child->CommandEnabled(cmd::kCopy));
  EXPECT_TRUE(Enabled(cmd::kFont));
  EXPECT_EQ(Pane("link"), QStringLiteral("TELNET"));

  // An accelerator typed into the terminal is the frame's, not the host's.
  QTest::keyClick(child->widget(), Qt::Key_T, Qt::AltModifier);
  EXPECT_EQ(platform_.dialogTitles.size(), 3u);
}

TEST_F(FrameTest, KeysTypedInASessionReachTheHost) {
  LoopbackServer server, other;
  Start(true);
  app_->Keys().FunctionKeys[3] = "<F4>";
  app_->Keys().FunctionKeys[5] = "<F6>";
  TelnetWindowMDIChild* first = OpenSession(server);
  OpenSession(other);
  Client()->setActiveSubWindow(first);
  Frame()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
  struct Key {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    std::string sent;  // empty: the host gets nothing, the window just stays
  };
  const Key keys[] = {
      {"Ctrl+W", Qt::Key_W, Qt::ControlModifier, "\x17"},
      {"Ctrl+F4", Qt::Key_F4, Qt::ControlModifier, "<F4>"},
      {"Ctrl+F6", Qt::Key_F6, Qt::ControlModifier, "<F6>"},
      {"Ctrl+Tab", Qt::Key_Tab, Qt::ControlModifier, "\t"},
      {"Alt+-", Qt::Key_Minus, Qt::AltModifier, ""},
  };
  for (bool onSubWindow : {false, true}) {
    for (const Key& k : keys) {
      SCOPED_TRACE(std::string(k.name) + (onSubWindow ? " on the sub-window" : " on the view"));
      QWidget* target = first->Window();
      if (onSubWindow) {
        // Keys that reach the sub-window itself, the view not focused.
        first->Window()->clearFocus();
        ASSERT_FALSE(first->Window()->hasFocus());
        target = first;
      } else {
        first->Window()->setFocus();
        ASSERT_TRUE(RunUntil([&] { return first->Window()->hasFocus(); }));
      }
      QTest::keyClick(target, k.key, k.mods);
      QCoreApplication::processEvents();
      if (!k.sent.empty()) {
        EXPECT_TRUE(server.Gets(k.sent));
      }
      ASSERT_EQ(Client()->subWindowList().size(), 2);
      EXPECT_EQ(Client()->activeSubWindow(), first);
      EXPECT_TRUE(first->isVisible());
    }
  }
  EXPECT_EQ(other.received.find('\x17'), std::string::npos);
  // Alt and a menu's letter stays with the frame: it opens that menu.
  first->Window()->setFocus();
  ASSERT_TRUE(RunUntil([&] { return first->Window()->hasFocus(); }));
  QTest::keyClick(first->Window(), Qt::Key_F, Qt::AltModifier);
  QCoreApplication::processEvents();
  ASSERT_NE(Frame()->menuBar()->activeAction(), nullptr);
  EXPECT_EQ(Frame()->menuBar()->activeAction()->text(), QStringLiteral("&File"));
}

TEST_F(FrameTest, WorkAreaScrollsToAnOversizedWindow) {
  LoopbackServer server;
  Start(true);
  Frame()->resize(500, 400);
  QCoreApplication::processEvents();
  OpenSession(server)->resize(1400, 1100);  // 50 x 132 on a small screen
  QCoreApplication::processEvents();
  EXPECT_GT(Client()->horizontalScrollBar()->maximum(), 0);
  EXPECT_GT(Client()->verticalScrollBar()->maximum(), 0);
  EXPECT_TRUE(Client()->horizontalScrollBar()->isVisible());
}

// Started with a host, every Telnet window goes without a question when its
// connection closes; the command line's own session ends the program.
TEST_F(FrameTest, HostOnTheCommandLineClosesTheProgramWithItsSession) {
  LoopbackServer first, second;
  StartWith(first);
  EXPECT_TRUE(platform_.sounds.empty());  // no title sound with a host
  ASSERT_EQ(Client()->subWindowList().size(), 1);
  EXPECT_TRUE(Config().HostHistory[0].Free());
  ASSERT_TRUE(first.Accepted());
  QPointer<TelnetWindowMDIChild> other = OpenSession(second);
  second.CloseClient();
  EXPECT_TRUE(RunUntil([&] { return other.isNull(); }));
  EXPECT_TRUE(Frame()->isVisible());

  QSignalSpy closed(Frame(), &TMainMDIDecoratedFrame::Closed);
  first.CloseClient();
  EXPECT_TRUE(RunUntil([&] { return closed.count() == 1; }));
  EXPECT_TRUE(platform_.messages.empty());
}

// parlane telnet://HOST[:PORT], the link a browser or the desktop passes,
// run as a program of its own.
class ParlaneProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QFileInfo::exists(kProgram)) GTEST_SKIP() << "the parlane program is not built";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process_.setProcessEnvironment(env);
  }
  void Run(const QString& url) {
    process_.start(kProgram, {QStringLiteral("--home"), home_.path() + "/p", url});
    ASSERT_TRUE(process_.waitForStarted());
  }
  QString Err() { return QString::fromUtf8(process_.readAllStandardError()); }

  const QString kProgram = QStringLiteral(PARLANE_BUILD_DIR "/src/gui/parlane");
  QTemporaryDir home_;
  QProcess process_;
};

TEST_F(ParlaneProgram, BadUrlIsOneLineAndStatusTwo) {
  Run(QStringLiteral("telnet://host/some/path"));
  ASSERT_TRUE(process_.waitForFinished(10000));
  EXPECT_EQ(process_.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(process_.exitCode(), 2);
  const QString err = Err();
  EXPECT_TRUE(err.startsWith("parlane: invalid URL telnet://host/some/path")) << err.toStdString();
  EXPECT_EQ(err.count('\n'), 1) << err.toStdString();
}

TEST_F(ParlaneProgram, UrlSessionEndsTheProgramWhenTheHostCloses) {
  LoopbackServer server;
  Run(QStringLiteral("telnet://127.0.0.1:%1/").arg(server.Port()));
  ASSERT_TRUE(server.Accepted(15000)) << Err().toStdString();
  server.Send("bye\r\n");
  server.CloseClient();
  ASSERT_TRUE(process_.waitForFinished(15000));
  EXPECT_EQ(process_.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(process_.exitCode(), 0) << Err().toStdString();
  // It ran as a program of its own, with its own settings written at exit.
  EXPECT_TRUE(QFileInfo::exists(home_.path() + "/p/MAIN.CFG"));
}

}  // namespace
}  // namespace parlane::test
