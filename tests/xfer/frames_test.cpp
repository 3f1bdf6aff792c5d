// The frame layer's receiving side against scripted input, and the header
// reader's waits.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "xfer/progress.h"
#include "xfer/zmodem_frames.h"
#include "xfer/zmodem_header.h"
#include "xfer_support.h"

namespace parlane {
namespace {

using namespace zm;
using test::RecordingDisplay;

// Input from a script; at its end every read times out at once.
class ScriptLink final : public TransferLink {
 public:
  explicit ScriptLink(std::vector<uint8_t> in) : in_(std::move(in)) {}
  int ReadByte(int) override { return pos_ < in_.size() ? in_[pos_++] : -1; }
  int ReadAnyByte(uint8_t* p, int s) override {
    const int c = ReadByte(s);
    if (c < 0) return -1;
    *p = static_cast<uint8_t>(c);
    return 0;
  }
  int InputCount() override { return static_cast<int>(in_.size() - pos_); }
  int WaitForInput(int) override { return pos_ < in_.size(); }
  int WriteBlock(const uint8_t* b, size_t n, int) override {
    out.insert(out.end(), b, b + n);
    return 0;
  }
  int WriteByte(uint8_t b, int s) override { return WriteBlock(&b, 1, s); }
  int OutputCount() override { return 0; }
  int SendBreak(int) override { return 0; }
  int PurgeInput() override { return 0; }
  int PurgeOutput() override { return 0; }
  // With a chunk size, the script also hands out its bytes as a buffer the
  // way a descriptor link does after reads of `chunk` bytes each.
  void SetChunk(size_t chunk) { chunk_ = chunk; }
  std::span<const uint8_t> Buffered() const override {
    if (chunk_ == 0) return {};
    const size_t end = std::min(in_.size(), (pos_ / chunk_ + 1) * chunk_);
    return {in_.data() + pos_, end - pos_};
  }
  void Consume(size_t count) override { pos_ += count; }
  std::vector<uint8_t> out;

 private:
  size_t chunk_ = 0;
  std::vector<uint8_t> in_;
  size_t pos_ = 0;
};

std::vector<uint8_t> HexHeader(int type, uint32_t pos) {
  std::vector<uint8_t> out;
  EncodeOptions opt;
  Encoder(out, opt).HexHeader(type, Header::FromPosition(pos));
  return out;
}

struct Rig {
  explicit Rig(std::vector<uint8_t> in)
      : link(std::move(in)), progress(display), frames(link, progress, kSerialTiming) {}
  ScriptLink link;
  RecordingDisplay display;
  TransferProgress progress;
  ZmodemFrames frames;
};

// What a header read makes of its input, and the status it shows.
TEST(ReceiveHeader, GarbageCancelsAndBadHeaders) {
  struct Case {
    const char* name;
    std::vector<uint8_t> in;
    int expect;
    const char* status;
  };
  auto after = [](size_t garbage, std::vector<uint8_t> h) {
    h.insert(h.begin(), garbage, 'x');
    return h;
  };
  std::vector<uint8_t> bin32;
  EncodeOptions crc32;
  crc32.crc32 = true;
  Encoder(bin32, crc32).BinaryHeader(ZDATA, Header::FromPosition(0x12345678));
  std::vector<uint8_t> noisy = {'x', 'y', 17, 19};
  noisy.insert(noisy.end(), bin32.begin(), bin32.begin() + 6);
  noisy.push_back(17);  // XON inside the frame is skipped
  noisy.insert(noisy.end(), bin32.begin() + 6, bin32.end());
  auto badCrc = HexHeader(ZRPOS, 5);
  badCrc[15] = badCrc[15] == '0' ? '1' : '0';  // a CRC digit
  const Case cases[] = {
      {"garbage within budget", after(20599, HexHeader(ZRINIT, 0)), ZRINIT, "Received ZRINIT: 0x0"},
      {"garbage over budget", after(20600, HexHeader(ZRINIT, 0)), kNoFrame, "Got No Response"},
      {"five CAN", {24, 24, 24, 24, 24}, ZCAN, "Got ZCAN"},
      {"four CAN", {24, 24, 24, 24}, kTimeout, "Got TIMEOUT"},
      {"garbage breaks the run", {24, 'x', 24, 24, 24, 24}, kTimeout, "Got TIMEOUT"},
      // A CAN where the format letter goes starts a run; the ZDLE before it
      // does not count.
      {"CANs after a frame start", {'*', '*', 24, 24, 24, 24, 24, 24}, ZCAN, "Got ZCAN"},
      {"one short after a frame start", {'*', '*', 24, 24, 24, 24, 24}, kTimeout, "Got TIMEOUT"},
      {"flow control before and inside", noisy, ZDATA, "Received ZDATA: 0x12345678"},
      {"bad CRC", badCrc, kError, "Bad CRC"},
      {"upper-case hex", {'*', '*', 24, 'B', '0', 'A'}, kError, "Got ZMODEM_ERROR"},
      {"end code inside a binary header", {'*', 24, 'C', 24, 'k'}, kGotCRCW, "Received 363: 0x0"},
      {"ZDLE and CANs inside a binary header",
       {'*', 24, 'A', 24, 24, 24, 24, 24},
       ZCAN,
       "Got ZCAN"},
      {"unknown type", HexHeader(200, 0x1234), 200, "Received 200: 0x1234"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig(c.in);
    EXPECT_EQ(rig.frames.ReceiveHeader(10), c.expect);
    EXPECT_TRUE(rig.display.SawStatus(c.status));
  }
  Rig cancelled(HexHeader(ZRINIT, 0));
  cancelled.link.SetCancelCheck([] { return true; });
  EXPECT_EQ(cancelled.frames.ReceiveHeader(10), kError);
}

// The buffered path gives what the byte-by-byte path gives, wherever the
// reads happen to cut the stream (also between ZDLE and the byte it escapes).
TEST(ReceiveSubpacket, BufferedEqualsByteByByte) {
  std::vector<uint8_t> data;
  for (int r = 0; r < 3; ++r)
    for (int b = 0; b < 256; ++b) data.push_back(static_cast<uint8_t>(r == 1 ? 255 - b : b));
  for (int b : {24, 24, 17, 19, 145, 147, 13, 141, 64, 127, 255})
    data.push_back(static_cast<uint8_t>(b));
  for (bool crc32 : {false, true}) {
    for (bool escctl : {false, true}) {
      ScriptLink sendLink({});
      RecordingDisplay d;
      TransferProgress p(d);
      ZmodemFrames sender(sendLink, p, kSerialTiming);
      sender.SetSendCrc32(crc32);
      sender.SetEscapeControl(escctl);
      sender.SendBinaryHeader(ZDATA, Header::FromPosition(0));
      sender.SendDataSubpacket(data, ZCRCG);
      sender.SendDataSubpacket({data.data(), 5}, ZCRCE);
      for (size_t chunk : {0u, 1u, 2u, 3u, 7u, 64u, 4096u}) {
        SCOPED_TRACE(testing::Message()
                     << "crc32 " << crc32 << " escctl " << escctl << " chunk " << chunk);
        Rig rig(sendLink.out);
        rig.link.SetChunk(chunk);
        rig.frames.SetEscapeControl(escctl);
        ASSERT_EQ(rig.frames.ReceiveHeader(10), ZDATA);
        std::vector<uint8_t> buf(data.size());
        ASSERT_EQ(rig.frames.ReceiveDataSubpacket(buf.data(), buf.size()), kGotCRCG);
        EXPECT_EQ(buf, data);
        ASSERT_EQ(rig.frames.ReceiveDataSubpacket(buf.data(), buf.size()), kGotCRCE);
        EXPECT_EQ(rig.frames.ReceivedLength(), 5u);
        // One byte short of room: the overflow is caught on the fast path too.
        Rig tight(sendLink.out);
        tight.link.SetChunk(chunk);
        tight.frames.SetEscapeControl(escctl);
        ASSERT_EQ(tight.frames.ReceiveHeader(10), ZDATA);
        EXPECT_EQ(tight.frames.ReceiveDataSubpacket(buf.data(), data.size() - 1), kError);
        EXPECT_TRUE(tight.display.SawStatus("Data subpacket too long"));
      }
    }
  }
}

std::vector<uint8_t> Subpacket(size_t n, uint8_t end) {
  std::vector<uint8_t> out;
  EncodeOptions opt;
  std::vector<uint8_t> data(n, 'a');
  Encoder(out, opt).DataSubpacket(data, end);
  return out;
}

TEST(ReceiveSubpacket, Failures) {
  struct Case {
    std::vector<uint8_t> in;
    int expect;
    const char* status;
  };
  auto bad = Subpacket(10, ZCRCW);
  bad[3] ^= 1;
  const Case cases[] = {
      {bad, kError, "Bad CRC"},
      {{'a', 'b'}, kTimeout, "TIMEOUT"},
      {{'a', 24, 24, 24, 24, 24}, ZCAN, "Sender Canceled"},
      {{'a', 24, '0'}, kError, "Garbled data subpacket"},
  };
  for (const Case& c : cases) {
    Rig rig(c.in);
    std::vector<uint8_t> buf(1024);
    EXPECT_EQ(rig.frames.ReceiveDataSubpacket(buf.data(), buf.size()), c.expect) << c.status;
    EXPECT_TRUE(rig.display.SawStatus(c.status)) << c.status;
  }
}

TEST(ReadEscaped, FlowControlIsSkipped) {
  Rig rig({17, 19, 145, 147, 'A', 24, 17, 'X', 24, 'l', 24, 'm'});
  EXPECT_EQ(rig.frames.ReadEscaped(), 'A');
  EXPECT_EQ(rig.frames.ReadEscaped(), 24);
  EXPECT_EQ(rig.frames.ReadEscaped(), 127);
  EXPECT_EQ(rig.frames.ReadEscaped(), 255);
  EXPECT_EQ(rig.frames.ReadEscaped(), kTimeout);
}

using Kind = HeaderReader::Result::Kind;
using Wait = HeaderReader::Wait;

// Feeds every byte; returns the first result that is not More.
HeaderReader::Result FeedAll(HeaderReader& reader, const std::vector<uint8_t>& bytes) {
  for (uint8_t b : bytes)
    if (const auto r = reader.Feed(b); r.kind != Kind::More) return r;
  return {};
}

// The header reader on its own: which limit the next read gets, and what a
// read that times out there makes.
TEST(HeaderReader, WaitsAndTimeOuts) {
  // A hex header whose CR LF never comes is taken when the short wait ends.
  std::vector<uint8_t> hex;
  EncodeOptions options;
  Encoder(hex, options).HexHeader(ZRINIT, Header::FromFlags(CANFDX));
  hex.resize(hex.size() - 3);  // CR, LF and XON lost
  HeaderReader reader;
  EXPECT_EQ(FeedAll(reader, hex).kind, Kind::More);
  EXPECT_EQ(reader.NextWait(), Wait::Trailer);
  const auto r = reader.TimedOut();
  EXPECT_EQ(r.kind, Kind::Frame);
  EXPECT_EQ(r.type, ZRINIT);

  // A CAN waits briefly for the next byte; silence then goes on hunting,
  // and the CANs still count towards a cancel.
  HeaderReader cans;
  EXPECT_EQ(cans.Feed(kCAN).kind, Kind::More);
  EXPECT_EQ(cans.NextWait(), Wait::AfterCancel);
  EXPECT_EQ(cans.TimedOut().kind, Kind::More);
  EXPECT_EQ(cans.NextWait(), Wait::Hunt);
  EXPECT_EQ(FeedAll(cans, {24, 24, 24}).kind, Kind::More);
  EXPECT_EQ(cans.Feed(kCAN).kind, Kind::Cancelled);

  HeaderReader inside;
  EXPECT_EQ(FeedAll(inside, {'*', 24, 'B', '0'}).kind, Kind::More);
  EXPECT_EQ(inside.NextWait(), Wait::Frame);
  EXPECT_EQ(inside.TimedOut().kind, Kind::TimedOut);
}

}  // namespace
}  // namespace parlane
