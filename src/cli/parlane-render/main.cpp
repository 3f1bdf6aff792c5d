// parlane-render: feeds files (or standard input) through a session's
// interpreter and prints the screen the session would show.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "options.h"
#include "term/interpreter.h"
#include "term/painter.h"
#include "term/recording_session.h"
#include "term/render.h"
#include "term/screen.h"

namespace {

constexpr int kExitUsage = 2;

// Appends the whole of a file (or standard input, for an empty name). False
// when it cannot be opened or read, e.g. a directory or an I/O error: the
// caller reports that rather than rendering part of a file.
bool ReadInput(const std::string& name, std::vector<uint8_t>& out) {
  std::FILE* in = name.empty() ? stdin : std::fopen(name.c_str(), "rb");
  if (in == nullptr) return false;
  std::array<uint8_t, 65536> chunk;
  size_t n;
  while ((n = std::fread(chunk.data(), 1, chunk.size(), in)) > 0) {
    out.insert(out.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(n));
  }
  const bool ok = std::ferror(in) == 0;
  if (in != stdin) std::fclose(in);
  return ok;
}

parlane::TerminalOptions TerminalOptionsOf(const parlane::render::Options& o) {
  parlane::TerminalOptions t;
  t.Emulation = static_cast<uint32_t>(o.emulation);
  t.InboundCrLf = o.inboundCrLf ? 1 : 0;
  t.OutboundCrLf = o.outboundCrLf ? 1 : 0;
  t.LocalEcho = o.localEcho ? 1 : 0;
  t.WordWrap = o.wrap ? 1 : 0;
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace parlane;
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--help") {
    std::fputs(render::kUsage, stdout);
    return 0;
  }
  std::string error;
  auto options = render::ParseOptions(args, error);
  if (!options) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return kExitUsage;
  }
  if (options->files.empty()) options->files.push_back("");
  std::vector<uint8_t> input;
  for (const auto& file : options->files) {
    if (!ReadInput(file, input)) {
      std::fprintf(stderr, "parlane-render: cannot read '%s'\n",
                   file.empty() ? "standard input" : file.c_str());
      return kExitUsage;
    }
  }

  NullPainter painter;
  TerminalScreen screen({options->rows, options->cols}, TerminalOptionsOf(*options), painter);
  if (options->height) screen.SetHeight(*options->height);
  RecordingSession session;
  Interpreter interpreter(screen, session, {options->telnet});
  if (options->localEcho) session.SetEcho(&interpreter);

  for (size_t at = 0; at < input.size(); at += options->block) {
    const size_t n = std::min(options->block, input.size() - at);
    interpreter.Process(std::span<uint8_t>(input.data() + at, n));
  }

  std::string out;
  switch (options->format) {
    case render::Format::Text: out = RenderText(screen, options->scrollback); break;
    case render::Format::Json: out = RenderJson(interpreter, session); break;
    case render::Format::Html: out = RenderHtml(screen, options->scrollback); break;
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::ferror(stdout) ? 1 : 0;
}
