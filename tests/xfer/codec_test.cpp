// The wire codec against known bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xfer/crc.h"
#include "xfer/zmodem_codec.h"

namespace parlane {
namespace {

using namespace zm;

std::vector<uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

// The check values of "123456789", and the residue a receiver finds after
// running the CRC over the data and the sent CRC.
TEST(Crc, CheckValuesAndReceiverResidues) {
  const auto digits = Bytes("123456789");
  Crc16 c16;
  c16.Update(digits);
  EXPECT_EQ(c16.Finish(), 0x31C3);
  c16.Update(0x31);
  c16.Update(0xC3);
  EXPECT_EQ(c16.Value(), 0);
  Crc32 c32;
  c32.Update(digits);
  EXPECT_EQ(c32.Finish(), 0xCBF43926u);
  for (uint8_t b : {0x26, 0x39, 0xF4, 0xCB}) c32.Update(b);
  EXPECT_EQ(c32.Value(), Crc32::kResidue);
}

TEST(Crc, BlockUpdateEqualsByteUpdate) {
  std::vector<uint8_t> data(300);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 131 + 7);
  for (size_t n : {size_t{0}, size_t{1}, size_t{7}, size_t{8}, size_t{9}, size_t{15}, size_t{16},
                   size_t{300}}) {
    Crc32 block, bytes;
    block.Update(std::span<const uint8_t>(data.data(), n));
    for (size_t i = 0; i < n; ++i) bytes.Update(data[i]);
    EXPECT_EQ(block.Value(), bytes.Value()) << n;
  }
}

TEST(Escape, EveryByteValue) {
  for (int b = 0; b < 256; ++b) {
    SCOPED_TRACE(b);
    const bool always = b == 24 || b == 17 || b == 19 || b == 145 || b == 147;
    const bool control = (b & 0x60) == 0;
    for (bool escctl : {false, true}) {
      std::vector<uint8_t> out;
      EncodeOptions opt;
      opt.escapeControl = escctl;
      Encoder(out, opt).Escaped(static_cast<uint8_t>(b));
      const bool escaped = always || (escctl && control);
      if (escaped) {
        ASSERT_EQ(out.size(), 2u);
        EXPECT_EQ(out[0], kZDLE);
        EXPECT_EQ(out[1], b ^ 64);
        // And back: the escaped byte decodes to the original.
        EXPECT_EQ(UnescapeByte(out[1]), b);
      } else {
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0], b);
      }
    }
  }
}

TEST(Escape, SpecialEscapesAndBadOnes) {
  EXPECT_EQ(UnescapeByte('l'), 127);
  EXPECT_EQ(UnescapeByte('m'), 255);
  EXPECT_EQ(UnescapeByte('X'), 24);
  EXPECT_EQ(UnescapeByte('0'), -1);   // bits 5 and 6 are 1 and 1
  EXPECT_EQ(UnescapeByte(0x05), -1);  // bits 5 and 6 are 0 and 0
}

TEST(Header, ZrqinitHexHeaderBytes) {
  std::vector<uint8_t> out;
  EncodeOptions opt;
  Encoder(out, opt).HexHeader(ZRQINIT, Header{});
  const std::string expect = std::string(
      "**\x18"
      "B00000000000000\r\x8a\x11",
      21);
  EXPECT_EQ(std::string(out.begin(), out.end()), expect);
}

TEST(Header, ZfinAndZackHaveNoXon) {
  for (int type : {ZFIN, ZACK}) {
    std::vector<uint8_t> out;
    EncodeOptions opt;
    Encoder(out, opt).HexHeader(type, Header{});
    EXPECT_EQ(out.back(), kLFHigh) << type;
  }
}

TEST(Header, HexHeaderCrcCoversTypeAndFourBytes) {
  std::vector<uint8_t> out;
  EncodeOptions opt;
  const Header h = Header::FromPosition(0x12345678);
  Encoder(out, opt).HexHeader(ZRPOS, h);
  // "**" ZDLE "B" then 7 hex pairs.
  std::vector<uint8_t> body;
  for (size_t i = 4; i < 18; i += 2)
    body.push_back(static_cast<uint8_t>(HexDigitValue(out[i]) * 16 + HexDigitValue(out[i + 1])));
  EXPECT_EQ(body[0], ZRPOS);
  EXPECT_EQ(body[1], 0x78);  // ZP0 first
  EXPECT_EQ(body[4], 0x12);
  Crc16 crc;
  crc.Update(body);
  EXPECT_EQ(crc.Value(), 0);
}

TEST(Header, FlagsAndPositionByteOrder) {
  const Header f = Header::FromFlags(0x27, 4, 2, 1);
  EXPECT_EQ(f.b[3], 0x27);
  EXPECT_EQ(f.b[2], 4);
  EXPECT_EQ(f.b[0], 1);
  EXPECT_EQ(Header::FromPosition(0xA1B2C3D4).Position(), 0xA1B2C3D4u);
}

TEST(Header, BinaryHeaders) {
  for (bool crc32 : {false, true}) {
    std::vector<uint8_t> out;
    EncodeOptions opt;
    opt.crc32 = crc32;
    Encoder(out, opt).BinaryHeader(ZDATA, Header::FromPosition(0x18));
    ASSERT_GE(out.size(), 3u);
    EXPECT_EQ(out[0], '*');
    EXPECT_EQ(out[1], kZDLE);
    EXPECT_EQ(out[2], crc32 ? 'C' : 'A');
    // The position byte 24 is escaped.
    EXPECT_EQ(out[3], ZDATA);
    EXPECT_EQ(out[4], kZDLE);
    EXPECT_EQ(out[5], 24 ^ 64);
  }
}

TEST(Subpacket, EndsAndCrcs) {
  struct Case {
    uint8_t end;
    bool crc32;
  };
  for (const Case c : {Case{ZCRCE, false}, Case{ZCRCG, false}, Case{ZCRCQ, true}, Case{ZCRCW, true},
                       Case{ZCRCW, false}}) {
    std::vector<uint8_t> out;
    EncodeOptions opt;
    opt.crc32 = c.crc32;
    const auto data = Bytes("123456789");
    Encoder(out, opt).DataSubpacket(data, c.end);
    ASSERT_GE(out.size(), 11u);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), out.begin()));
    EXPECT_EQ(out[9], kZDLE);
    EXPECT_EQ(out[10], c.end);
    // Only ZCRCW is followed by XON (the CRC bytes themselves are escaped,
    // so the last byte of the others is never a bare XON).
    EXPECT_EQ(out.back() == kXON, c.end == ZCRCW);
  }
}

// The data of a subpacket goes out exactly as each byte escaped (and 255
// doubled) on its own would, for every byte value and every option mix.
TEST(Subpacket, DataEqualsByteByByteEscaping) {
  std::vector<uint8_t> data;
  for (int round = 0; round < 3; ++round)
    for (int b = 0; b < 256; ++b)
      data.push_back(static_cast<uint8_t>(round == 1 ? 255 - b : b * 7 + round));
  for (int mix = 0; mix < 4; ++mix) {
    SCOPED_TRACE(mix);
    EncodeOptions opt;
    opt.escapeControl = (mix & 1) != 0;
    opt.doubleIac = (mix & 2) != 0;
    std::vector<uint8_t> packet, expect;
    Encoder(packet, opt).DataSubpacket(data, ZCRCG);
    Encoder byByte(expect, opt);
    for (uint8_t b : data) byByte.Escaped(b);
    ASSERT_GT(packet.size(), expect.size());
    EXPECT_TRUE(std::equal(expect.begin(), expect.end(), packet.begin()));
    EXPECT_EQ(packet[expect.size()], kZDLE);
  }
}

TEST(Subpacket, EmptyCrc16Packet) {
  std::vector<uint8_t> out;
  EncodeOptions opt;
  Encoder(out, opt).DataSubpacket({}, ZCRCE);
  Crc16 crc;
  crc.Update(ZCRCE);
  const uint16_t v = crc.Finish();
  const std::vector<uint8_t> expect = {kZDLE, ZCRCE, static_cast<uint8_t>(v >> 8),
                                       static_cast<uint8_t>(v)};
  EXPECT_EQ(out, expect);
}

TEST(Telnet, DoublesEvery255OnTheWire) {
  std::vector<uint8_t> out;
  EncodeOptions opt;
  opt.doubleIac = true;
  Encoder enc(out, opt);
  enc.Escaped(255);
  enc.Escaped(24);
  EXPECT_EQ(out, (std::vector<uint8_t>{255, 255, kZDLE, 'X'}));
}

TEST(Names, FrameNamesAndCodes) {
  EXPECT_STREQ(FrameName(-3), "No Response");
  EXPECT_STREQ(FrameName(-2), "TIMEOUT");
  EXPECT_STREQ(FrameName(-1), "ZMODEM_ERROR");
  EXPECT_STREQ(FrameName(19), "ZSTDERR");
  EXPECT_EQ(FrameName(20), nullptr);
  EXPECT_EQ(FrameName(-4), nullptr);
}

TEST(Cancel, TenCanAndTenBackspaces) {
  ASSERT_EQ(kCancelSequence.size(), 20u);
  for (size_t i = 0; i < 20; ++i) EXPECT_EQ(kCancelSequence[i], i < 10 ? 24 : 8);
}

}  // namespace
}  // namespace parlane
