// IPv4 and IPv6 socket addresses and the small socket helpers the Telnet
// links share.
#pragma once

#include <sys/socket.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parlane {

struct NetAddress {
  sockaddr_storage storage{};
  socklen_t length = 0;

  int Family() const { return storage.ss_family; }
  const sockaddr* Get() const { return reinterpret_cast<const sockaddr*>(&storage); }
  // The numeric address without the port: "10.0.0.1", "::1". An IPv4 address
  // mapped into IPv6 is shown as the IPv4 address.
  std::string Text() const;
  int PortNumber() const;
};

// "[::1]" as people write IPv6 addresses next to a port: the address inside.
std::string_view StripBrackets(std::string_view host);

// A numeric IPv4 (dotted) or IPv6 address (bare or in brackets) with the
// port; nullopt for a name.
std::optional<NetAddress> ParseNumericAddress(std::string_view host, int port);

// Looks a name up (blocking: call it off the event loop). Fills `out` with the
// stream addresses in the resolver's order; returns 0 or the getaddrinfo error.
int ResolveHost(const std::string& host, int port, std::vector<NetAddress>& out);

// A non-blocking, close-on-exec stream socket of `family`, -1 on failure.
int MakeStreamSocket(int family);
// SO_OOBINLINE and SO_KEEPALIVE on, non-blocking; results are not checked.
void ConfigureTelnetSocket(int fd);

// Waits up to `ms` milliseconds for `fd` to become readable or writable
// (poll events); true when it did.
bool WaitReady(int fd, short events, int ms);

}  // namespace parlane
