#include "term/render.h"

#include <cstdio>

#include "term/cp437.h"
#include "term/emulation.h"

namespace parlane {

namespace {

void AppendHex(std::string& out, std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  for (uint8_t b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0x0F]);
  }
}

std::string Hex(std::span<const uint8_t> bytes) {
  std::string s;
  AppendHex(s, bytes);
  return s;
}

std::string Pos(int row, int col) {
  return "{\"row\": " + std::to_string(row) + ", \"col\": " + std::to_string(col) + "}";
}

int FirstShownRow(const TerminalScreen& screen, bool scrollback) {
  return scrollback ? 0 : screen.ScreenTop();
}

int LastShownRow(const TerminalScreen& screen) {
  const int last = screen.ScreenTop() + screen.Height() - 1;
  return last < screen.Capacity() ? last : screen.Capacity() - 1;
}

std::string CssColor(Rgb c) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
  return text;
}

void AppendHtmlChar(std::string& out, uint8_t byte) {
  const char32_t cp = Cp437ToUnicode(byte);
  if (cp == U'&') {
    out += "&amp;";
  } else if (cp == U'<') {
    out += "&lt;";
  } else if (cp == U'>') {
    out += "&gt;";
  } else {
    AppendUtf8(out, cp);
  }
}

void AppendHtmlRow(std::string& out, const TerminalScreen& screen, int index) {
  const RowView row = screen.Row(index);
  const auto chars = row.UsedChars();
  const auto attrs = row.UsedAttrs();
  size_t i = 0;
  while (i < chars.size()) {
    size_t j = i;
    while (j < chars.size() && attrs[j] == attrs[i]) ++j;
    const CellColorPair colors = screen.ColorsOf(attrs[i]);
    out += "<span style=\"color:" + CssColor(colors.fg) + ";background:" + CssColor(colors.bg) +
           "\">";
    for (size_t k = i; k < j; ++k) AppendHtmlChar(out, chars[k]);
    out += "</span>";
    i = j;
  }
  out += "\n";
}

}  // namespace

std::string RenderText(const TerminalScreen& screen, bool scrollback) {
  std::string out;
  for (int r = FirstShownRow(screen, scrollback); r <= LastShownRow(screen); ++r) {
    out += Cp437ToUtf8(screen.Row(r).UsedChars());
    out += '\n';
  }
  return out;
}

std::string RenderJson(const Interpreter& interpreter, const RecordingSession& session) {
  const TerminalScreen& s = interpreter.Screen();
  std::string out = "{\n";
  out += "  \"emulation\": \"" + std::string(TraitsOf(s.Emu()).name) + "\",\n";
  out += "  \"rows\": " + std::to_string(s.Rows()) + ",\n";
  out += "  \"cols\": " + std::to_string(s.Columns()) + ",\n";
  out += "  \"height\": " + std::to_string(s.Height()) + ",\n";
  out += "  \"capacity\": " + std::to_string(s.Capacity()) + ",\n";
  out += "  \"screenTop\": " + std::to_string(s.ScreenTop()) + ",\n";
  out += "  \"cursor\": " + Pos(s.Cursor().row, s.Cursor().col) + ",\n";
  out += "  \"savedCursor\": " + Pos(s.SavedCursor().row, s.SavedCursor().col) + ",\n";
  out += "  \"scrollRegion\": {\"top\": " + std::to_string(s.RegionTop()) +
         ", \"bottom\": " + std::to_string(s.RegionBottom()) + "},\n";
  out += "  \"attribute\": " + std::to_string(s.Attribute()) + ",\n";
  out += "  \"state\": \"" + std::string(StateName(interpreter.State())) + "\",\n";
  out += "  \"lines\": [\n";
  for (int r = 0; r < s.Capacity(); ++r) {
    const RowView row = s.Row(r);
    out += "    {\"used\": " + std::to_string(row.Used()) + ", \"text\": \"" +
           Hex(row.UsedChars()) + "\", \"attrs\": \"" + Hex(row.UsedAttrs()) + "\"}";
    out += r + 1 < s.Capacity() ? ",\n" : "\n";
  }
  out += "  ],\n  \"sent\": [";
  for (size_t i = 0; i < session.sent.size(); ++i) {
    const RecordedSend& send = session.sent[i];
    out += i == 0 ? "\n" : ",\n";
    out += std::string("    {\"raw\": ") + (send.raw ? "true" : "false") + ", \"hex\": \"" +
           Hex(send.bytes) + "\"}";
  }
  out += session.sent.empty() ? "],\n" : "\n  ],\n";
  out += "  \"bells\": " + std::to_string(session.bells) + ",\n";
  out += "  \"downloadRequests\": " + std::to_string(session.downloadRequests) + ",\n";
  out += "  \"printed\": \"" + Hex(session.printed) + "\"\n";
  out += "}\n";
  return out;
}

std::string RenderHtml(const TerminalScreen& screen, bool scrollback) {
  const std::string bg = CssColor(screen.CurrentBackground());
  std::string out =
      "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>Parlane screen</title>\n"
      "<style>\nbody { margin: 0; background: " + bg + "; }\n"
      "pre { margin: 0; padding: 4px; background: " + bg + "; color: " +
      CssColor(screen.Colors().text) +
      "; font-family: 'DejaVu Sans Mono', 'Courier New', monospace; font-size: 14px;"
      " line-height: 1.15; width: " + std::to_string(screen.Columns()) + "ch; }\n"
      "</style>\n</head>\n<body>\n<pre>";
  for (int r = FirstShownRow(screen, scrollback); r <= LastShownRow(screen); ++r) {
    AppendHtmlRow(out, screen, r);
  }
  out += "</pre>\n</body>\n</html>\n";
  return out;
}

}  // namespace parlane
