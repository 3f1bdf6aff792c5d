#include "xfer/zmodem_codec.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "xfer/crc.h"

namespace parlane::zm {

const char* FrameName(int code) {
  static constexpr const char* kNames[] = {
      "No Response", "TIMEOUT", "ZMODEM_ERROR", "ZRQINIT",  "ZRINIT", "ZSINIT",
      "ZACK",        "ZFILE",   "ZSKIP",        "ZNAK",     "ZABORT", "ZFIN",
      "ZRPOS",       "ZDATA",   "ZEOF",         "ZFERR",    "ZCRC",   "ZCHALLENGE",
      "ZCOMPL",      "ZCAN",    "ZFREECNT",     "ZCOMMAND", "ZSTDERR"};
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

size_t PlainPrefix(const uint8_t* bytes, size_t count, bool escapeControl, bool stopAt255) {
  size_t n = 0;
#if defined(__SSE2__)
  // Sixteen bytes per step while none of them is special.
  const __m128i zero = _mm_setzero_si128();
  const __m128i all = _mm_set1_epi8(static_cast<char>(0xFF));
  const __m128i extra = stopAt255 ? all : zero;
  for (; n + 16 <= count; n += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + n));
    __m128i stop = _mm_and_si128(_mm_cmpeq_epi8(v, all), extra);
    if (escapeControl) {
      stop = _mm_or_si128(stop, _mm_cmpeq_epi8(_mm_and_si128(v, _mm_set1_epi8(0x60)), zero));
    } else {
      stop = _mm_or_si128(
          stop, _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(24)),
                                          _mm_cmpeq_epi8(v, _mm_set1_epi8(17))),
                             _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(19)),
                                          _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(-111)),
                                                       _mm_cmpeq_epi8(v, _mm_set1_epi8(-109))))));
    }
    const int hits = _mm_movemask_epi8(stop);
    if (hits != 0) return n + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(hits)));
  }
#endif
  for (; n < count; ++n) {
    const uint8_t b = bytes[n];
    if (NeedsEscape(b, escapeControl) || (stopAt255 && b == 255)) break;
  }
  return n;
}

void Encoder::DataSubpacket(std::span<const uint8_t> data, uint8_t end) {
  // The data in one pass into room for the worst case (every byte escaped
  // or doubled): runs of plain bytes copied whole, each special byte on its
  // own. An escaped byte never reads 255, so never needs doubling.
  const size_t start = out_.size();
  out_.resize(start + data.size() * 2);
  uint8_t* p = out_.data() + start;
  const uint8_t* in = data.data();
  const uint8_t* const stop = in + data.size();
  while (in < stop) {
    const size_t run =
        PlainPrefix(in, static_cast<size_t>(stop - in), opt_.escapeControl, opt_.doubleIac);
    std::memcpy(p, in, run);
    p += run;
    in += run;
    if (in == stop) break;
    const uint8_t b = *in++;
    if (NeedsEscape(b, opt_.escapeControl)) {
      *p++ = kZDLE;
      *p++ = static_cast<uint8_t>(b ^ 64);
    } else {
      *p++ = b;
      *p++ = b;  // 255 on a Telnet line
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
