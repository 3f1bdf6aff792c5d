// The Zmodem wire codec: frame types and their names, ZDLE escaping, hex and
// binary headers, data subpackets. Pure functions over bytes: no I/O, no
// clocks, no state beyond what the caller passes in.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace parlane::zm {

// Frame types, as numbered on the wire.
enum FrameType : int {
  ZRQINIT = 0,
  ZRINIT = 1,
  ZSINIT = 2,
  ZACK = 3,
  ZFILE = 4,
  ZSKIP = 5,
  ZNAK = 6,
  ZABORT = 7,
  ZFIN = 8,
  ZRPOS = 9,
  ZDATA = 10,
  ZEOF = 11,
  ZFERR = 12,
  ZCRC = 13,
  ZCHALLENGE = 14,
  ZCOMPL = 15,
  ZCAN = 16,
  ZFREECNT = 17,
  ZCOMMAND = 18,
  ZSTDERR = 19,
};

// Results of the receiving operations besides a frame type.
constexpr int kError = -1;    // "ZMODEM_ERROR"
constexpr int kTimeout = -2;  // "TIMEOUT"
constexpr int kNoFrame = -3;  // "No Response"

// The name of a result from -3 to 19, or nullptr for any other value.
const char* FrameName(int code);

// Special bytes.
constexpr uint8_t kZPAD = '*';
constexpr uint8_t kZDLE = 24;  // also CAN
constexpr uint8_t kCAN = 24;
constexpr uint8_t kXON = 17;
constexpr uint8_t kXOFF = 19;
constexpr uint8_t kCR = 13;
constexpr uint8_t kLFHigh = 138;  // line feed with the top bit set, ends a hex header

// Header format letters after ZPAD ZDLE.
constexpr uint8_t kBin16 = 'A';
constexpr uint8_t kHex = 'B';
constexpr uint8_t kBin32 = 'C';

// Subpacket ends (the byte after a ZDLE) and their codes as returned by the
// receiving operations (256 plus the byte).
constexpr uint8_t ZCRCE = 'h';  // end of frame, no answer expected
constexpr uint8_t ZCRCG = 'i';  // more data follows, no answer
constexpr uint8_t ZCRCQ = 'j';  // more data follows, answer ZACK
constexpr uint8_t ZCRCW = 'k';  // end of frame, answer ZACK
constexpr int kEndCode = 256;
constexpr int kGotCRCE = kEndCode + ZCRCE;
constexpr int kGotCRCG = kEndCode + ZCRCG;
constexpr int kGotCRCQ = kEndCode + ZCRCQ;
constexpr int kGotCRCW = kEndCode + ZCRCW;
constexpr int kGotCancel = 280;  // five CAN in a row inside escaped data
constexpr uint8_t kEscaped127 = 'l';
constexpr uint8_t kEscaped255 = 'm';

// ZRINIT capability bits (ZF0).
constexpr uint8_t CANFDX = 0x01;
constexpr uint8_t CANOVIO = 0x02;
constexpr uint8_t CANBRK = 0x04;
constexpr uint8_t CANFC32 = 0x20;
constexpr uint8_t ESCCTL = 0x40;

// ZFILE management option: replace an existing file (ZF1).
constexpr uint8_t ZMCLOB = 4;

// The ten CAN and ten backspaces that end a failed transfer.
constexpr std::array<uint8_t, 20> kCancelSequence = {24, 24, 24, 24, 24, 24, 24, 24, 24, 24,
                                                     8,  8,  8,  8,  8,  8,  8,  8,  8,  8};

// The four header bytes. As a position they are little-endian (ZP0..ZP3);
// as flags byte 3 is ZF0, byte 2 ZF1, byte 1 ZF2, byte 0 ZF3.
struct Header {
  std::array<uint8_t, 4> b{};

  static Header FromPosition(uint32_t pos);
  static Header FromFlags(uint8_t zf0, uint8_t zf1 = 0, uint8_t zf2 = 0, uint8_t zf3 = 0);
  uint32_t Position() const;
  uint8_t ZF0() const { return b[3]; }
  uint8_t ZF1() const { return b[2]; }
  uint8_t ZP0() const { return b[0]; }
  uint8_t ZP1() const { return b[1]; }
};

// How a byte fares in SendEscaped: sent as it is, always escaped (ZDLE and the
// flow-control bytes), or escaped only when control escaping is on.
enum class EscapeClass : uint8_t { Plain, Always, ControlOnly };

namespace detail {
constexpr std::array<EscapeClass, 256> MakeEscapeTable() {
  std::array<EscapeClass, 256> t{};
  for (unsigned b = 0; b < 256; ++b) {
    if (b & 0x60) {
      t[b] = EscapeClass::Plain;  // bit 5 or 6 set: never escaped
    } else if (b == 24 || b == 17 || b == 19 || b == 145 || b == 147) {
      t[b] = EscapeClass::Always;
    } else {
      t[b] = EscapeClass::ControlOnly;
    }
  }
  return t;
}
}  // namespace detail
inline constexpr auto kEscapeTable = detail::MakeEscapeTable();

inline bool NeedsEscape(uint8_t b, bool escapeControl) {
  const EscapeClass c = kEscapeTable[b];
  return c == EscapeClass::Always || (c == EscapeClass::ControlOnly && escapeControl);
}

// How many bytes at the start of `bytes` go out as they are: none of them
// needs escaping (with or without control escaping) nor, with `stopAt255`,
// is 255.
size_t PlainPrefix(const uint8_t* bytes, size_t count, bool escapeControl, bool stopAt255);

// Encoding options of one direction of a session.
struct EncodeOptions {
  bool crc32 = false;          // binary headers and subpackets carry CRC-32
  bool escapeControl = false;  // the receiver asked for ESCCTL
  bool doubleIac = false;      // Telnet: every byte 255 on the wire is sent twice
};

// Appends wire bytes to a buffer. Every output byte goes through Raw(), which
// is where the Telnet doubling of 255 happens.
class Encoder {
 public:
  Encoder(std::vector<uint8_t>& out, const EncodeOptions& opt) : out_(out), opt_(opt) {}

  void Raw(uint8_t b) {
    out_.push_back(b);
    if (b == 255 && opt_.doubleIac) out_.push_back(b);
  }
  void Escaped(uint8_t b) {
    if (NeedsEscape(b, opt_.escapeControl)) {
      Raw(kZDLE);
      Raw(static_cast<uint8_t>(b ^ 64));
    } else {
      Raw(b);
    }
  }
  void HexByte(uint8_t b);
  void HexHeader(int type, const Header& h);
  void BinaryHeader(int type, const Header& h);
  void DataSubpacket(std::span<const uint8_t> data, uint8_t end);

 private:
  std::vector<uint8_t>& out_;
  const EncodeOptions& opt_;
};

// The value of a lowercase hex digit, or -1 for anything else (upper case too).
int HexDigitValue(uint8_t c);

// The data byte that a ZDLE pair stands for (the byte after the ZDLE):
// "l" is 127, "m" is 255, a byte whose bits 5 and 6 are 1 and 0 loses bit 6;
// anything else is a bad escape (-1). Subpacket ends and CAN are handled by
// the caller before this.
int UnescapeByte(uint8_t c);

}  // namespace parlane::zm
