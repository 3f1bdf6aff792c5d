// telnet: URLs as browsers and desktops hand them to a program:
// telnet://[USER[:PASSWORD]@]HOST[:PORT][/], with an IPv6 address in brackets.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace parlane {

struct TelnetUrl {
  std::string host;  // a name or a numeric address, IPv6 without brackets
  uint16_t port = 23;
  std::string portText = "23";  // the port as written, "23" when none was
  std::string error;            // not empty: why the URL cannot be used (one line)
};

// True when `text` starts with the telnet: scheme (any case), so that it is
// meant as a URL and not as a host name.
bool LooksLikeTelnetUrl(std::string_view text);

// Parses a telnet: URL. A user name and password before "@" are accepted and
// passed over: the host asks for them itself. Anything after the authority
// other than a lone "/" is refused, as are control characters, spaces and
// percent escapes in the host.
TelnetUrl ParseTelnetUrl(std::string_view text);

}  // namespace parlane
