#include "app/command_line.h"

#include <charconv>
#include <set>

#include "config/program_dir.h"
#include "link/telnet_url.h"

namespace parlane {

namespace {

constexpr unsigned kMaxPort = 65535;

std::optional<uint16_t> PortNumber(const std::string& text) {
  unsigned value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, 10);
  if (ec != std::errc() || ptr != end || value == 0 || value > kMaxPort) return std::nullopt;
  return static_cast<uint16_t>(value);
}

// Options QApplication takes for itself: with a value, and without.
const std::set<std::string> kQtValueOptions = {"-platform",
                                               "-platformpluginpath",
                                               "-platformtheme",
                                               "-plugin",
                                               "-qwindowgeometry",
                                               "-qwindowicon",
                                               "-qwindowtitle",
                                               "-display",
                                               "-geometry",
                                               "-title",
                                               "-name",
                                               "-style",
                                               "-stylesheet",
                                               "-session",
                                               "-qmljsdebugger",
                                               "-font",
                                               "-bg",
                                               "-fg",
                                               "-btn",
                                               "-visual",
                                               "-cmap",
                                               "-im"};
const std::set<std::string> kQtFlagOptions = {"-reverse", "-nograb",      "-dograb",
                                              "-sync",    "-widgetcount", "-testability"};

// Control characters shown as "?", so that a complaint stays on one line.
std::string Printable(std::string text) {
  for (char& c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) c = '?';
  }
  return text;
}

}  // namespace

std::vector<std::string> WithoutQtOptions(const std::vector<std::string>& args) {
  std::vector<std::string> kept;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const std::string name = a.substr(0, a.find('='));
    if (kQtFlagOptions.count(a) != 0) continue;
    if (kQtValueOptions.count(name) != 0) {
      if (name == a) ++i;  // the value is the next word
      continue;
    }
    kept.push_back(a);
  }
  return kept;
}

CommandLine ParseCommandLine(std::vector<std::string> args) {
  CommandLine line;
  args = WithoutQtOptions(args);
  if (!args.empty() && args.back() == "--home") {
    line.error = "option --home needs a directory";
    return line;
  }
  line.home = TakeHomeOption(args);
  std::vector<std::string> words;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--host-mode") {
      line.hostMode = true;
      // An optional port number follows; any other word is the HOST.
      if (i + 1 < args.size() && !args[i + 1].empty() &&
          args[i + 1].find_first_not_of("0123456789") == std::string::npos) {
        if (!PortNumber(args[i + 1])) {
          line.error = "invalid port " + args[i + 1] + " (1 to 65535)";
          return line;
        }
        line.hostModePort = args[++i];
      }
    } else if (a == "--dial" || a.rfind("--dial=", 0) == 0) {
      if (a == "--dial" && i + 1 == args.size()) {
        line.error = "option --dial needs a phonebook entry";
        return line;
      }
      line.dial = a == "--dial" ? args[++i] : a.substr(7);
    } else if (a == "--help" || a == "-h") {
      line.help = true;
    } else if (a == "--version") {
      line.version = true;
    } else if (a.size() > 1 && a[0] == '-') {
      line.error = "unknown option " + a;
      return line;
    } else {
      words.push_back(a);
    }
  }
  if (words.size() > 2) {
    line.error = "too many arguments; expected [HOST [PORT]]";
    return line;
  }
  if (words.empty()) return line;
  if (line.dial) {
    line.error = "--dial cannot be combined with a host";
    return line;
  }
  // A telnet: URL (a link from a browser or the desktop) stands for HOST PORT.
  if (LooksLikeTelnetUrl(words[0])) {
    if (words.size() > 1) {
      line.error = "too many arguments; expected one telnet: URL";
      return line;
    }
    const TelnetUrl url = ParseTelnetUrl(words[0]);
    if (!url.error.empty()) {
      line.error = "invalid URL " + Printable(words[0]) + ": " + url.error;
      line.showUsage = false;
      return line;
    }
    line.host = StartupHost{url.host, url.port, url.portText};
    return line;
  }
  StartupHost host;
  host.host = words[0];
  if (words.size() == 2) {
    const std::optional<uint16_t> port = PortNumber(words[1]);
    if (!port) {
      line.error = "invalid port " + words[1] + " (1 to 65535)";
      return line;
    }
    host.port = *port;
    host.portText = words[1];
  }
  line.host = host;
  return line;
}

std::string UsageText() {
  return "Usage: parlane [--home DIR] [--host-mode [PORT]] [--dial ENTRY | HOST [PORT]]\n"
         "       parlane [--home DIR] telnet://HOST[:PORT]\n"
         "\n"
         "Parlane: Telnet and dial-up terminal sessions side by side.\n"
         "\n"
         "  HOST [PORT]   open a Telnet session to HOST (port 23 by default) at\n"
         "                start-up; Parlane closes when that connection closes\n"
         "  telnet://HOST[:PORT]\n"
         "                the same as HOST PORT (an IPv6 address in brackets)\n"
         "  --host-mode [PORT]\n"
         "                open the Telnet host mode server window at start-up,\n"
         "                listening on PORT (default: the port last used)\n"
         "  --dial ENTRY  connect the phonebook entry ENTRY (its name, or its\n"
         "                position in the phonebook list) at start-up\n"
         "  --home DIR    keep the settings files in DIR (default: $PARLANE_HOME,\n"
         "                else $XDG_CONFIG_HOME/parlane, else ~/.config/parlane)\n"
         "  --help        show this text and exit\n"
         "  --version     show the version and exit\n";
}

std::string VersionText() { return std::string("parlane ") + PARLANE_VERSION + "\n"; }

}  // namespace parlane
