// What a link tells its session window: the window answers questions and
// shows messages; the core never draws or asks by itself.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "config/messages.h"

namespace parlane {

// The status bar's "rd" and "sd" indicators, lit while a link reads or sends.
enum class LinkActivity { Receive, Send };

class TelnetEvents {
 public:
  virtual ~TelnetEvents() = default;

  // A block received from the peer (1 to 1024 bytes), for the session's Process.
  virtual void Received(std::span<const uint8_t> bytes) = 0;
  // A local text ("Trying ...", "Connection established", the local echo of
  // sent data) to be shown through the session's Process with the caret hidden.
  virtual void Show(std::span<const uint8_t> bytes) = 0;
  // The connection is up: sound, connect-time clock, login script.
  virtual void Connected() = 0;
  // The connection could not be made. The window shows `text` in a message
  // box with its frame's title as caption (stop or exclamation icon) and then
  // closes itself.
  virtual void Failure(std::string_view text, MessageIcon icon) = 0;
  // The peer closed a client connection: ask `question` with Yes and No
  // (question icon); true (Yes) closes the window.
  virtual bool AskCloseWindow(std::string_view question) = 0;
  // The close has been handled (once per connection). `closeWindow` asks the
  // window to close itself.
  virtual void Closed(bool closeWindow) = 0;
  // The "rd"/"sd" indicators; optional.
  virtual void Activity(LinkActivity /*which*/, bool /*on*/) {}
};

}  // namespace parlane
