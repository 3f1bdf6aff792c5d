// A Telnet session in the MDI frame: the terminal view (`TelnetWindow`) inside
// its MDI child (`TelnetWindowMDIChild`). The session's engine (screen,
// interpreter, keyboard, link) lives in the core `Session`; the window paints
// it, routes keys and the mouse to it, and shows its messages.
//
// The shell creates one child per session:
//
//   auto* child = new TelnetWindowMDIChild(ctx, TelnetSessionParams{...});
//   mdiArea->addSubWindow(child);   // placement: the shell's CascadeOffset
//   child->show();                  // (or showMaximized() per SessionsMaximized)
//
// The child deletes itself when closed (WA_DeleteOnClose). The shell routes
// the per-session menu commands to the active child with HandleCommand() and
// asks CommandEnabled() for their enabling; the keypad-mode items call
// KeypadModeChanged() on the active child after changing KeypadNumeric.
//
// The dial-up window (comm_window.h) is the same window over the serial
// port: only the link differs (see core/session/session.h).
#pragma once

#include <QMdiSubWindow>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "config/terminal_options.h"

namespace parlane {

struct AppContext;          // gui/app/app_context.h: what the shell gives a session
class TelnetWindow;         // gui/session/terminal_view.h: the terminal view widget
class SessionFileCommands;  // gui/session/session_files.h: capture, save, transmit, scripts
class Session;
class SessionLink;
class FileUploadMDIChild;  // gui/transfer/upload_list.h: the session's upload list

// What the shell hands a new Telnet session.
struct TelnetSessionParams {
  std::string host;          // as typed: a name or a numeric IPv4/IPv6 address
  uint16_t port = 23;        // TCP port
  TerminalOptions terminal;  // a copy of Main_Configuration_Struct::Terminal,
                             // or the phonebook entry's options
  std::string userName;      // Ctrl+F1 sends it (phonebook entries only)
  std::string password;      // Ctrl+F2 sends it (phonebook entries only)
  std::string loginScript;   // started once connected; empty for none
  QString title;             // frame title; empty: the host as typed
  // Set when Parlane was started with a host on its command line: a closed
  // connection then closes the window without asking (and the shell quits).
  bool closeWithoutAsking = false;
  // A host-mode caller's window (TelnetWindowHost): the socket the server
  // accepted (the window takes it over) and the caller's numeric address.
  int acceptedFd = -1;
  std::string peerAddress;
  // A link of another kind (the dial-up window's serial port): when set, the
  // session runs over the link it makes instead of a Telnet connection to
  // `host`, and byte 255 is an ordinary character.
  std::function<std::unique_ptr<SessionLink>(Session&)> makeLink;
};

class TelnetWindowMDIChild : public QMdiSubWindow {
  Q_OBJECT
 public:
  // The window class name the preferences are kept under.
  static constexpr const char* kClassName = "TelnetWindow_Class";

  TelnetWindowMDIChild(AppContext& app, const TelnetSessionParams& params,
                       QWidget* parent = nullptr);
  ~TelnetWindowMDIChild() override;

  TelnetWindow* Window() const { return window_; }
  FileUploadMDIChild* UploadList() const;

  // Per-session menu commands (the cmd:: ids of app/commands.h: Copy, Paste,
  // Copy and Paste, Font, Background Color, Text Color, Terminal Settings). HandleCommand returns
  // false for an id the session does not answer; CommandEnabled gives the menu's enabling (Copy: a
  // selection exists; Paste: the clipboard holds text).
  bool HandleCommand(int id);
  bool CommandEnabled(int id) const;
  // KeypadNumeric changed: rebuild this window's keyboard now.
  void KeypadModeChanged();

  // Capture is on (the File menu then offers "Stop &Capture").
  bool Capturing() const;
  // Connection state for the shell's menu enabling and status bar.
  bool IsConnected() const;
  bool HasSelection() const;

 signals:
  // The connection came up (true) or ended (false).
  void ConnectionStateChanged(bool connected);
  // The peer closed the connection or it failed; emitted once per session,
  // before any question is asked. The command-line session quits on it.
  void ConnectionEnded();
  // The window is closing (it is deleted right after).
  void SessionClosed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;

  // For session frames around another kind of window (CommWindowMDIChild):
  // `window` becomes this frame's widget.
  TelnetWindowMDIChild(AppContext& app, const QString& title, TelnetWindow* window,
                       QWidget* parent);

 private:
  AppContext& app_;
  TelnetWindow* window_ = nullptr;
  SessionFileCommands* files_ = nullptr;
  bool sized_ = false;
  bool forwarding_ = false;  // a key is being handed to the view
  // The upload list window of Send Files (one at most).
  QPointer<FileUploadMDIChild> uploadList_;
};

}  // namespace parlane
