#include "link/telnet_url.h"

#include <arpa/inet.h>

#include <cctype>
#include <charconv>

namespace parlane {

namespace {

constexpr std::string_view kScheme = "telnet:";
constexpr unsigned kMaxPort = 65535;
// The longest name a resolver takes.
constexpr size_t kMaxHostName = 253;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

// Letters, digits, "-", "_" and "." make a host name or an IPv4 address.
bool IsNameChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return std::isalnum(u) != 0 || c == '-' || c == '.' || c == '_';
}

TelnetUrl Fail(std::string reason) {
  TelnetUrl url;
  url.error = std::move(reason);
  return url;
}

}  // namespace

bool LooksLikeTelnetUrl(std::string_view text) { return StartsWithNoCase(text, kScheme); }

TelnetUrl ParseTelnetUrl(std::string_view text) {
  if (!LooksLikeTelnetUrl(text)) return Fail("not a telnet: URL");
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u == 0x7F) return Fail("spaces and control characters are not allowed");
  }
  std::string_view rest = text.substr(kScheme.size());
  if (rest.substr(0, 2) != "//") return Fail("expected telnet://HOST[:PORT]");
  rest.remove_prefix(2);

  // The authority ends at the path; a lone "/" is all the path there may be.
  std::string_view authority = rest;
  if (const size_t slash = rest.find_first_of("/?#"); slash != std::string_view::npos) {
    authority = rest.substr(0, slash);
    if (rest.substr(slash) != "/") return Fail("unexpected path or query after the host");
  }
  // User information is passed over; the last "@" ends it.
  if (const size_t at = authority.rfind('@'); at != std::string_view::npos) {
    authority.remove_prefix(at + 1);
  }

  TelnetUrl url;
  std::string_view portPart;
  bool hasPort = false;
  if (!authority.empty() && authority.front() == '[') {
    const size_t close = authority.find(']');
    if (close == std::string_view::npos) return Fail("missing ] after the IPv6 address");
    const std::string address(authority.substr(1, close - 1));
    in6_addr bits{};
    if (address.empty() || inet_pton(AF_INET6, address.c_str(), &bits) != 1) {
      return Fail("invalid IPv6 address [" + address + "]");
    }
    url.host = address;
    const std::string_view after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') return Fail("unexpected text after the IPv6 address");
      hasPort = true;
      portPart = after.substr(1);
    }
  } else {
    const size_t colon = authority.find(':');
    const std::string_view name = authority.substr(0, colon);
    if (colon != std::string_view::npos) {
      hasPort = true;
      portPart = authority.substr(colon + 1);
    }
    if (name.empty()) return Fail("no host name");
    if (name.size() > kMaxHostName) return Fail("host name too long");
    for (const char c : name) {
      if (!IsNameChar(c)) {
        return Fail(std::string("invalid character '") + c + "' in the host name");
      }
    }
    url.host = std::string(name);
  }

  // "telnet://host:/" has an empty port, which means the default.
  if (hasPort && !portPart.empty()) {
    unsigned value = 0;
    const char* end = portPart.data() + portPart.size();
    const auto [ptr, ec] = std::from_chars(portPart.data(), end, value, 10);
    if (ec != std::errc() || ptr != end || value == 0 || value > kMaxPort) {
      return Fail("invalid port " + std::string(portPart) + " (1 to 65535)");
    }
    url.port = static_cast<uint16_t>(value);
    url.portText = std::string(portPart);
  }
  return url;
}

}  // namespace parlane
