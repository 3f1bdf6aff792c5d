// The serial transfer link, and the waits of every transfer link: the user's
// cancel ends any of them, a stalled write included, within a second; a
// hung-up serial line ends them at once, without spinning.
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "link/serial_transfer_link.h"
#include "link/telnet_transfer_link.h"
#include "serial_test_support.h"
#include "xfer/fd_link.h"

namespace parlane {
namespace {

using namespace test;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

using SerialLink = PortOnPtyLine;

TEST_F(SerialLink, ReadByteTakesAWaitingByteAndTimesOutByTheClock) {
  SerialTransferLink link(port);
  pty.Write("ab");
  pty.Read(30ms);
  EXPECT_EQ(link.ReadByte(0), 'a');  // waiting: no clock needed
  EXPECT_EQ(link.ReadByte(0), 'b');
  EXPECT_EQ(link.ReadByte(0), -1);  // nothing waiting and no time
  const long long start = TransferLink::ClockSeconds();
  EXPECT_EQ(link.ReadByte(1), -1);
  const long long waited = TransferLink::ClockSeconds() - start;
  EXPECT_GE(waited, 1);
  EXPECT_LE(waited, 3);
  uint8_t place = 0;
  EXPECT_EQ(link.ReadAnyByte(&place, 0), -1);
  pty.Write("z");
  EXPECT_EQ(link.ReadAnyByte(&place, 5), 0);
  EXPECT_EQ(place, 'z');
}

TEST_F(SerialLink, ByteArrivingDuringTheWaitIsReadAndThePumpRuns) {
  SerialTransferLink link(port);
  int pumps = 0;
  link.SetPump([&] { ++pumps; });
  std::thread later([&] {
    std::this_thread::sleep_for(300ms);
    pty.Write("q");
  });
  EXPECT_EQ(link.WaitForInput(5), 1);
  EXPECT_EQ(link.ReadByte(5), 'q');
  later.join();
  EXPECT_GT(pumps, 3);
  EXPECT_EQ(link.WaitForInput(0), 0);
}

TEST_F(SerialLink, CountsPurgesAndAClosedPort) {
  SerialTransferLink link(port);
  pty.Write("hello");
  pty.Read(30ms);
  EXPECT_EQ(link.InputCount(), 5);  // what was read ahead counts
  EXPECT_EQ(link.ReadByte(1), 'h');
  EXPECT_EQ(link.InputCount(), 4);
  EXPECT_EQ(link.PurgeInput(), 0);
  EXPECT_EQ(link.InputCount(), 0);
  EXPECT_EQ(link.ReadByte(0), -1);
  link.WriteByte('x', 10);
  EXPECT_EQ(link.PurgeOutput(), 0);  // gathered bytes are dropped
  EXPECT_EQ(link.OutputCount(), 0);
  EXPECT_EQ(pty.Read(50ms), "");
  port.Close();  // then every call fails quietly
  EXPECT_EQ(link.WriteByte('a', 1), -1);
  EXPECT_EQ(link.ReadByte(0), -1);
  EXPECT_EQ(link.InputCount(), 0);
  EXPECT_EQ(link.PurgeInput(), -1);
}

TEST_F(SerialLink, GatheredBytesAreOutBeforeAnyReadWaitOrCount) {
  struct Case {
    const char* name;
    std::function<void(SerialTransferLink&)> op;
  };
  const Case cases[] = {
      {"read", [](SerialTransferLink& l) { l.ReadByte(0); }},
      {"wait", [](SerialTransferLink& l) { l.WaitForInput(0); }},
      {"input count", [](SerialTransferLink& l) { l.InputCount(); }},
      {"output count", [](SerialTransferLink& l) { l.OutputCount(); }},
      {"purge input", [](SerialTransferLink& l) { l.PurgeInput(); }},
      {"block",
       [](SerialTransferLink& l) { l.WriteBlock(reinterpret_cast<const uint8_t*>("!"), 1, 5); }},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.name);
    SerialTransferLink link(port);
    for (int b : {42, 42, 24, 66}) EXPECT_EQ(link.WriteByte(static_cast<uint8_t>(b), 10), 0);
    EXPECT_EQ(pty.Read(20ms), "");
    tc.op(link);
    EXPECT_TRUE(pty.Read().starts_with("**\030B"));
  }
}

TEST_F(SerialLink, LargeBlockGoesOutInPiecesInOrder) {
  SerialTransferLink link(port);
  std::string big;
  for (int i = 0; i < 200000; ++i) big.push_back(static_cast<char>(i * 7 % 251));
  std::string got;
  std::thread reader([&] { got = pty.Read(1000ms); });
  EXPECT_EQ(link.WriteBlock(reinterpret_cast<const uint8_t*>(big.data()), big.size(), 30), 0);
  for (size_t i = 0; i < 3000; ++i) link.WriteByte(static_cast<uint8_t>(i), 30);
  EXPECT_EQ(link.Flush(), 0);
  reader.join();
  for (size_t i = 0; i < 3000; ++i) big.push_back(static_cast<char>(i));
  EXPECT_EQ(got.size(), big.size());
  EXPECT_TRUE(got == big);
}

TEST_F(SerialLink, WriteBlockTimesOutWhenNobodyTakesTheBytes) {
  SerialTransferLink link(port);
  const std::string big(1 << 20, 'w');  // far more than the pty holds
  const long long start = TransferLink::ClockSeconds();
  EXPECT_EQ(link.WriteBlock(reinterpret_cast<const uint8_t*>(big.data()), big.size(), 1), -1);
  EXPECT_LE(TransferLink::ClockSeconds() - start, 3);
  EXPECT_EQ(link.PurgeOutput(), 0);
}

// One link of each kind, its far end never reading nor writing.
struct Links : PortOnPtyLine {
  void SetUp() override {
    PortOnPtyLine::SetUp();
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, telnetFds), 0);
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, plainFds), 0);
  }
  void TearDown() override {
    for (int fd : {telnetFds[0], telnetFds[1], plainFds[0], plainFds[1]}) close(fd);
  }
  std::unique_ptr<TransferLink> Make(int kind) {
    if (kind == 0) return std::make_unique<SerialTransferLink>(port);
    if (kind == 1)
      return std::make_unique<TelnetTransferLink>(telnetFds[0], TelnetBinaryState{true, true});
    return std::make_unique<FdTransferLink>(plainFds[0], plainFds[0]);
  }
  int telnetFds[2] = {-1, -1};
  int plainFds[2] = {-1, -1};
};

TEST_F(Links, CancelEndsEveryWaitWithinASecond) {
  const std::string big(8 << 20, 'w');  // far more than any of the lines holds
  struct Op {
    const char* name;
    std::function<bool(TransferLink&)> failed;
  };
  const Op ops[] = {
      {"read", [](TransferLink& l) { return l.ReadByte(30000) == -1; }},
      {"wait for input", [](TransferLink& l) { return l.WaitForInput(30000) == 0; }},
      {"stalled write",
       [&](TransferLink& l) {
         return l.WriteBlock(reinterpret_cast<const uint8_t*>(big.data()), big.size(), 30000) ==
                    -1 ||
                l.Flush() == -1;
       }},
      {"break", [](TransferLink& l) { return l.SendBreak(30) == 0; }},
  };
  for (int kind = 0; kind < 3; ++kind) {
    for (const Op& op : ops) {
      SCOPED_TRACE(std::string(op.name) + " on link " + std::to_string(kind));
      auto link = Make(kind);
      std::atomic<bool> cancel{false};
      link->SetCancelCheck([&] { return cancel.load(); });
      std::thread user([&] {
        std::this_thread::sleep_for(300ms);
        cancel = true;
      });
      const auto start = Clock::now();
      EXPECT_TRUE(op.failed(*link));
      EXPECT_LT(Clock::now() - start, 1300ms);
      user.join();
      link->PurgeOutput();
    }
  }
}

TEST_F(Links, DrainAfterACancelStillWaitsForTheSender) {
  // A cancelled receive drops what the sender still sends until it has been
  // quiet: those reads must not end at once.
  FdTransferLink link(plainFds[0], plainFds[0]);
  link.SetCancelCheck([] { return true; });
  link.SetWaitsEndOnCancel(false);
  std::thread sender([&] {
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(write(plainFds[1], "z", 1), 1);
  });
  EXPECT_EQ(link.ReadByte(5), 'z');
  sender.join();
}

TEST_F(Links, HungUpSerialLineEndsTheWaitAtOnceWithoutSpinning) {
  SerialTransferLink link(port);
  std::thread unplug([&] {
    std::this_thread::sleep_for(300ms);
    Pty::CloseMaster(pty);
  });
  const auto start = Clock::now();
  const std::clock_t cpu = std::clock();
  EXPECT_EQ(link.ReadByte(30), -1);
  unplug.join();
  EXPECT_LT(Clock::now() - start, 1300ms);
  // Asleep in poll until the hang-up, not polling a descriptor that is
  // always ready.
  EXPECT_LT(static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC, 0.15);
  EXPECT_TRUE(link.InputEnded());
  const auto again = Clock::now();
  EXPECT_EQ(link.WaitForInput(30), 0);
  EXPECT_EQ(link.ReadByte(30), -1);
  EXPECT_LT(Clock::now() - again, 100ms);
}

}  // namespace
}  // namespace parlane
