// The command line: parlane [--home DIR] [--host-mode [PORT]] [--dial ENTRY |
// HOST [PORT] | telnet://HOST[:PORT]], --help, --version.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/tmy_app.h"

namespace parlane {

struct CommandLine {
  std::optional<std::string> home;
  std::optional<StartupHost> host;
  // --host-mode [PORT]: open the host mode server window at start-up.
  bool hostMode = false;
  std::optional<std::string> hostModePort;
  std::optional<std::string> dial;  // --dial ENTRY: a phonebook entry's name or position
  bool help = false;
  bool version = false;
  std::string error;      // not empty: a one-line complaint, exit status 2
  bool showUsage = true;  // false: the complaint alone, without the usage text
};

// `args` without the program name. Qt's own options (-platform NAME,
// -display NAME, -reverse and the like) are passed over.
CommandLine ParseCommandLine(std::vector<std::string> args);

// The arguments without Qt's own options and their values.
std::vector<std::string> WithoutQtOptions(const std::vector<std::string>& args);

std::string UsageText();
std::string VersionText();

}  // namespace parlane
