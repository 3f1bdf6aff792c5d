// The terminal font's character set: every cell byte is shown as its CP437
// glyph (the PC's box drawing, shades and symbols), and text typed or pasted
// is sent in the same set.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace parlane {

// The Unicode code point of each CP437 byte. Byte 0 is shown as a space;
// 1..31 and 127 are the PC's graphic symbols.
extern const std::array<char16_t, 256> kCp437ToUnicode;

// The byte a Unicode character is sent as: ASCII as itself, anything else
// through the CP437 table; nothing when CP437 has no such character.
std::optional<uint8_t> Cp437FromUnicode(char32_t c);

// Text for the clipboard: each byte through the table, except CR and LF
// (and TAB), which stay control characters.
std::u16string Cp437ToClipboard(std::string_view bytes);
// Clipboard text as bytes to send: ASCII controls kept, others mapped,
// unmappable characters dropped.
std::string ClipboardToCp437(std::u16string_view text);

}  // namespace parlane
