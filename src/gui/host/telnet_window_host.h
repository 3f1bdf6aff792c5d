// A host-mode caller's session window: a Telnet window on the socket the
// server accepted, with the host-mode terminal options and the host script.
// It gives no "Connect" sound (the server gave its own), closes itself
// without asking when the caller leaves, and lets the caller reach nothing
// beyond the window: a Zmodem download into the receive directory and an
// attached print job each start only after the user agrees.
#pragma once

#include <QString>
#include <string>

#include "session/terminal_view.h"

namespace parlane {

struct TelnetSessionParams;
struct Main_Configuration_Struct;

class TelnetWindowHost final : public TelnetWindow {
  Q_OBJECT
 public:
  TelnetWindowHost(AppContext& app, const TelnetSessionParams& params, const QString& className,
                   QWidget* parent = nullptr);

  // The questions asked before a caller's request takes effect.
  static QString DownloadQuestion(const std::string& receiveDir);
  static QString PrintQuestion();

 protected:
  bool IsHostMode() const override { return true; }
  bool AllowHostRequest(HostRequest request) override;
};

// The parameters of a caller's window: no host name, port 23, no user name
// or password, `HostScript` as the script, the main emulation with inbound
// CR/LF off, outbound CR/LF on, local echo on, wrap on and Backspace sending
// Backspace.
TelnetSessionParams HostClientParams(const Main_Configuration_Struct& config, int acceptedFd,
                                     const std::string& peerAddress);

}  // namespace parlane
