#include "link/serial_port.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "link/carrier_watch.h"
#include "link/poll_event_loop.h"
#include "link/serial_settings.h"
#include "xfer/transfer_link.h"
#include "serial_test_support.h"

namespace parlane {
namespace {

using namespace test;

Dcb MakeDcb(uint32_t rate, uint8_t bits, ParityCode parity, StopBitsCode stop, FlowChoice flow) {
  Dcb d;
  d.DCBlength = Dcb::kSize;
  d.BaudRate = rate;
  d.ByteSize = bits;
  d.Parity = static_cast<uint8_t>(parity);
  d.StopBits = static_cast<uint8_t>(stop);
  d.Binary = true;
  d.DtrControl = static_cast<uint8_t>(LineControl::Enable);
  if (flow == FlowChoice::Hardware) {
    d.OutxCtsFlow = true;
    d.RtsControl = static_cast<uint8_t>(LineControl::Enable);
  } else if (flow == FlowChoice::XonXoff) {
    d.OutX = d.InX = true;
    d.XonChar = 17;
    d.XoffChar = 19;
  }
  return d;
}

Dcb Hardware9600() {
  return MakeDcb(9600, 8, ParityCode::None, StopBitsCode::One, FlowChoice::Hardware);
}

struct PortOnPty : ::testing::Test {
  void SetUp() override {
    ASSERT_TRUE(pty.Ok());
    ports[1] = pty.Device();
  }
  // Opens COMn+1 from a copy of the block, which OpenPort marks.
  bool Open(SerialPort& port, Dcb dcb, uint32_t index = 1) {
    return port.OpenPort(index, ports, dcb, true, false);
  }
  std::unique_ptr<SerialPort> MakePort() {
    return std::make_unique<SerialPort>(messages, std::make_unique<FakeModemLines>(lines));
  }
  Pty pty;
  PortMap ports = DefaultPortMap();
  RecordingMessageSink messages;
  FakeModemLines::State lines;
};

TEST(SerialSettings, EachBlockGivesItsTermios) {
  struct Case {
    const char* name;
    Dcb dcb;
    LineSettings expect;
  };
  const Case cases[] = {
      {"9600,N,8,1 hardware",
       Hardware9600(),
       {9600, 8, ParityCode::None, false, 1, true, false, false, 17, 19}},
      {"1200,E,7,2 xon/xoff",
       MakeDcb(1200, 7, ParityCode::Even, StopBitsCode::Two, FlowChoice::XonXoff),
       {1200, 7, ParityCode::Even, false, 2, false, true, true, 17, 19}},
      {"115200,O,6,1.5 acts as 2",
       MakeDcb(115200, 6, ParityCode::Odd, StopBitsCode::OneAndHalf, FlowChoice::None),
       {115200, 6, ParityCode::Odd, false, 2, false, false, false, 17, 19}},
      {"38400,M,5,1",
       MakeDcb(38400, 5, ParityCode::Mark, StopBitsCode::One, FlowChoice::None),
       {38400, 5, ParityCode::Mark, false, 1, false, false, false, 17, 19}},
      {"921600,S,8,1",
       MakeDcb(921600, 8, ParityCode::Space, StopBitsCode::One, FlowChoice::None),
       {921600, 8, ParityCode::Space, false, 1, false, false, false, 17, 19}},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.name);
    const auto settings = LineSettingsFromDcb(tc.dcb);
    ASSERT_TRUE(settings.has_value());
    EXPECT_EQ(*settings, tc.expect);
    termios t{};
    t.c_lflag = ECHO | ICANON | ISIG;
    t.c_oflag = OPOST | ONLCR;
    t.c_iflag = ICRNL | IXANY;
    EXPECT_TRUE(FillTermios(t, *settings));
    EXPECT_EQ(LineSettingsFromTermios(t), tc.expect);
    // Raw: nothing is echoed, edited or translated either way.
    EXPECT_EQ(t.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | IXANY | ISTRIP), 0u);
    EXPECT_NE(t.c_cflag & CLOCAL, 0u);
    EXPECT_NE(t.c_cflag & CREAD, 0u);
  }
}

TEST_F(PortOnPty, RatesReachTheDeviceIncludingArbitraryOnes) {
  for (uint32_t rate : {1200u, 9600u, 115200u, 256000u, 921600u, 14400u}) {
    SCOPED_TRACE(rate);
    auto port = MakePort();
    ASSERT_TRUE(
        Open(*port, MakeDcb(rate, 8, ParityCode::None, StopBitsCode::Two, FlowChoice::Hardware)));
    const auto got = ReadLineSettings(port->Fd());
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->baudRate, rate);
    EXPECT_EQ(got->stopBits, 2);
    EXPECT_TRUE(got->rtsCtsFlow);
  }
  EXPECT_TRUE(messages.entries.empty());
}

TEST_F(PortOnPty, FailuresShowTheirTextWithThePortCaption) {
  struct Case {
    const char* name;
    std::string device;
    Dcb dcb;
    const char* text;
  };
  const Dcb good = Hardware9600();
  Dcb nineBits = good;
  nineBits.ByteSize = 9;
  Dcb noRate = good;
  noRate.BaudRate = 0;
  Dcb badParity = good;
  badParity.Parity = 7;
  const Case cases[] = {
      {"missing device", "/dev/parlane-no-such-port", good, "Could not open COM port"},
      {"not a serial device", "/dev/null", good, "Could not open COM port"},
      {"nine data bits", pty.Device(), nineBits, "Could not change hardware settings"},
      {"rate 0", pty.Device(), noRate, "Could not change hardware settings"},
      {"parity code 7", pty.Device(), badParity, "Could not change hardware settings"},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.name);
    messages.entries.clear();
    ports[2] = tc.device;
    auto port = MakePort();
    EXPECT_FALSE(Open(*port, tc.dcb, 2));
    EXPECT_FALSE(port->IsOpen());
    ASSERT_EQ(messages.entries.size(), 1u);
    EXPECT_EQ(messages.entries[0].text, tc.text);
    EXPECT_EQ(messages.entries[0].caption, "Error on COM3");
    EXPECT_EQ(messages.entries[0].icon, MessageIcon::Stop);
  }
}

TEST_F(PortOnPty, SecondOpenerIsRefused) {
  const Dcb dcb = Hardware9600();
  auto first = MakePort();
  ASSERT_TRUE(Open(*first, dcb));
  auto second = MakePort();
  EXPECT_FALSE(Open(*second, dcb));
  ASSERT_EQ(messages.entries.size(), 1u);
  EXPECT_EQ(messages.entries[0].text, "Could not open COM port");
  first->Close();
  EXPECT_TRUE(Open(*second, dcb));  // free again once closed
}

TEST_F(PortOnPty, OpenRaisesDtrSendsTheInitStringAndMarksTheBlock) {
  Dcb dcb = Hardware9600();
  dcb.DCBlength = 0;
  dcb.Binary = false;
  dcb.AbortOnError = true;
  auto port = MakePort();
  ASSERT_TRUE(port->OpenPort(1, ports, dcb, true, true, "ATE1 Q0 V1"));
  EXPECT_EQ(lines.dtr, std::vector<bool>{true});
  EXPECT_EQ(pty.Read(), "ATE1 Q0 V1\r");
  // The block is marked as the port takes it.
  EXPECT_EQ(dcb.DCBlength, 28u);
  EXPECT_TRUE(dcb.Binary);
  EXPECT_FALSE(dcb.AbortOnError);
}

TEST_F(PortOnPty, ReopenWithoutCloseFirstKeepsTheLine) {
  auto port = MakePort();
  ASSERT_TRUE(Open(*port, Hardware9600()));
  const int fd = port->Fd();
  Dcb even = MakeDcb(19200, 7, ParityCode::Even, StopBitsCode::One, FlowChoice::Hardware);
  ASSERT_TRUE(port->OpenPort(1, ports, even, false, true, "ATZ"));
  EXPECT_EQ(port->Fd(), fd);
  EXPECT_EQ(ReadLineSettings(fd)->baudRate, 19200u);
  EXPECT_EQ(pty.Read(), "ATZ\r");
}

TEST_F(PortOnPty, BytesBothWaysQueueCountsAndPurge) {
  auto port = MakePort();
  ASSERT_TRUE(
      Open(*port, MakeDcb(115200, 8, ParityCode::None, StopBitsCode::One, FlowChoice::None)));
  EXPECT_EQ(port->Write(std::string_view("AT\xff\r")), 4);
  EXPECT_EQ(pty.Read(), "AT\xff\r");

  uint8_t buf[4096];
  EXPECT_EQ(port->ReadWaiting(buf, sizeof buf), 0);  // nothing waits: no blocking
  pty.Write(std::string(3000, 'r'));
  pty.Read(std::chrono::milliseconds(50));
  EXPECT_EQ(port->InputCount(), 3000);
  EXPECT_EQ(port->ReadWaiting(buf, sizeof buf), 1024);  // one block at most
  EXPECT_EQ(port->InputCount(), 3000 - 1024);
  EXPECT_EQ(port->ReadWaiting(buf, 10), 10);
  EXPECT_TRUE(port->PurgeInput());
  EXPECT_EQ(port->InputCount(), 0);
  EXPECT_TRUE(port->PurgeOutput());
  EXPECT_EQ(port->OutputCount(), 0);
}

TEST_F(PortOnPty, CarrierAndHangUpGoThroughTheModemLines) {
  auto port = MakePort();
  ASSERT_TRUE(Open(*port, Hardware9600()));
  EXPECT_FALSE(port->Carrier());
  lines.carrier = true;
  EXPECT_TRUE(port->Carrier());
  lines.dtr.clear();
  int pumps = 0;
  const long long start = TransferLink::ClockSeconds();
  port->HangUp([&] { ++pumps; });
  EXPECT_GE(TransferLink::ClockSeconds() - start, 2);
  EXPECT_EQ(lines.dtr, (std::vector<bool>{false, true}));
  EXPECT_GT(pumps, 10);                                    // the window stayed alive
  EXPECT_EQ(pty.Read(std::chrono::milliseconds(20)), "");  // nothing is sent to the modem
}

TEST_F(PortOnPty, WatchedInputIsReadInBlocksAndAHungUpLineStopsTheWatch) {
  auto port = MakePort();
  ASSERT_TRUE(Open(*port, MakeDcb(9600, 8, ParityCode::None, StopBitsCode::One, FlowChoice::None)));
  PollEventLoop loop;
  std::string got;
  port->WatchInput(loop, [&] {
    uint8_t buf[2048];
    const int n = port->ReadWaiting(buf, sizeof buf);
    EXPECT_LE(n, 1024);
    if (n > 0) got.append(reinterpret_cast<char*>(buf), static_cast<size_t>(n));
  });
  pty.Write(std::string(2500, 'm'));
  EXPECT_TRUE(loop.RunUntil([&] { return got.size() == 2500; }, std::chrono::milliseconds(5000)));
  port->StopWatching();
  EXPECT_EQ(loop.WatchedCount(), 0u);

  port->WatchInput(loop, [] {});
  Pty::CloseMaster(pty);
  loop.RunUntil([&] { return !port->Watching(); }, std::chrono::milliseconds(2000));
  EXPECT_FALSE(port->Watching());
  EXPECT_EQ(loop.WatchedCount(), 0u);
}

TEST(CarrierWatch, OnlinePeriodsFollowTheCarrier) {
  using C = CarrierWatch::Change;
  struct Tick {
    bool carrier;
    long long now;
    C change;
    long long elapsed;
  };
  const Tick ticks[] = {
      {false, 100, C::None, 0},       {true, 105, C::Online, 0},
      {true, 110, C::StillOnline, 5}, {true, 3725 + 105, C::StillOnline, 3725},
      {false, 4000, C::Offline, 0},   {false, 4005, C::None, 0},
      {true, 4010, C::Online, 0},     {true, 4015, C::StillOnline, 5},
  };
  CarrierWatch watch;
  for (const auto& t : ticks) {
    SCOPED_TRACE(t.now);
    EXPECT_EQ(watch.Check(t.carrier, t.now), t.change);
    EXPECT_EQ(watch.Elapsed(t.now), t.elapsed);
    EXPECT_EQ(watch.Online(), t.carrier);
  }
}

}  // namespace
}  // namespace parlane
