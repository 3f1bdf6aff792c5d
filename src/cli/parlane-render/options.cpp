#include "options.h"

#include <charconv>

#include "term/emulation.h"

namespace parlane::render {

namespace {

// A height beyond this could not be a window on any screen.
constexpr int kMaxHeight = 1000;
// Blocks larger than this gain nothing; the program reads at most 1024.
constexpr size_t kMaxBlock = 1 << 20;

std::optional<long> ParseNumber(const std::string& s) {
  long value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return value;
}

std::optional<Emulation> ParseEmulation(const std::string& s) {
  if (const EmulationTraits* row = FindEmulationKey(s)) return row->id;
  return std::nullopt;
}

std::optional<Format> ParseFormat(const std::string& s) {
  if (s == "text") return Format::Text;
  if (s == "json") return Format::Json;
  if (s == "html") return Format::Html;
  return std::nullopt;
}

bool OneOf(long v, std::initializer_list<long> allowed) {
  for (long a : allowed) {
    if (v == a) return true;
  }
  return false;
}

// Applies an option that takes a value; false with `error` set when bad.
bool ApplyValue(Options& o, const std::string& name, const std::string& value, std::string& error) {
  const auto bad = [&] {
    error = "parlane-render: bad value for " + name + ": '" + value + "'";
    return false;
  };
  if (name == "--emulation") {
    const auto e = ParseEmulation(value);
    if (!e) return bad();
    o.emulation = *e;
  } else if (name == "--format") {
    const auto f = ParseFormat(value);
    if (!f) return bad();
    o.format = *f;
  } else {
    const auto n = ParseNumber(value);
    if (!n) return bad();
    if (name == "--rows") {
      if (!OneOf(*n, {24, 25, 35, 50})) return bad();
      o.rows = static_cast<int>(*n);
    } else if (name == "--cols") {
      if (!OneOf(*n, {80, 132})) return bad();
      o.cols = static_cast<int>(*n);
    } else if (name == "--height") {
      if (*n < 1 || *n > kMaxHeight) return bad();
      o.height = static_cast<int>(*n);
    } else {  // --block
      if (*n < 1 || static_cast<size_t>(*n) > kMaxBlock) return bad();
      o.block = static_cast<size_t>(*n);
    }
  }
  return true;
}

bool ApplyFlag(Options& o, const std::string& name) {
  if (name == "--telnet") {
    o.telnet = true;
  } else if (name == "--inbound-crlf") {
    o.inboundCrLf = true;
  } else if (name == "--outbound-crlf") {
    o.outboundCrLf = true;
  } else if (name == "--local-echo") {
    o.localEcho = true;
  } else if (name == "--no-wrap") {
    o.wrap = false;
  } else if (name == "--scrollback") {
    o.scrollback = true;
  } else {
    return false;
  }
  return true;
}

bool TakesValue(const std::string& name) {
  return name == "--emulation" || name == "--rows" || name == "--cols" || name == "--height" ||
         name == "--block" || name == "--format";
}

}  // namespace

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
  Options o;
  bool onlyFiles = false;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (onlyFiles || arg == "-" || arg.rfind("--", 0) != 0) {
      if (arg == "-" && !onlyFiles) arg.clear();  // "-": standard input
      o.files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      onlyFiles = true;
      continue;
    }
    std::string name = arg;
    std::optional<std::string> value;
    if (const size_t eq = arg.find('='); eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    if (TakesValue(name)) {
      if (!value) {
        if (i + 1 >= args.size()) {
          error = "parlane-render: " + name + " needs a value";
          return std::nullopt;
        }
        value = args[++i];
      }
      if (!ApplyValue(o, name, *value, error)) return std::nullopt;
    } else if (value || !ApplyFlag(o, name)) {
      error = "parlane-render: unknown option '" + arg + "'";
      return std::nullopt;
    }
  }
  return o;
}

}  // namespace parlane::render
