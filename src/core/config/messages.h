// Messages that the engine raises for the user. The GUI shows them as
// message boxes; tests record them. Nothing here is ever logged.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace parlane {

enum class MessageIcon {
  Stop,         // a failure that aborted the action
  Exclamation,  // a warning; the action went on
};

// The caption of the shell's own messages.
inline constexpr std::string_view kShellCaption = "Parlane";

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) = 0;
};

// Keeps every message; handy for tests and for callers that show them later.
class RecordingMessageSink final : public MessageSink {
 public:
  struct Entry {
    std::string text;
    std::string caption;
    MessageIcon icon;
  };
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override {
    entries.push_back({std::string(text), std::string(caption), icon});
  }
  std::vector<Entry> entries;
};

}  // namespace parlane
