// Transfers on a Telnet session window against lrzsz behind a loopback
// Telnet host: the host's Zmodem request starting a receive, upload lists
// sent to rz, cancels, and hosts and disks that misbehave.
#include <signal.h>
#include <sys/resource.h>

#include <QDropEvent>
#include <QMimeData>
#include <QPointer>
#include <QUrl>

#include "app/commands.h"
#include "telnet_relay.h"
#include "transfer/session_transfers.h"
#include "transfer/upload_list.h"
#include "transfer_session_fixture.h"

namespace parlane {
namespace {

using test::TelnetRelay;
using test::TempDir;

std::string Program(const char* name) {
  const std::string p = test::FindProgram(name);
  EXPECT_FALSE(p.empty()) << name << " (lrzsz) is not installed";
  return p;
}

// Data that Telnet must carry untouched: every byte value, CR NUL, CR LF, 255.
std::vector<uint8_t> HostileData(size_t n, uint32_t seed) {
  std::vector<uint8_t> v = test::RandomBytes(n, seed);
  for (int b = 0; b < 256; ++b) v.push_back(static_cast<uint8_t>(b));
  for (int i = 0; i < 200; ++i) v.insert(v.end(), {13, 0, 13, 10, 255, 255, 13});
  return v;
}

class TelnetTransfer : public test::TransferSessionTest {
 protected:
  FileUploadDialog* UploadList(TelnetWindowMDIChild* child) {
    child->HandleCommand(cmd::kSendFiles);
    return child->UploadList() ? child->UploadList()->Dialog() : nullptr;
  }
};

TEST_F(TelnetTransfer, HostRequestReceivesIntoTheReceiveDirectoryInBinaryMode) {
  TempDir remote;
  const auto first = HostileData(70000, 1);
  const auto second = test::RandomBytes(3000, 2);
  test::WriteFile(remote / "report.pdf", first);
  test::WriteFile(remote / "Notes.txt", second);
  TelnetRelay relay({{Program("sz"), "-q", "report.pdf", "Notes.txt"},
                     remote.Path(),
                     "",
                     "$ ",
                     "\r\nback at the prompt\r\n"});
  test::DialogWatcher watcher;
  TelnetWindowMDIChild* child = Open(relay.Port());
  ASSERT_TRUE(WaitFor([&] { return relay.ProgramEnded(); }));
  ASSERT_TRUE(WaitFor([&] { return ScreenShows(child, "back at the prompt"); }));
  EXPECT_EQ(relay.ProgramStatus(), 0);
  EXPECT_EQ(test::ReadFile(received / "report.pdf"), first);
  EXPECT_EQ(test::ReadFile(received / "Notes.txt"), second);
  EXPECT_EQ(Count(SoundEvent::TransferSuccess), 1);
  EXPECT_EQ(Count(SoundEvent::TransferFailed), 0);
  EXPECT_TRUE(watcher.captions.count(QStringLiteral("Telnet Zmodem Download")));
  EXPECT_TRUE(watcher.endings.empty());  // success closes the dialog by itself

  // Binary mode is asked for before the receiver's first ZRINIT and given up
  // after its last header.
  EXPECT_TRUE(
      WaitFor([&] { return relay.Wire().find("<DONT 0><WONT 0>") != std::string::npos; }, 5000));
  const std::string wire = relay.Wire();
  const size_t on = wire.find("<DO 0><WILL 0>");
  const size_t zrinit = wire.find(
      "**\x18"
      "B01");
  const size_t off = wire.find("<DONT 0><WONT 0>");
  ASSERT_NE(on, std::string::npos) << wire.substr(0, 200);
  ASSERT_NE(zrinit, std::string::npos);
  ASSERT_NE(off, std::string::npos);
  EXPECT_LT(on, zrinit);
  EXPECT_GT(off, wire.rfind("**\x18"
                            "B0"));
  // Nothing of the transfer reached the screen but the prompt before it.
  EXPECT_FALSE(ScreenShows(child, "B00"));
}

TEST_F(TelnetTransfer, DroppedFilesAreSentToRzAndTheListCloses) {
  TempDir local, remote;
  const std::vector<std::string> names = {"c.bin", "a.txt", "b.dat"};
  std::vector<std::vector<uint8_t>> data;
  QList<QUrl> urls;
  int64_t total = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    data.push_back(HostileData(20000 * (i + 1), static_cast<uint32_t>(10 + i)));
    test::WriteFile(local / names[i], data.back());
    urls.push_back(QUrl::fromLocalFile(QString::fromStdString(local / names[i])));
    total += static_cast<int64_t>(data.back().size());
  }
  TelnetRelay relay(
      {{Program("rz"), "-q"}, remote.Path(), "rz\r", "", "\r\nback at the prompt\r\n"});
  test::DialogWatcher watcher;
  TelnetWindowMDIChild* child = Open(relay.Port());
  FileUploadDialog* list = UploadList(child);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(child->UploadList()->windowTitle(), QStringLiteral("127.0.0.1 U/L List"));
  QPointer<FileUploadMDIChild> window = child->UploadList();
  EXPECT_EQ(UploadList(child), list);  // Send Files again brings the same list forward

  QMimeData mime;
  mime.setUrls(urls);
  // A file manager's drag: it enters the window, then drops.
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(list, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(list, &drop);
  const QString dir = QString::fromStdString(local.Path());
  EXPECT_EQ(list->Files(), QStringList({dir + "/a.txt", dir + "/b.dat", dir + "/c.bin"}));
  EXPECT_EQ(list->TotalFiles(), 3);
  EXPECT_EQ(list->TotalBytes(), total);

  list->StartSending();
  ASSERT_TRUE(WaitFor([&] { return window.isNull(); }, 5000)) << "the list window stays open";
  ASSERT_TRUE(WaitFor([&] { return relay.ProgramEnded(); }));
  for (size_t i = 0; i < names.size(); ++i)
    EXPECT_EQ(test::ReadFile(remote / names[i]), data[i]) << names[i];
  EXPECT_EQ(Count(SoundEvent::TransferSuccess), 1);
  EXPECT_TRUE(watcher.captions.count(QStringLiteral("Telnet Zmodem Upload")));
  EXPECT_TRUE(
      WaitFor([&] { return relay.Wire().find("<DONT 0><WONT 0>") != std::string::npos; }, 5000));
  const std::string wire = relay.Wire();
  const size_t start = wire.find("<DO 0><WILL 0>rz\r");
  ASSERT_NE(start, std::string::npos) << wire.substr(0, 200);
  EXPECT_GT(wire.find("<DONT 0><WONT 0>"), start);
  EXPECT_TRUE(WaitFor([&] { return ScreenShows(child, "back at the prompt"); }));
}

TEST_F(TelnetTransfer, FailedBatchKeepsTheUnsentFilesAndRecountDropsTheMissingOne) {
  TempDir local, remote;
  for (const char* n : {"1.bin", "2.bin", "3.bin"})
    test::WriteFile(local / n, test::RandomBytes(5000, 3));
  TelnetRelay relay({{Program("rz"), "-q"}, remote.Path(), "rz\r", "", ""});
  test::DialogWatcher watcher;
  TelnetWindowMDIChild* child = Open(relay.Port());
  FileUploadDialog* list = UploadList(child);
  ASSERT_NE(list, nullptr);
  QStringList files;
  for (const char* n : {"1.bin", "2.bin", "3.bin"})
    files.push_back(QString::fromStdString(local / n));
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
  TelnetRelay::Options o{
      {Program("rz"), "-q"}, remote.Path(), "rz\r", "", "\r\nback at the prompt\r\n"};
  o.pauseEveryKb = 8;
  TelnetRelay relay(o);
  test::DialogWatcher watcher;
  watcher.CancelAfter(100000);
  TelnetWindowMDIChild* child = Open(relay.Port());
  FileUploadDialog* list = UploadList(child);
  ASSERT_NE(list, nullptr);
  list->AddFiles({QString::fromStdString(local / "big.bin")});
  list->StartSending();
  EXPECT_TRUE(watcher.cancelled);
  ASSERT_EQ(watcher.endings.size(), 1u);
  EXPECT_EQ(watcher.endings[0], QStringLiteral("CANCELLED - User aborted"));
  EXPECT_EQ(list->TotalFiles(), 1);
  EXPECT_EQ(Count(SoundEvent::TransferFailed), 1);
  ASSERT_TRUE(WaitFor([&] { return relay.ProgramEnded(); }));
  EXPECT_NE(relay.ProgramStatus(), 0);
  EXPECT_TRUE(WaitFor([&] { return ScreenShows(child, "back at the prompt"); }));
  EXPECT_TRUE(child->CommandEnabled(cmd::kReceiveFiles));
}

// A host that is there but has no link up.
class NoLinkHost final : public TransferHost {
 public:
  QWidget* TransferParent() override { return nullptr; }
  bool IsTelnet() const override { return false; }
  std::unique_ptr<TransferLink> BeginTransfer() override { return nullptr; }
  void EndTransfer() override {}
};

TEST_F(TelnetTransfer, StartSendingNeedsASessionAndFiles) {
  struct Case {
    bool dialup;
    bool hostThere;
    const char* text;
    MsgIcon icon;
  };
  const Case cases[] = {
      {true, false, "A dial-up terminal window needs to be open", MsgIcon::Stop},
      {true, true, "No files have been selected to upload", MsgIcon::Exclamation},
      {false, true, "No files have been selected to upload", MsgIcon::Exclamation},
  };
  TelnetRelay relay({});
  TelnetWindowMDIChild* child = Open(relay.Port());
  for (const Case& c : cases) {
    platform.messages.clear();
    FileUploadDialog* list = nullptr;
    if (c.dialup) {
      const bool there = c.hostThere;
      FileUploadMDIChild* window =
          OpenDialupUploadList(context, area, [there]() -> std::unique_ptr<TransferHost> {
            return there ? std::make_unique<NoLinkHost>() : nullptr;
          });
      EXPECT_EQ(window->windowTitle(), QStringLiteral("Dial-up Upload File List"));
      list = window->Dialog();
    } else {
      list = UploadList(child);
    }
    list->StartSending();
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text, QString::fromLatin1(c.text));
    EXPECT_EQ(platform.messages[0].caption, QStringLiteral("Parlane"));
    EXPECT_EQ(platform.messages[0].icon, c.icon);
  }
}

// Only the last component of an offered name is used.
TEST_F(TelnetTransfer, PathsInOfferedNamesAreDropped) {
  TempDir remote;
  std::filesystem::create_directories(remote / "a/b");
  const std::string escapee = "parlane-escapee-" + std::to_string(getpid()) + ".txt";
  test::WriteFile(remote / escapee, test::RandomBytes(700, 5));
  test::WriteFile(remote / "absolute.txt", test::RandomBytes(900, 6));
  TelnetRelay relay({{Program("sz"), "-q", "-f", "../../" + escapee, remote / "absolute.txt"},
                     remote / "a/b",
                     "",
                     "",
                     "\r\nback\r\n"});
  test::DialogWatcher watcher;
  TelnetWindowMDIChild* child = Open(relay.Port());
  ASSERT_TRUE(WaitFor([&] { return ScreenShows(child, "back"); }));
  EXPECT_EQ(test::ReadFile(received / escapee), test::ReadFile(remote / escapee));
  EXPECT_EQ(test::ReadFile(received / "absolute.txt"), test::ReadFile(remote / "absolute.txt"));
  const auto outside = std::filesystem::path(received.Path()).parent_path().parent_path() / escapee;
  EXPECT_FALSE(std::filesystem::exists(outside));
  EXPECT_EQ(Count(SoundEvent::TransferSuccess), 1);
}

TEST_F(TelnetTransfer, AnUnusableReceiveDirectoryIsReportedBeforeAnyTransfer) {
  // Even root cannot create a file in /proc or a directory below it.
  for (const std::string dir : {"/proc", "/proc/parlane-receive"}) {
    SCOPED_TRACE(dir);
    TempDir remote;
    test::WriteFile(remote / "f.bin", test::RandomBytes(500, 7));
    TelnetRelay relay({{Program("sz"), "-q", "f.bin"}, remote.Path(), "", "", "\r\nback\r\n"});
    config.ReceiveDir = dir;
    platform.messages.clear();
    test::DialogWatcher watcher;
    TelnetWindowMDIChild* child = Open(relay.Port());
    // The request from sz: the message, a cancel for sz, and no dialog.
    ASSERT_TRUE(WaitFor([&] { return relay.ProgramEnded(); }));
    EXPECT_NE(relay.ProgramStatus(), 0);
    auto aboutDir = [&] {
      int n = 0;
      for (const auto& m : platform.messages) {
        if (m.text.contains(QString::fromStdString(dir)) && m.icon == MsgIcon::Stop) ++n;
      }
      return n;
    };
    EXPECT_EQ(aboutDir(), 1);
    // The Receive Files command gives the same message.
    child->HandleCommand(cmd::kReceiveFiles);
    EXPECT_EQ(aboutDir(), 2);
    EXPECT_EQ(watcher.dialogsSeen, 0);
    EXPECT_EQ(Count(SoundEvent::TransferSuccess) + Count(SoundEvent::TransferFailed), 0);
    EXPECT_TRUE(WaitFor([&] { return ScreenShows(child, "back"); }));
    child->close();
  }
}

// Hosts and disks that misbehave: the transfer fails with its reason,
// nothing is written that should not be, and nothing hangs.
TEST_F(TelnetTransfer, MisbehavingHostsAndDisksFailTheTransfer) {
  TempDir remote;
  test::WriteFile(remote / "big.bin", test::RandomBytes(600000, 8));
  TelnetRelay::Options garbage;
  garbage.greeting =
      "**\x18"
      "B00000000000000\r\n";
  garbage.garbage = true;
  const TelnetRelay::Options sz{{Program("sz"), "-q", "big.bin"}, remote.Path(), "", "", ""};
  TelnetRelay::Options dropped = sz;
  dropped.closeAfter = 60000;
  struct Case {
    const char* name;
    TelnetRelay::Options relay;
    rlim_t fileLimit;  // stands in for a full disk: writes past it fail (0: none)
    const char* ending;
    bool connectedAfter;
  };
  const Case cases[] = {
      {"garbage after the request", garbage, 0, "CANCELLED - ", true},
      {"full disk", sz, 100000, "CANCELLED - Could not write file", true},
      {"connection dropped", dropped, 0, "CANCELLED - ", false},
  };
  signal(SIGXFSZ, SIG_IGN);
  // "Close window?" (each ended connection asks once): keep them all.
  platform.messageAnswers.assign(2 * std::size(cases), MsgResult::No);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(received / "big.bin");
    sounds.clear();
    TelnetRelay relay(c.relay);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limit = old;
    if (c.fileLimit > 0) limit.rlim_cur = c.fileLimit;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    test::DialogWatcher watcher;
    TelnetWindowMDIChild* child = Open(relay.Port());
    const bool ended = WaitFor([&] { return !watcher.endings.empty(); }, 90000);
    setrlimit(RLIMIT_FSIZE, &old);
    ASSERT_TRUE(ended);
    EXPECT_TRUE(watcher.endings[0].startsWith(QString::fromLatin1(c.ending)))
        << watcher.endings[0].toStdString();
    EXPECT_EQ(Count(SoundEvent::TransferFailed), 1);
    EXPECT_EQ(Count(SoundEvent::TransferSuccess), 0);
    if (c.relay.garbage) EXPECT_TRUE(std::filesystem::is_empty(received.Path()));
    if (c.connectedAfter) {
      EXPECT_TRUE(child->IsConnected());
    } else {
      EXPECT_TRUE(WaitFor([&] { return !child->IsConnected(); }));
    }
  }
}

}  // namespace
}  // namespace parlane
