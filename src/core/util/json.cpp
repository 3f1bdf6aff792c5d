#include "util/json.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <nlohmann/json.hpp>
#include <vector>

namespace parlane::json {
namespace {

// Nesting deeper than any record needs is refused before parsing, so hostile
// input cannot exhaust the stack.
constexpr int kMaxDepth = 64;
constexpr char32_t kLastByteChar = 0xFF;

using Parsed = nlohmann::ordered_json;

// The line of a byte offset (1-based).
size_t LineAt(std::string_view text, size_t offset) {
  size_t line = 1;
  for (size_t i = 0; i < offset && i < text.size(); ++i) line += text[i] == '\n';
  return line;
}

// The deepest nesting of the text outside strings, and where it was passed.
bool TooDeep(std::string_view text, size_t& where) {
  int depth = 0;
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxDepth) {
        where = i;
        return true;
      }
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return false;
}

// UTF-8 (already checked by the parser) to one byte per character.
bool ToBytes(const std::string& utf8, std::string& out, char32_t& refused) {
  out.clear();
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    char32_t cp = lead;
    size_t len = 1;
    if (lead >= 0xF0) {
      cp = lead & 0x07;
      len = 4;
    } else if (lead >= 0xE0) {
      cp = lead & 0x0F;
      len = 3;
    } else if (lead >= 0xC0) {
      cp = lead & 0x1F;
      len = 2;
    }
    for (size_t k = 1; k < len && i + k < utf8.size(); ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    if (cp > kLastByteChar) {
      refused = cp;
      return false;
    }
    out.push_back(static_cast<char>(cp));
    i += len;
  }
  return true;
}

std::string Join(const std::string& path, const std::string& key) {
  return path.empty() ? key : path + "." + key;
}

std::string CharName(char32_t cp) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
  return buf;
}

class Converter {
 public:
  explicit Converter(std::string& error) : error_(error) {}

  bool Convert(const Parsed& in, Value& out, const std::string& path) {
    switch (in.type()) {
      case Parsed::value_t::null: out = Value(); return true;
      case Parsed::value_t::boolean: out = Value(in.get<bool>()); return true;
      case Parsed::value_t::number_integer: out = Value(in.get<int64_t>()); return true;
      case Parsed::value_t::number_unsigned: {
        const auto n = in.get<uint64_t>();
        if (n > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
          return Fail(path, "number too large");
        out = Value(static_cast<int64_t>(n));
        return true;
      }
      case Parsed::value_t::number_float: return Fail(path, "only whole numbers are allowed");
      case Parsed::value_t::string: {
        std::string bytes;
        if (!String(in.get_ref<const std::string&>(), bytes, path)) return false;
        out = Value(std::move(bytes));
        return true;
      }
      case Parsed::value_t::array: {
        Array a;
        a.reserve(in.size());
        for (size_t i = 0; i < in.size(); ++i) {
          a.emplace_back();
          if (!Convert(in[i], a.back(), path + "[" + std::to_string(i) + "]")) return false;
        }
        out = Value(std::move(a));
        return true;
      }
      case Parsed::value_t::object: {
        Object o;
        for (const auto& [key, member] : in.items()) {
          std::string name;
          if (!String(key, name, Join(path, key))) return false;
          o.emplace_back(name, Value());
          if (!Convert(member, o.back().second, Join(path, name))) return false;
        }
        out = Value(std::move(o));
        return true;
      }
      default: return Fail(path, "unsupported value");
    }
  }

 private:
  bool String(const std::string& utf8, std::string& bytes, const std::string& path) {
    char32_t refused = 0;
    if (ToBytes(utf8, bytes, refused)) return true;
    return Fail(path, "the character " + CharName(refused) +
                          " is above U+00FF; strings hold bytes U+0000 to U+00FF");
  }
  bool Fail(const std::string& path, const std::string& why) {
    error_ = (path.empty() ? std::string("document") : path) + ": " + why;
    return false;
  }
  std::string& error_;
};

// ---- writer ----------------------------------------------------------------

void WriteString(std::string& out, const std::string& s) {
  out += '"';
  for (unsigned char c : s) {
    if (c == '"') {
      out += "\\\"";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c >= 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04X", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
}

bool IsFlat(const Value& v) {
  for (const auto& e : v.AsArray())
    if (e.IsArray() || e.IsObject()) return false;
  return true;
}

// Objects of a few short scalars read best on one line.
bool IsSmallObject(const Value& v, const WriteStyle& style) {
  constexpr size_t kMaxMembers = 4;
  const auto& o = v.AsObject();
  if (o.size() > kMaxMembers) return false;
  for (const auto& [k, m] : o) {
    if (m.IsArray() || m.IsObject()) return false;
    if (m.IsString() && m.AsString().size() > style.inlineStringLimit) return false;
  }
  return true;
}

void WriteValue(std::string& out, const Value& v, int indent, const WriteStyle& style) {
  const std::string pad(static_cast<size_t>(indent) * 2, ' ');
  const std::string inner = pad + "  ";
  if (v.IsNull()) {
    out += "null";
  } else if (v.IsBool()) {
    out += v.AsBool() ? "true" : "false";
  } else if (v.IsInt()) {
    out += std::to_string(v.AsInt());
  } else if (v.IsString()) {
    WriteString(out, v.AsString());
  } else if (v.IsArray()) {
    const auto& a = v.AsArray();
    if (a.empty()) {
      out += "[]";
      return;
    }
    const bool flat = IsFlat(v);
    out += '[';
    for (size_t i = 0; i < a.size(); ++i) {
      out += flat ? (i ? ", " : "") : (i ? ",\n" : "\n");
      if (!flat) out += inner;
      WriteValue(out, a[i], indent + 1, style);
    }
    if (!flat) out += "\n" + pad;
    out += ']';
  } else {
    const auto& o = v.AsObject();
    if (o.empty()) {
      out += "{}";
      return;
    }
    const bool small = IsSmallObject(v, style);
    out += small ? "{" : "{\n";
    for (size_t i = 0; i < o.size(); ++i) {
      if (small) {
        out += i ? ", " : "";
      } else {
        out += inner;
      }
      WriteString(out, o[i].first);
      out += ": ";
      WriteValue(out, o[i].second, indent + 1, style);
      if (!small) out += i + 1 < o.size() ? ",\n" : "\n";
    }
    out += small ? "}" : pad + "}";
  }
}

}  // namespace

const Value* Value::Find(std::string_view key) const {
  if (!IsObject()) return nullptr;
  for (const auto& [k, v] : AsObject())
    if (k == key) return &v;
  return nullptr;
}

bool Parse(std::string_view text, Value& out, std::string& error) {
  size_t deep = 0;
  if (TooDeep(text, deep)) {
    error = "line " + std::to_string(LineAt(text, deep)) + ": nested too deeply";
    return false;
  }
  // Each object's member names, to refuse a name given twice (the parser
  // itself would keep the last one silently).
  std::vector<std::vector<std::string>> names;
  std::string duplicate;
  const Parsed::parser_callback_t watch = [&](int, Parsed::parse_event_t event, Parsed& parsed) {
    if (event == Parsed::parse_event_t::object_start) {
      names.emplace_back();
    } else if (event == Parsed::parse_event_t::object_end) {
      if (!names.empty()) names.pop_back();
    } else if (event == Parsed::parse_event_t::key && !names.empty()) {
      const auto& key = parsed.get_ref<const std::string&>();
      auto& seen = names.back();
      if (std::find(seen.begin(), seen.end(), key) != seen.end() && duplicate.empty())
        duplicate = key;
      seen.push_back(key);
    }
    return true;
  };
  Parsed doc;
  try {
    doc = Parsed::parse(text.begin(), text.end(), watch);
  } catch (const Parsed::parse_error& e) {
    // "[json.exception.parse_error.101] parse error at line 1, column 2: why"
    std::string why = e.what();
    const size_t colon = why.find(": ");
    why = colon == std::string::npos ? why : why.substr(colon + 2);
    error = "line " + std::to_string(LineAt(text, e.byte > 0 ? e.byte - 1 : 0)) + ": " + why;
    return false;
  } catch (const nlohmann::json::exception& e) {
    // A number too large for any field, and the parser's other refusals.
    std::string why = e.what();
    const size_t bracket = why.find("] ");
    error = bracket == std::string::npos ? why : why.substr(bracket + 2);
    return false;
  }
  if (!duplicate.empty()) {
    error = duplicate + ": duplicate member";
    return false;
  }
  return Converter(error).Convert(doc, out, "");
}

std::string Write(const Value& v, const WriteStyle& style) {
  std::string out;
  WriteValue(out, v, 0, style);
  out += '\n';
  return out;
}

}  // namespace parlane::json
