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
#include <ctime>
#include <functional>
#include <memory>

#include "app/app_context.h"
#include "platform/platform.h"

namespace parlane {

class TMyApp;
class TMainMDIDecoratedFrame;
class TelnetWindowMDIChild;
class MessageSink;
class PrinterService;
struct TelnetSessionParams;

// Enabling and check mark of one command.
struct CommandState {
  bool enabled = false;
  bool checked = false;
  bool checkable = false;
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
  // Shows a message of the shell (caption "Parlane").
  void ShellMessage(const QString& text, MsgIcon icon);
  // The application's printer object (made at set-up).
  PrinterService* Printer() const { return printer_.get(); }

 signals:
  // The command-line session's connection ended: the program closes.
  void CommandLineSessionEnded();

 private:
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
};

}  // namespace parlane
