#include "link/serial_transfer_link.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

#include "serial_test_support.h"

namespace parlane {
namespace {

using namespace test;
using namespace std::chrono_literals;

struct SerialLink : ::testing::Test {
  void SetUp() override {
    ASSERT_TRUE(pty.Ok());
    Dcb dcb;
    dcb.BaudRate = 115200;
    dcb.ByteSize = 8;
    ASSERT_TRUE(port.OpenDevice(pty.Device(), "COM1", dcb, false));
  }
  Pty pty;
  RecordingMessageSink messages;
  FakeModemLines::State lines;
  SerialPort port{messages, std::make_unique<FakeModemLines>(lines)};
};

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

TEST_F(SerialLink, CountsIncludeWhatWasReadAheadAndPurgeDropsIt) {
  SerialTransferLink link(port);
  pty.Write("hello");
  pty.Read(30ms);
  EXPECT_EQ(link.InputCount(), 5);
  EXPECT_EQ(link.ReadByte(1), 'h');
  EXPECT_EQ(link.InputCount(), 4);
  EXPECT_EQ(link.PurgeInput(), 0);
  EXPECT_EQ(link.InputCount(), 0);
  EXPECT_EQ(link.ReadByte(0), -1);
  EXPECT_EQ(link.OutputCount(), 0);
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
    EXPECT_TRUE(
        pty.Read().starts_with("**\x18"
                               "B"));
  }
}

TEST_F(SerialLink, PurgeOutputDropsGatheredBytes) {
  SerialTransferLink link(port);
  link.WriteByte('x', 10);
  EXPECT_EQ(link.PurgeOutput(), 0);
  link.InputCount();
  EXPECT_EQ(pty.Read(50ms), "");
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

TEST_F(SerialLink, ClosedPortFailsQuietly) {
  SerialTransferLink link(port);
  port.Close();
  EXPECT_EQ(link.WriteByte('a', 1), -1);
  EXPECT_EQ(link.ReadByte(0), -1);
  EXPECT_EQ(link.InputCount(), 0);
  EXPECT_EQ(link.PurgeInput(), -1);
}

}  // namespace
}  // namespace parlane
