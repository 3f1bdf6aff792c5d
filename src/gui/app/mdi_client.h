// The MDI client: loads the settings, key table and phonebook when it is
// set up, answers every menu command not tied to one session (and routes
// the others to the active session window), runs the clock on timer 1, and
// saves the settings when it is destroyed.
#pragma once

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <array>
#include <ctime>
#include <functional>
#include <memory>

#include "app/app_context.h"
#include "config/main_config.h"
#include "keys/keymap.h"
#include "platform/platform.h"

class QMenu;

namespace parlane {

class TMyApp;
class DialupShell;
class TMainMDIDecoratedFrame;
class TelnetWindowMDIChild;
class TelnetServerMDIChild;
class MessageSink;
class PrinterService;
struct TelnetSessionParams;

// Enabling and check mark of one command.
struct CommandState {
  bool enabled = false;
  bool checked = false;
  bool checkable = false;
  QString text;  // not empty: the item's text now ("Stop &Capture\tAlt+Q")
};

class TMyMDIClient final : public QMdiArea {
  Q_OBJECT
 public:
  TMyMDIClient(TMyApp& app, TMainMDIDecoratedFrame& frame);
  ~TMyMDIClient() override;

  // Start-up step 3: settings, title screen, key table, phonebook, port
  // defaults, clock; then the panes and tool bar are completed from the
  // event loop (step 4).
  void SetupWindow();
  // Shut-down: the may-close query (the dial-up window goes) and the
  // clean-up step (FrameMaximized noted, clock stopped).
  bool CanClose();
  void CleanupWindow();
  // Destroys every session window at once (the frame is going).
  void DestroySessions();

  // Menu commands, by id.
  void Command(int id);
  CommandState State(int id) const;

  // Timer 1. The clock reads the local time through `now`, which tests set.
  void ClockTick();
  void SetClockSource(std::function<std::tm()> now) { now_ = std::move(now); }
  bool ClockRunning() const { return clock_.isActive(); }
  int ClockInterval() const { return clock_.interval(); }

  // Step 4 (the private message after set-up): status bar panes, tool bar,
  // emulation name, tool bar hidden or not.
  void CompleteStartup();
  bool StartupCompleted() const { return startupCompleted_; }

  // Opens a Telnet session window as Open Telnet Connection does.
  TelnetWindowMDIChild* OpenTelnetSession(const TelnetSessionParams& params);
  // Start Telnet Host Mode Server: the server window, listening on
  // `portText` when given, else on HostPort. Null when it could not listen.
  TelnetServerMDIChild* OpenHostModeServer(const QString* portText = nullptr);
  // Places a new session window (Telnet or dial-up) and tracks its state.
  void AdoptSession(TelnetWindowMDIChild* child);
  // The dial-up side: serial port, phonebook and modem commands.
  DialupShell& Dialup() { return *dialupShell_; }
  // Places a new MDI child at CascadeOffset and shows it (maximized when
  // SessionsMaximized is set).
  void PlaceChild(QMdiSubWindow* child, bool session);
  int CascadeOffset() const { return cascadeOffset_; }

  // The one dial-up window, or nullptr; Open Dial-up Window is enabled only
  // while there is none.
  QMdiSubWindow* DialupWindow() const { return dialup_; }
  void SetDialupWindow(QMdiSubWindow* window) { dialup_ = window; }

  TelnetWindowMDIChild* ActiveSession() const;
  AppContext& Context() { return *context_; }
  void PlaySound(SoundEvent event);
  // The Window menu lists the open windows (numbered, the active one
  // checked) each time it opens.
  void AttachWindowList(QMenu* windowMenu);
  // Shows a message of the shell (caption "Parlane").
  void ShellMessage(const QString& text, MsgIcon icon);
  // The application's printer object (made at set-up).
  PrinterService* Printer() const { return printer_.get(); }

 signals:
  // The command-line session's connection ended: the program closes.
  void CommandLineSessionEnded();

 private:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void FillWindowList(QMenu* menu);
  bool RouteToSession(int id);
  void ApplicationCommand(int id);
  void RebuildStatusBar();
  void ShowClock(bool force);
  void ToggleToolbar();
  void SetReceiveDirectory();
  void ChoosePrinterFont();
  void TerminalSettingsCommand();
  void OpenTelnetCommand();
  void Hangup();
  void ArrangeIcons();
  void About();
  void ShowTitleScreen();
  void StartCommandLineSession();
  void ScriptCreate();
  void ScriptEdit();
  void SaveFiles();
  // Printing, sounds, keys, tools, shell and help (app/shell_services.cpp).
  void CreatePrinter();
  void PrinterSetup();
  void SoundEffects();
  void KeyboardMapping();
  void FunctionKeys();
  void DosSession();
  void RunTool(int id);
  void ChangeTool(int id);
  void ShowHelp(int id);

  TMyApp& app_;
  TMainMDIDecoratedFrame& frame_;
  std::unique_ptr<AppContext> context_;
  std::unique_ptr<MessageSink> messages_;
  std::unique_ptr<PrinterService> printer_;
  QTimer clock_;
  bool firstTick_ = true;
  QString lastClock_;
  std::function<std::tm()> now_;
  int cascadeOffset_ = 0;
  QPointer<QMdiSubWindow> dialup_;
  bool startupCompleted_ = false;
  bool saved_ = false;
  std::unique_ptr<DialupShell> dialupShell_;
  // MAIN.CFG and KEYMAP.DAT as read at start-up, written back with only the
  // changed fields replaced.
  struct ReadBytes {
    std::array<uint8_t, Main_Configuration_Struct::kSize> main{};
    std::array<uint8_t, KeyTable::kSize> keys{};
  };
  std::unique_ptr<ReadBytes> read_;
};

}  // namespace parlane
