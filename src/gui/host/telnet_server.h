// The Telnet host mode server window: `TelnetServerDialog`, the client of
// the MDI child `TelnetServerMDIChild` titled "Telnet Host Mode Server". It
// shows this machine's name and address, listens on the port in its port
// field (every interface, IPv6 and IPv4), and hands each caller it accepts
// to the shell, which opens the caller's own session window.
#pragma once

#include <QMdiSubWindow>
#include <QWidget>
#include <functional>
#include <memory>

#include "link/host_listener.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace parlane {

struct AppContext;

class TelnetServerDialog final : public QWidget {
  Q_OBJECT
 public:
  // Control ids of the window, used as object names ("104", "105", ...).
  enum Control {
    kName = 10,
    kAddress = 11,
    kStatus = 12,
    kScript = 102,
    kBrowse = 103,
    kPort = 104,
    kUpdate = 105
  };

  using OpenClientFn = std::function<void(HostListener::Client)>;
  // `openClient` opens a caller's window; it owns the client's socket.
  // `portText` overrides HostPort in the port field (the command line's port).
  TelnetServerDialog(AppContext& app, OpenClientFn openClient, QWidget* parent = nullptr,
                     const QString* portText = nullptr);
  ~TelnetServerDialog() override;

  // Set-up: the fields, this machine's name and address, and the first
  // listen. False when no listening socket could be made at all ("Could not
  // create server socket" has been shown; the window closes).
  bool SetupWindow();
  // Update: listen again on the port in the port field.
  void CmUpdate();
  // Browse...: choose the script file for new callers.
  void CmBrowse();
  // The window goes: the fields are kept in the settings, listening stops.
  void CleanupWindow();

  QString StatusText() const;
  bool IsListening() const { return listener_.IsListening(); }
  int BoundPort() const { return listener_.BoundPort(); }
  QLineEdit* PortEdit() const { return port_; }
  QLineEdit* ScriptEdit() const { return script_; }

 private:
  enum class Listen { Listening, BindFailed, NoSocket };
  Listen StartListening();
  void Accepted(HostListener::Client client);
  void SetStatus(const QString& text);

  AppContext& app_;
  OpenClientFn openClient_;
  HostListener listener_;
  QLabel* name_ = nullptr;
  QLabel* address_ = nullptr;
  QLabel* status_ = nullptr;
  QLineEdit* port_ = nullptr;
  QLineEdit* script_ = nullptr;
  bool cleanedUp_ = false;
};

class TelnetServerMDIChild final : public QMdiSubWindow {
  Q_OBJECT
 public:
  static constexpr const char* kClassName = "TelnetServer_Child_Class";

  TelnetServerMDIChild(AppContext& app, TelnetServerDialog::OpenClientFn openClient,
                       QWidget* parent = nullptr, const QString* portText = nullptr);
  TelnetServerDialog* Dialog() const { return dialog_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  TelnetServerDialog* dialog_ = nullptr;
};

}  // namespace parlane
