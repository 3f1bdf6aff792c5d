// Parlane's receivers against senders scripted frame by frame, for what a
// well-behaved sender never does: unsafe names, runs of bad subpackets,
// a standard sender's closing block.
#include <gtest/gtest.h>

#include <thread>

#include "xfer/crc.h"
#include "xfer/transfer_run.h"
#include "xfer/ymodem_g.h"
#include "xfer/zmodem.h"
#include "xfer_support.h"

namespace parlane {
namespace {

using namespace zm;
using test::RecordingDisplay;
using test::TempDir;

std::vector<uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

// A receiver running on its own thread against link end b.
template <class Protocol>
struct ReceiverThread {
  ReceiverThread(test::LinkPair& pair, const std::string& dir) {
    thread = std::thread([&pair, dir, this] {
      TransferOptions o;
      o.receiveDir = dir;
      Protocol p(*pair.b, display, o);
      result = RunTransfer(p, TransferDirection::Receive);
      pair.b.reset();
    });
  }
  ~ReceiverThread() {
    if (thread.joinable()) thread.join();
  }
  void Join() { thread.join(); }
  std::thread thread;
  RecordingDisplay display;
  TransferResult result;
};

struct ZSender {
  explicit ZSender(test::LinkPair& pair)
      : progress(display), frames(*pair.a, progress, kSerialTiming) {}
  // Offers a file: its name, a NUL and its size.
  void Offer(const std::string& name, const std::string& size) {
    frames.SendBinaryHeader(ZFILE, Header{});
    frames.SendDataSubpacket(Bytes(name + '\0' + size), ZCRCW);
  }
  void Finish() {
    frames.SendHexHeader(ZFIN, Header{});
    EXPECT_EQ(frames.ReceiveHeader(10), ZFIN);
    frames.SendPlain(Bytes("OO"));
  }
  RecordingDisplay display;
  TransferProgress progress;
  ZmodemFrames frames;
};

TEST(ScriptedZmodem, UnsafeNamesAreSkippedAndTheBatchGoesOn) {
  TempDir top;
  const std::string dir = top / "in";
  ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
  auto pair = test::MakeLinkPair();
  ReceiverThread<Zmodem> receiver(pair, dir);
  ZSender s(pair);
  ASSERT_EQ(s.frames.ReceiveHeader(10), ZRINIT);
  // (SafeFileName's table holds the rest of the names refused.)
  const std::string longName(200, 'n');
  for (std::string name : {"..", "", "dir/", "dir\\..", longName.c_str()}) {
    SCOPED_TRACE(name);
    s.Offer(name, "5 0 0");
    EXPECT_EQ(s.frames.ReceiveHeader(10), ZSKIP);
  }
  // Only the last component of a path is used.
  s.Offer("../../sub/ok.txt", "5");
  ASSERT_EQ(s.frames.ReceiveHeader(10), ZRPOS);
  EXPECT_EQ(s.frames.ReceivedPosition(), 0u);
  s.frames.SendBinaryHeader(ZDATA, Header::FromPosition(0));
  s.frames.SendDataSubpacket(Bytes("hello"), ZCRCE);
  s.frames.SendBinaryHeader(ZEOF, Header::FromPosition(5));
  EXPECT_EQ(s.frames.ReceiveHeader(10), ZRINIT);
  s.Finish();
  receiver.Join();
  EXPECT_EQ(receiver.result.outcome, TransferOutcome::Success);
  EXPECT_EQ(test::ReadFile(dir + "/ok.txt"), Bytes("hello"));
  EXPECT_FALSE(test::FileExists(top / "ok.txt"));
  EXPECT_FALSE(test::FileExists(top / "sub"));
}

// Nineteen bad subpackets in a row are survived; the twentieth ends it.
TEST(ScriptedZmodem, ErrorLimit) {
  for (int bad : {19, 20}) {
    SCOPED_TRACE(bad);
    TempDir dir;
    auto pair = test::MakeLinkPair();
    ReceiverThread<Zmodem> receiver(pair, dir.Path());
    ZSender s(pair);
    ASSERT_EQ(s.frames.ReceiveHeader(10), ZRINIT);
    s.Offer("e.bin", "4");
    ASSERT_EQ(s.frames.ReceiveHeader(10), ZRPOS);
    // A subpacket whose CRC does not match.
    std::vector<uint8_t> wire;
    EncodeOptions opt;
    Encoder(wire, opt).DataSubpacket(Bytes("data"), ZCRCE);
    wire[0] ^= 1;
    for (int i = 0; i < bad; ++i) {
      s.frames.SendBinaryHeader(ZDATA, Header::FromPosition(0));
      s.frames.Link().WriteBlock(wire.data(), wire.size(), 1);
      if (i + 1 < Zmodem::kErrorLimit) {
        ASSERT_EQ(s.frames.ReceiveHeader(10), ZRPOS) << i;
      }
    }
    if (bad == 19) {
      s.frames.SendBinaryHeader(ZDATA, Header::FromPosition(0));
      s.frames.SendDataSubpacket(Bytes("data"), ZCRCE);
      s.frames.SendBinaryHeader(ZEOF, Header::FromPosition(4));
      EXPECT_EQ(s.frames.ReceiveHeader(10), ZRINIT);
      s.Finish();
    }
    receiver.Join();
    if (bad == 19) {
      EXPECT_EQ(receiver.result.outcome, TransferOutcome::Success);
      EXPECT_EQ(test::ReadFile(dir / "e.bin"), Bytes("data"));
    } else {
      EXPECT_EQ(receiver.result.status, "CANCELLED - Too many errors");
    }
  }
}

std::vector<uint8_t> YBlock(uint8_t number, const std::vector<uint8_t>& data,
                            bool badComplement = false) {
  std::vector<uint8_t> b(3 + data.size());
  b[0] = 1;
  b[1] = number;
  b[2] = static_cast<uint8_t>(255 - number + badComplement);
  std::copy(data.begin(), data.end(), b.begin() + 3);
  Crc16 crc;
  crc.Update(data);
  const uint16_t v = crc.Finish();
  b.push_back(static_cast<uint8_t>(v >> 8));
  b.push_back(static_cast<uint8_t>(v));
  return b;
}

// Block 0: the name, a NUL and the size, padded with NULs; `fill` from
// `fillFrom` on.
std::vector<uint8_t> Block0(const std::string& name, const std::string& size, size_t fillFrom = 128,
                            uint8_t fill = 0) {
  const std::string text = name.empty() ? name : name + '\0' + size;
  std::vector<uint8_t> d(128, 0);
  std::copy(text.begin(), text.end(), d.begin());
  std::fill(d.begin() + static_cast<long>(fillFrom), d.end(), fill);
  return YBlock(0, d);
}

int ReadUntil(TransferLink& link, int wanted) {
  for (;;) {
    const int c = link.ReadByte(10);
    if (c < 0 || c == wanted) return c;
  }
}

TEST(ScriptedYmodem, BatchEndsAtAnEmptyNameWhateverFollows) {
  TempDir dir;
  auto pair = test::MakeLinkPair();
  ReceiverThread<YmodemG> receiver(pair, dir.Path());
  TransferLink& link = *pair.a;
  ASSERT_EQ(ReadUntil(link, 'G'), 'G');
  // One file, then the closing block 0 with a file count in its last bytes.
  const auto b0 = Block0("f.txt", "3");
  link.WriteBlock(b0.data(), b0.size(), 1);
  ASSERT_EQ(ReadUntil(link, 'G'), 'G');
  const auto data = YBlock(1, std::vector<uint8_t>(128, 'z'));
  link.WriteBlock(data.data(), data.size(), 1);
  link.WriteByte(YmodemG::EOT, 1);
  ASSERT_EQ(ReadUntil(link, YmodemG::ACK), YmodemG::ACK);
  ASSERT_EQ(ReadUntil(link, 'G'), 'G');
  const auto end = Block0("", "", 120, '7');
  link.WriteBlock(end.data(), end.size(), 1);
  EXPECT_EQ(ReadUntil(link, YmodemG::ACK), YmodemG::ACK);
  receiver.Join();
  EXPECT_EQ(receiver.result.outcome, TransferOutcome::Success) << receiver.result.status;
  // The padding after the announced size is not part of the file.
  EXPECT_EQ(test::ReadFile(dir / "f.txt"), Bytes("zzz"));
}

TEST(ScriptedYmodem, Refusals) {
  struct Case {
    std::vector<uint8_t> block0;
    std::vector<uint8_t> data;
    const char* status;
  };
  const std::vector<uint8_t> block1(128, 1);
  const Case cases[] = {
      {Block0("..", "3"), {}, "CANCELLED - Could not create file"},
      {Block0("x/", "3"), {}, "CANCELLED - Could not create file"},
      {Block0("ok", "3"), YBlock(1, block1, true), "CANCELLED - Invalid block number"},
      {Block0("ok", "3"), YBlock(2, block1), "CANCELLED - Invalid block number"},
      {Block0("ok", "3"), {'?'}, "CANCELLED - Synchronization error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    TempDir dir;
    auto pair = test::MakeLinkPair();
    ReceiverThread<YmodemG> receiver(pair, dir.Path());
    TransferLink& link = *pair.a;
    ASSERT_EQ(ReadUntil(link, 'G'), 'G');
    link.WriteBlock(c.block0.data(), c.block0.size(), 1);
    if (!c.data.empty()) {
      ASSERT_EQ(ReadUntil(link, 'G'), 'G');
      link.WriteBlock(c.data.data(), c.data.size(), 1);
    }
    receiver.Join();
    EXPECT_EQ(receiver.result.status, c.status);
    EXPECT_EQ(receiver.result.code, -4);
  }
}

}  // namespace
}  // namespace parlane
