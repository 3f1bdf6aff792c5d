// Ymodem-G on a dial-up line: the program's transfer code (progress dialog,
// protocol choice) over the serial link of a pty, with lrzsz or Parlane's own
// engine on the far end. (Zmodem and cancels run from the dial-up window
// itself, in transfer_modem_test.)
//
// The far end runs behind socat on a pipe of its own, not on the pty's
// other side: that is what a real line is. On a bare pty pair the far end's
// terminal modes are ours too (sb's IXON makes our side eat the XON/XOFF
// bytes of its blocks), and its flush on exit, after a drain that on a pty
// waits for nothing, takes back its last bytes before we have read them
// (sb's closing block, sz's "OO"). On a real line the drain puts them on
// the wire first.
#include <pty.h>
#include <unistd.h>

#include <memory>

#include "config/messages.h"
#include "link/serial_port.h"
#include "link/serial_transfer_link.h"
#include "transfer/transfer_runner.h"
#include "transfer_session_fixture.h"

namespace parlane {
namespace {

using test::TempDir;

// The serial side of a dial-up window: the port is handed to the transfer.
class SerialHost final : public TransferHost {
 public:
  SerialHost(SerialPort& port, QWidget* parent) : port_(port), parent_(parent) {}
  QWidget* TransferParent() override { return parent_; }
  bool IsTelnet() const override { return false; }
  std::unique_ptr<TransferLink> BeginTransfer() override {
    ++begun;
    return std::make_unique<SerialTransferLink>(port_);
  }
  void EndTransfer(std::span<const uint8_t>) override { ++ended; }
  int begun = 0;
  int ended = 0;

 private:
  SerialPort& port_;
  QWidget* parent_;
};

class DialupTransfer : public test::TransferSessionTest {
 protected:
  void SetUp() override {
    if (test::FindProgram("socat").empty() || test::FindProgram("sz").empty())
      GTEST_SKIP() << "socat or lrzsz is not installed";
    int slave = -1;
    ASSERT_EQ(openpty(&master_, &slave, nullptr, nullptr, nullptr), 0);
    const std::string device = ttyname(slave);
    close(slave);
    Dcb dcb;
    dcb.BaudRate = 115200;
    dcb.ByteSize = 8;
    ASSERT_TRUE(port_.OpenDevice(device, "COM1", dcb, false));
  }
  void TearDown() override {
    port_.Close();
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

  TempDir logs;
  RecordingMessageSink messages_;
  SerialPort port_{messages_};
  int master_ = -1;
};

// lrzsz's rb never asks for "G", so our own receiver is the far end of the
// upload.
TEST_F(DialupTransfer, YmodemGBothWaysByteForByte) {
  struct Case {
    const char* name;
    bool send;
    std::vector<std::string> peer;  // the far end; files are appended for senders
  };
  const Case cases[] = {
      {"sb to us", false, {"sb", "-q"}},
      {"our sender to us", false, {test::XferTool(), "send", "--ymodem-g", "-q"}},
      {"us to our receiver", true, {test::XferTool(), "receive", "--ymodem-g", "-q"}},
  };
  config.Protocol = 0;  // Ymodem-G
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    sounds.clear();
    TempDir local, remote;
    const std::vector<std::string> names = {"one.bin", "Two.txt", "empty"};
    const size_t sizes[] = {150000, 1025, 0};
    std::vector<std::string> paths;
    for (size_t i = 0; i < names.size(); ++i) {
      paths.push_back((c.send ? local : remote) / names[i]);
      test::WriteFile(paths.back(), test::RandomBytes(sizes[i], static_cast<uint32_t>(i + 20)));
    }
    // The far end runs behind socat on the pty's other side, which the test
    // keeps open too, so that the line does not hang up (and drop what is
    // still on its way) the moment the peer exits. -s: our last answer may
    // meet a pipe that the ended peer has closed.
    std::string command = "EXEC:" + c.peer[0];
    for (size_t i = 1; i < c.peer.size(); ++i) command += " " + c.peer[i];
    if (!c.send) {
      for (const std::string& n : names) command += " " + n;
    }
    SerialHost host(port_, &mainWindow);
    test::DialogWatcher watcher;
    // The far end starts once the transfer runs, as when the user gives the
    // remote command after choosing Receive Files.
    pid_t pid = -1;
    QTimer::singleShot(300, &mainWindow, [&] {
      pid = test::Spawn({"socat", "-s", "STDIO", command}, master_, remote.Path(),
                        logs / "peer.log");
    });
    SessionTransfer transfer;
    transfer.send = c.send;
    if (c.send) transfer.files = paths;
    std::vector<std::string> done;
    transfer.fileDone = [&](const std::string& f) { done.push_back(f); };
    const std::optional<DialogResult> result = RunSessionTransfer(context, host, transfer);
    ASSERT_GT(pid, 0);
    EXPECT_EQ(test::WaitChild(pid, 60), 0);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->outcome, DialogOutcome::Success) << result->status;
    EXPECT_TRUE(watcher.captions.count(c.send ? "Ymodem-G Upload" : "Ymodem-G Download"));
    EXPECT_EQ(host.begun, 1);
    EXPECT_EQ(host.ended, 1);
    for (const std::string& n : names) {
      EXPECT_EQ(test::ReadFile((c.send ? remote : received) / n),
                test::ReadFile((c.send ? local : remote) / n))
          << n;
    }
    if (c.send) {
      EXPECT_EQ(done, paths);
    }
    EXPECT_EQ(Count(SoundEvent::TransferSuccess), 1);
  }
}

}  // namespace
}  // namespace parlane
