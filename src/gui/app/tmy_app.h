// The application object: owns the program-wide records for the whole run
// (settings, placement, key table, phonebook) and builds the main window.
#pragma once

#include <QString>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "book/phonebook.h"
#include "config/main_config.h"
#include "config/placement.h"
#include "keys/keymap.h"

namespace parlane {

class Platform;
class QtEventLoop;
class TMainMDIDecoratedFrame;

// A host (and port) from the command line: Parlane opens a Telnet session
// to it at start-up and closes itself when that connection closes.
struct StartupHost {
  std::string host;
  uint16_t port = 23;
  std::string portText = "23";
};

class TMyApp {
 public:
  // `programDir` exists already; `firstRun` says no earlier run has used it
  // (IsFirstRun), so the shipped data is installed there before anything is
  // read. Files already there are never replaced.
  TMyApp(Platform& platform, std::filesystem::path programDir, bool firstRun,
         std::optional<StartupHost> host = std::nullopt);

  // True when `dir` holds none of the files that every run writes on exit
  // (MAIN.CFG, INITWIND.CFG, KEYMAP.DAT): a directory just made, an empty
  // one, or one where the user has only put a phonebook or a port map.
  static bool IsFirstRun(const std::filesystem::path& dir);
  ~TMyApp();
  TMyApp(const TMyApp&) = delete;
  TMyApp& operator=(const TMyApp&) = delete;

  // Start-up step 2: registers the fonts, makes the program's directory
  // current, builds the main window (which sets up its MDI client and
  // reads the files) and shows it.
  void InitMainWindow();

  TMainMDIDecoratedFrame* Frame() const { return frame_.get(); }
  Platform& Services() const { return platform_; }
  QtEventLoop& Loop() const { return *loop_; }
  const std::filesystem::path& ProgramDir() const { return programDir_; }
  std::filesystem::path FileInDir(std::string_view name) const { return programDir_ / name; }
  const std::optional<StartupHost>& CommandLineHost() const { return host_; }
  // `--host-mode [PORT]`: the server window opens at start-up, on the port
  // text given (else HostPort). This is not a command-line host.
  struct HostModeStart {
    std::optional<std::string> portText;
  };
  void SetHostModeStart(std::optional<HostModeStart> start) { hostMode_ = std::move(start); }
  const std::optional<HostModeStart>& HostModeAtStart() const { return hostMode_; }
  // `parlane --dial ENTRY`: the phonebook entry connected at start-up.
  void SetDialEntry(std::string entry) { dialEntry_ = std::move(entry); }
  const std::optional<std::string>& DialEntry() const { return dialEntry_; }

  Main_Configuration_Struct& Config() { return *config_; }
  WindowPlacementRecord& Placement() { return *placement_; }
  KeyTable& Keys() { return *keys_; }
  Phonebook& Book() { return *phonebook_; }

  // The fonts DOSAPP.FON and TERMFONT.FON, registered for this process when
  // they are present in the program's directory, removed at exit.
  void RegisterFonts();
  void RemoveFonts();
  const std::vector<int>& FontIds() const { return fontIds_; }

 private:
  void InstallShippedData();

  Platform& platform_;
  std::filesystem::path programDir_;
  bool firstRun_;
  std::optional<StartupHost> host_;
  std::optional<HostModeStart> hostMode_;
  std::optional<std::string> dialEntry_;
  std::unique_ptr<Main_Configuration_Struct> config_;
  std::unique_ptr<WindowPlacementRecord> placement_;
  std::unique_ptr<KeyTable> keys_;
  std::unique_ptr<Phonebook> phonebook_;
  std::unique_ptr<QtEventLoop> loop_;
  std::vector<int> fontIds_;
  // Last: the main window goes first at shut-down, while the records that
  // it writes are still there.
  std::unique_ptr<TMainMDIDecoratedFrame> frame_;
};

// The font files registered at start-up.
inline constexpr const char* kFontFiles[] = {"DOSAPP.FON", "TERMFONT.FON"};

}  // namespace parlane
