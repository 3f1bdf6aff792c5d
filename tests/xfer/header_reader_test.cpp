// The incremental header reader: which limit the next read gets, and what a
// read that times out there makes. (What the bytes make is tested through
// the frame layer.)
#include <gtest/gtest.h>

#include <vector>

#include "xfer/zmodem_header.h"

namespace parlane::zm {
namespace {

using Kind = HeaderReader::Result::Kind;
using Wait = HeaderReader::Wait;

// Feeds every byte; returns the first result that is not More.
HeaderReader::Result FeedAll(HeaderReader& reader, const std::vector<uint8_t>& bytes) {
  for (uint8_t b : bytes)
    if (const auto r = reader.Feed(b); r.kind != Kind::More) return r;
  return {};
}

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
}  // namespace parlane::zm
