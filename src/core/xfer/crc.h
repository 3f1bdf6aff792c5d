// The two CRCs of the transfer protocols: CRC-16/XMODEM (Zmodem hex and
// CRC-16 binary frames, Ymodem-G blocks) and the ISO-HDLC CRC-32 (Zmodem
// CRC-32 frames). Both tables are built at compile time and shared.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace parlane {

namespace crc_detail {

// Entry i is the CRC of byte i shifted through 0x1021, most significant bit first.
constexpr std::array<uint16_t, 256> MakeCrc16Table() {
  std::array<uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned crc = i << 8;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1;
    table[i] = static_cast<uint16_t>(crc);
  }
  return table;
}

// Entry i is i shifted right eight times through the reflected 0xEDB88320.
constexpr std::array<uint32_t, 256> MakeCrc32Table() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t crc = i;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    table[i] = crc;
  }
  return table;
}

// Eight tables for taking eight bytes per step: entry [k][i] is the CRC
// register after byte i followed by k zero bytes.
constexpr std::array<std::array<uint32_t, 256>, 8> MakeCrc32Slices() {
  std::array<std::array<uint32_t, 256>, 8> t{};
  t[0] = MakeCrc32Table();
  for (size_t k = 1; k < 8; ++k)
    for (size_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
  return t;
}

inline constexpr auto kCrc16Table = MakeCrc16Table();
inline constexpr auto kCrc32Table = MakeCrc32Table();
inline constexpr auto kCrc32Slices = MakeCrc32Slices();
static_assert(kCrc16Table[1] == 0x1021);
static_assert(kCrc32Table[1] == 0x77073096);

}  // namespace crc_detail

// CRC-16 accumulator. The wire value of covered bytes is the accumulator after
// two more zero bytes (Finish); a receiver that also feeds the two received
// CRC bytes ends at 0.
class Crc16 {
 public:
  constexpr explicit Crc16(uint16_t start = 0) : crc_(start) {}
  constexpr void Update(uint8_t b) {
    crc_ = static_cast<uint16_t>(crc_detail::kCrc16Table[crc_ >> 8] ^
                                 static_cast<uint16_t>(crc_ << 8) ^ b);
  }
  constexpr void Update(std::span<const uint8_t> bytes) {
    for (uint8_t b : bytes) Update(b);
  }
  // The CRC to send: two zero bytes shifted through.
  constexpr uint16_t Finish() const {
    Crc16 c = *this;
    c.Update(0);
    c.Update(0);
    return c.crc_;
  }
  constexpr uint16_t Value() const { return crc_; }

 private:
  uint16_t crc_;
};

// CRC-32 accumulator, starting at 0xFFFFFFFF; the wire value is the complement.
// A receiver that feeds the covered bytes and the four received bytes ends
// at kCrc32Residue.
class Crc32 {
 public:
  static constexpr uint32_t kStart = 0xFFFFFFFFu;
  static constexpr uint32_t kResidue = 0xDEBB20E3u;

  constexpr explicit Crc32(uint32_t start = kStart) : crc_(start) {}
  constexpr void Update(uint8_t b) {
    crc_ = crc_detail::kCrc32Table[(crc_ ^ b) & 0xFF] ^ (crc_ >> 8);
  }
  // Eight bytes per step where it can (the same result as byte by byte).
  constexpr void Update(std::span<const uint8_t> bytes) {
    const auto& t = crc_detail::kCrc32Slices;
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
      const uint32_t one =
          crc_ ^
          (static_cast<uint32_t>(bytes[i]) | static_cast<uint32_t>(bytes[i + 1]) << 8 |
           static_cast<uint32_t>(bytes[i + 2]) << 16 | static_cast<uint32_t>(bytes[i + 3]) << 24);
      crc_ = t[7][one & 0xFF] ^ t[6][(one >> 8) & 0xFF] ^ t[5][(one >> 16) & 0xFF] ^
             t[4][one >> 24] ^ t[3][bytes[i + 4]] ^ t[2][bytes[i + 5]] ^ t[1][bytes[i + 6]] ^
             t[0][bytes[i + 7]];
    }
    for (; i < bytes.size(); ++i) Update(bytes[i]);
  }
  constexpr uint32_t Finish() const { return ~crc_; }
  constexpr uint32_t Value() const { return crc_; }

 private:
  uint32_t crc_;
};

}  // namespace parlane
