// Shared helpers of the link and transfer tests: a recording TelnetEvents,
// a loopback listener, and a real Telnet server.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/link_events.h"
#include "link/poll_event_loop.h"

namespace parlane::test {

using namespace std::chrono_literals;

class RecordingEvents : public TelnetEvents {
 public:
  void Received(std::span<const uint8_t> bytes) override {
    received.append(bytes.begin(), bytes.end());
    blockSizes.push_back(bytes.size());
    if (onReceived) onReceived(bytes);
  }
  void Show(std::span<const uint8_t> bytes) override { shown.append(bytes.begin(), bytes.end()); }
  void Connected() override { ++connected; }
  void Failure(std::string_view text, MessageIcon icon) override {
    failures.emplace_back(text);
    lastIcon = icon;
  }
  bool AskCloseWindow(std::string_view question) override {
    questions.emplace_back(question);
    return answer;
  }
  void Closed(bool closeWindow) override {
    ++closed;
    closeRequested = closeWindow;
  }

  std::string received;
  std::vector<size_t> blockSizes;
  std::string shown;
  int connected = 0;
  std::vector<std::string> failures;
  MessageIcon lastIcon = MessageIcon::Stop;
  std::vector<std::string> questions;
  bool answer = true;
  int closed = 0;
  bool closeRequested = false;
  std::function<void(std::span<const uint8_t>)> onReceived;
};

// A listening TCP socket on the loopback address and a free port.
class LoopbackListener {
 public:
  explicit LoopbackListener(int family = AF_INET) {
    fd_ = socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_storage ss{};
    socklen_t len;
    if (family == AF_INET6) {
      auto* a = reinterpret_cast<sockaddr_in6*>(&ss);
      a->sin6_family = AF_INET6;
      a->sin6_addr = in6addr_loopback;
      len = sizeof *a;
    } else {
      auto* a = reinterpret_cast<sockaddr_in*>(&ss);
      a->sin_family = AF_INET;
      a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      len = sizeof *a;
    }
    ok_ = bind(fd_, reinterpret_cast<sockaddr*>(&ss), len) == 0 && listen(fd_, 4) == 0;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&ss), &len);
    port_ = family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&ss)->sin6_port)
                               : ntohs(reinterpret_cast<sockaddr_in*>(&ss)->sin_port);
  }
  ~LoopbackListener() { close(fd_); }
  bool Ok() const { return ok_; }
  int Port() const { return port_; }
  // Accepts one client while running `loop` (the client connects on it).
  int Accept(PollEventLoop& loop, std::chrono::milliseconds limit = 5000ms) {
    int client = -1;
    loop.RunUntil(
        [&] {
          pollfd p{fd_, POLLIN, 0};
          if (poll(&p, 1, 0) > 0) client = accept(fd_, nullptr, nullptr);
          return client >= 0;
        },
        limit);
    return client;
  }

 private:
  int fd_ = -1;
  int port_ = 0;
  bool ok_ = false;
};

// A port nobody listens on (bound once, then released).
inline int UnusedPort() {
  LoopbackListener l;
  return l.Port();
}

inline std::string ReadAvailable(int fd, std::chrono::milliseconds wait = 200ms) {
  std::string out;
  char buf[4096];
  pollfd p{fd, POLLIN, 0};
  while (poll(&p, 1, static_cast<int>(wait.count())) > 0) {
    const ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
    out.append(buf, static_cast<size_t>(n));
    wait = 50ms;
  }
  return out;
}

inline void SendAllTo(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

// inetutils telnetd behind socat on a free loopback port, its login program
// replaced by a shell (prompt "parlane$ ") started in `dir`. Ready() is
// false, with the reason in Problem(), when the server could not start.
class TelnetdServer {
 public:
  static constexpr const char* kTelnetd = "/usr/sbin/telnetd";
  static constexpr const char* kSocat = "/usr/bin/socat";

  explicit TelnetdServer(std::string dir = "/tmp") {
    for (const char* program : {kTelnetd, kSocat}) {
      if (access(program, X_OK) != 0) {
        problem_ = std::string(program) + " is not installed (inetutils-telnetd, socat)";
        return;
      }
    }
    char dirTemplate[] = "/tmp/parlane-telnetd-XXXXXX";
    work_ = mkdtemp(dirTemplate);
    const std::string login = work_ + "/login.sh";
    std::ofstream(login) << "#!/bin/sh\ncd '" << dir
                         << "' || exit 1\nPS1='parlane$ ' exec /bin/bash --noprofile --norc -i\n";
    chmod(login.c_str(), 0700);
    port_ = UnusedPort();
    const std::string listen =
        "TCP-LISTEN:" + std::to_string(port_) + ",bind=127.0.0.1,reuseaddr,fork";
    const std::string exec = std::string("EXEC:") + kTelnetd + " -h -E " + login + ",nofork";
    pid_ = fork();
    if (pid_ == 0) {
      setsid();  // socat, telnetd and the shells end together
      const int devnull = open("/dev/null", O_RDWR);
      for (int fd = 0; fd < 3; ++fd) dup2(devnull, fd);
      execl(kSocat, "socat", listen.c_str(), exec.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    if (!Listening()) problem_ = "the Telnet server did not start";
  }
  ~TelnetdServer() {
    if (pid_ > 0) {
      kill(-pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    std::error_code ignored;
    if (!work_.empty()) std::filesystem::remove_all(work_, ignored);
  }
  bool Ready() const { return problem_.empty(); }
  const std::string& Problem() const { return problem_; }
  int Port() const { return port_; }
  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  // Waits until socat listens. A probing connection would start a session,
  // so the kernel's table of listening sockets is read instead.
  bool Listening() const {
    char hexPort[8];
    std::snprintf(hexPort, sizeof hexPort, ":%04X", port_);
    for (int i = 0; i < 200; ++i) {
      std::ifstream tcp("/proc/net/tcp");
      for (std::string line; std::getline(tcp, line);)
        if (line.find(hexPort) != std::string::npos && line.find(" 0A ") != std::string::npos)
          return true;
      usleep(50000);
    }
    return false;
  }

  std::string work_;
  std::string problem_;
  int port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace parlane::test
