// Capture, Save Current Session, Save Selected Text and Transmit File in a
// Telnet session window of the whole program, against a loopback server.
#include <QPushButton>
#include <random>

#include "frame_fixture.h"

namespace parlane::test {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
    lines.push_back(text.substr(start, nl - start));
  }
  EXPECT_EQ(start, text.size()) << "the last line has no line end";
  return lines;
}

class SessionFilesTest : public FrameTest {
 protected:
  void SetUp() override {
    FrameTest::SetUp();
    Start(false);
    Config().Terminal.LocalEcho = 0;
    child_ = OpenSession(server_);
  }
  QString CaptureText() {
    Frame()->UpdateCommandStates();
    return Frame()->MenuAction(cmd::kBeginCapture)->text();
  }
  // The host sends `bytes`; true once the screen shows `shown`.
  bool HostSends(const std::string& bytes, const std::string& shown) {
    server_.Send(bytes);
    return RunUntil([&] { return ScreenText(child_->Window()).find(shown) != std::string::npos; });
  }
  TerminalScreen& Screen() { return child_->Window()->GetSession().Screen(); }

  LoopbackServer server_;
  TelnetWindowMDIChild* child_ = nullptr;
};

TEST_F(SessionFilesTest, CaptureKeepsEveryBlockAsItArrived) {
  const auto file = Temp("session.cap");
  EXPECT_EQ(CaptureText(), QStringLiteral("Begin &Capture\tAlt+Q"));
  platform_.saveAnswers.push_back(QString::fromStdString(file.string()));
  Pick(cmd::kBeginCapture);
  EXPECT_EQ(platform_.fileDialogs.back().title, QStringLiteral("Save Capture File As"));
  EXPECT_EQ(CaptureText(), QStringLiteral("Stop &Capture\tAlt+Q"));
  EXPECT_EQ(Pane("message"), QStringLiteral("Capture ON"));
  EXPECT_EQ(Config().CaptureFile, "session.cap");
  EXPECT_EQ(Config().CaptureDir, file.parent_path().string());

  // Negotiation, colours, line drawing and a clear screen: all kept as
  // sent, Telnet commands too.
  const std::string sent = std::string("\xff\xfd\x18\xff\xfb\x01") +
                           "\x1b[2J\x1b[1;31mred\x1b[0m \x1b(0lqqk\x1b(B box\r\n";
  ASSERT_TRUE(HostSends(sent, "red"));
  ASSERT_TRUE(HostSends("after the request\r\n", "after the request"));
  Pick(cmd::kBeginCapture);
  EXPECT_EQ(CaptureText(), QStringLiteral("Begin &Capture\tAlt+Q"));
  EXPECT_EQ(Pane("message"), QString());
  EXPECT_EQ(ReadText(file), sent + "after the request\r\n");

  // Capturing again into the file: Yes appends, No overwrites, Cancel leaves
  // capture off and the file as it was.
  struct Case {
    MsgResult answer;
    bool on;
    std::string before;
  };
  const Case cases[] = {{MsgResult::Yes, true, "old|"},
                        {MsgResult::No, true, ""},
                        {MsgResult::Cancel, false, "old|"}};
  for (const Case& c : cases) {
    WriteAll(file, {'o', 'l', 'd', '|'});
    platform_.saveAnswers.push_back(QString::fromStdString(file.string()));
    platform_.messageAnswers.push_back(c.answer);
    Pick(cmd::kBeginCapture);
    EXPECT_EQ(platform_.messages.back().text,
              QStringLiteral("File already exists.\nAppend to file?\n(Selecting NO overwrites)"));
    EXPECT_EQ(child_->Capturing(), c.on);
    const std::string more = "more " + std::to_string(int(c.answer));
    ASSERT_TRUE(HostSends(more + "\r\n", more));
    if (child_->Capturing()) Pick(cmd::kBeginCapture);
    EXPECT_EQ(ReadText(file), c.before + (c.on ? more + "\r\n" : "")) << int(c.answer);
  }
}

TEST_F(SessionFilesTest, CaptureFailuresLeaveTheSessionRunning) {
  // A file that cannot be made: the message, and capture stays off.
  platform_.saveAnswers.push_back(QStringLiteral("/proc/parlane-no-such-capture"));
  Pick(cmd::kBeginCapture);
  ASSERT_FALSE(platform_.messages.empty());
  EXPECT_EQ(platform_.messages.back().text,
            QStringLiteral("Could not create file.  File may already be in use."));
  EXPECT_EQ(platform_.messages.back().caption, QStringLiteral("Error"));
  EXPECT_FALSE(child_->Capturing());

  // A full disk: one message, capture ends, the session goes on.
  platform_.saveAnswers.push_back(QStringLiteral("/dev/full"));
  platform_.messageAnswers.push_back(MsgResult::Yes);  // append to the existing "file"
  Pick(cmd::kBeginCapture);
  ASSERT_TRUE(child_->Capturing());
  const size_t before = platform_.messages.size();
  ASSERT_TRUE(HostSends("first\r\n", "first"));
  ASSERT_TRUE(HostSends("second\r\n", "second"));
  ASSERT_TRUE(RunUntil([&] { return platform_.messages.size() > before; }));
  QCoreApplication::processEvents();
  ASSERT_EQ(platform_.messages.size(), before + 1);
  EXPECT_EQ(platform_.messages.back().text, QStringLiteral("Error writing to capture file"));
  EXPECT_FALSE(child_->Capturing());
  EXPECT_EQ(CaptureText(), QStringLiteral("Begin &Capture\tAlt+Q"));
  EXPECT_TRUE(child_->IsConnected());
}

TEST_F(SessionFilesTest, SavesRowsAsLinesOfText) {
  ASSERT_TRUE(HostSends("first row\r\n\x1b(0lqk\x1b(B\r\nthird \x1b[1mbold\x1b[0m", "third"));
  const TerminalScreen& s = Screen();
  const auto file = Temp("screen.txt");
  platform_.saveAnswers.push_back(QString::fromStdString(file.string()));
  Pick(cmd::kSaveSession);
  EXPECT_EQ(platform_.fileDialogs.back().title, QStringLiteral("Save Session File As"));
  // The store from its first row to H rows past the cursor row.
  const std::vector<std::string> lines = Lines(ReadText(file));
  ASSERT_EQ(int(lines.size()), std::min(s.Cursor().row + s.Height(), s.Capacity() - 1) + 1);
  const int top = s.Cursor().row - 2;
  EXPECT_EQ(lines[top], "first row");
  EXPECT_EQ(lines[top + 1], "\u250c\u2500\u2510");  // line drawing, as UTF-8
  EXPECT_EQ(lines[top + 2], "third bold");
  EXPECT_EQ(lines.back(), "");

  // Save Selected Text needs a selection, and writes its rows whole.
  EXPECT_FALSE(Enabled(cmd::kSaveSelected));
  Selection& sel = child_->Window()->GetSession().Select();
  sel.Track({3, top});
  sel.Track({2, top + 2});
  platform_.saveAnswers.push_back(QString::fromStdString(file.string()));
  Pick(cmd::kSaveSelected);
  EXPECT_EQ(ReadText(file), "first row\n\u250c\u2500\u2510\nthird bold\n");

  // Failures are said, never passed over.
  struct Case {
    const char* path;
    const char* message;
  };
  const Case cases[] = {
      {"/proc/parlane-no-such-file", "Could not create file.  File may already be in use."},
      {"/dev/full", "Error occurred while writing to file."}};
  for (const Case& c : cases) {
    platform_.saveAnswers.push_back(QString::fromLatin1(c.path));
    Pick(cmd::kSaveSelected);
    ASSERT_FALSE(platform_.messages.empty());
    EXPECT_EQ(platform_.messages.back().text, QString::fromLatin1(c.message)) << c.path;
    EXPECT_EQ(platform_.messages.back().caption, QStringLiteral("Error"));
  }
}

TEST_F(SessionFilesTest, TransmitsAMegabyteUnchangedAtTheLinksPace) {
  std::vector<uint8_t> bytes(1 << 20);
  std::mt19937 random(13);
  for (auto& b : bytes) b = static_cast<uint8_t>(random());
  bytes[0] = 0xFF;  // Telnet's IAC goes out single
  const auto file = Temp("one-megabyte.bin");
  WriteAll(file, bytes);
  platform_.openAnswers.push_back({QString::fromStdString(file.string())});
  Pick(cmd::kTransmitFile);
  EXPECT_EQ(platform_.fileDialogs.back().title, QStringLiteral("Select File To Transmit"));
  EXPECT_EQ(Pane("message"),
            QStringLiteral("Transmitting file ") + QString::fromStdString(file.string()));
  EXPECT_FALSE(Enabled(cmd::kTransmitFile));
  QWidget* progress = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->objectName() == QLatin1String("TransmitProgress") && w->isVisible()) progress = w;
  }
  EXPECT_NE(progress, nullptr);
  ASSERT_TRUE(RunUntil([&] { return server_.received.size() >= bytes.size(); }, 60000));
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), server_.received.begin(),
                         [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); }));
  EXPECT_EQ(server_.received.size(), bytes.size());
  EXPECT_TRUE(RunUntil([&] { return Enabled(cmd::kTransmitFile); }));
  EXPECT_EQ(Pane("message"), QString());

  // An unreadable file or a directory ends the command quietly.
  const size_t messages = platform_.messages.size();
  for (const char* path : {"/nonexistent/file", "/tmp"}) {
    platform_.openAnswers.push_back({QString::fromLatin1(path)});
    Pick(cmd::kTransmitFile);
    EXPECT_TRUE(Enabled(cmd::kTransmitFile)) << path;
  }
  EXPECT_EQ(platform_.messages.size(), messages);
}

TEST_F(SessionFilesTest, CancelStopsALongTransmission) {
  server_.Hold(true);
  const auto file = Temp("ten-megabytes.bin");
  WriteAll(file, std::vector<uint8_t>(10 << 20, 'x'));
  platform_.openAnswers.push_back({QString::fromStdString(file.string())});
  Pick(cmd::kTransmitFile);
  QPushButton* cancel = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->objectName() == QLatin1String("TransmitProgress")) {
      cancel = w->findChild<QPushButton*>(QStringLiteral("Cancel"));
    }
  }
  ASSERT_NE(cancel, nullptr);
  // The server reads nothing yet: the transmission waits for the link.
  RunUntil([] { return false; }, 300);
  EXPECT_FALSE(Enabled(cmd::kTransmitFile));
  cancel->click();
  EXPECT_TRUE(Enabled(cmd::kTransmitFile));
  server_.Hold(false);
  RunUntil([] { return false; }, 500);
  EXPECT_LT(server_.received.size(), size_t(10 << 20));
  // The window still works.
  ASSERT_TRUE(HostSends("still here\r\n", "still here"));
}

}  // namespace
}  // namespace parlane::test
