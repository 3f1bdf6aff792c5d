// Login scripts: a text file of WAIT and SEND lines run inside one session.
//
//   SEND <text>   send the decoded text to the host at once
//   WAIT <text>   read no further until the decoded text has been received
//
// The first space of a line splits the command word (compared without regard
// to case) from the argument (everything after it, spaces included). Any other
// line is ignored, so comments are written as "// ...". Texts use the
// key-text notation (keys/keytext.h) without the line-feed option.
#pragma once

#include <array>
#include <filesystem>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace parlane {

// What a script needs from its session window.
class ScriptHost {
 public:
  virtual ~ScriptHost() = default;
  // The session's data send (echoed locally when local echo is on).
  virtual void SendData(std::string_view bytes) = 0;
  virtual std::string FrameTitle() const = 0;
  virtual void SetFrameTitle(std::string_view title) = 0;
};

enum class ScriptStatus {
  Waiting,     // a WAIT is pending: keep feeding received bytes
  Ended,       // the end of the file was reached: destroy the script
  OpenFailed,  // Start only: the file could not be opened; discard the script
};

// The awaited text of a WAIT, matched against the received stream. A match
// is found wherever the text occurs in the stream, also when it begins inside
// a partial match that broke (waiting for "aab" completes on "aaab").
class WaitMatcher {
 public:
  WaitMatcher() = default;
  explicit WaitMatcher(std::string text);
  // Feeds one byte; true when the whole text has now been received. An empty
  // text is satisfied by the next byte.
  bool Feed(char byte);
  const std::string& Text() const { return text_; }
  size_t Matched() const { return matched_; }

 private:
  std::string text_;
  std::vector<size_t> fallback_;  // longest proper prefix that is also a suffix, per prefix length
  size_t matched_ = 0;
};

class Script {
 public:
  // Takes the frame's title now; it is put back when the script is destroyed.
  explicit Script(ScriptHost& host);
  ~Script();
  Script(const Script&) = delete;
  Script& operator=(const Script&) = delete;

  // Opens the script file and runs it up to its first WAIT. The frame title
  // becomes "<saved title> - <file> script is running". OpenFailed leaves the
  // title alone; Ended means the file held no WAIT and everything was sent.
  ScriptStatus Start(const std::filesystem::path& file);
  // The same for a script read from a stream, shown under the name `name`.
  ScriptStatus Start(std::unique_ptr<std::istream> stream, const std::string& name);

  // Offers one received byte (of the interpreter's ground state) to the
  // pending WAIT. Ended once the script has run past its last line.
  ScriptStatus ProcessByte(char byte);

  // Reads lines up to the next WAIT (Waiting) or the end of the file (Ended),
  // sending each SEND line's text on the way.
  ScriptStatus ReadToNextWait();
  // Decodes a SEND argument and sends it; an empty argument sends nothing.
  void ScriptSend(std::string_view argument);

  bool IsWaiting() const { return waiting_; }
  const std::string& AwaitedText() const { return matcher_.Text(); }

 private:
  ScriptHost& host_;
  std::string savedTitle_;
  std::unique_ptr<std::istream> in_;
  WaitMatcher matcher_;
  bool waiting_ = false;
};

// The command of one script line, split at its first space.
struct ScriptLine {
  enum class Command { None, Send, Wait };
  Command Kind = Command::None;
  std::string Argument;
};
ScriptLine ParseScriptLine(std::string_view line);

// The text Script Create writes into a new script file, one line each.
inline constexpr std::array<std::string_view, 20> kScriptTemplate = {
    "//",
    "// Script file for Parlane",
    "//",
    "// The following commands are available:",
    "//    WAIT <SPACE> <STRING>",
    "//    SEND <SPACE> <STRING>",
    "//",
    "// For <STRING>, ^ = Control Key Sequence, ^~ = ^, ^[ = Escape Character,",
    "//               \\xx = Character in Hex Format, and \\\\ = \\",
    "//   i.e. ^M = Carriage Return, ^J = Linefeed",
    "//",
    "// Example script",
    "// --------------",
    "// WAIT login:",
    "// SEND my_username^M",
    "// WAIT Password:",
    "// SEND my_password^M",
    "//",
    "// NOTE:  Lines beginning with '//' are ignored",
    "//",
};

// Writes the template to `file`, replacing it. False when it cannot be written.
bool WriteScriptTemplate(const std::filesystem::path& file);

// The file dialogs of the Script menu.
inline constexpr std::string_view kScriptFileFilter = "Script Files (*.csc)|*.csc|";
inline constexpr std::string_view kScriptDefaultExtension = "CSC";

}  // namespace parlane
