// A loopback TCP server for the GUI tests, polled without blocking.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <string_view>

namespace parlane::test {

// On 127.0.0.1 at a free port, with one client.
class LoopbackServer {
 public:
  LoopbackServer() {
    listen_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(listen_, 4);
    socklen_t len = sizeof a;
    getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    fcntl(listen_, F_SETFL, O_NONBLOCK);
  }
  ~LoopbackServer() {
    CloseClient();
    close(listen_);
  }
  int Port() const { return port_; }
  bool HasClient() const { return client_ >= 0; }
  void Poll() {
    if (client_ < 0) {
      client_ = accept(listen_, nullptr, nullptr);
      if (client_ >= 0) fcntl(client_, F_SETFL, O_NONBLOCK);
      return;
    }
    char buf[4096];
    for (;;) {
      const ssize_t n = recv(client_, buf, sizeof buf, 0);
      if (n <= 0) break;
      received.append(buf, static_cast<size_t>(n));
    }
  }
  void Send(std::string_view s) {
    ASSERT_EQ(send(client_, s.data(), s.size(), 0), ssize_t(s.size()));
  }
  void CloseClient() {
    if (client_ >= 0) close(client_);
    client_ = -1;
  }

  std::string received;

 private:
  int listen_ = -1;
  int client_ = -1;
  int port_ = 0;
};

}  // namespace parlane::test
