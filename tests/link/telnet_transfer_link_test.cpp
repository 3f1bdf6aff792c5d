#include "link/telnet_transfer_link.h"

#include <sys/socket.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "link_test_support.h"

namespace parlane {
namespace {

using namespace test;
using namespace std::string_literals;

// The link on one end of a socket pair; the test plays the host on the other.
struct LinkPair : ::testing::Test {
  void SetUp() override { ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, fds), 0); }
  void TearDown() override {
    close(fds[0]);
    if (fds[1] >= 0) close(fds[1]);
  }
  void Host(std::string_view bytes) { SendAllTo(fds[1], bytes); }
  std::string ReadAll(TelnetTransferLink& link, size_t count) {
    std::string out;
    while (out.size() < count) {
      const int b = link.ReadByte(10);
      if (b < 0) break;
      out.push_back(static_cast<char>(b));
    }
    return out;
  }
  int fds[2] = {-1, -1};
};

TEST_F(LinkPair, ReceivedTelnetFramingIsTakenOut) {
  struct Case {
    const char* name;
    TelnetBinaryState binary;
    std::string wire;
    std::string data;
  };
  const TelnetBinaryState text{false, false};
  const TelnetBinaryState binary{true, true};
  const Case cases[] = {
      {"doubled 255 is one byte", binary, "a\377\377b", "a\377b"},
      {"CR NUL outside binary is CR", text, "a\r\0b\r\nc"s, "a\rb\r\nc"},
      {"CR NUL in binary is data", binary, "a\r\0b"s, "a\r\0b"s},
      {"NUL not after CR stays", text, "\0x"s, "\0x"s},
      {"option commands carry no data", binary, "a\377\373\001b\377\376\030c", "abc"},
      {"NOP and go-ahead carry no data", binary, "a\377\361b\377\371c", "abc"},
      {"subnegotiation carries no data", binary, "a\377\372\030\001\377\377\377\360b", "ab"},
      {"WILL BINARY ends the CR NUL rule", text, "\r\0\377\373\0\r\0"s, "\r\r\0"s},
      {"WONT BINARY starts it again", binary, "\r\0\377\374\0\r\0"s, "\r\0\r"s},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.name);
    TelnetTransferLink link(fds[0], tc.binary);
    Host(tc.wire);
    EXPECT_EQ(ReadAll(link, tc.data.size()), tc.data);
    EXPECT_EQ(link.InputCount(), 0);
  }
}

// A doubled 255 or a CR NUL cut between two receives is still one byte.
TEST_F(LinkPair, PairsSplitAcrossReceivesAreOneByte) {
  TelnetTransferLink link(fds[0], {true, true});
  Host("a\377");
  EXPECT_EQ(link.ReadByte(1), 'a');
  std::thread later([&] {
    std::this_thread::sleep_for(100ms);
    Host("\377b");
  });
  EXPECT_EQ(link.ReadByte(1), 0xff);
  EXPECT_EQ(link.ReadByte(1), 'b');
  later.join();
  TelnetTransferLink text(fds[0], {false, false});
  Host("\r");
  EXPECT_EQ(text.ReadByte(1), '\r');
  Host("\0z"s);
  EXPECT_EQ(text.ReadByte(1), 'z');
}

TEST_F(LinkPair, AnswersDuringTheTransferAreRemembered) {
  TelnetTransferLink link(fds[0], {false, false});
  Host("\377\373\0\377\375\0x"s);
  EXPECT_EQ(link.ReadByte(1), 'x');
  EXPECT_EQ(link.BinaryState(), (TelnetBinaryState{true, true}));
  Host("\377\376\0y"s);
  EXPECT_EQ(link.ReadByte(1), 'y');
  EXPECT_EQ(link.BinaryState(), (TelnetBinaryState{true, false}));
}

TEST_F(LinkPair, WritesDouble255InWriteByteAndStuffCrOutsideBinary) {
  struct Case {
    const char* name;
    bool weSendBinary;
    std::string byBytes;  // through WriteByte
    std::string block;    // through WriteBlock
    std::string wire;
  };
  const Case cases[] = {
      {"binary", true, "\377\r", "\377\377\r", "\377\377\r\377\377\r"},
      {"text", false, "\r", "a\rb", "\r\0a\r\0b"s},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.name);
    TelnetTransferLink link(fds[0], {true, tc.weSendBinary});
    for (char ch : tc.byBytes) EXPECT_EQ(link.WriteByte(static_cast<uint8_t>(ch), 10), 0);
    EXPECT_EQ(
        link.WriteBlock(reinterpret_cast<const uint8_t*>(tc.block.data()), tc.block.size(), 10), 0);
    EXPECT_EQ(ReadAvailable(fds[1]), tc.wire);
  }
}

TEST_F(LinkPair, GatheredBytesGoOutBeforeAnyReadCountsAndPurges) {
  TelnetTransferLink link(fds[0], {true, true});
  link.WriteByte('*', 10);
  link.WriteByte('*', 10);
  EXPECT_EQ(ReadAvailable(fds[1], 50ms), "");  // still gathered
  EXPECT_EQ(link.InputCount(), 0);
  EXPECT_EQ(ReadAvailable(fds[1]), "**");
  link.WriteByte('!', 10);
  Host("r");
  EXPECT_EQ(link.ReadByte(1), 'r');
  EXPECT_EQ(ReadAvailable(fds[1]), "!");
  EXPECT_EQ(link.OutputCount(), 0);
  Host("abc");
  EXPECT_EQ(link.WaitForInput(1), 1);
  EXPECT_EQ(link.InputCount(), 3);
  EXPECT_EQ(link.ReadByte(1), 'a');
  EXPECT_EQ(link.InputCount(), 2);
  EXPECT_EQ(link.PurgeInput(), 0);
  EXPECT_EQ(link.InputCount(), 0);
  link.WriteByte('x', 10);
  EXPECT_EQ(link.PurgeOutput(), 0);
  EXPECT_EQ(link.Flush(), 0);
  EXPECT_EQ(ReadAvailable(fds[1], 50ms), "");
}

TEST_F(LinkPair, LimitsAreSixtySecondsWhateverTheProtocolAsks) {
  TelnetTransferLink link(fds[0], {true, true});
  // A limit of 0 does not end the wait: a byte that comes later is read.
  std::thread later([&] {
    std::this_thread::sleep_for(1200ms);
    Host("k");
  });
  EXPECT_EQ(link.ReadByte(0), 'k');
  later.join();
  uint8_t place = 0;
  Host("m");
  EXPECT_EQ(link.ReadAnyByte(&place, 0), 0);
  EXPECT_EQ(place, 'm');
}

TEST_F(LinkPair, PeerCloseEndsReadsAtOnce) {
  TelnetTransferLink link(fds[0], {true, true});
  Host("z");
  close(fds[1]);
  fds[1] = -1;
  EXPECT_EQ(link.ReadByte(10), 'z');
  EXPECT_EQ(link.ReadByte(10), -1);
  EXPECT_TRUE(link.PeerClosed());
  uint8_t place = 0;
  EXPECT_EQ(link.ReadAnyByte(&place, 10), -1);
  EXPECT_EQ(link.WaitForInput(10), 0);
}

TEST_F(LinkPair, WaitsPumpAndWritesWaitForRoom) {
  TelnetTransferLink link(fds[0], {true, true});
  int pumps = 0;
  link.SetPump([&] { ++pumps; });
  // Much more than the pair buffers: the write waits (pumping) for the reader.
  const std::string big(4 << 20, 'q');
  std::string got;
  std::thread reader([&] { got = ReadAvailable(fds[1], 3000ms); });
  EXPECT_EQ(link.WriteBlock(reinterpret_cast<const uint8_t*>(big.data()), big.size(), 10), 0);
  reader.join();
  EXPECT_EQ(got.size(), big.size());
  EXPECT_GT(pumps, 0);
}

// Telnet has no break: the link only waits.
TEST_F(LinkPair, SendBreakOnlyWaits) {
  TelnetTransferLink link(fds[0], {true, true});
  const long long start = TransferLink::ClockSeconds();
  EXPECT_EQ(link.SendBreak(1), 0);
  EXPECT_GE(TransferLink::ClockSeconds() - start, 1);
  EXPECT_EQ(ReadAvailable(fds[1], 20ms), "");
}

}  // namespace
}  // namespace parlane
