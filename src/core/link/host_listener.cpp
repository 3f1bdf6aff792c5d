#include "link/host_listener.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "link/net_address.h"

namespace parlane {

namespace {

// Clients that connect together wait in the kernel's queue until the next
// accept notification; with a queue of one, the others would be refused and
// have to retry.
constexpr int kListenBacklog = 16;
// The port text is read from its first nine characters.
constexpr size_t kPortTextChars = 9;
// gethostname's buffer.
constexpr size_t kHostNameSize = 80;

// An IPv6 socket that also takes IPv4 clients (as mapped addresses), bound
// to the wildcard address; -1 when the machine has no IPv6.
int BindDualStack(int port, bool& bindFailed) {
  const int fd = MakeStreamSocket(AF_INET6);
  if (fd < 0) return -1;
  const int off = 0;
  const int on = 1;
  setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in6 any{};
  any.sin6_family = AF_INET6;
  any.sin6_addr = in6addr_any;
  any.sin6_port = htons(static_cast<uint16_t>(port));
  if (bind(fd, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
    // A port in use fails on both families alike; only a missing IPv6 stack
    // falls back to an IPv4 socket.
    bindFailed = errno != EADDRNOTAVAIL && errno != EAFNOSUPPORT;
    close(fd);
    return -1;
  }
  return fd;
}

int BindIpv4(int port) {
  const int fd = MakeStreamSocket(AF_INET);
  if (fd < 0) return -1;
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in any{};
  any.sin_family = AF_INET;
  any.sin_addr.s_addr = htonl(INADDR_ANY);
  any.sin_port = htons(static_cast<uint16_t>(port));
  if (bind(fd, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
    close(fd);
    return -2;
  }
  return fd;
}

int LocalPort(int fd) {
  NetAddress local;
  local.length = sizeof local.storage;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&local.storage), &local.length) != 0) return 0;
  return local.PortNumber();
}

}  // namespace

HostListener::HostListener(EventLoop& loop, AcceptFn accepted, ErrorFn failed)
    : loop_(loop), accepted_(std::move(accepted)), failed_(std::move(failed)) {}

HostListener::~HostListener() { Stop(); }

void HostListener::Stop() {
  if (fd_ < 0) return;
  loop_.Unwatch(fd_);
  close(fd_);
  fd_ = -1;
  boundPort_ = 0;
}

HostListener::Result HostListener::Listen(int port) {
  Stop();
  port &= 0xFFFF;
  bool bindFailed = false;
  int fd = BindDualStack(port, bindFailed);
  if (fd < 0 && bindFailed) return Result::BindFailed;
  if (fd < 0) {
    fd = BindIpv4(port);
    if (fd == -1) return Result::NoSocket;
    if (fd == -2) return Result::BindFailed;
  }
  if (listen(fd, kListenBacklog) != 0) {
    close(fd);
    return Result::BindFailed;
  }
  fd_ = fd;
  boundPort_ = LocalPort(fd);
  loop_.Watch(fd_, kIoRead, [this](unsigned) { OnReadable(); });
  return Result::Listening;
}

// Takes every client that is waiting. A client's window may be created by
// the callback; the listener keeps listening for the next one.
void HostListener::OnReadable() {
  while (fd_ >= 0) {
    NetAddress peer;
    peer.length = sizeof peer.storage;
    const int client = accept4(fd_, reinterpret_cast<sockaddr*>(&peer.storage), &peer.length,
                               SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (client < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
      // A client that gave up before it was accepted is not this server's failure.
      if (errno == ECONNABORTED) continue;
      if (failed_) failed_(kTextAcceptFailed);
      return;
    }
    Client c{client, peer.Text()};
    if (accepted_) {
      accepted_(std::move(c));
    } else {
      close(client);
    }
  }
}

int HostListener::PortFromText(std::string_view text) {
  const std::string head(text.substr(0, kPortTextChars));
  const long value = std::strtol(head.c_str(), nullptr, 10);
  if (value <= 0 || value > 0x7FFFFFFF) return kDefaultPort;
  const int port = static_cast<int>(value) & 0xFFFF;
  return port == 0 ? kDefaultPort : port;
}

std::string HostListener::WaitingText(std::string_view portText) {
  return "WAITING FOR TELNET CLIENT TO CONNECT ON PORT " + std::string(portText) + "...";
}

std::string HostListener::ClientTitle(std::string_view address) {
  return "Host mode with " + std::string(address);
}

std::string HostListener::MachineName() {
  char name[kHostNameSize + 1] = {};
  if (gethostname(name, kHostNameSize) != 0) return "";
  return name;
}

std::string HostListener::MachineAddress() {
  const std::string name = MachineName();
  if (name.empty()) return "";
  std::vector<NetAddress> found;
  if (ResolveHost(name, 0, found) != 0) return "";
  for (const auto& a : found) {
    if (a.Family() == AF_INET) return a.Text();
  }
  return found.empty() ? "" : found.front().Text();
}

}  // namespace parlane
