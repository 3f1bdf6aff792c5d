// Transfers on a Telnet session window against lrzsz behind a loopback
// Telnet host: the host's Zmodem request starting a receive, upload lists
// sent to rz, cancels, and hosts and disks that misbehave.
#include <signal.h>
#include <sys/resource.h>

#include <QDropEvent>
#include <QMimeData>
#include <QPointer>
#include <QUrl>

#include "telnet_relay.h"
#include "transfer/session_transfers.h"
#include "transfer/upload_list.h"
#include "transfer_session_fixture.h"

namespace parlane {
namespace {

using test::TelnetRelay;
using test::RunUntil;
using test::TempDir;

// The host's shell runs `command`, then shows a prompt at once, as a real
// shell does: it often comes in the transfer's last read, and must still
// reach the screen. Its status is the command's.
std::vector<std::string> Shell(const std::string& command) {
  return {"/bin/sh", "-c",
          command + "; s=$?; printf '\\r\\nback at the prompt\\r\\n'; exit $s"};
}
// rz, once the user has typed "rz\r".
const char kRz[] = "dd bs=1 count=3 of=/dev/null 2>/dev/null; rz -q";

// Data that Telnet must carry untouched: every byte value, CR NUL, CR LF, 255.
std::vector<uint8_t> HostileData(size_t n, uint32_t seed) {
  std::vector<uint8_t> v = test::RandomBytes(n, seed);
  for (int b = 0; b < 256; ++b) v.push_back(static_cast<uint8_t>(b));
  for (int i = 0; i < 200; ++i) v.insert(v.end(), {13, 0, 13, 10, 255, 255, 13});
  return v;
}

// Binary mode both ways is asked for before `first` goes over the wire, and
// given up after the transfer's last header.
void ExpectBinaryAround(const TelnetRelay& relay, const std::string& first) {
  std::string wire;
  EXPECT_TRUE(RunUntil([&] {
    wire = relay.Wire();
    const size_t off = wire.find("<DONT 0><WONT 0>");
    return off != std::string::npos && off > wire.rfind("**\x18" "B0");
  })) << wire.substr(0, 300);
  ASSERT_NE(wire.find(first), std::string::npos);
  EXPECT_LT(wire.find("<DO 0><WILL 0>"), wire.find(first));
}

class TelnetTransfer : public test::TransferSessionTest {
 protected:
  void SetUp() override {
    if (test::FindProgram("sz").empty() || test::FindProgram("rz").empty())
      GTEST_SKIP() << "lrzsz is not installed";
  }
  FileUploadDialog* UploadList(TelnetWindowMDIChild* child) {
    child->HandleCommand(cmd::kSendFiles);
    return child->UploadList() ? child->UploadList()->Dialog() : nullptr;
  }
};

// Names offered as "../../x" or "/x" land in the receive directory as "x".
TEST_F(TelnetTransfer, HostRequestReceivesIntoTheReceiveDirectoryInBinaryMode) {
  TempDir remote;
  std::filesystem::create_directories(remote / "a/b");
  const std::string escapee = "parlane-escapee-" + std::to_string(getpid()) + ".pdf";
  const auto first = HostileData(70000, 1);
  const auto second = test::RandomBytes(3000, 2);
  test::WriteFile(remote / escapee, first);
  test::WriteFile(remote / "Notes.txt", second);
  TelnetRelay relay(Shell("sz -q -f ../../" + escapee + " " + remote / "Notes.txt"),
                    remote / "a/b");
  test::DialogWatcher watcher;
  TelnetWindowMDIChild* child = Connect(relay.Port());
  ASSERT_TRUE(RunUntil([&] { return relay.ProgramEnded(); }, 30000));
  ASSERT_TRUE(Shows(child, "back at the prompt"));
  EXPECT_EQ(relay.ProgramStatus(), 0);
  EXPECT_EQ(test::ReadFile(received / escapee), first);
  EXPECT_EQ(test::ReadFile(received / "Notes.txt"), second);
  EXPECT_FALSE(std::filesystem::exists(
      std::filesystem::path(received.Path()).parent_path().parent_path() / escapee));
  EXPECT_EQ(Count(SoundEvent::TransferSuccess), 1);
  EXPECT_EQ(Count(SoundEvent::TransferFailed), 0);
  EXPECT_TRUE(watcher.captions.count(QStringLiteral("Telnet Zmodem Download")));
  EXPECT_TRUE(watcher.endings.empty());  // success closes the dialog by itself
  ExpectBinaryAround(relay, "**\x18" "B01");
  // Nothing of the transfer reached the screen.
  EXPECT_EQ(test::ScreenText(child->Window()).find("B00"), std::string::npos);
}

TEST_F(TelnetTransfer, DroppedFilesAreSentToRzAndTheListCloses) {
  TempDir local, remote;
  const char* names[] = {"c.bin", "a.txt", "b.dat"};
  QList<QUrl> urls;
  int64_t total = 0;
  for (uint32_t i = 0; i < 3; ++i) {
    test::WriteFile(local / names[i], HostileData(20000 * (i + 1), 10 + i));
    urls.push_back(QUrl::fromLocalFile(QString::fromStdString(local / names[i])));
    total += static_cast<int64_t>(std::filesystem::file_size(local / names[i]));
  }
  TelnetRelay relay(Shell(kRz), remote.Path());
  test::DialogWatcher watcher;
  TelnetWindowMDIChild* child = Connect(relay.Port());
  FileUploadDialog* list = UploadList(child);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(child->UploadList()->windowTitle(), QStringLiteral("127.0.0.1 U/L List"));
  QPointer<FileUploadMDIChild> window = child->UploadList();
  EXPECT_EQ(UploadList(child), list);  // Send Files again brings the same list forward

  // A file manager's drag: it enters the window, then drops.
  QMimeData mime;
  mime.setUrls(urls);
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(list, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(list, &drop);
  const QString dir = QString::fromStdString(local.Path());
  EXPECT_EQ(list->Files(), QStringList({dir + "/a.txt", dir + "/b.dat", dir + "/c.bin"}));
  EXPECT_EQ(list->TotalBytes(), total);

  list->StartSending();
  ASSERT_TRUE(RunUntil([&] { return window.isNull(); })) << "the list window stays open";
  ASSERT_TRUE(RunUntil([&] { return relay.ProgramEnded(); }, 30000));
  for (const char* n : names) EXPECT_EQ(test::ReadFile(remote / n), test::ReadFile(local / n)) << n;
  EXPECT_EQ(Count(SoundEvent::TransferSuccess), 1);
  EXPECT_TRUE(watcher.captions.count(QStringLiteral("Telnet Zmodem Upload")));
  ExpectBinaryAround(relay, "rz\r");
  EXPECT_TRUE(Shows(child, "back at the prompt"));
}

TEST_F(TelnetTransfer, FailedBatchKeepsTheUnsentFilesAndRecountDropsTheMissingOne) {
  TempDir local, remote;
  QStringList files;
  for (const char* n : {"1.bin", "2.bin", "3.bin"}) {
    test::WriteFile(local / n, test::RandomBytes(5000, 3));
    files.push_back(QString::fromStdString(local / n));
  }
  TelnetRelay relay(Shell(kRz), remote.Path());
  test::DialogWatcher watcher;
  TelnetWindowMDIChild* child = Connect(relay.Port());
  FileUploadDialog* list = UploadList(child);
  ASSERT_NE(list, nullptr);
  list->AddFiles(files);
  ASSERT_EQ(list->TotalFiles(), 3);
  std::filesystem::remove(local / "2.bin");  // gone after it was added

  list->StartSending();
  ASSERT_EQ(watcher.endings.size(), 1u);
  EXPECT_TRUE(watcher.endings[0].startsWith(QStringLiteral("CANCELLED - Failed to open")))
      << watcher.endings[0].toStdString();
  EXPECT_EQ(Count(SoundEvent::TransferFailed), 1);
  EXPECT_EQ(Count(SoundEvent::TransferSuccess), 0);
  EXPECT_EQ(list->Files(), files.mid(1));
  EXPECT_NE(child->UploadList(), nullptr);
  EXPECT_EQ(test::ReadFile(remote / "1.bin"), test::ReadFile(local / "1.bin"));

  platform.messages.clear();
  list->Recount();
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].text,
            QStringLiteral("Could not open %1 - deleting from list").arg(files[1]));
  EXPECT_EQ(platform.messages[0].caption, QStringLiteral("File Error"));
  EXPECT_EQ(platform.messages[0].icon, MsgIcon::Exclamation);
  EXPECT_EQ(list->Files(), files.mid(2));
  EXPECT_EQ(list->TotalFiles(), 1);
}

TEST_F(TelnetTransfer, CancelDuringASendLeavesTheFileListedAndTheSessionUsable) {
  TempDir local, remote;
  test::WriteFile(local / "big.bin", test::RandomBytes(4 << 20, 4));
  TelnetRelay relay(Shell(kRz), remote.Path(), 0, /*slow=*/true);
  test::DialogWatcher watcher;
  watcher.CancelAfter(100000);
  TelnetWindowMDIChild* child = Connect(relay.Port());
  FileUploadDialog* list = UploadList(child);
  ASSERT_NE(list, nullptr);
  list->AddFiles({QString::fromStdString(local / "big.bin")});
  list->StartSending();
  EXPECT_TRUE(watcher.cancelled);
  EXPECT_EQ(watcher.endings, std::vector<QString>{QStringLiteral("CANCELLED - User aborted")});
  EXPECT_EQ(list->TotalFiles(), 1);
  EXPECT_EQ(Count(SoundEvent::TransferFailed), 1);
  ASSERT_TRUE(RunUntil([&] { return relay.ProgramEnded(); }, 30000));
  EXPECT_NE(relay.ProgramStatus(), 0);
  EXPECT_TRUE(Shows(child, "back at the prompt"));
  EXPECT_TRUE(child->CommandEnabled(cmd::kReceiveFiles));
}

TEST_F(TelnetTransfer, StartSendingNeedsASessionAndFiles) {
  TelnetRelay relay({}, "");
  FileUploadDialog* telnet = UploadList(Connect(relay.Port()));
  platform.messages.clear();
  OpenDialupUploadList(context, area, [] { return std::unique_ptr<TransferHost>(); })
      ->Dialog()
      ->StartSending();  // no dial-up window is open
  telnet->StartSending();  // no files
  ASSERT_EQ(platform.messages.size(), 2u);
  EXPECT_EQ(platform.messages[0].text, QStringLiteral("A dial-up terminal window needs to be open"));
  EXPECT_EQ(platform.messages[0].icon, MsgIcon::Stop);
  EXPECT_EQ(platform.messages[1].text, QStringLiteral("No files have been selected to upload"));
  EXPECT_EQ(platform.messages[1].icon, MsgIcon::Exclamation);
  for (const auto& m : platform.messages) EXPECT_EQ(m.caption, QStringLiteral("Parlane"));
}

TEST_F(TelnetTransfer, AnUnusableReceiveDirectoryIsReportedBeforeAnyTransfer) {
  // Even root cannot create a file in /proc or a directory below it.
  for (const std::string dir : {"/proc", "/proc/parlane-receive"}) {
    SCOPED_TRACE(dir);
    TempDir remote;
    test::WriteFile(remote / "f.bin", test::RandomBytes(500, 7));
    TelnetRelay relay(Shell("sz -q f.bin"), remote.Path());
    config.ReceiveDir = dir;
    platform.messages.clear();
    test::DialogWatcher watcher;
    TelnetWindowMDIChild* child = Connect(relay.Port());
    auto aboutDir = [&] {
      return std::count_if(platform.messages.begin(), platform.messages.end(), [&](auto& m) {
        return m.text.contains(QString::fromStdString(dir)) && m.icon == MsgIcon::Stop;
      });
    };
    // The request from sz: the message, a cancel for sz, and no dialog.
    ASSERT_TRUE(RunUntil([&] { return relay.ProgramEnded(); }, 30000));
    EXPECT_NE(relay.ProgramStatus(), 0);
    EXPECT_EQ(aboutDir(), 1);
    // The Receive Files command gives the same message.
    child->HandleCommand(cmd::kReceiveFiles);
    EXPECT_EQ(aboutDir(), 2);
    EXPECT_EQ(watcher.dialogsSeen, 0);
    EXPECT_EQ(Count(SoundEvent::TransferSuccess) + Count(SoundEvent::TransferFailed), 0);
    EXPECT_TRUE(Shows(child, "back at the prompt"));
    child->close();
  }
}

// Hosts and disks that misbehave: the transfer fails with its reason,
// nothing is written that should not be, and nothing hangs.
TEST_F(TelnetTransfer, MisbehavingHostsAndDisksFailTheTransfer) {
  TempDir remote;
  test::WriteFile(remote / "big.bin", test::RandomBytes(600000, 8));
  struct Case {
    const char* name;
    std::string command;
    size_t closeAfter;  // the host drops the connection after so many bytes
    rlim_t fileLimit;   // stands in for a full disk: writes past it fail (0: none)
    const char* ending;
    bool connectedAfter;
  };
  const Case cases[] = {
      {"garbage after the request",
       "printf '**\\030B00000000000000\\r\\n'; tr -d '*\\030' </dev/urandom", 0, 0, "CANCELLED - ",
       true},
      {"full disk", "sz -q big.bin", 0, 100000, "CANCELLED - Could not write file", true},
      {"connection dropped", "sz -q big.bin", 60000, 0, "CANCELLED - ", false},
  };
  signal(SIGXFSZ, SIG_IGN);
  // "Close window?" (each ended connection asks once): keep them all.
  platform.messageAnswers.assign(2 * std::size(cases), MsgResult::No);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(received / "big.bin");
    sounds.clear();
    TelnetRelay relay(Shell(c.command), remote.Path(), c.closeAfter);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit limit{c.fileLimit > 0 ? c.fileLimit : old.rlim_cur, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    test::DialogWatcher watcher;
    TelnetWindowMDIChild* child = Connect(relay.Port());
    const bool ended = RunUntil([&] { return !watcher.endings.empty(); }, 90000);
    setrlimit(RLIMIT_FSIZE, &old);
    ASSERT_TRUE(ended);
    EXPECT_TRUE(watcher.endings[0].startsWith(QString::fromLatin1(c.ending)))
        << watcher.endings[0].toStdString();
    EXPECT_EQ(Count(SoundEvent::TransferFailed), 1);
    EXPECT_EQ(Count(SoundEvent::TransferSuccess), 0);
    // The garbage host offered no file.
    EXPECT_TRUE(c.command[0] != 'p' || std::filesystem::is_empty(received.Path()));
    EXPECT_TRUE(RunUntil([&] { return child->IsConnected() == c.connectedAfter; }));
  }
}

}  // namespace
}  // namespace parlane
