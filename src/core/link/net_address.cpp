#include "link/net_address.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace parlane {

namespace {

// Only the low 16 bits of a port number are used.
uint16_t PortBits(int port) { return static_cast<uint16_t>(port & 0xFFFF); }

}  // namespace

std::string NetAddress::Text() const {
  char text[INET6_ADDRSTRLEN] = {};
  if (Family() == AF_INET) {
    const auto* in = reinterpret_cast<const sockaddr_in*>(&storage);
    inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
  } else if (Family() == AF_INET6) {
    const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&storage);
    if (IN6_IS_ADDR_V4MAPPED(&in6->sin6_addr)) {
      inet_ntop(AF_INET, &in6->sin6_addr.s6_addr[12], text, sizeof text);
    } else {
      inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
    }
  }
  return text;
}

int NetAddress::PortNumber() const {
  if (Family() == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in*>(&storage)->sin_port);
  if (Family() == AF_INET6)
    return ntohs(reinterpret_cast<const sockaddr_in6*>(&storage)->sin6_port);
  return 0;
}

std::string_view StripBrackets(std::string_view host) {
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    return host.substr(1, host.size() - 2);
  }
  return host;
}

std::optional<NetAddress> ParseNumericAddress(std::string_view host, int port) {
  const std::string name(StripBrackets(host));
  NetAddress a;
  auto* in = reinterpret_cast<sockaddr_in*>(&a.storage);
  if (inet_pton(AF_INET, name.c_str(), &in->sin_addr) == 1) {
    in->sin_family = AF_INET;
    in->sin_port = htons(PortBits(port));
    a.length = sizeof(sockaddr_in);
    return a;
  }
  auto* in6 = reinterpret_cast<sockaddr_in6*>(&a.storage);
  if (inet_pton(AF_INET6, name.c_str(), &in6->sin6_addr) == 1) {
    in6->sin6_family = AF_INET6;
    in6->sin6_port = htons(PortBits(port));
    a.length = sizeof(sockaddr_in6);
    return a;
  }
  return std::nullopt;
}

int ResolveHost(const std::string& host, int port, std::vector<NetAddress>& out) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_ADDRCONFIG;
  addrinfo* list = nullptr;
  const std::string service = std::to_string(PortBits(port));
  const std::string name(StripBrackets(host));
  const int rc = getaddrinfo(name.c_str(), service.c_str(), &hints, &list);
  if (rc != 0) return rc;
  for (const addrinfo* ai = list; ai != nullptr; ai = ai->ai_next) {
    if (ai->ai_addrlen > sizeof(sockaddr_storage)) continue;
    if (ai->ai_family != AF_INET && ai->ai_family != AF_INET6) continue;
    NetAddress a;
    std::memcpy(&a.storage, ai->ai_addr, ai->ai_addrlen);
    a.length = ai->ai_addrlen;
    out.push_back(a);
  }
  freeaddrinfo(list);
  return out.empty() ? EAI_NONAME : 0;
}

int MakeStreamSocket(int family) {
  return socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

void ConfigureTelnetSocket(int fd) {
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_OOBINLINE, &on, sizeof on);
  setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

bool WaitReady(int fd, short events, int ms) {
  pollfd p{fd, events, 0};
  int n;
  do {
    n = poll(&p, 1, ms);
  } while (n < 0 && errno == EINTR);
  return n > 0;
}

}  // namespace parlane
