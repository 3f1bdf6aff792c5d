#include "xfer/zmodem_codec.h"

#include <array>

#include "xfer/crc.h"

namespace parlane::zm {

const char* FrameName(int code) {
  static constexpr const char* kNames[] = {
      "No Response", "TIMEOUT", "ZMODEM_ERROR", "ZRQINIT", "ZRINIT",     "ZSINIT", "ZACK",
      "ZFILE",       "ZSKIP",   "ZNAK",         "ZABORT",  "ZFIN",       "ZRPOS",  "ZDATA",
      "ZEOF",        "ZFERR",   "ZCRC",         "ZCHALLENGE", "ZCOMPL",  "ZCAN",   "ZFREECNT",
      "ZCOMMAND",    "ZSTDERR"};
  if (code < -3 || code > 19) return nullptr;
  return kNames[code + 3];
}

Header Header::FromPosition(uint32_t pos) {
  Header h;
  for (int i = 0; i < 4; ++i) h.b[i] = static_cast<uint8_t>(pos >> (8 * i));
  return h;
}

Header Header::FromFlags(uint8_t zf0, uint8_t zf1, uint8_t zf2, uint8_t zf3) {
  Header h;
  h.b = {zf3, zf2, zf1, zf0};
  return h;
}

uint32_t Header::Position() const {
  return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
         (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

void Encoder::HexByte(uint8_t b) {
  static constexpr char kDigits[] = "0123456789abcdef";
  Raw(static_cast<uint8_t>(kDigits[b >> 4]));
  Raw(static_cast<uint8_t>(kDigits[b & 15]));
}

void Encoder::HexHeader(int type, const Header& h) {
  Raw(kZPAD);
  Raw(kZPAD);
  Raw(kZDLE);
  Raw(kHex);
  Crc16 crc;
  const auto t = static_cast<uint8_t>(type);
  HexByte(t);
  crc.Update(t);
  for (uint8_t b : h.b) {
    HexByte(b);
    crc.Update(b);
  }
  const uint16_t v = crc.Finish();
  HexByte(static_cast<uint8_t>(v >> 8));
  HexByte(static_cast<uint8_t>(v));
  Raw(kCR);
  Raw(kLFHigh);
  // The receiver of ZFIN and ZACK may be gone or about to send: no XON after them.
  if (type != ZFIN && type != ZACK) Raw(kXON);
}

void Encoder::BinaryHeader(int type, const Header& h) {
  Raw(kZPAD);
  Raw(kZDLE);
  Raw(opt_.crc32 ? kBin32 : kBin16);
  const std::array<uint8_t, 5> body = {static_cast<uint8_t>(type), h.b[0], h.b[1], h.b[2], h.b[3]};
  for (uint8_t b : body) Escaped(b);
  if (opt_.crc32) {
    Crc32 crc;
    crc.Update(body);
    const uint32_t v = crc.Finish();
    for (int i = 0; i < 4; ++i) Escaped(static_cast<uint8_t>(v >> (8 * i)));
  } else {
    Crc16 crc;
    crc.Update(body);
    const uint16_t v = crc.Finish();
    Escaped(static_cast<uint8_t>(v >> 8));
    Escaped(static_cast<uint8_t>(v));
  }
}

namespace {
// For each byte: 1 when it goes out as a ZDLE pair, without (first) and with
// control escaping.
constexpr std::array<std::array<uint8_t, 256>, 2> MakeEscapeFlags() {
  std::array<std::array<uint8_t, 256>, 2> t{};
  for (unsigned b = 0; b < 256; ++b) {
    const EscapeClass c = kEscapeTable[b];
    t[0][b] = c == EscapeClass::Always ? 1 : 0;
    t[1][b] = c != EscapeClass::Plain ? 1 : 0;
  }
  return t;
}
constexpr auto kEscapeFlags = MakeEscapeFlags();
}  // namespace

void Encoder::DataSubpacket(std::span<const uint8_t> data, uint8_t end) {
  // The data in one pass into room for the worst case (every byte escaped
  // or doubled); an escaped byte never reads 255, so never needs doubling.
  // Each step writes two bytes and keeps one or both, without branches:
  // a ZDLE pair, a doubled 255, or the byte and a scratch byte that the
  // next step overwrites.
  const size_t start = out_.size();
  out_.resize(start + data.size() * 2 + 1);
  uint8_t* p = out_.data() + start;
  const auto& escape = kEscapeFlags[opt_.escapeControl ? 1 : 0];
  if (opt_.doubleIac) {
    for (const uint8_t b : data) {
      const uint8_t e = escape[b];
      const uint8_t twice = b == 255 ? 1 : 0;
      p[0] = e ? kZDLE : b;
      p[1] = e ? static_cast<uint8_t>(b ^ 64) : b;
      p += 1 + (e | twice);
    }
  } else {
    for (const uint8_t b : data) {
      const uint8_t e = escape[b];
      p[0] = e ? kZDLE : b;
      p[1] = static_cast<uint8_t>(b ^ 64);
      p += 1 + e;
    }
  }
  out_.resize(static_cast<size_t>(p - out_.data()));
  Raw(kZDLE);
  Raw(end);
  if (opt_.crc32) {
    Crc32 crc;
    crc.Update(data);
    crc.Update(end);
    const uint32_t v = crc.Finish();
    for (int i = 0; i < 4; ++i) Escaped(static_cast<uint8_t>(v >> (8 * i)));
  } else {
    Crc16 crc;
    crc.Update(data);
    crc.Update(end);
    const uint16_t v = crc.Finish();
    Escaped(static_cast<uint8_t>(v >> 8));
    Escaped(static_cast<uint8_t>(v));
  }
  if (end == ZCRCW) Raw(kXON);
}

int HexDigitValue(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

int UnescapeByte(uint8_t c) {
  if (c == kEscaped127) return 127;
  if (c == kEscaped255) return 255;
  if ((c & 0x60) == 0x40) return c ^ 64;
  return -1;
}

}  // namespace parlane::zm
