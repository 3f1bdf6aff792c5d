// Command-line options of parlane-render.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "config/terminal_options.h"

namespace parlane::render {

enum class Format { Text, Json, Html };

struct Options {
  Emulation emulation = Emulation::Vt100;
  int rows = 24;
  int cols = 80;
  std::optional<int> height;
  bool telnet = false;
  bool inboundCrLf = false;
  bool outboundCrLf = false;
  bool localEcho = false;
  bool wrap = true;
  size_t block = 1024;
  Format format = Format::Text;
  bool scrollback = false;
  std::vector<std::string> files;  // empty: standard input
};

// Parses argv[1..]. On a bad option or value returns nullopt and sets `error`
// to a one-line message.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error);

inline constexpr const char* kUsage =
    "usage: parlane-render [--emulation tty|vt100|pcansi|scoansi] [--rows 24|25|35|50]\n"
    "                      [--cols 80|132] [--height H] [--telnet] [--inbound-crlf]\n"
    "                      [--outbound-crlf] [--local-echo] [--no-wrap] [--block N]\n"
    "                      [--format text|json|html] [--scrollback] [FILE...]\n";

}  // namespace parlane::render
