// Transfers from the real dial-up window: it dials through the simulated
// Hayes modem, and after CONNECT the far end of the call is lrzsz. sz's
// request starts the window's receive by itself; the "Dial-up Upload File
// List" sends to rz. Files cross byte for byte.
#include "dialup_fixture.h"
#include "transfer/upload_list.h"
#include "transfer_session_fixture.h"

namespace parlane::test {
namespace {

const char* const kNames[] = {"one.bin", "Two.txt", "empty"};

class DialupWindowTransfer : public DialupTest {
 protected:
  void SetUp() override {
    DialupTest::SetUp();
    if (FindProgram("sz").empty() || FindProgram("socat").empty())
      GTEST_SKIP() << "lrzsz or socat is not installed";
    const size_t sizes[] = {200000, 1025, 0};
    for (uint32_t i = 0; i < 3; ++i) WriteFile(from_ / kNames[i], RandomBytes(sizes[i], i + 40));
  }

  // Opens the dial-up window with `protocol` and dials; the far end then
  // runs `remote` in `dir`, and the receive directory is to_.
  CommWindow* Dial(std::vector<std::string> remote, const std::string& dir, uint32_t protocol) {
    modem_.remoteProgram = std::move(remote);
    modem_.remoteDir = dir;
    StartDialup();
    Config().ReceiveDir = to_.Path();
    Config().Protocol = protocol;
    Frame()->MenuAction(cmd::kOpenDialup)->trigger();
    if (Dialup() == nullptr) return nullptr;
    CommWindow* window = Dialup()->Comm();
    QTest::keyClicks(window, "ATDT5550199");
    QTest::keyClick(window, Qt::Key_Return);
    return RunUntil([&] { return modem_.Online(); }) ? window : nullptr;
  }

  void ExpectSame(const TempDir& a, const TempDir& b) {
    for (const char* n : kNames) EXPECT_EQ(ReadFile(a / n), ReadFile(b / n)) << n;
  }

  TempDir from_, to_;
  DialogWatcher watcher_;  // a failure's status, with OK pressed
};

TEST_F(DialupWindowTransfer, AutostartReceivesFromSz) {
  // Set to Ymodem-G: the request makes it Zmodem.
  CommWindow* window = Dial({"sz", "-q", kNames[0], kNames[1], kNames[2]}, from_.Path(), 0);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(RunUntil([&] { return !modem_.RemoteRunning() && window->Reading(); }, 60000));
  EXPECT_TRUE(watcher_.endings.empty()) << watcher_.endings.front().toStdString();
  EXPECT_EQ(Config().Protocol, 1u);
  ExpectSame(from_, to_);
  EXPECT_TRUE(ShowsText(window, "CONNECT 9600"));
}

// Sending starts right after CONNECT, before any carrier check.
TEST_F(DialupWindowTransfer, UploadListSendsToRz) {
  CommWindow* window = Dial({"rz", "-q"}, to_.Path(), 1);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(Dialup()->HandleCommand(cmd::kSendFiles));
  FileUploadMDIChild* list = nullptr;
  for (QMdiSubWindow* sub : Client()->subWindowList()) {
    if (sub->windowTitle() == QLatin1String("Dial-up Upload File List"))
      list = qobject_cast<FileUploadMDIChild*>(sub);
  }
  ASSERT_NE(list, nullptr);
  QStringList paths;
  for (const char* n : kNames) paths << QString::fromStdString(from_ / n);
  platform_.openAnswers.push_back(paths);
  QPointer<FileUploadMDIChild> alive = list;
  list->findChild<QPushButton*>(QStringLiteral("add"))->click();
  list->findChild<QPushButton*>(QStringLiteral("startSending"))->click();
  // Every file sent: the list window closes by itself.
  EXPECT_TRUE(RunUntil([&] {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return alive.isNull();
  }, 60000));
  EXPECT_TRUE(watcher_.endings.empty()) << watcher_.endings.front().toStdString();
  EXPECT_TRUE(RunUntil([&] { return !modem_.RemoteRunning(); }, 30000));
  ExpectSame(from_, to_);
  EXPECT_TRUE(window->Reading());
}

// A cancel while sz sends: the part received stays for resuming. Cancel can
// only land while the serial link's waits run the event loop.
TEST_F(DialupWindowTransfer, CancelDuringAReceiveKeepsThePartForResuming) {
  const auto data = RandomBytes(24 << 20, 30);
  WriteFile(from_ / "big.bin", data);
  watcher_.CancelAfter(200000);
  CommWindow* window = Dial({"sz", "-q", "big.bin"}, from_.Path(), 1);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(RunUntil([&] { return !modem_.RemoteRunning() && window->Reading(); }, 60000));
  EXPECT_TRUE(watcher_.cancelled);
  EXPECT_TRUE(watcher_.closeRefused);
  EXPECT_TRUE(watcher_.statuses.count(QStringLiteral("Cancelling - Please wait...")));
  EXPECT_EQ(watcher_.endings, std::vector<QString>{QStringLiteral("CANCELLED - User aborted")});
  const auto part = ReadFile(to_ / "big.bin");
  EXPECT_GT(part.size(), 0u);
  EXPECT_LT(part.size(), data.size());
  EXPECT_TRUE(std::equal(part.begin(), part.end(), data.begin()));
}

}  // namespace
}  // namespace parlane::test
