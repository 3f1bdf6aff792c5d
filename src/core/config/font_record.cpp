#include "config/font_record.h"

#include "util/le.h"

namespace parlane {

LogFont LogFont::Decode(std::span<const uint8_t> b, size_t off) {
  LogFont f;
  f.Height = le::i32(b, off + 0);
  f.Width = le::i32(b, off + 4);
  f.Escapement = le::i32(b, off + 8);
  f.Orientation = le::i32(b, off + 12);
  f.Weight = le::i32(b, off + 16);
  f.Italic = b[off + 20];
  f.Underline = b[off + 21];
  f.StrikeOut = b[off + 22];
  f.CharSet = b[off + 23];
  f.OutPrecision = b[off + 24];
  f.ClipPrecision = b[off + 25];
  f.Quality = b[off + 26];
  f.PitchAndFamily = b[off + 27];
  f.FaceName = le::str(b, off + 28, kFaceSize);
  return f;
}

void LogFont::Encode(std::span<uint8_t> b, size_t off) const {
  le::puti32(b, off + 0, Height);
  le::puti32(b, off + 4, Width);
  le::puti32(b, off + 8, Escapement);
  le::puti32(b, off + 12, Orientation);
  le::puti32(b, off + 16, Weight);
  b[off + 20] = Italic;
  b[off + 21] = Underline;
  b[off + 22] = StrikeOut;
  b[off + 23] = CharSet;
  b[off + 24] = OutPrecision;
  b[off + 25] = ClipPrecision;
  b[off + 26] = Quality;
  b[off + 27] = PitchAndFamily;
  le::putstr(b, off + 28, kFaceSize, FaceName);
}

FontChoice FontChoice::Decode(std::span<const uint8_t> b, size_t off) {
  FontChoice c;
  c.Flags = le::u32(b, off + 0);
  c.Error = le::u32(b, off + 4);
  c.DC = le::u32(b, off + 8);
  c.Font = LogFont::Decode(b, off + 12);
  c.PointSize = le::i32(b, off + 72);
  c.Color = le::u32(b, off + 76);
  c.Style = le::u32(b, off + 80);
  c.FontType = le::u16(b, off + 84);
  c.SizeMin = le::i32(b, off + 86);
  c.SizeMax = le::i32(b, off + 90);
  return c;
}

void FontChoice::Encode(std::span<uint8_t> b, size_t off) const {
  le::put32(b, off + 0, Flags);
  le::put32(b, off + 4, Error);
  le::put32(b, off + 8, DC);
  Font.Encode(b, off + 12);
  le::puti32(b, off + 72, PointSize);
  le::put32(b, off + 76, Color);
  le::put32(b, off + 80, Style);
  le::put16(b, off + 84, FontType);
  le::puti32(b, off + 86, SizeMin);
  le::puti32(b, off + 90, SizeMax);
}

}  // namespace parlane
