// The dial-up session window: `CommWindow` (the terminal view over the
// program's serial port) inside `CommWindowMDIChild`. It is the Telnet
// session window with another link: the port is read through the event
// loop's notifier on its descriptor (at most 1024 bytes a read), byte 255
// is an ordinary character, timer 2 is also the carrier check, the status
// bar's link pane shows the line summary, and the window preferences are the
// dial-up class's own copy. Closing the window purges and closes the port.
//
// A file transfer on the dial-up line takes the port for its run:
//
//   window->PauseReading();              // the polling flag is cleared
//   RunTransfer(..., window->Port(), ...);
//   window->ResumeReading();             // the session reads again
#pragma once

#include <QTimer>
#include <string>

#include "session/telnet_window.h"
#include "session/terminal_view.h"

namespace parlane {

class SerialLink;
class SerialPort;

// What the shell hands a new dial-up session.
struct CommSessionParams {
  QString title;             // "Dial-up Terminal Window", or the entry's name
  TerminalOptions terminal;  // a copy of Main_Configuration_Struct::Terminal
  std::string userName;      // Ctrl+F1 (phonebook entries only)
  std::string password;      // Ctrl+F2 (phonebook entries only)
  std::string loginScript;   // started at set-up; empty for none
  std::string lineSummary;   // the status bar's link pane, e.g. "9600,N,8,1"
  std::string initialInput;  // the host's bytes that came with CONNECT
};

class CommWindow final : public TelnetWindow {
  Q_OBJECT
 public:
  static constexpr const char* kClassName = "CommWindow_Class";
  // Timer 2: the connect-time clock and the carrier check.
  static constexpr int kCarrierTickMs = 5000;

  // `port` is open; the window closes it when it goes.
  CommWindow(AppContext& app, const CommSessionParams& params, SerialPort& port,
             QWidget* parent = nullptr);
  ~CommWindow() override;

  // ---- for file transfers ----
  // Clears the polling flag and stops timer 2: the window leaves the port
  // alone until ResumeReading. Nesting is not counted.
  void PauseReading();
  void ResumeReading();
  bool Reading() const;
  // The program's serial port this window runs over.
  SerialPort& Port() { return port_; }

  // Timer 2's carrier check (also run when the window gains the focus).
  void CheckCarrier();
  SerialLink& Link() { return *link_; }

 protected:
  void focusInEvent(QFocusEvent* event) override;
  // Each pasted character waits until the port's output queue is empty,
  // letting the host's echo and other windows run meanwhile.
  void PastedCharacter(int sent) override;

 private:
  AppContext& ctx_;
  SerialPort& port_;
  SerialLink* link_ = nullptr;  // owned by the session
  QTimer carrierTimer_;
};

class CommWindowMDIChild final : public TelnetWindowMDIChild {
  Q_OBJECT
 public:
  CommWindowMDIChild(AppContext& app, const CommSessionParams& params, SerialPort& port,
                     QWidget* parent = nullptr);

  CommWindow* Comm() const;
};

}  // namespace parlane
