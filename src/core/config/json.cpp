#include "config/json.h"

#include <cstdio>
#include <limits>

namespace parlane::json {
namespace {

// Nesting deeper than any record needs is refused, so hostile input cannot
// exhaust the stack.
constexpr int kMaxDepth = 64;

class Parser {
 public:
  explicit Parser(std::string_view t) : t_(t) {}

  bool Document(Value& out, std::string& error) {
    SkipSpace();
    if (!ParseValue(out, 0)) {
      error = Message();
      return false;
    }
    SkipSpace();
    if (pos_ != t_.size()) {
      Fail("unexpected text after the document");
      error = Message();
      return false;
    }
    return true;
  }

 private:
  std::string_view t_;
  size_t pos_ = 0;
  std::string why_;

  bool Fail(std::string why) {
    if (why_.empty()) why_ = std::move(why);
    return false;
  }
  std::string Message() const {
    size_t line = 1;
    for (size_t i = 0; i < pos_ && i < t_.size(); ++i) line += t_[i] == '\n';
    return "line " + std::to_string(line) + ": " + why_;
  }
  bool AtEnd() const { return pos_ >= t_.size(); }
  char Peek() const { return AtEnd() ? '\0' : t_[pos_]; }
  void SkipSpace() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) ++pos_;
  }
  bool Literal(std::string_view word) {
    if (t_.substr(pos_, word.size()) != word) return Fail("unknown word");
    pos_ += word.size();
    return true;
  }

  bool ParseValue(Value& out, int depth) {
    if (depth > kMaxDepth) return Fail("nested too deeply");
    switch (Peek()) {
      case '{': return ParseObject(out, depth);
      case '[': return ParseArray(out, depth);
      case '"': {
        std::string s;
        if (!ParseString(s)) return false;
        out = Value(std::move(s));
        return true;
      }
      case 't': out = Value(true); return Literal("true");
      case 'f': out = Value(false); return Literal("false");
      case 'n': out = Value(nullptr); return Literal("null");
      default: return ParseNumber(out);
    }
  }

  bool ParseNumber(Value& out) {
    bool negative = false;
    if (Peek() == '-') {
      negative = true;
      ++pos_;
    }
    if (AtEnd() || Peek() < '0' || Peek() > '9') return Fail("expected a value");
    if (Peek() == '0' && pos_ + 1 < t_.size() && t_[pos_ + 1] >= '0' && t_[pos_ + 1] <= '9')
      return Fail("numbers may not have leading zeros");
    uint64_t v = 0;
    constexpr uint64_t kLimit = uint64_t{std::numeric_limits<int64_t>::max()};
    while (!AtEnd() && Peek() >= '0' && Peek() <= '9') {
      v = v * 10 + static_cast<uint64_t>(Peek() - '0');
      if (v > kLimit) return Fail("number too large");
      ++pos_;
    }
    if (Peek() == '.' || Peek() == 'e' || Peek() == 'E') return Fail("only whole numbers are allowed");
    out = Value(negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v));
    return true;
  }

  static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  bool ParseEscape(std::string& s) {
    if (AtEnd()) return Fail("unterminated string");
    char c = t_[pos_++];
    switch (c) {
      case '"': s += '"'; return true;
      case '\\': s += '\\'; return true;
      case '/': s += '/'; return true;
      case 'b': s += '\b'; return true;
      case 'f': s += '\f'; return true;
      case 'n': s += '\n'; return true;
      case 'r': s += '\r'; return true;
      case 't': s += '\t'; return true;
      case 'u': break;
      default: return Fail("bad escape in string");
    }
    if (pos_ + 4 > t_.size()) return Fail("short \\u escape");
    int v = 0;
    for (int i = 0; i < 4; ++i) {
      int d = HexDigit(t_[pos_++]);
      if (d < 0) return Fail("bad \\u escape");
      v = v * 16 + d;
    }
    if (v > 0xFF) return Fail("\\u escapes above \\u00FF are not bytes");
    s += static_cast<char>(v);
    return true;
  }

  bool ParseString(std::string& s) {
    ++pos_;  // opening quote
    for (;;) {
      if (AtEnd()) return Fail("unterminated string");
      char c = t_[pos_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return Fail("control character in string");
      if (c == '\\') {
        if (!ParseEscape(s)) return false;
      } else {
        s += c;
      }
    }
  }

  bool ParseArray(Value& out, int depth) {
    ++pos_;
    Array a;
    SkipSpace();
    if (Peek() == ']') {
      ++pos_;
      out = Value(std::move(a));
      return true;
    }
    for (;;) {
      SkipSpace();
      Value v;
      if (!ParseValue(v, depth + 1)) return false;
      a.push_back(std::move(v));
      SkipSpace();
      if (Peek() == ',') {
        ++pos_;
        continue;
      }
      if (Peek() == ']') {
        ++pos_;
        out = Value(std::move(a));
        return true;
      }
      return Fail("expected , or ] in array");
    }
  }

  bool ParseObject(Value& out, int depth) {
    ++pos_;
    Object o;
    SkipSpace();
    if (Peek() == '}') {
      ++pos_;
      out = Value(std::move(o));
      return true;
    }
    for (;;) {
      SkipSpace();
      if (Peek() != '"') return Fail("expected a member name");
      std::string key;
      if (!ParseString(key)) return false;
      for (const auto& [k, unused] : o)
        if (k == key) return Fail("duplicate member \"" + key + "\"");
      SkipSpace();
      if (Peek() != ':') return Fail("expected : after member name");
      ++pos_;
      SkipSpace();
      Value v;
      if (!ParseValue(v, depth + 1)) return false;
      o.emplace_back(std::move(key), std::move(v));
      SkipSpace();
      if (Peek() == ',') {
        ++pos_;
        continue;
      }
      if (Peek() == '}') {
        ++pos_;
        out = Value(std::move(o));
        return true;
      }
      return Fail("expected , or } in object");
    }
  }
};

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
  if (!v.IsArray()) return false;
  for (const auto& e : v.AsArray())
    if (e.IsArray() || e.IsObject()) return false;
  return true;
}

// Objects of a few short scalars read best on one line.
bool IsSmallObject(const Value& v) {
  constexpr size_t kMaxMembers = 4;
  constexpr size_t kMaxScalarText = 40;
  const auto& o = v.AsObject();
  if (o.size() > kMaxMembers) return false;
  for (const auto& [k, m] : o) {
    if (m.IsArray() || m.IsObject()) return false;
    if (m.IsString() && m.AsString().size() > kMaxScalarText) return false;
  }
  return true;
}

void WriteValue(std::string& out, const Value& v, int indent) {
  const std::string pad(static_cast<size_t>(indent) * 2, ' ');
  const std::string inner(static_cast<size_t>(indent + 1) * 2, ' ');
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
      WriteValue(out, a[i], indent + 1);
    }
    if (!flat) out += "\n" + pad;
    out += ']';
  } else {
    const auto& o = v.AsObject();
    if (o.empty()) {
      out += "{}";
      return;
    }
    if (IsSmallObject(v)) {
      out += "{";
      for (size_t i = 0; i < o.size(); ++i) {
        out += i ? ", " : "";
        WriteString(out, o[i].first);
        out += ": ";
        WriteValue(out, o[i].second, indent + 1);
      }
      out += "}";
      return;
    }
    out += "{\n";
    for (size_t i = 0; i < o.size(); ++i) {
      out += inner;
      WriteString(out, o[i].first);
      out += ": ";
      WriteValue(out, o[i].second, indent + 1);
      out += i + 1 < o.size() ? ",\n" : "\n";
    }
    out += pad + "}";
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
  return Parser(text).Document(out, error);
}

std::string Write(const Value& v) {
  std::string out;
  WriteValue(out, v, 0);
  out += '\n';
  return out;
}

}  // namespace parlane::json
