// The incremental header reader: what each byte makes, and which limit the
// next read gets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xfer/zmodem_header.h"

namespace parlane::zm {
namespace {

using Kind = HeaderReader::Result::Kind;
using Wait = HeaderReader::Wait;

std::vector<uint8_t> Wire(void (*build)(Encoder&)) {
  std::vector<uint8_t> out;
  EncodeOptions options;
  options.crc32 = true;
  Encoder enc(out, options);
  build(enc);
  return out;
}

// Feeds every byte; returns the first result that is not More.
HeaderReader::Result FeedAll(HeaderReader& reader, const std::vector<uint8_t>& bytes,
                             size_t* used = nullptr) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto r = reader.Feed(bytes[i]);
    if (r.kind != Kind::More) {
      if (used != nullptr) *used = i + 1;
      return r;
    }
  }
  if (used != nullptr) *used = bytes.size();
  return {};
}

TEST(HeaderReader, HeadersOfEveryFormat) {
  const Header pos = Header::FromPosition(0x12345678);
  struct Case {
    const char* name;
    std::vector<uint8_t> wire;
    bool crc32;
    size_t unread;  // the XON after a hex header's CR LF is not the header's
  };
  std::vector<uint8_t> hex =
      Wire([](Encoder& e) { e.HexHeader(ZRPOS, Header::FromPosition(0x12345678)); });
  std::vector<uint8_t> bin32 =
      Wire([](Encoder& e) { e.BinaryHeader(ZDATA, Header::FromPosition(0x12345678)); });
  std::vector<uint8_t> noisy = {'x', 'y', 17, 19};
  noisy.insert(noisy.end(), bin32.begin(), bin32.begin() + 6);
  noisy.push_back(17);  // XON inside the frame is skipped
  noisy.insert(noisy.end(), bin32.begin() + 6, bin32.end());
  const std::vector<Case> cases = {
      {"hex", hex, false, 1},
      {"binary CRC-32", bin32, true, 0},
      {"garbage before, flow control inside", noisy, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HeaderReader reader;
    size_t used = 0;
    const auto r = FeedAll(reader, c.wire, &used);
    ASSERT_EQ(r.kind, Kind::Frame);
    EXPECT_EQ(used, c.wire.size() - c.unread);  // a hex header ends after its CR LF
    EXPECT_EQ(r.header.Position(), pos.Position());
    EXPECT_EQ(r.crc32, c.crc32);
    EXPECT_EQ(reader.NextWait(), Wait::Hunt);
  }
}

TEST(HeaderReader, HexTrailerMayNeverCome) {
  std::vector<uint8_t> hex =
      Wire([](Encoder& e) { e.HexHeader(ZRINIT, Header::FromFlags(CANFDX)); });
  hex.resize(hex.size() - 2);  // CR LF (and the XON after them) lost
  while (hex.back() == kXON || hex.back() == '\n' || hex.back() == 0x8A || hex.back() == kCR)
    hex.pop_back();
  HeaderReader reader;
  EXPECT_EQ(FeedAll(reader, hex).kind, Kind::More);
  EXPECT_EQ(reader.NextWait(), Wait::Trailer);
  const auto r = reader.TimedOut();
  EXPECT_EQ(r.kind, Kind::Frame);
  EXPECT_EQ(r.type, ZRINIT);
}

TEST(HeaderReader, FailuresAndCancels) {
  std::vector<uint8_t> bad = Wire([](Encoder& e) { e.HexHeader(ZACK, Header::FromPosition(7)); });
  bad[6] = bad[6] == '0' ? '1' : '0';  // a position digit: the CRC no longer matches
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    Kind kind;
  };
  const std::vector<Case> cases = {
      {"five CAN", {24, 24, 24, 24, 24}, Kind::Cancelled},
      {"bad CRC", bad, Kind::BadCrc},
      {"upper-case hex", {'*', '*', 24, 'B', '0', 'A'}, Kind::Garbled},
      {"subpacket end inside a binary header", {'*', 24, 'C', 24, 'k'}, Kind::Garbled},
      {"ZDLE and four CAN inside a binary header",
       {'*', 24, 'A', 24, 24, 24, 24, 24},
       Kind::Cancelled},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HeaderReader reader;
    EXPECT_EQ(FeedAll(reader, c.bytes).kind, c.kind);
  }
}

TEST(HeaderReader, GarbageBudgetAndCancelTimeOuts) {
  HeaderReader reader;
  std::vector<uint8_t> junk(HeaderReader::kGarbageBudget - 1, 'g');
  EXPECT_EQ(FeedAll(reader, junk).kind, Kind::More);
  EXPECT_EQ(reader.Feed('g').kind, Kind::NoFrame);

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
}  // namespace parlane::zm
