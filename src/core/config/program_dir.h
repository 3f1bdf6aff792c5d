// The program's directory (where every settings file lives) and PORTS.CFG,
// which maps COM1..COM4 to serial devices.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace parlane {

// Where the directory comes from, in order of precedence.
struct ProgramDirSources {
  std::optional<std::string> HomeOption;     // --home DIR
  std::optional<std::string> ParlaneHome;    // $PARLANE_HOME
  std::optional<std::string> XdgConfigHome;  // $XDG_CONFIG_HOME
  std::optional<std::string> Home;           // $HOME
  // Reads the three variables from the environment; HomeOption stays empty.
  static ProgramDirSources FromEnvironment();
};

// --home, else $PARLANE_HOME, else $XDG_CONFIG_HOME/parlane, else
// $HOME/.config/parlane (empty values count as unset); empty when none is
// known.
std::optional<std::filesystem::path> ResolveProgramDir(const ProgramDirSources& sources);

struct ProgramDir {
  std::filesystem::path Path;
  bool Created = false;  // a first run: the shipped data should be installed
};

// Creates the directory (and its parents) when missing, mode 0700. Does not
// make it current; the caller does that.
std::optional<ProgramDir> PrepareProgramDir(const std::filesystem::path& dir,
                                            std::error_code& error);

// Takes "--home DIR" or "--home=DIR" out of the argument list; returns DIR.
std::optional<std::string> TakeHomeOption(std::vector<std::string>& args);

inline constexpr std::string_view kPortsFile = "PORTS.CFG";

// Device path per port index: COM1 to COM4.
using PortMap = std::array<std::string, 4>;

// /dev/ttyS0 .. /dev/ttyS3.
PortMap DefaultPortMap();

// Lines "COMn=/dev/device" (n 1 to 4, name case ignored, blanks around
// "=" ignored); blank lines and lines starting with "#" or ";" are skipped,
// other lines are ignored. Ports not named keep their default. A missing
// file gives the defaults.
PortMap ParsePortMap(std::string_view text);
PortMap LoadPortMap(const std::filesystem::path& file);

}  // namespace parlane
