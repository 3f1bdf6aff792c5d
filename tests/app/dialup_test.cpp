// Dial-up sessions end to end against the simulated Hayes modem: dialing
// from the phonebook, the dial-up window, the carrier clock, Hangup and the
// failures of the port.
#include <QClipboard>

#include "dialup_fixture.h"

namespace parlane::test {
namespace {

TEST_F(DialupTest, DialsAnEntryAndRunsTheSessionInTheDialupWindow) {
  DialingDirectoryEntry bbs = DialupEntry("Night Owl BBS", "555-0101");
  std::ofstream(dir_ / "owl.csc") << "WAIT login: \nSEND guest^M\nWAIT Password: \nSEND secret^M\n";
  bbs.LoginScript = (dir_ / "owl.csc").string();
  WriteBook({bbs});
  StartDialup();
  EXPECT_TRUE(Frame()->MenuAction(cmd::kOpenDialup)->isEnabled());

  ConnectFromPhonebook({QStringLiteral("Night Owl BBS")});
  AnswerDial();
  Frame()->MenuAction(cmd::kPhonebook)->trigger();

  ASSERT_NE(Dialup(), nullptr);
  CommWindow* window = Dialup()->Comm();
  EXPECT_EQ(Dialup()->windowTitle(), QStringLiteral("Night Owl BBS"));
  EXPECT_EQ(window->GetSession().Link()->StatusName(), "9600,N,8,1");
  Frame()->UpdateCommandStates();
  EXPECT_FALSE(Frame()->MenuAction(cmd::kOpenDialup)->isEnabled());
  // The dial command went out with the prefix; the init string was never
  // sent into the call.
  EXPECT_EQ(modem_.dialed, std::vector<std::string>{"555-0101"});
  EXPECT_EQ(modem_.commands, std::vector<std::string>{"ATDT555-0101"});
  EXPECT_EQ(modem_.hostReceived.find("ATE1"), std::string::npos);
  // The "Connect" sound, and the call recorded in PHONBOOK.DAT.
  ASSERT_FALSE(platform_.sounds.empty());
  const auto book = ReadBook();
  ASSERT_EQ(book.size(), 1u);
  EXPECT_EQ(book[0].Connects, 1u);
  EXPECT_EQ(book[0].LastConnectDate.size(), 8u);
  EXPECT_NE(book[0].LastConnectTime, "None");

  // The host's banner came with CONNECT and shows first; the login script
  // answers both prompts.
  EXPECT_TRUE(ShowsText(window, "Welcome to the Parlane test host"));
  EXPECT_TRUE(ShowsText(window, "Hello guest"));
  EXPECT_NE(modem_.hostReceived.find("guest\rsecret\r"), std::string::npos);

  // Typed keys reach the host, which echoes them.
  Client()->setActiveSubWindow(Dialup());
  window->setFocus();
  QTest::keyClicks(window, "ls");
  QTest::keyClick(window, Qt::Key_Return);
  EXPECT_TRUE(RunUntil([&] { return modem_.hostReceived.find("ls\r") != std::string::npos; }));
  EXPECT_TRUE(ShowsText(window, "$ ls"));
  // A paste goes out character by character as the line takes it.
  QApplication::clipboard()->setText(QStringLiteral("echo hi\r\n"));
  EXPECT_TRUE(Dialup()->HandleCommand(cmd::kPaste));
  EXPECT_TRUE(RunUntil([&] { return modem_.hostReceived.find("echo hi\r") != std::string::npos; }));

  // A transfer takes the port: while the window's reading is paused the
  // host's bytes wait in the port, and show once it resumes.
  window->PauseReading();
  EXPECT_FALSE(window->Reading());
  modem_.HostSends("for-the-transfer");
  RunUntil([] { return false; }, 200);
  EXPECT_EQ(ScreenText(window).find("for-the-transfer"), std::string::npos);
  EXPECT_GT(window->Port().InputCount(), 0);
  window->ResumeReading();
  EXPECT_TRUE(ShowsText(window, "for-the-transfer"));

  // The carrier clock: on line from the first check, the link pane shows
  // the line summary.
  window->CheckCarrier();
  EXPECT_TRUE(window->IsConnected());
  if (window->hasFocus()) {
    EXPECT_TRUE(Status()->IndicatorOn(StatusIndicator::Cd));
    EXPECT_EQ(Status()->PaneText(QStringLiteral("connect")).toStdString(),
              window->GetSession().ElapsedText());
    EXPECT_EQ(Status()->PaneText(QStringLiteral("link")), QStringLiteral("9600,N,8,1"));
  }

  // Hangup drops DTR for two seconds; the modem ends the call.
  modem_.dtr.clear();
  Frame()->MenuAction(cmd::kHangup)->trigger();
  EXPECT_EQ(modem_.dtr, (std::vector<bool>{false, true}));
  EXPECT_TRUE(ShowsText(window, "NO CARRIER"));
  window->CheckCarrier();
  EXPECT_FALSE(window->IsConnected());

  // Closing the window closes the port: a second window opens it again,
  // this time with the initialisation string.
  Dialup()->close();
  ASSERT_TRUE(RunUntil([&] {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return Dialup() == nullptr;
  }));
  EXPECT_FALSE(Client()->Dialup().Port().IsOpen());
  Frame()->UpdateCommandStates();
  EXPECT_TRUE(Frame()->MenuAction(cmd::kOpenDialup)->isEnabled());
  Frame()->MenuAction(cmd::kOpenDialup)->trigger();
  ASSERT_NE(Dialup(), nullptr) << (platform_.messages.empty()
                                       ? std::string()
                                       : platform_.messages.back().text.toStdString());
  EXPECT_EQ(Dialup()->windowTitle(), QStringLiteral("Dial-up Terminal Window"));
  EXPECT_TRUE(RunUntil([&] { return modem_.commands.size() == 2; }));
  EXPECT_EQ(modem_.commands.back(), "ATE1 Q0 V1");
  EXPECT_TRUE(ShowsText(Dialup()->Comm(), "OK"));
}

TEST_F(DialupTest, RedialsAfterBusyCyclingOverTheSelectedEntries) {
  WriteBook({DialupEntry("A", "111"), DialupEntry("B", "222"), DialupEntry("C", "333")});
  modem_.outcomes = {{"111", HayesModem::Outcome::Busy}, {"222", HayesModem::Outcome::NoCarrier}};
  modem_.outcome = HayesModem::Outcome::Busy;
  StartDialup();

  // Everything busy: the dialer goes round A, B, C, A... until cancelled;
  // the phonebook stays open and the port is closed.
  ConnectFromPhonebook({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
  AnswerDial([this](DialNumberDialog&) { return modem_.dialed.size() >= 4; });
  Frame()->MenuAction(cmd::kPhonebook)->trigger();
  EXPECT_EQ(modem_.dialed, (std::vector<std::string>{"111", "222", "333", "111"}));
  ASSERT_EQ(dialLog_.size(), 1u);
  EXPECT_EQ(dialLog_[0].attempt, QStringLiteral("4"));
  EXPECT_EQ(Dialup(), nullptr);
  EXPECT_FALSE(Client()->Dialup().Port().IsOpen());
  EXPECT_EQ(ReadBook()[0].Connects, 0u);

  // C answers on the third attempt.
  modem_.dialed.clear();
  modem_.outcomes["333"] = HayesModem::Outcome::Connect;
  ConnectFromPhonebook({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
  AnswerDial();
  Frame()->MenuAction(cmd::kPhonebook)->trigger();
  EXPECT_EQ(modem_.dialed, (std::vector<std::string>{"111", "222", "333"}));
  ASSERT_NE(Dialup(), nullptr);
  EXPECT_EQ(Dialup()->windowTitle(), QStringLiteral("C"));
  for (const auto& e : ReadBook()) EXPECT_EQ(e.Connects, e.Name == "C" ? 1u : 0u) << e.Name;
}

// An entry whose port cannot be opened: the port's message with its
// cause, then "Check hardware settings for", and the dialling ends.
TEST_F(DialupTest, AnEntryOnAMissingPortEndsTheDialling) {
  std::ofstream(dir_ / "PORTS.CFG", std::ios::app) << "COM2=/dev/parlane-no-such-tty\n";
  DialingDirectoryEntry e = DialupEntry("Elsewhere", "777");
  e.ComPort = 1;
  WriteBook({e});
  StartDialup();
  ConnectFromPhonebook({QStringLiteral("Elsewhere")});
  AnswerDial();
  Frame()->MenuAction(cmd::kPhonebook)->trigger();
  ASSERT_EQ(platform_.messages.size(), 2u);
  EXPECT_EQ(platform_.messages[0].caption, QStringLiteral("Error on COM2"));
  EXPECT_TRUE(platform_.messages[0].text.contains(QStringLiteral("/dev/parlane-no-such-tty")));
  EXPECT_EQ(platform_.messages[1].text, QStringLiteral("Check hardware settings for\nElsewhere"));
  EXPECT_EQ(platform_.messages[1].icon, MsgIcon::Information);
  EXPECT_EQ(platform_.messages[1].caption, QStringLiteral("Parlane"));
  EXPECT_EQ(Dialup(), nullptr);
  EXPECT_TRUE(modem_.dialed.empty());
}

// A modem that never answers: each attempt ends with the countdown, a
// carriage return, and the next dial.
TEST_F(DialupTest, ASilentModemTimesOutAndIsDialledAgain) {
  WriteBook({DialupEntry("Quiet", "999")});
  modem_.outcome = HayesModem::Outcome::Silent;
  StartDialup();
  ConnectFromPhonebook({QStringLiteral("Quiet")});
  AnswerDial([this](DialNumberDialog&) { return modem_.dialed.size() >= 2; });
  Frame()->MenuAction(cmd::kPhonebook)->trigger();
  EXPECT_EQ(modem_.dialed.size(), 2u);
  EXPECT_EQ(Dialup(), nullptr);
}

TEST_F(DialupTest, AVanishedDeviceIsReportedAndTheWindowStaysOpen) {
  StartDialup();
  Frame()->MenuAction(cmd::kOpenDialup)->trigger();
  ASSERT_NE(Dialup(), nullptr);
  CommWindow* window = Dialup()->Comm();
  QTest::keyClicks(window, "ATDT1");
  QTest::keyClick(window, Qt::Key_Return);
  ASSERT_TRUE(RunUntil([&] { return modem_.Carrier(); }));
  window->CheckCarrier();
  EXPECT_TRUE(window->IsConnected());
  notifier_->setEnabled(false);
  modem_.CloseLine();
  window->CheckCarrier();
  EXPECT_FALSE(window->IsConnected());
  EXPECT_TRUE(ShowsText(window, "Line lost"));
  EXPECT_NE(Dialup(), nullptr);
  // Sending into the dead line is harmless.
  QTest::keyClicks(window, "x");
  EXPECT_NE(Dialup(), nullptr);
}

// The port cannot be opened: the message says why, then the Modem
// Hardware dialog opens; cancelled, ComPort stays 255 in MAIN.CFG.
TEST_F(DialupTest, AnUnusablePortExplainsItselfAndAsksForHardwareSettings) {
  struct Case {
    const char* name;
    std::string mapping;
    const char* why;
  };
  std::ofstream(dir_ / "notatty") << "x";
  const Case cases[] = {
      {"Missing", "COM1=/dev/parlane-no-such-tty\n", "The adapter may be unplugged"},
      {"NotATerminal", "COM1=" + (dir_ / "notatty").string() + "\nnonsense line\nCOM7=x\n",
       "not a serial device"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(dir_ / "PORTS.CFG", std::ios::trunc) << c.mapping;
    StartDialup();
    platform_.messages.clear();
    Frame()->MenuAction(cmd::kOpenDialup)->trigger();
    EXPECT_EQ(Dialup(), nullptr);
    ASSERT_EQ(platform_.messages.size(), 2u);
    EXPECT_EQ(platform_.messages[0].caption, QStringLiteral("Error on COM1"));
    EXPECT_TRUE(platform_.messages[0].text.startsWith(QStringLiteral("Could not open COM port")));
    EXPECT_TRUE(platform_.messages[0].text.contains(QLatin1String(c.why)))
        << platform_.messages[0].text.toStdString();
    EXPECT_EQ(platform_.messages[1].text,
              QStringLiteral("Please select a valid hardware setting and retry."));
    EXPECT_EQ(platform_.dialogTitles.back(), QStringLiteral("Hardware Settings"));
    EXPECT_EQ(Config().ComPort, 255u);
    Shutdown();
    EXPECT_EQ(ReadAll(File("MAIN.CFG"))[0], 255);
  }
}

}  // namespace
}  // namespace parlane::test
