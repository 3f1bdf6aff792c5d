// `parlane --dial ENTRY`: a Telnet entry against a loopback server, a
// dial-up entry against the simulated modem, and an unknown entry.
#include <QProcess>
#include <QTest>

#include "app/command_line.h"
#include "dialup_fixture.h"

namespace parlane::test {
namespace {

using DialOptionTest = DialupTest;

TEST_F(DialOptionTest, TelnetEntrySendsItsNamePasswordAndScript) {
  LoopbackServer server;
  DialingDirectoryEntry e = TelnetEntry("Lab", "127.0.0.1", std::to_string(server.Port()));
  e.UserName = "alice";
  e.Password = "s3cret";
  std::ofstream(dir_ / "lab.csc") << "WAIT login: \nSEND from-script^M\n";
  e.LoginScript = (dir_ / "lab.csc").string();
  WriteBook({e, DialupEntry("Other", "1")});
  StartDialup(true, "1");  // "Lab" is the first line of the list
  ASSERT_EQ(Client()->subWindowList().size(), 1);
  auto* child = qobject_cast<TelnetWindowMDIChild*>(Client()->subWindowList().front());
  EXPECT_EQ(child->windowTitle(), QStringLiteral("Lab"));
  ASSERT_TRUE(RunUntil([&] { return server.HasClient() && child->IsConnected(); }));
  server.Send("login: ");
  QWidget* view = child->widget();
  QTest::keyClick(view, Qt::Key_F1, Qt::ControlModifier);
  QTest::keyClick(view, Qt::Key_F2, Qt::ControlModifier);
  EXPECT_TRUE(RunUntil([&] {
    return server.received.find("from-script\r") != std::string::npos &&
           server.received.find("alice") != std::string::npos &&
           server.received.find("s3cret") != std::string::npos;
  })) << server.received;
  const auto book = ReadBook();
  const auto lab = std::find_if(book.begin(), book.end(), [](auto& x) { return x.Name == "Lab"; });
  EXPECT_EQ(lab->Connects, 1u);
  EXPECT_EQ(lab->LastConnectTime, "None");
  EXPECT_TRUE(modem_.dialed.empty());
}

TEST_F(DialOptionTest, DialupEntryIsDialledAndCancelLeavesNoSession) {
  WriteBook({DialupEntry("Board", "555-0142")});
  struct Case {
    HayesModem::Outcome outcome;
    bool windowOpens;
  };
  for (const Case c :
       {Case{HayesModem::Outcome::Busy, false}, Case{HayesModem::Outcome::Connect, true}}) {
    modem_.outcome = c.outcome;
    modem_.dialed.clear();
    AnswerDial([this](DialNumberDialog&) { return modem_.dialed.size() >= 2; });
    StartDialup(true, "Board");
    ASSERT_TRUE(RunUntil([&] { return platform_.dialogResponders.empty(); }));
    RunUntil([&] { return Dialup() != nullptr; }, 200);
    EXPECT_EQ(Dialup() != nullptr, c.windowOpens);
    EXPECT_TRUE(Frame()->isVisible());
    EXPECT_EQ(Client()->subWindowList().size(), c.windowOpens ? 1 : 0);
    if (c.windowOpens) {
      EXPECT_TRUE(ShowsText(Dialup()->Comm(), "login:"));
    }
    Shutdown();
  }
  EXPECT_EQ(ReadBook()[0].Connects, 1u);
}

TEST(DialOptionProgram, UnknownEntryExitsWithStatusTwoBeforeAnyWindow) {
  QTemporaryDir home;
  const QString program = QStringLiteral(PARLANE_BUILD_DIR "/src/gui/parlane");
  if (!QFileInfo::exists(program)) GTEST_SKIP() << "the parlane program is not built";
  QProcess p;
  // No display at all: a window would fail to open rather than show.
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("DISPLAY"));
  env.remove(QStringLiteral("WAYLAND_DISPLAY"));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  p.setProcessEnvironment(env);
  p.start(program, {QStringLiteral("--home"), home.path(), QStringLiteral("--dial"),
                    QStringLiteral("No Such Board")});
  ASSERT_TRUE(p.waitForFinished(20000));
  EXPECT_EQ(p.exitCode(), 2);
  const QString err = QString::fromLocal8Bit(p.readAllStandardError());
  EXPECT_EQ(err, QStringLiteral("parlane: no phonebook entry \"No Such Board\"\n"));
}

}  // namespace
}  // namespace parlane::test
