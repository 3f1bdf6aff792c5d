// Two connected loopback TCP sockets, for benchmarks that run a transfer
// over TCP without a server of their own.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace parlane::bench {

// fds[0] is the connecting end, fds[1] the accepted one; both close on exec.
inline bool TcpLoopbackPair(int fds[2]) {
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0) return false;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listener, 1) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    close(listener);
    return false;
  }
  fds[0] = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (connect(fds[0], reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(listener);
    return false;
  }
  fds[1] = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  close(listener);
  return fds[1] >= 0;
}

}  // namespace parlane::bench
