#include "config/record_layout.h"

#include <algorithm>
#include <cstring>

#include "config/font_record.h"
#include "config/terminal_options.h"
#include "util/le.h"

namespace parlane {

namespace {

template <typename T>
T& As(void* p) {
  return *static_cast<T*>(p);
}

int64_t ReadInt(FieldKind kind, std::span<const uint8_t> b, size_t off) {
  switch (kind) {
    case FieldKind::U8: return b[off];
    case FieldKind::U16: return le::u16(b, off);
    case FieldKind::I16: return static_cast<int16_t>(le::u16(b, off));
    case FieldKind::I32: return le::i32(b, off);
    default: return le::u32(b, off);
  }
}

int64_t ValueInt(FieldKind kind, void* p) {
  switch (kind) {
    case FieldKind::U8: return As<uint8_t>(p);
    case FieldKind::U16: return As<uint16_t>(p);
    case FieldKind::I16: return As<int16_t>(p);
    case FieldKind::I32: return As<int32_t>(p);
    default: return As<uint32_t>(p);
  }
}

void WriteInt(FieldKind kind, void* p, int64_t v) {
  switch (kind) {
    case FieldKind::U8: As<uint8_t>(p) = static_cast<uint8_t>(v); break;
    case FieldKind::U16: As<uint16_t>(p) = static_cast<uint16_t>(v); break;
    case FieldKind::I16: As<int16_t>(p) = static_cast<int16_t>(v); break;
    case FieldKind::I32: As<int32_t>(p) = static_cast<int32_t>(v); break;
    default: As<uint32_t>(p) = static_cast<uint32_t>(v); break;
  }
}

bool IsInt(FieldKind kind) { return kind <= FieldKind::I32; }

std::string ReadText(const RecordField& f, std::span<const uint8_t> b, size_t off) {
  return le::str(b, off, f.textFitsField ? f.size - 1 : f.size);
}

void Decode(const RecordField& f, std::span<const uint8_t> b, size_t base, void* obj) {
  const size_t off = base + f.offset;
  if (f.kind == FieldKind::Group) {
    void* sub = f.at ? f.at(obj) : obj;
    for (const auto& m : f.members) Decode(m, b, off, sub);
    return;
  }
  if (!f.at) return;
  void* p = f.at(obj);
  if (IsInt(f.kind)) {
    WriteInt(f.kind, p, ReadInt(f.kind, b, off));
    return;
  }
  switch (f.kind) {
    case FieldKind::Str: As<std::string>(p) = ReadText(f, b, off); break;
    case FieldKind::Bytes: std::memcpy(p, b.data() + off, f.size); break;
    case FieldKind::Dcb: As<Dcb>(p) = Dcb::Decode(b, off); break;
    case FieldKind::Array: {
      const RecordField& el = f.members[0];
      for (size_t i = 0; i < f.count; ++i)
        Decode(el, b, off + i * el.size, static_cast<char*>(p) + i * f.stride);
      break;
    }
    default: break;
  }
}

// Writes one field; with `onlyChanged`, a field whose bytes already decode
// to the value is left as it is.
void Encode(const RecordField& f, void* obj, std::span<uint8_t> b, size_t base, bool onlyChanged) {
  const size_t off = base + f.offset;
  if (f.kind == FieldKind::Group) {
    void* sub = f.at ? f.at(obj) : obj;
    for (const auto& m : f.members) Encode(m, sub, b, off, onlyChanged);
    return;
  }
  if (!f.at) {
    if (!onlyChanged) std::fill_n(b.begin() + static_cast<long>(off), f.size, uint8_t{0});
    return;
  }
  void* p = f.at(obj);
  if (IsInt(f.kind)) {
    const int64_t v = ValueInt(f.kind, p);
    if (onlyChanged && ReadInt(f.kind, b, off) == v) return;
    const auto u = static_cast<uint64_t>(v);
    for (size_t i = 0; i < f.size; ++i) b[off + i] = static_cast<uint8_t>(u >> (8 * i));
    return;
  }
  switch (f.kind) {
    case FieldKind::Str: {
      const auto& s = As<std::string>(p);
      if (onlyChanged && ReadText(f, b, off) == s) return;
      le::putstr(b, off, f.size, s);
      break;
    }
    case FieldKind::Bytes:
      if (onlyChanged && std::memcmp(b.data() + off, p, f.size) == 0) return;
      std::memcpy(b.data() + off, p, f.size);
      break;
    case FieldKind::Dcb:
      if (onlyChanged && Dcb::Decode(b, off) == As<Dcb>(p)) return;
      As<Dcb>(p).Encode(b, off);
      break;
    case FieldKind::Array: {
      const RecordField& el = f.members[0];
      for (size_t i = 0; i < f.count; ++i)
        Encode(el, static_cast<char*>(p) + i * f.stride, b, off + i * el.size, onlyChanged);
      break;
    }
    default: break;
  }
}

}  // namespace

void DecodeFields(const RecordField& layout, std::span<const uint8_t> bytes, void* record,
                  size_t base) {
  Decode(layout, bytes, base, record);
}

void EncodeFields(const RecordField& layout, const void* record, std::span<uint8_t> bytes,
                  size_t base) {
  Encode(layout, const_cast<void*>(record), bytes, base, false);
}

void EncodeChangedFields(const RecordField& layout, const void* record, std::span<uint8_t> bytes) {
  Encode(layout, const_cast<void*>(record), bytes, 0, true);
}

namespace layout {

RecordField Leaf(std::string name, FieldKind kind, size_t offset, size_t size,
                 std::function<void*(void*)> at) {
  RecordField f;
  f.name = std::move(name);
  f.kind = kind;
  f.offset = offset;
  f.size = size;
  f.at = std::move(at);
  return f;
}

RecordField StrElement(size_t size) {
  return Leaf("", FieldKind::Str, 0, size, Self<std::string>());
}

RecordField Unkept(std::string name, size_t offset, size_t size) {
  return Leaf(std::move(name), FieldKind::Bytes, offset, size, nullptr);
}

RecordField Group(std::string name, size_t offset, size_t size, std::vector<RecordField> members) {
  RecordField f;
  f.name = std::move(name);
  f.kind = FieldKind::Group;
  f.offset = offset;
  f.size = size;
  f.members = std::move(members);
  return f;
}

RecordField Ranged(RecordField f, std::vector<std::pair<int64_t, int64_t>> allowed) {
  f.allowed = std::move(allowed);
  return f;
}
RecordField Flag(RecordField f) { return Ranged(std::move(f), {{0, 1}}); }
RecordField WithRaw(RecordField group) {
  group.withRaw = true;
  return group;
}
RecordField Hidden(RecordField f) {
  f.hidden = true;
  return f;
}
RecordField Inlined(RecordField group) {
  group.inlined = true;
  return group;
}
RecordField FitsField(RecordField text) {
  text.textFitsField = true;
  return text;
}

}  // namespace layout

RecordField TerminalOptionsField(std::string name, size_t offset, std::function<void*(void*)> at) {
  using namespace layout;
  using T = TerminalOptions;
  RecordField f = Group(
      std::move(name), offset, T::kSize,
      {Ranged(Int("Emulation", 0, &T::Emulation), {{0, 3}}),
       Flag(Int("InboundCrLf", 4, &T::InboundCrLf)), Flag(Int("OutboundCrLf", 8, &T::OutboundCrLf)),
       Flag(Int("LocalEcho", 12, &T::LocalEcho)), Flag(Int("WordWrap", 16, &T::WordWrap)),
       Flag(Int("BackspaceSendsDelete", 20, &T::BackspaceSendsDelete))});
  f.at = std::move(at);
  return f;
}

namespace {

std::vector<RecordField> LogFontFields() {
  using namespace layout;
  using L = LogFont;
  // The face first: it says most about the font.
  return {Str("FaceName", 28, L::kFaceSize, &L::FaceName),
          Int("Height", 0, &L::Height),
          Int("Width", 4, &L::Width),
          Int("Escapement", 8, &L::Escapement),
          Int("Orientation", 12, &L::Orientation),
          Int("Weight", 16, &L::Weight),
          Int("Italic", 20, &L::Italic),
          Int("Underline", 21, &L::Underline),
          Int("StrikeOut", 22, &L::StrikeOut),
          Int("CharSet", 23, &L::CharSet),
          Int("OutPrecision", 24, &L::OutPrecision),
          Int("ClipPrecision", 25, &L::ClipPrecision),
          Int("Quality", 26, &L::Quality),
          Int("PitchAndFamily", 27, &L::PitchAndFamily)};
}

}  // namespace

RecordField FontChoiceField(std::string name, size_t offset, std::function<void*(void*)> at) {
  using namespace layout;
  using C = FontChoice;
  // The chooser's own fields are shown only through "raw".
  RecordField f = WithRaw(
      Group(std::move(name), offset, C::kSize,
            {Hidden(Int("Flags", 0, &C::Flags)), Hidden(Int("Error", 4, &C::Error)),
             Hidden(Int("DC", 8, &C::DC)),
             Inlined(Sub("Font", 12, LogFont::kSize, &C::Font, LogFontFields())),
             Int("PointSize", 72, &C::PointSize), Hidden(Int("Color", 76, &C::Color)),
             Hidden(Int("Style", 80, &C::Style)), Hidden(Int("FontType", 84, &C::FontType)),
             Hidden(Int("SizeMin", 86, &C::SizeMin)), Hidden(Int("SizeMax", 90, &C::SizeMax))}));
  f.at = std::move(at);
  return f;
}

const RecordField& LogFontLayout() {
  static const RecordField layout = layout::Group("", 0, LogFont::kSize, LogFontFields());
  return layout;
}

}  // namespace parlane
