#include "config/font_record.h"

#include "config/record_layout.h"

namespace parlane {

namespace {

const RecordField& FontChoiceLayout() {
  static const RecordField layout = FontChoiceField("", 0, nullptr);
  return layout;
}

}  // namespace

LogFont LogFont::Decode(std::span<const uint8_t> b, size_t off) {
  LogFont f;
  DecodeFields(LogFontLayout(), b, &f, off);
  return f;
}

void LogFont::Encode(std::span<uint8_t> b, size_t off) const {
  EncodeFields(LogFontLayout(), this, b, off);
}

FontChoice FontChoice::Decode(std::span<const uint8_t> b, size_t off) {
  FontChoice c;
  DecodeFields(FontChoiceLayout(), b, &c, off);
  return c;
}

void FontChoice::Encode(std::span<uint8_t> b, size_t off) const {
  EncodeFields(FontChoiceLayout(), this, b, off);
}

}  // namespace parlane
