// JSON for the tools: a document model whose strings are byte strings, read
// through nlohmann's parser and written in a compact, readable layout.
//
// JSON text is UTF-8. A string's characters U+0000 to U+00FF are its bytes,
// whether the text writes them as \u00XX escapes or as UTF-8, so a record's
// bytes survive a round trip through any JSON tool; a character above
// U+00FF is refused, naming the member that holds it. The writer escapes
// control bytes and every byte from 0x7F up as \u00XX, so its output is
// plain ASCII. Numbers are whole numbers only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace parlane::json {

class Value;
using Array = std::vector<Value>;
using Object = std::vector<std::pair<std::string, Value>>;  // keys in order, no duplicates

class Value {
 public:
  Value() : v_(nullptr) {}
  Value(std::nullptr_t) : v_(nullptr) {}
  Value(bool b) : v_(b) {}
  Value(int64_t n) : v_(n) {}
  Value(int n) : v_(int64_t{n}) {}
  Value(uint32_t n) : v_(int64_t{n}) {}
  Value(std::string s) : v_(std::move(s)) {}
  Value(std::string_view s) : v_(std::string(s)) {}
  Value(const char* s) : v_(std::string(s)) {}
  Value(Array a) : v_(std::make_shared<Array>(std::move(a))) {}
  Value(Object o) : v_(std::make_shared<Object>(std::move(o))) {}

  bool IsNull() const { return std::holds_alternative<std::nullptr_t>(v_); }
  bool IsBool() const { return std::holds_alternative<bool>(v_); }
  bool IsInt() const { return std::holds_alternative<int64_t>(v_); }
  bool IsString() const { return std::holds_alternative<std::string>(v_); }
  bool IsArray() const { return std::holds_alternative<std::shared_ptr<Array>>(v_); }
  bool IsObject() const { return std::holds_alternative<std::shared_ptr<Object>>(v_); }

  bool AsBool() const { return std::get<bool>(v_); }
  int64_t AsInt() const { return std::get<int64_t>(v_); }
  const std::string& AsString() const { return std::get<std::string>(v_); }
  const Array& AsArray() const { return *std::get<std::shared_ptr<Array>>(v_); }
  Array& AsArray() { return *std::get<std::shared_ptr<Array>>(v_); }
  const Object& AsObject() const { return *std::get<std::shared_ptr<Object>>(v_); }
  Object& AsObject() { return *std::get<std::shared_ptr<Object>>(v_); }

  // The member `key` of an object, or nullptr.
  const Value* Find(std::string_view key) const;

 private:
  std::variant<std::nullptr_t, bool, int64_t, std::string, std::shared_ptr<Array>,
               std::shared_ptr<Object>>
      v_;
};

// Parses a whole document. On failure returns false and sets `error` to a
// one-line description: the line number for a syntax error, the member's
// path ("Entries[2].Name") for a value Parlane cannot hold.
bool Parse(std::string_view text, Value& out, std::string& error);

struct WriteStyle {
  // An object of at most four scalars, none a string longer than this, is
  // written on one line.
  size_t inlineStringLimit = 40;
};

// Writes the value with two-space indentation and a final newline.
std::string Write(const Value& v, const WriteStyle& style = {});

}  // namespace parlane::json
