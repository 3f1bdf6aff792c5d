// Little-endian field access for the fixed-size records kept on disk.
// Every field is read and written at its byte offset; nothing relies on the
// in-memory layout of a struct.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace parlane::le {

inline uint16_t u16(std::span<const uint8_t> b, size_t off) {
  return static_cast<uint16_t>(b[off] | (b[off + 1] << 8));
}
inline uint32_t u32(std::span<const uint8_t> b, size_t off) {
  return static_cast<uint32_t>(b[off]) | (static_cast<uint32_t>(b[off + 1]) << 8) |
         (static_cast<uint32_t>(b[off + 2]) << 16) | (static_cast<uint32_t>(b[off + 3]) << 24);
}
inline int32_t i32(std::span<const uint8_t> b, size_t off) {
  return static_cast<int32_t>(u32(b, off));
}

inline void put16(std::span<uint8_t> b, size_t off, uint16_t v) {
  b[off] = static_cast<uint8_t>(v);
  b[off + 1] = static_cast<uint8_t>(v >> 8);
}
inline void put32(std::span<uint8_t> b, size_t off, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[off + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void puti32(std::span<uint8_t> b, size_t off, int32_t v) {
  put32(b, off, static_cast<uint32_t>(v));
}

// A string field of `size` bytes: read up to the first NUL, never past the field.
inline std::string str(std::span<const uint8_t> b, size_t off, size_t size) {
  const uint8_t* p = b.data() + off;
  const uint8_t* end = std::find(p, p + size, uint8_t{0});
  return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(end - p));
}

// Writes `s` into a `size`-byte field, cut to size-1 bytes and NUL-padded,
// so the field always holds a terminator.
inline void putstr(std::span<uint8_t> b, size_t off, size_t size, std::string_view s) {
  if (size == 0) return;
  const size_t n = std::min(s.size(), size - 1);
  std::memcpy(b.data() + off, s.data(), n);
  std::memset(b.data() + off + n, 0, size - n);
}

}  // namespace parlane::le
