// The wire codec against known bytes.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "xfer/crc.h"
#include "xfer/zmodem_codec.h"

namespace parlane {
namespace {

using namespace zm;

// The check values of "123456789", the residue a receiver finds after running
// the CRC over the data and the sent CRC, and block updates of every length
// around the eight-byte steps giving what byte updates give.
TEST(Crc, CheckValuesResiduesAndBlockUpdates) {
  const std::string digits = "123456789";
  const std::span<const uint8_t> d(reinterpret_cast<const uint8_t*>(digits.data()), 9);
  Crc16 c16;
  c16.Update(d);
  EXPECT_EQ(c16.Finish(), 0x31C3);
  for (uint8_t b : {0x31, 0xC3}) c16.Update(b);
  EXPECT_EQ(c16.Value(), 0);
  Crc32 c32;
  c32.Update(d);
  EXPECT_EQ(c32.Finish(), 0xCBF43926u);
  for (uint8_t b : {0x26, 0x39, 0xF4, 0xCB}) c32.Update(b);
  EXPECT_EQ(c32.Value(), Crc32::kResidue);

  std::vector<uint8_t> data(300);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 131 + 7);
  for (size_t n : {0, 1, 7, 8, 9, 15, 16, 300}) {
    Crc32 block, bytes;
    block.Update(std::span<const uint8_t>(data.data(), n));
    for (size_t i = 0; i < n; ++i) bytes.Update(data[i]);
    EXPECT_EQ(block.Value(), bytes.Value()) << n;
  }
}

// Every byte value with every option mix: CAN, XON and XOFF (either parity)
// always escaped, the other control bytes only when asked, 255 doubled for
// Telnet; and each escape decodes back.
TEST(Escape, EveryByteValue) {
  for (int b = 0; b < 256; ++b) {
    SCOPED_TRACE(b);
    const bool always = b == 24 || b == 17 || b == 19 || b == 145 || b == 147;
    for (int mix = 0; mix < 4; ++mix) {
      EncodeOptions opt;
      opt.escapeControl = (mix & 1) != 0;
      opt.doubleIac = (mix & 2) != 0;
      std::vector<uint8_t> out;
      Encoder(out, opt).Escaped(static_cast<uint8_t>(b));
      std::vector<uint8_t> expect = {static_cast<uint8_t>(b)};
      if (always || (opt.escapeControl && (b & 0x60) == 0)) {
        expect = {kZDLE, static_cast<uint8_t>(b ^ 64)};
        EXPECT_EQ(UnescapeByte(expect[1]), b);
      } else if (b == 255 && opt.doubleIac) {
        expect = {255, 255};
      }
      EXPECT_EQ(out, expect) << "mix " << mix;
    }
  }
}

TEST(Escape, SpecialAndBadEscapesAndUnknownFrames) {
  EXPECT_EQ(UnescapeByte('l'), 127);
  EXPECT_EQ(UnescapeByte('m'), 255);
  EXPECT_EQ(UnescapeByte('0'), -1);   // bits 5 and 6 are 1 and 1
  EXPECT_EQ(UnescapeByte(0x05), -1);  // bits 5 and 6 are 0 and 0
  EXPECT_EQ(FrameName(20), nullptr);
  EXPECT_EQ(FrameName(-4), nullptr);
}

// Headers and subpackets byte for byte, with their CRCs (sent high byte
// first for CRC-16, low byte first for CRC-32) and the XON that follows a
// hex header other than ZFIN and ZACK, and a ZCRCW subpacket.
TEST(Encoding, ByteExactHeadersAndSubpackets) {
  struct Case {
    const char* name;
    bool crc32;
    std::function<void(Encoder&)> build;
    std::string wire;
  };
  const std::vector<uint8_t> ab = {'a', 'b'};
  const Case cases[] = {
      {"ZRQINIT", false, [](Encoder& e) { e.HexHeader(ZRQINIT, Header{}); },
       "**\030B00000000000000\r\212\021"},
      {"ZFIN", false, [](Encoder& e) { e.HexHeader(ZFIN, Header{}); },
       "**\030B0800000000022d\r\212"},
      {"ZRPOS", false, [](Encoder& e) { e.HexHeader(ZRPOS, Header::FromPosition(0x12345678)); },
       "**\030B09785634127886\r\212\021"},
      {"binary CRC-16", false,
       [](Encoder& e) { e.BinaryHeader(ZDATA, Header::FromPosition(0x18)); },
       std::string("*\030A\012\030X\0\0\0\330\312", 11)},
      {"binary CRC-32", true, [](Encoder& e) { e.BinaryHeader(ZDATA, Header::FromPosition(0x18)); },
       std::string("*\030C\012\030X\0\0\0\314\220\077\031", 13)},
      {"empty ZCRCE", false, [](Encoder& e) { e.DataSubpacket({}, ZCRCE); }, "\030h\355\256"},
      {"ZCRCW CRC-16", false, [&](Encoder& e) { e.DataSubpacket(ab, ZCRCW); },
       "ab\030k\034\336\021"},
      {"ZCRCW CRC-32", true, [&](Encoder& e) { e.DataSubpacket(ab, ZCRCW); },
       "ab\030k\360\311\377;\021"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> out;
    EncodeOptions opt;
    opt.crc32 = c.crc32;
    Encoder enc(out, opt);
    c.build(enc);
    EXPECT_EQ(std::string(out.begin(), out.end()), c.wire);
  }
  EXPECT_EQ(Header::FromFlags(0x27, 4, 2, 1).b, (std::array<uint8_t, 4>{1, 2, 4, 0x27}));
}

// The data of a subpacket goes out exactly as each byte escaped on its own
// would, for every byte value and every option mix.
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

}  // namespace
}  // namespace parlane
