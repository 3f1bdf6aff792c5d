#include "term/render.h"

#include <cstdio>
#include <limits>

#include "term/cp437.h"
#include "util/hex.h"
#include "util/json.h"
#include "term/emulation.h"

namespace parlane {

namespace {

json::Value Pos(int row, int col) { return json::Object{{"row", row}, {"col", col}}; }

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
    out +=
        "<span style=\"color:" + CssColor(colors.fg) + ";background:" + CssColor(colors.bg) + "\">";
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
  json::Array lines;
  lines.reserve(static_cast<size_t>(s.Capacity()));
  for (int r = 0; r < s.Capacity(); ++r) {
    const RowView row = s.Row(r);
    lines.emplace_back(json::Object{
        {"used", row.Used()}, {"text", ToHex(row.UsedChars())}, {"attrs", ToHex(row.UsedAttrs())}});
  }
  json::Array sent;
  for (const RecordedSend& send : session.sent)
    sent.emplace_back(json::Object{{"raw", send.raw}, {"hex", ToHex(send.bytes)}});
  const json::Value doc(json::Object{
      {"emulation", std::string_view(TraitsOf(s.Emu()).name)},
      {"rows", s.Rows()},
      {"cols", s.Columns()},
      {"height", s.Height()},
      {"capacity", s.Capacity()},
      {"screenTop", s.ScreenTop()},
      {"cursor", Pos(s.Cursor().row, s.Cursor().col)},
      {"savedCursor", Pos(s.SavedCursor().row, s.SavedCursor().col)},
      {"scrollRegion", json::Object{{"top", s.RegionTop()}, {"bottom", s.RegionBottom()}}},
      {"attribute", int{s.Attribute()}},
      {"state", StateName(interpreter.State())},
      {"lines", std::move(lines)},
      {"sent", std::move(sent)},
      {"bells", session.bells},
      {"downloadRequests", session.downloadRequests},
      {"printed", ToHex(session.printed)},
  });
  // Every row and every send on a line of its own, however long.
  return json::Write(doc, {.inlineStringLimit = std::numeric_limits<size_t>::max()});
}

std::string RenderHtml(const TerminalScreen& screen, bool scrollback) {
  const std::string bg = CssColor(screen.CurrentBackground());
  std::string out =
      "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>Parlane screen</title>\n"
      "<style>\nbody { margin: 0; background: " +
      bg +
      "; }\n"
      "pre { margin: 0; padding: 4px; background: " +
      bg + "; color: " + CssColor(screen.Colors().text) +
      "; font-family: 'DejaVu Sans Mono', 'Courier New', monospace; font-size: 14px;"
      " line-height: 1.15; width: " +
      std::to_string(screen.Columns()) +
      "ch; }\n"
      "</style>\n</head>\n<body>\n<pre>";
  for (int r = FirstShownRow(screen, scrollback); r <= LastShownRow(screen); ++r) {
    AppendHtmlRow(out, screen, r);
  }
  out += "</pre>\n</body>\n</html>\n";
  return out;
}

}  // namespace parlane
