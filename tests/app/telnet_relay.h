// A one-client Telnet host on a loopback port whose "shell" is a program of
// the test's choosing: its output goes to the client with 255 doubled (and
// CR NUL outside binary mode), the client's data goes to it with the framing
// undone. BINARY is agreed to, and every option command of the client is
// kept in order with its data, so that a test sees what went over the wire.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "xfer/xfer_support.h"

namespace parlane::test {

class TelnetRelay {
 public:
  // `program` runs in `cwd` once the client is there ({}: none). `slow`
  // holds a transfer back so that a test can act while it runs.
  TelnetRelay(std::vector<std::string> program, std::string cwd, size_t closeAfter = 0,
              bool slow = false)
      : program_(std::move(program)), cwd_(std::move(cwd)), closeAfter_(closeAfter), slow_(slow) {
    listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(listen_, 1);
    socklen_t len = sizeof a;
    getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Run(); });
  }
  ~TelnetRelay() {
    stop_ = true;
    for (int fd : {client_.load(), shell_.load()}) shutdown(fd, SHUT_RDWR);  // wakes a send
    thread_.join();
    if (!ended_ && pid_ > 0) {
      kill(pid_, SIGKILL);
      WaitChild(pid_, 5);
    }
    for (int fd : {listen_, client_.load(), shell_.load()}) close(fd);
  }
  int Port() const { return port_; }
  // Data bytes as they came, each option command as "<DO 0>" and the like.
  std::string Wire() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return wire_;
  }
  bool ProgramEnded() const { return ended_; }
  int ProgramStatus() const { return status_; }

 private:
  void Send(const std::string& out) {
    size_t n = out.size();
    if (closeAfter_ > 0) n = std::min(n, closeAfter_ - sent_);
    if (n > 0 && send(client_, out.data(), n, MSG_NOSIGNAL) > 0) sent_ += n;
    if (closeAfter_ > 0 && sent_ >= closeAfter_) shutdown(client_, SHUT_RDWR);
  }

  void FromClient(const char* data, size_t n) {
    std::string toProgram;
    for (size_t i = 0; i < n; ++i) {
      const auto b = static_cast<uint8_t>(data[i]);
      if (state_ == 0 && b == 255) {
        state_ = 1;
      } else if (state_ == 1 && b >= 251 && b <= 254) {
        verb_ = b;
        state_ = 2;
      } else if (state_ == 2) {
        static const char* const kVerbs[] = {"WILL", "WONT", "DO", "DONT"};
        Note("<" + std::string(kVerbs[verb_ - 251]) + " " + std::to_string(b) + ">");
        state_ = 0;
        if (b != 0) continue;  // only BINARY is agreed to
        // WILL/WONT -> DO/DONT and back: the answer is 2 away.
        Send({'\xff', static_cast<char>(verb_ < 253 ? verb_ + 2 : verb_ - 2), '\0'});
        (verb_ < 253 ? clientBinary_ : hostBinary_) = verb_ % 2 == 1;
      } else if (state_ == 0 && b == 0 && lastCr_ && !clientBinary_) {
        lastCr_ = false;
      } else if (state_ == 0 || b == 255) {
        toProgram.push_back(data[i]);
        lastCr_ = b == 13;
        state_ = 0;
      } else {
        state_ = 0;
      }
    }
    Note(toProgram);
    if (!ended_) send(shell_, toProgram.data(), toProgram.size(), MSG_NOSIGNAL);
  }
  void Note(const std::string& s) {
    std::lock_guard<std::mutex> lock(mutex_);
    wire_ += s;
  }

  void Run() {
    pollfd l{listen_, POLLIN, 0};
    while (!stop_ && poll(&l, 1, 50) <= 0) continue;
    if (stop_ || (client_ = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC)) < 0) return;
    ended_ = program_.empty();
    if (!ended_) {
      int fds[2];
      socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds);
      pid_ = Spawn(program_, fds[1], cwd_, "/dev/null");
      close(fds[1]);
      shell_ = fds[0];
    }
    char buf[8192];
    while (!stop_) {
      pollfd p[2] = {{client_, POLLIN, 0}, {ended_ ? -1 : shell_.load(), POLLIN, 0}};
      if (poll(p, 2, 20) <= 0) continue;
      if (p[0].revents) {
        const ssize_t r = recv(client_, buf, sizeof buf, 0);
        if (r <= 0) break;
        FromClient(buf, static_cast<size_t>(r));
      }
      if (p[1].revents) {
        ssize_t r = read(shell_, buf, sizeof buf);
        if (r <= 0) {
          status_ = WaitChild(pid_, 10);
          ended_ = true;
          continue;
        }
        // sz's closing "OO" goes out together with what the shell prints
        // next, so that the client reads the prompt in the transfer's last
        // read, as it often does from a real host.
        pollfd more{shell_, POLLIN, 0};
        if (r >= 2 && buf[r - 2] == 'O' && buf[r - 1] == 'O' && poll(&more, 1, 500) > 0) {
          usleep(20000);
          r += std::max<ssize_t>(0, read(shell_, buf + r, sizeof buf - static_cast<size_t>(r)));
        }
        std::string out;
        for (ssize_t i = 0; i < r; ++i) {
          out.push_back(buf[i]);
          if (buf[i] == '\xff') out.push_back(buf[i]);
          if (buf[i] == '\r' && !hostBinary_) out.push_back('\0');
        }
        Send(out);
      }
      if (slow_) usleep(1000);  // 8 MB/s at most
    }
  }

  std::vector<std::string> program_;
  std::string cwd_;
  size_t closeAfter_, sent_ = 0;
  bool slow_;
  int listen_ = -1, port_ = 0;
  std::atomic<int> client_{-1}, shell_{-1};
  pid_t pid_ = -1;
  std::atomic<bool> stop_{false}, ended_{false};
  std::atomic<int> status_{-1};
  bool hostBinary_ = false, clientBinary_ = false, lastCr_ = false;
  int state_ = 0;
  uint8_t verb_ = 0;
  mutable std::mutex mutex_;
  std::string wire_;
  std::thread thread_;
};

}  // namespace parlane::test
