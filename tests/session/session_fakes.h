// A session window and a link that record what the session does to them.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "session/session.h"

namespace parlane::test {

class RecordingView : public SessionView {
 public:
  void BeginOutput() override { ++begins; }
  void EndOutput() override { ++ends; }
  void ClearSelection() override { ++clears; }
  void Bell() override {}
  void Connected() override { ++connected; }
  void ShowFailure(std::string_view text, bool) override { failures.emplace_back(text); }
  bool AskCloseWindow(std::string_view) override { return true; }
  void ConnectionEnded(bool close) override { ended.push_back(close); }
  void LinkActivity(bool receive, bool on) override { reads += receive && on; }
  std::string FrameTitle() const override { return title; }
  void SetFrameTitle(std::string_view t) override { title = std::string(t); }

  int begins = 0, ends = 0, clears = 0, connected = 0, reads = 0;
  std::vector<std::string> failures;
  std::vector<bool> ended;
  std::string title = "host";
};

// Records every send; with local echo on, data goes back through the
// session as a real link does.
class RecordingLink final : public SessionLink {
 public:
  explicit RecordingLink(Session* session = nullptr) : session_(session) {}
  void Start() override { started = true; }
  void SendData(std::span<const uint8_t> b) override {
    data.append(b.begin(), b.end());
    if (echo && session_ != nullptr) session_->Show(b);
  }
  void SendRaw(std::span<const uint8_t> b) override { raw.append(b.begin(), b.end()); }
  void SetLocalEcho(bool on) override { echo = on; }
  bool IsConnected() const override { return true; }
  long long ElapsedSeconds() const override { return 0; }
  std::string StatusName() const override { return "TELNET"; }
  bool IsTelnet() const override { return true; }

  std::string data, raw;
  bool echo = false;
  bool started = false;

 private:
  Session* session_;
};

// The session's text from the top of the store to the cursor's row.
inline std::string ScreenText(const TerminalScreen& s) {
  std::string text;
  for (int r = 0; r <= s.Cursor().row; ++r) text += std::string(s.RowText(r)) + "\n";
  return text;
}

inline void Receive(Session& session, std::string_view s) {
  session.Received({reinterpret_cast<const uint8_t*>(s.data()), s.size()});
}

}  // namespace parlane::test
