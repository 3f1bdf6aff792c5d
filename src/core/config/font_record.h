// The platform's logical-font record (60 bytes) and the font chooser's data
// around it (94 bytes), kept byte for byte in MAIN.CFG (the printer font) and
// in WINDPREF.CFG (the terminal font).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace parlane {

struct LogFont {
  static constexpr size_t kSize = 60;
  static constexpr size_t kFaceSize = 32;

  int32_t Height = 0;          // 0: negative = character height in pixels
  int32_t Width = 0;           // 4
  int32_t Escapement = 0;      // 8
  int32_t Orientation = 0;     // 12
  int32_t Weight = 0;          // 16: 400 normal, 700 bold
  uint8_t Italic = 0;          // 20
  uint8_t Underline = 0;       // 21
  uint8_t StrikeOut = 0;       // 22
  uint8_t CharSet = 0;         // 23
  uint8_t OutPrecision = 0;    // 24
  uint8_t ClipPrecision = 0;   // 25
  uint8_t Quality = 0;         // 26
  uint8_t PitchAndFamily = 0;  // 27
  std::string FaceName;        // 28, 32 bytes with terminator

  static LogFont Decode(std::span<const uint8_t> b, size_t off = 0);
  void Encode(std::span<uint8_t> b, size_t off = 0) const;
  bool operator==(const LogFont&) const = default;
};

// The font chooser's data: Flags, Error, DC, the logical font, PointSize,
// Color, Style (a run-time pointer), FontType, SizeMin, SizeMax.
struct FontChoice {
  static constexpr size_t kSize = 94;

  uint32_t Flags = 0;     // 0
  uint32_t Error = 0;     // 4
  uint32_t DC = 0;        // 8, meaningless on disk
  LogFont Font;           // 12
  int32_t PointSize = 0;  // 72, tenths of a point
  uint32_t Color = 0;     // 76
  uint32_t Style = 0;     // 80, meaningless on disk
  uint16_t FontType = 0;  // 84
  int32_t SizeMin = 0;    // 86
  int32_t SizeMax = 0;    // 90

  static FontChoice Decode(std::span<const uint8_t> b, size_t off = 0);
  void Encode(std::span<uint8_t> b, size_t off = 0) const;
  bool operator==(const FontChoice&) const = default;
};

// Font chooser flags the printer font is prepared with: screen and printer
// fonts, fixed pitch only, font must exist, initialise from the logical font.
inline constexpr uint32_t kPrinterFontChooserFlags = 0x14043;

}  // namespace parlane
