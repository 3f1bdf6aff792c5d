#include "book/record_json.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <limits>

#include "book/phonebook.h"
#include "config/dcb.h"
#include "config/main_config.h"
#include "config/placement.h"
#include "config/record_layout.h"
#include "config/window_prefs.h"
#include "keys/keymap.h"
#include "util/hex.h"
#include "util/le.h"

namespace parlane {
namespace {

using json::Object;
using json::Value;

using Field = RecordField;
using Kind = FieldKind;

// ---- Dump ------------------------------------------------------------------

constexpr std::array<std::string_view, 5> kParityNames = {"None", "Odd", "Even", "Mark", "Space"};
constexpr std::array<std::string_view, 3> kStopNames = {"1", "1.5", "2"};

Value CodeOrName(uint8_t code, std::span<const std::string_view> names) {
  if (code < names.size()) return Value(names[code]);
  return Value(int{code});
}

Value DumpDcb(std::span<const uint8_t> b, size_t off) {
  Dcb d = Dcb::Decode(b, off);
  return Value(Object{{"raw", Value(ToHex(b.subspan(off, Dcb::kSize)))},
                      {"BaudRate", Value(d.BaudRate)},
                      {"ByteSize", Value(int{d.ByteSize})},
                      {"Parity", CodeOrName(d.Parity, kParityNames)},
                      {"StopBits", CodeOrName(d.StopBits, kStopNames)},
                      {"Flow", Value(FlowControlText(d))},
                      {"Settings", Value(FormatPortSettings(d))}});
}

void DumpMembers(const Field& f, std::span<const uint8_t> b, size_t off, Object& o);

Value DumpField(const Field& f, std::span<const uint8_t> b, size_t base) {
  const size_t off = base + f.offset;
  switch (f.kind) {
    case Kind::U8: return Value(int{b[off]});
    case Kind::U16: return Value(int{le::u16(b, off)});
    case Kind::I16: return Value(int{static_cast<int16_t>(le::u16(b, off))});
    case Kind::U32: return Value(le::u32(b, off));
    case Kind::I32: return Value(int64_t{le::i32(b, off)});
    case Kind::Str: return Value(le::str(b, off, f.size));
    case Kind::Bytes: return Value(ToHex(b.subspan(off, f.size)));
    case Kind::Dcb: return DumpDcb(b, off);
    case Kind::Array: {
      json::Array a;
      for (size_t i = 0; i < f.count; ++i)
        a.push_back(DumpField(f.members[0], b, off + i * f.members[0].size));
      return Value(std::move(a));
    }
    case Kind::Group: break;
  }
  Object o;
  if (f.withRaw) o.emplace_back("raw", Value(ToHex(b.subspan(off, f.size))));
  DumpMembers(f, b, off, o);
  return Value(std::move(o));
}

// A group's shown fields, those of an inlined group among them.
void DumpMembers(const Field& f, std::span<const uint8_t> b, size_t off, Object& o) {
  for (const auto& m : f.members) {
    if (m.hidden) continue;
    if (m.inlined) {
      DumpMembers(m, b, off + m.offset, o);
    } else {
      o.emplace_back(m.name, DumpField(m, b, off));
    }
  }
}

// The shown field `key` of a group, looked up through inlined groups; `off`
// becomes the offset its own offset is relative to.
const Field* FindMember(const Field& f, std::string_view key, size_t& off) {
  for (const auto& m : f.members) {
    if (m.hidden) continue;
    if (m.inlined) {
      size_t inner = off + m.offset;
      if (const Field* found = FindMember(m, key, inner)) {
        off = inner;
        return found;
      }
    } else if (m.name == key) {
      return &m;
    }
  }
  return nullptr;
}

// ---- Load ------------------------------------------------------------------

class Loader {
 public:
  explicit Loader(std::string& error) : error_(error) {}

  bool Field(const parlane::Field& f, const Value& v, std::span<uint8_t> b, size_t base,
             const std::string& path) {
    const size_t off = base + f.offset;
    switch (f.kind) {
      case Kind::U8: return Int(f, v, b, off, 0, 0xFF, path);
      case Kind::U16: return Int(f, v, b, off, 0, 0xFFFF, path);
      case Kind::I16: return Int(f, v, b, off, std::numeric_limits<int16_t>::min(), 0x7FFF, path);
      case Kind::U32: return Int(f, v, b, off, 0, 0xFFFFFFFF, path);
      case Kind::I32:
        return Int(f, v, b, off, std::numeric_limits<int32_t>::min(),
                   std::numeric_limits<int32_t>::max(), path);
      case Kind::Str: return String(v, b, off, f.size, path);
      case Kind::Bytes: return HexBytes(v, b, off, f.size, path);
      case Kind::Dcb: return DcbObject(v, b, off, path);
      case Kind::Array: return ArrayValue(f, v, b, off, path);
      case Kind::Group: return GroupValue(f, v, b, off, path, {});
    }
    return Fail(path, "unknown field kind");
  }

  // A group's members; keys in `skip` are handled by the caller.
  bool GroupValue(const parlane::Field& f, const Value& v, std::span<uint8_t> b, size_t off,
                  const std::string& path, std::span<const std::string_view> skip) {
    if (!v.IsObject()) return Fail(path, "expected an object");
    if (f.withRaw) {
      if (const Value* raw = v.Find("raw");
          raw && !HexBytes(*raw, b, off, f.size, Join(path, "raw")))
        return false;
    }
    for (const auto& kv : v.AsObject()) {
      const std::string& key = kv.first;
      const Value& member = kv.second;
      if ((f.withRaw && key == "raw") || std::find(skip.begin(), skip.end(), key) != skip.end())
        continue;
      size_t memberBase = off;
      const parlane::Field* m = FindMember(f, key, memberBase);
      if (m == nullptr) return Fail(Join(path, key), "unknown field");
      if (!Field(*m, member, b, memberBase, Join(path, key))) return false;
    }
    return true;
  }

  bool HexBytes(const Value& v, std::span<uint8_t> b, size_t off, size_t size,
                const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!v.IsString() || !FromHex(v.AsString(), bytes) || bytes.size() != size)
      return Fail(path, "expected " + std::to_string(size * 2) + " hex digits");
    std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<long>(off));
    return true;
  }

  bool Fail(const std::string& path, const std::string& why) {
    error_ = (path.empty() ? std::string("document") : path) + ": " + why;
    return false;
  }

  static std::string Join(const std::string& path, std::string_view key) {
    return path.empty() ? std::string(key) : path + "." + std::string(key);
  }

 private:
  std::string& error_;

  bool IntValue(const Value& v, int64_t lo, int64_t hi, const std::string& path, int64_t& out) {
    if (!v.IsInt()) return Fail(path, "expected a whole number");
    out = v.AsInt();
    if (out < lo || out > hi)
      return Fail(path,
                  "value out of range (" + std::to_string(lo) + " to " + std::to_string(hi) + ")");
    return true;
  }

  static int64_t Current(const parlane::Field& f, std::span<const uint8_t> b, size_t off) {
    switch (f.kind) {
      case Kind::U8: return b[off];
      case Kind::U16: return le::u16(b, off);
      case Kind::I16: return static_cast<int16_t>(le::u16(b, off));
      case Kind::I32: return le::i32(b, off);
      default: return le::u32(b, off);
    }
  }

  static std::string AllowedText(const parlane::Field& f) {
    std::string s;
    for (const auto& [lo, hi] : f.allowed) {
      if (!s.empty()) s += " or ";
      s += lo == hi ? std::to_string(lo) : std::to_string(lo) + " to " + std::to_string(hi);
    }
    return s;
  }

  bool Int(const parlane::Field& f, const Value& v, std::span<uint8_t> b, size_t off, int64_t lo,
           int64_t hi, const std::string& path) {
    int64_t n = 0;
    if (!IntValue(v, lo, hi, path, n)) return false;
    const bool allowed = f.allowed.empty() || n == Current(f, b, off) ||
                         std::any_of(f.allowed.begin(), f.allowed.end(),
                                     [n](const auto& r) { return n >= r.first && n <= r.second; });
    if (!allowed) return Fail(path, "value out of range (" + AllowedText(f) + ")");
    uint64_t u = static_cast<uint64_t>(n);
    for (size_t i = 0; i < f.size; ++i) b[off + i] = static_cast<uint8_t>(u >> (8 * i));
    return true;
  }

  bool String(const Value& v, std::span<uint8_t> b, size_t off, size_t size,
              const std::string& path) {
    if (!v.IsString()) return Fail(path, "expected a string");
    const std::string& s = v.AsString();
    if (s.find('\0') != std::string::npos) return Fail(path, "a string may not hold a NUL byte");
    // An unchanged text keeps whatever followed its terminator, and a field
    // the file filled without one stays as it was.
    if (le::str(b, off, size) == s) return true;
    if (s.size() > size - 1)
      return Fail(path,
                  "string longer than its field (" + std::to_string(size - 1) + " bytes at most)");
    le::putstr(b, off, size, s);
    return true;
  }

  bool ArrayValue(const parlane::Field& f, const Value& v, std::span<uint8_t> b, size_t off,
                  const std::string& path) {
    if (!v.IsArray()) return Fail(path, "expected an array");
    const auto& a = v.AsArray();
    if (a.size() != f.count) return Fail(path, "expected " + std::to_string(f.count) + " elements");
    const auto& el = f.members[0];
    for (size_t i = 0; i < a.size(); ++i)
      if (!Field(el, a[i], b, off + i * el.size, path + "[" + std::to_string(i) + "]"))
        return false;
    return true;
  }

  bool NamedCode(const Value& v, std::span<const std::string_view> names, const std::string& path,
                 uint8_t& out) {
    if (v.IsString()) {
      for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == v.AsString()) {
          out = static_cast<uint8_t>(i);
          return true;
        }
      return Fail(path, "unknown value \"" + v.AsString() + "\"");
    }
    int64_t n = 0;
    if (!IntValue(v, 0, 0xFF, path, n)) return false;
    out = static_cast<uint8_t>(n);
    return true;
  }

  bool ApplyFlow(const Value& v, Dcb& d, const std::string& path) {
    if (!v.IsString()) return Fail(path, "expected \"Hardware\", \"Xon/Xoff\" or \"None\"");
    const std::string& s = v.AsString();
    FlowChoice want;
    if (s == "Hardware")
      want = FlowChoice::Hardware;
    else if (s == "Xon/Xoff")
      want = FlowChoice::XonXoff;
    else if (s == "None")
      want = FlowChoice::None;
    else
      return Fail(path, "expected \"Hardware\", \"Xon/Xoff\" or \"None\"");
    if (FlowOf(d) == want) return true;
    if (want == FlowChoice::None) {
      d.OutxCtsFlow = false;
      d.OutX = false;
      d.InX = false;
      if (d.RtsControl == static_cast<uint8_t>(LineControl::Disable))
        d.RtsControl = static_cast<uint8_t>(LineControl::Enable);
      return true;
    }
    PortChoices c;
    c.Flow = want;
    DcbFromChoices(c, d);
    return true;
  }

  bool DcbObject(const Value& v, std::span<uint8_t> b, size_t off, const std::string& path) {
    if (!v.IsObject()) return Fail(path, "expected an object");
    if (const Value* raw = v.Find("raw");
        raw && !HexBytes(*raw, b, off, Dcb::kSize, Join(path, "raw")))
      return false;
    const Dcb before = Dcb::Decode(b, off);
    Dcb d = before;
    for (const auto& [key, m] : v.AsObject()) {
      const std::string p = Join(path, key);
      int64_t n = 0;
      if (key == "raw") continue;
      if (key == "Settings") {
        if (!m.IsString()) return Fail(p, "expected a string");  // shown only; not read back
      } else if (key == "BaudRate") {
        if (!IntValue(m, 0, 0xFFFFFFFF, p, n)) return false;
        d.BaudRate = static_cast<uint32_t>(n);
      } else if (key == "ByteSize") {
        if (!IntValue(m, 0, 0xFF, p, n)) return false;
        d.ByteSize = static_cast<uint8_t>(n);
      } else if (key == "Parity") {
        if (!NamedCode(m, kParityNames, p, d.Parity)) return false;
      } else if (key == "StopBits") {
        if (!NamedCode(m, kStopNames, p, d.StopBits)) return false;
      } else if (key != "Flow") {
        return Fail(p, "unknown field");
      }
    }
    if (const Value* flow = v.Find("Flow"); flow && !ApplyFlow(*flow, d, Join(path, "Flow")))
      return false;
    if (!(d == before)) d.Encode(b, off);
    return true;
  }
};

// ---- Files -----------------------------------------------------------------

struct FileSchema {
  const Field& record;
  std::vector<uint8_t> base;  // the record a JSON without "raw" starts from
};

std::vector<uint8_t> ToVector(std::span<const uint8_t> b) { return {b.begin(), b.end()}; }

DialingDirectoryEntry BaseEntry() {
  return NewTelnetEntry(Main_Configuration_Struct::Defaults(""));
}

FileSchema SchemaFor(RecordFileType t) {
  switch (t) {
    case RecordFileType::Main: {
      const char* home = std::getenv("HOME");
      auto cfg = Main_Configuration_Struct::Defaults(DefaultTransferDir(home ? home : ""));
      return {Main_Configuration_Struct::Layout(), ToVector(cfg.Bytes())};
    }
    case RecordFileType::Placement:
      return {WindowPlacementRecord::Layout(), std::vector<uint8_t>(WindowPlacementRecord::kSize)};
    case RecordFileType::Keymap: return {KeyTable::Layout(), std::vector<uint8_t>(KeyTable::kSize)};
    case RecordFileType::WindowPrefs: {
      // The screen resolution the default font height is worked out for.
      constexpr int kDefaultDpi = 96;
      std::vector<uint8_t> b(WindowPreferences::kSize);
      DefaultWindowPreferences(kDefaultDpi).Encode(b);
      return {WindowPreferences::Layout(), b};
    }
    case RecordFileType::Phonebook: break;
  }
  return {DialingDirectoryEntry::Layout(), ToVector(BaseEntry().Bytes())};
}

constexpr std::array<std::string_view, 3> kTopKeys = {"Type", "raw", "Trailing"};
constexpr std::array<std::string_view, 1> kEntryKeys = {"raw"};

// Dumps one record; adds "raw" when its fields alone would not give back
// the same bytes.
Value DumpRecord(const FileSchema& s, std::span<const uint8_t> rec, Object prefix) {
  Value fields = DumpField(s.record, rec, 0);
  std::vector<uint8_t> rebuilt = s.base;
  std::string ignored;
  Loader(ignored).GroupValue(s.record, fields, rebuilt, 0, "", {});
  for (auto& kv : fields.AsObject()) prefix.push_back(std::move(kv));
  if (!std::equal(rebuilt.begin(), rebuilt.end(), rec.begin(), rec.end()))
    prefix.emplace_back("raw", Value(ToHex(rec)));
  return Value(std::move(prefix));
}

// Loads one record from `v` onto its base (or its "raw").
bool LoadRecord(const FileSchema& s, const Value& v, std::span<const std::string_view> skip,
                const std::string& path, std::vector<uint8_t>& out, std::string& error) {
  Loader loader(error);
  if (!v.IsObject()) return loader.Fail(path, "expected an object");
  std::vector<uint8_t> rec = s.base;
  if (const Value* raw = v.Find("raw");
      raw && !loader.HexBytes(*raw, rec, 0, rec.size(), Loader::Join(path, "raw")))
    return false;
  if (!loader.GroupValue(s.record, v, rec, 0, path, skip)) return false;
  out.insert(out.end(), rec.begin(), rec.end());
  return true;
}

std::string SizeNote(size_t have, size_t want) {
  return "the file holds " + std::to_string(have) + " bytes, not " + std::to_string(want);
}

bool IEquals(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

constexpr std::array<RecordFileType, 5> kAllTypes = {
    RecordFileType::Main, RecordFileType::Placement, RecordFileType::Keymap,
    RecordFileType::Phonebook, RecordFileType::WindowPrefs};

}  // namespace

std::string_view RecordFileTypeWord(RecordFileType t) {
  switch (t) {
    case RecordFileType::Main: return "main";
    case RecordFileType::Placement: return "placement";
    case RecordFileType::Keymap: return "keymap";
    case RecordFileType::Phonebook: return "phonebook";
    case RecordFileType::WindowPrefs: break;
  }
  return "windpref";
}

std::string_view RecordFileName(RecordFileType t) {
  switch (t) {
    case RecordFileType::Main: return kMainConfigFile;
    case RecordFileType::Placement: return kPlacementFile;
    case RecordFileType::Keymap: return kKeymapFileName;
    case RecordFileType::Phonebook: return kPhonebookFile;
    case RecordFileType::WindowPrefs: break;
  }
  return kWindowPrefsFile;
}

std::optional<RecordFileType> RecordFileTypeFromWord(std::string_view word) {
  for (auto t : kAllTypes)
    if (RecordFileTypeWord(t) == word) return t;
  return std::nullopt;
}

std::optional<RecordFileType> RecordFileTypeFromName(const std::filesystem::path& file) {
  const std::string name = file.filename().string();
  for (auto t : kAllTypes)
    if (IEquals(RecordFileName(t), name)) return t;
  return std::nullopt;
}

json::Value DumpRecordFile(RecordFileType type, std::span<const uint8_t> bytes,
                           std::vector<std::string>& notes) {
  const FileSchema s = SchemaFor(type);
  const size_t size = s.base.size();
  Object top{{"Type", Value(RecordFileTypeWord(type))}};
  std::span<const uint8_t> trailing;
  if (type == RecordFileType::Phonebook) {
    const size_t whole = bytes.size() / size * size;
    json::Array entries;
    for (size_t off = 0; off < whole; off += size)
      entries.push_back(DumpRecord(s, bytes.subspan(off, size), {}));
    top.emplace_back("Entries", Value(std::move(entries)));
    trailing = bytes.subspan(whole);
    if (!trailing.empty())
      notes.push_back("a trailing piece of " + std::to_string(trailing.size()) +
                      " bytes is not a whole entry; the program drops it");
  } else {
    std::vector<uint8_t> rec = s.base;
    const size_t n = std::min(size, bytes.size());
    std::copy_n(bytes.begin(), n, rec.begin());
    if (bytes.size() < size)
      notes.push_back(SizeNote(bytes.size(), size) +
                      "; the missing bytes are shown with their defaults");
    if (bytes.size() > size) {
      trailing = bytes.subspan(size);
      notes.push_back(SizeNote(bytes.size(), size) +
                      "; the program ignores the bytes past the record");
    }
    Value body = DumpRecord(s, rec, {});
    for (auto& kv : body.AsObject()) top.push_back(std::move(kv));
  }
  if (!trailing.empty()) {
    // Keep "raw" last: it is the least readable member.
    auto raw =
        std::find_if(top.begin(), top.end(), [](const auto& kv) { return kv.first == "raw"; });
    top.insert(raw, {"Trailing", Value(ToHex(trailing))});
  }
  return Value(std::move(top));
}

bool LoadRecordFile(RecordFileType type, const json::Value& doc, std::vector<uint8_t>& out,
                    std::string& error) {
  Loader loader(error);
  out.clear();
  if (!doc.IsObject()) return loader.Fail("", "expected an object");
  if (const Value* t = doc.Find("Type")) {
    if (!t->IsString() || t->AsString() != RecordFileTypeWord(type))
      return loader.Fail("Type",
                         "this is not a " + std::string(RecordFileTypeWord(type)) + " file");
  }
  const FileSchema s = SchemaFor(type);
  if (type == RecordFileType::Phonebook) {
    for (const auto& [key, v] : doc.AsObject())
      if (key != "Type" && key != "Entries" && key != "Trailing")
        return loader.Fail(key, "unknown field");
    const Value* entries = doc.Find("Entries");
    if (entries && !entries->IsArray()) return loader.Fail("Entries", "expected an array");
    if (entries) {
      for (size_t i = 0; i < entries->AsArray().size(); ++i)
        if (!LoadRecord(s, entries->AsArray()[i], kEntryKeys, "Entries[" + std::to_string(i) + "]",
                        out, error))
          return false;
    }
  } else if (!LoadRecord(s, doc, kTopKeys, "", out, error)) {
    return false;
  }
  if (const Value* t = doc.Find("Trailing")) {
    std::vector<uint8_t> extra;
    if (!t->IsString() || !FromHex(t->AsString(), extra))
      return loader.Fail("Trailing", "expected hex digits");
    out.insert(out.end(), extra.begin(), extra.end());
  }
  return true;
}

}  // namespace parlane
