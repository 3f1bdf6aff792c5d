// The field list of a record file: every field's name, kind, offset and
// size, written once per record. The same list decodes and encodes the
// record (each field bound to its member of the decoded struct) and gives
// the record its JSON form in parlane-config.
//
//   const RecordField& Layout() {
//     static const RecordField layout = layout::Group("", 0, 12, {
//         layout::Int("X", 0, &Placement::X), ...});
//     return layout;
//   }
//   Placement p;  DecodeFields(Layout(), bytes, p);
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "config/dcb.h"

namespace parlane {

enum class FieldKind { U8, U16, I16, U32, I32, Str, Bytes, Dcb, Group, Array };

struct RecordField {
  std::string name;
  FieldKind kind = FieldKind::U32;
  size_t offset = 0;                 // within the enclosing group or array element
  size_t size = 0;                   // bytes (a string's size includes its terminator)
  std::vector<RecordField> members;  // Group: its fields; Array: the one element field
  size_t count = 0;                  // Array: elements
  size_t stride = 0;                 // Array: bytes between elements of the decoded array
  // Strings: the decoded text stops one byte short of the field's end, so
  // that it always fits again with its terminator.
  bool textFitsField = false;
  // JSON form: a group that shows "raw", the hex of its bytes, beside its
  // fields; a field shown only through that "raw"; a group whose fields are
  // shown in the enclosing object.
  bool withRaw = false;
  bool hidden = false;
  bool inlined = false;
  // Integers: the values the program uses. A changed value must lie in one
  // of these ranges (parlane-config refuses others).
  std::vector<std::pair<int64_t, int64_t>> allowed;
  // The field's value in the decoded struct, given the enclosing object (a
  // Group without one binds its members to the enclosing object itself). A
  // field with none is not kept: it decodes to nothing and encodes as zeros.
  std::function<void*(void*)> at;
};

// Decodes the record at `base` in `bytes` (which hold all of it) into `record`.
void DecodeFields(const RecordField& layout, std::span<const uint8_t> bytes, void* record,
                  size_t base = 0);
// Encodes every field of `record` into `bytes` at `base`.
void EncodeFields(const RecordField& layout, const void* record, std::span<uint8_t> bytes,
                  size_t base = 0);
// Encodes only the fields whose value differs from what `bytes` holds now:
// everything else keeps its bytes exactly, also bytes after a string's
// terminator and a string that fills its whole field.
void EncodeChangedFields(const RecordField& layout, const void* record, std::span<uint8_t> bytes);

namespace layout {

template <typename T>
constexpr FieldKind IntKind() {
  if constexpr (std::is_same_v<T, uint8_t>)
    return FieldKind::U8;
  else if constexpr (std::is_same_v<T, uint16_t>)
    return FieldKind::U16;
  else if constexpr (std::is_same_v<T, int16_t>)
    return FieldKind::I16;
  else if constexpr (std::is_same_v<T, uint32_t>)
    return FieldKind::U32;
  else {
    static_assert(std::is_same_v<T, int32_t>, "an integer field is 8, 16 or 32 bits");
    return FieldKind::I32;
  }
}

// Binds to what `get` returns for the enclosing object of type R.
template <typename R, typename Get>
std::function<void*(void*)> Bind(Get get) {
  return [get](void* o) -> void* { return &get(*static_cast<R*>(o)); };
}
template <typename R, typename T>
std::function<void*(void*)> Bind(T R::*member) {
  return [member](void* o) -> void* { return &(static_cast<R*>(o)->*member); };
}
// An array element is its own object.
template <typename T>
std::function<void*(void*)> Self() {
  return [](void* o) { return o; };
}

RecordField Leaf(std::string name, FieldKind kind, size_t offset, size_t size,
                 std::function<void*(void*)> at);

template <typename R, typename T>
RecordField Int(std::string name, size_t offset, T R::*member) {
  return Leaf(std::move(name), IntKind<T>(), offset, sizeof(T), Bind(member));
}
// An integer reached through an accessor: Int<Record, uint8_t>("Red", 0, [](Record& r) -> uint8_t&
// {...}).
template <typename R, typename T, typename Get>
RecordField Int(std::string name, size_t offset, Get get) {
  return Leaf(std::move(name), IntKind<T>(), offset, sizeof(T), Bind<R>(get));
}
// An integer array element.
template <typename T>
RecordField IntElement(size_t size = sizeof(T)) {
  return Leaf("", IntKind<T>(), 0, size, Self<T>());
}

template <typename R>
RecordField Str(std::string name, size_t offset, size_t size, std::string R::*member) {
  return Leaf(std::move(name), FieldKind::Str, offset, size, Bind(member));
}
template <typename R, typename Get>
RecordField Str(std::string name, size_t offset, size_t size, Get get) {
  return Leaf(std::move(name), FieldKind::Str, offset, size, Bind<R>(get));
}
RecordField StrElement(size_t size);

// Bytes kept as read (a std::array<uint8_t, size> member).
template <typename R, size_t N>
RecordField Bytes(std::string name, size_t offset, std::array<uint8_t, N> R::*member) {
  return Leaf(std::move(name), FieldKind::Bytes, offset, N, Bind(member));
}
// Bytes never kept: shown, but written as zeros.
RecordField Unkept(std::string name, size_t offset, size_t size);

template <typename R>
RecordField DcbField(std::string name, size_t offset, Dcb R::*member) {
  return Leaf(std::move(name), FieldKind::Dcb, offset, Dcb::kSize, Bind(member));
}

// A group of fields of the same object.
RecordField Group(std::string name, size_t offset, size_t size, std::vector<RecordField> members);
// A group whose fields belong to a member object (a nested struct).
template <typename R, typename T>
RecordField Sub(std::string name, size_t offset, size_t size, T R::*member,
                std::vector<RecordField> members) {
  RecordField f = Group(std::move(name), offset, size, std::move(members));
  f.at = Bind(member);
  return f;
}
template <typename R, typename T, typename Get>
RecordField Sub(std::string name, size_t offset, size_t size, Get get,
                std::vector<RecordField> members) {
  RecordField f = Group(std::move(name), offset, size, std::move(members));
  f.at = Bind<R>(get);
  return f;
}

// `count` elements of `element` one after another, bound to a std::array.
template <typename R, typename T, size_t N>
RecordField ArrayOf(std::string name, size_t offset, std::array<T, N> R::*member,
                    RecordField element) {
  RecordField f;
  f.name = std::move(name);
  f.kind = FieldKind::Array;
  f.offset = offset;
  f.size = element.size * N;
  f.count = N;
  f.stride = sizeof(T);
  f.members.push_back(std::move(element));
  f.at = [member](void* o) -> void* { return (static_cast<R*>(o)->*member).data(); };
  return f;
}

// Modifiers for the JSON form and the value rules.
RecordField Ranged(RecordField f, std::vector<std::pair<int64_t, int64_t>> allowed);
RecordField Flag(RecordField f);  // kept as 0 or 1
RecordField WithRaw(RecordField group);
RecordField Hidden(RecordField f);
RecordField Inlined(RecordField group);
RecordField FitsField(RecordField text);

}  // namespace layout

// Shared pieces of several records.
// The six terminal options (TerminalOptions, 24 bytes).
RecordField TerminalOptionsField(std::string name, size_t offset, std::function<void*(void*)> at);
// The font chooser's data with its logical font (FontChoice, 94 bytes).
RecordField FontChoiceField(std::string name, size_t offset, std::function<void*(void*)> at);
// The logical font alone (LogFont, 60 bytes).
const RecordField& LogFontLayout();

}  // namespace parlane
