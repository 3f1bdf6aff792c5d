// The terminal font's character set (code page 437) as Unicode, for showing
// stored cells outside the program's own font: text dumps, html, the clipboard.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace parlane {

// The Unicode code point of a CP437 byte; control bytes are shown as the
// font's glyphs (0x01 a smiling face, 0x1A an arrow, ...).
char32_t Cp437ToUnicode(uint8_t byte);

// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, char32_t cp);

// CP437 bytes as UTF-8 text.
std::string Cp437ToUtf8(std::span<const uint8_t> bytes);

}  // namespace parlane
