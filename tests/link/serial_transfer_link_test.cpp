#include "link/serial_transfer_link.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "serial_test_support.h"

namespace parlane {
namespace {

using namespace test;
using namespace std::chrono_literals;

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

TEST_F(SerialLink, WriteBlockTimesOutWhenNobodyTakesTheBytes) {
  SerialTransferLink link(port);
  const std::string big(1 << 20, 'w');  // far more than the pty holds
  const long long start = TransferLink::ClockSeconds();
  EXPECT_EQ(link.WriteBlock(reinterpret_cast<const uint8_t*>(big.data()), big.size(), 1), -1);
  EXPECT_LE(TransferLink::ClockSeconds() - start, 3);
  EXPECT_EQ(link.PurgeOutput(), 0);
}

}  // namespace
}  // namespace parlane
