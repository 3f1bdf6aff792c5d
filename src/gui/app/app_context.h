// What a session window gets from the shell: the program-wide records, the
// desktop services, the status bar and the event loop its link runs on.
// The shell (TMyMDIClient) owns everything referred to here and outlives
// every session window.
#pragma once

#include <QString>
#include <functional>

#include "config/sound_events.h"

class QMenu;
class QWidget;

namespace parlane {

struct Main_Configuration_Struct;
struct WindowPlacementRecord;
struct KeyTable;
class Phonebook;
class EventLoop;
class Platform;
class PrinterService;

// Short names of the sound events for the session windows.
namespace sound {
inline constexpr SoundEvent kBeep = SoundEvent::Beep;
inline constexpr SoundEvent kConnect = SoundEvent::Connect;
inline constexpr SoundEvent kHostModeConnect = SoundEvent::HostModeConnect;
inline constexpr SoundEvent kTransferSuccess = SoundEvent::TransferSuccess;
inline constexpr SoundEvent kTransferFailed = SoundEvent::TransferFailed;
}  // namespace sound

enum class StatusIndicator { Cd, Rd, Sd };

// The status bar's panes as a session window sees them. The shell creates,
// removes and lays the panes out; a session only writes into them.
class StatusPanes {
 public:
  virtual ~StatusPanes() = default;
  // The message area (session texts, "Capture ON").
  virtual void SetMessage(const QString& text) = 0;
  // True while the connect-time pane exists (ConnectTimeHidden is 0).
  virtual bool ConnectTimeShown() const = 0;
  // "%02d:%02d:%02d"; ignored while the pane is hidden.
  virtual void SetConnectTime(const QString& text) = 0;
  // "TELNET", or the serial line summary for dial-up.
  virtual void SetLink(const QString& text) = 0;
  // "TTY", "VT100", "PC ANSI" or "SCO ANSI/ANSI".
  virtual void SetEmulation(const QString& text) = 0;
  virtual void SetIndicator(StatusIndicator which, bool on) = 0;
};

struct AppContext {
  Main_Configuration_Struct& config;  // MAIN.CFG, written at shut-down
  WindowPlacementRecord& placement;   // INITWIND.CFG; SessionsMaximized lives here
  KeyTable& keys;                     // the shared 6208-byte key table
  Phonebook& phonebook;               // PHONBOOK.DAT's entries
  Platform& platform;                 // message boxes, dialogs, sounds
  StatusPanes& status;
  EventLoop& loop;                // drives the links' sockets and timers
  QString programDir;             // current directory; WINDPREF.CFG lives here
  QWidget* mainWindow = nullptr;  // parent for dialogs
  QMenu* editMenu = nullptr;      // the main menu's "&Edit", the right button's pop-up
  // Plays a sound event by the settings' rules (SoundsOff, UseSpeakerBeep).
  std::function<void(SoundEvent)> playSound;
  // The application's printer object; null: the print commands do nothing.
  PrinterService* printer = nullptr;
};

}  // namespace parlane
