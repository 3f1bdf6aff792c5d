// A colour as red, green and blue bytes, shared by the screen's palette and
// the settings records, and the terminal's sixteen-colour palette, which the
// colour dialog offers too.
#pragma once

#include <array>
#include <cstdint>

namespace parlane {

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  bool operator==(const Rgb&) const = default;
  // The red-green-blue-zero byte order of the files, read as a little-endian u32.
  constexpr uint32_t ToColorRef() const { return r | (uint32_t{g} << 8) | (uint32_t{b} << 16); }
  static constexpr Rgb FromColorRef(uint32_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16)};
  }
};

// The ANSI palette shared by all windows; bit 3 of an index is the bright bit.
inline constexpr std::array<Rgb, 16> kAnsiPalette = {{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {192, 192, 192},
    {128, 128, 128},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};

}  // namespace parlane
