#include "script/script.h"

#include <fstream>
#include <system_error>
#include <utility>

#include "keys/keytext.h"

namespace parlane {
namespace {

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) {
      return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// Script arguments never take the outbound line-feed option: a line feed can
// only be sent as ^J.
std::string DecodeArgument(std::string_view argument) { return TranslateKeyText(argument, false); }

// A script line is a login text; a longer "line" (a binary or runaway file
// without line ends) is skipped as a whole instead of being read into memory.
constexpr size_t kMaxScriptLine = 4096;

// Reads the next line without its line end. False at the end of the stream;
// `tooLong` says the line was longer than kMaxScriptLine (and is not kept).
bool ReadLine(std::istream& in, std::string& line, bool& tooLong) {
  line.clear();
  tooLong = false;
  std::streambuf* buf = in.rdbuf();
  if (buf == nullptr) return false;
  bool any = false;
  for (;;) {
    const auto c = buf->sbumpc();
    if (c == std::char_traits<char>::eof()) {
      in.setstate(std::ios::eofbit);
      return any;
    }
    any = true;
    if (c == '\n') return true;
    if (line.size() < kMaxScriptLine) {
      line += static_cast<char>(c);
    } else {
      tooLong = true;
    }
  }
}

}  // namespace

ScriptLine ParseScriptLine(std::string_view line) {
  // Script files are text: a line written with CR LF ends the same as one
  // written with LF.
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  ScriptLine result;
  const size_t space = line.find(' ');
  if (space == std::string_view::npos) return result;
  const std::string_view word = line.substr(0, space);
  if (EqualsIgnoreCase(word, "SEND")) {
    result.Kind = ScriptLine::Command::Send;
  } else if (EqualsIgnoreCase(word, "WAIT")) {
    result.Kind = ScriptLine::Command::Wait;
  } else {
    return result;
  }
  result.Argument = std::string(line.substr(space + 1));
  return result;
}

Script::Script(ScriptHost& host) : host_(host), savedTitle_(host.FrameTitle()) {}

Script::~Script() {
  if (in_) host_.SetFrameTitle(savedTitle_);
}

ScriptStatus Script::Start(const std::filesystem::path& file) {
  // A directory opens as a stream but has no lines: it is no script file.
  std::error_code ec;
  if (std::filesystem::is_directory(file, ec)) return ScriptStatus::OpenFailed;
  auto stream = std::make_unique<std::ifstream>(file, std::ios::binary);
  if (!*stream) return ScriptStatus::OpenFailed;
  return Start(std::move(stream), file.string());
}

ScriptStatus Script::Start(std::unique_ptr<std::istream> stream, const std::string& name) {
  if (!stream || !*stream) return ScriptStatus::OpenFailed;
  in_ = std::move(stream);
  host_.SetFrameTitle(savedTitle_ + " - " + name + " script is running");
  return ReadToNextWait();
}

ScriptStatus Script::ReadToNextWait() {
  waiting_ = false;
  std::string line;
  bool tooLong = false;
  while (in_ && in_->good()) {
    if (!ReadLine(*in_, line, tooLong)) break;
    if (tooLong) continue;
    ScriptLine cmd = ParseScriptLine(line);
    if (cmd.Kind == ScriptLine::Command::Send) {
      ScriptSend(cmd.Argument);
    } else if (cmd.Kind == ScriptLine::Command::Wait) {
      matcher_ = WaitMatcher(DecodeArgument(cmd.Argument));
      waiting_ = true;
      return ScriptStatus::Waiting;
    }
  }
  return ScriptStatus::Ended;
}

void Script::ScriptSend(std::string_view argument) {
  if (argument.empty()) return;
  const std::string bytes = DecodeArgument(argument);
  if (!bytes.empty()) host_.SendData(bytes);
}

ScriptStatus Script::ProcessByte(char byte) {
  if (!waiting_) return in_ && in_->good() ? ScriptStatus::Waiting : ScriptStatus::Ended;
  if (!matcher_.Feed(byte)) return ScriptStatus::Waiting;
  matcher_ = WaitMatcher();
  return ReadToNextWait();
}

bool WriteScriptTemplate(const std::filesystem::path& file) {
  std::ofstream out(file, std::ios::trunc);
  if (!out) return false;
  for (std::string_view line : kScriptTemplate) out << line << '\n';
  out.close();
  return !out.fail();
}

}  // namespace parlane
