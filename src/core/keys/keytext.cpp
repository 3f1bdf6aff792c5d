#include "keys/keytext.h"

#include <cstdint>

namespace parlane {
namespace {

constexpr char kLineFeed = '\n';

// 0..15 for a hex digit; any other character counts as 0.
unsigned HexValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  return 0;
}

// The control character a "^c" pair stands for, or -1 when the pair is dropped.
int ControlFor(uint8_t c) {
  if (c == '~') return '^';
  if (c >= 64 && c <= 95) return c - 64;
  if (c >= 96 && c <= 127) return c - 96;
  return -1;
}

}  // namespace

std::string TranslateKeyText(std::string_view text, bool outboundCrLf) {
  text = text.substr(0, text.find('\0'));
  std::string out;
  out.reserve(text.size());
  // Appends one produced byte; false once a NUL ends the output.
  auto emit = [&out](int byte) {
    if (byte == 0) return false;
    out.push_back(static_cast<char>(byte));
    return true;
  };
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    const size_t left = text.size() - i - 1;  // characters after c
    if (c == kLineFeed && !outboundCrLf) {
      ++i;
    } else if (c == '^') {
      if (left == 0) break;
      const int ctl = ControlFor(static_cast<uint8_t>(text[i + 1]));
      if (ctl >= 0 && !emit(ctl)) break;
      i += 2;
    } else if (c == '\\' && left >= 1 && text[i + 1] == '\\') {
      emit('\\');
      i += 2;
    } else if (c == '\\' && left >= 2) {
      if (!emit(static_cast<int>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])))) break;
      i += 3;
    } else if (c == '\\') {
      ++i;  // incomplete escape: drop the backslash, handle what follows normally
    } else {
      out.push_back(c);
      ++i;
    }
  }
  return out;
}

}  // namespace parlane
