// A one-client Telnet host on a loopback port whose "shell" is a program of
// the test's choosing (lrzsz sz or rz): its output goes to the client with
// 255 doubled (and CR NUL outside binary mode), the client's data goes to it
// with the Telnet framing undone. BINARY requests are agreed to and every
// option command the client sends is kept, in order with the data, so that
// a test can see what went over the wire and when.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "xfer/xfer_support.h"

namespace parlane::test {

class TelnetRelay {
 public:
  struct Options {
    std::vector<std::string> program;  // argv of the remote program
    std::string cwd;                   // its directory
    std::string startOn;               // start it once the client typed this ("" at once)
    std::string greeting;              // sent before the program starts
    std::string afterwards;            // sent once the program has ended
    size_t closeAfter = 0;             // drop the connection after this many bytes (0: never)
    bool garbage = false;              // no program: random bytes after the greeting
    int pauseEveryKb = 0;              // sleep 1 ms per this many KB sent (slows the transfer)
  };

  explicit TelnetRelay(Options options) : options_(std::move(options)) {
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
    thread_.join();
    close(listen_);
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      WaitChild(pid_, 5);
    }
  }
  int Port() const { return port_; }

  // The client's stream as the host saw it: data bytes as they are, each
  // option command as "<DO 0>" and the like.
  std::string Wire() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return wire_;
  }
  bool ProgramEnded() const { return ended_; }
  int ProgramStatus() const { return status_; }
  bool ClientGone() const { return clientGone_; }

 private:
  static std::string Verb(uint8_t v) {
    switch (v) {
      case 251: return "WILL";
      case 252: return "WONT";
      case 253: return "DO";
      case 254: return "DONT";
      default: return std::to_string(v);
    }
  }

  void Note(const std::string& s) {
    std::lock_guard<std::mutex> lock(mutex_);
    wire_ += s;
  }

  bool SendToClient(const uint8_t* data, size_t n) {
    std::string out;
    for (size_t i = 0; i < n; ++i) {
      out.push_back(static_cast<char>(data[i]));
      if (data[i] == 255) out.push_back(static_cast<char>(255));
      if (data[i] == 13 && !hostBinary_) out.push_back('\0');
    }
    return SendRaw(out);
  }
  bool SendRaw(const std::string& out) {
    size_t done = 0;
    while (done < out.size()) {
      size_t chunk = out.size() - done;
      if (options_.closeAfter > 0 && sent_ + chunk > options_.closeAfter)
        chunk = options_.closeAfter - sent_;
      if (chunk == 0) {
        Hangup();
        return false;
      }
      const ssize_t w = send(client_, out.data() + done, chunk, MSG_NOSIGNAL);
      if (w < 0 && errno == EAGAIN) {
        pollfd p{client_, POLLOUT, 0};
        poll(&p, 1, 50);
        if (stop_) return false;
        continue;
      }
      if (w <= 0) return false;
      done += static_cast<size_t>(w);
      sent_ += static_cast<size_t>(w);
    }
    return true;
  }
  void Hangup() {
    if (client_ >= 0) close(client_);
    client_ = -1;
    clientGone_ = true;
  }

  // The client's bytes: option commands answered and noted, data undone
  // and passed on.
  void FromClient(const uint8_t* data, size_t n, std::string& toProgram) {
    for (size_t i = 0; i < n; ++i) {
      const uint8_t b = data[i];
      switch (state_) {
        case 0:
          if (b == 255) {
            state_ = 1;
          } else if (b == 0 && lastCr_ && !clientBinary_) {
            lastCr_ = false;
          } else {
            toProgram.push_back(static_cast<char>(b));
            Note(std::string(1, static_cast<char>(b)));
            lastCr_ = b == 13;
          }
          break;
        case 1:
          if (b == 255) {
            toProgram.push_back(static_cast<char>(255));
            Note(std::string(1, static_cast<char>(255)));
            state_ = 0;
          } else if (b >= 251 && b <= 254) {
            verb_ = b;
            state_ = 2;
          } else {
            state_ = 0;
          }
          break;
        case 2: {
          state_ = 0;
          Note("<" + Verb(verb_) + " " + std::to_string(b) + ">");
          if (b != 0) break;  // only BINARY is agreed to
          std::string answer = {static_cast<char>(255), 0, 0};
          if (verb_ == 253) {
            answer[1] = static_cast<char>(251);
            hostBinaryNext_ = true;
          }
          if (verb_ == 254) {
            answer[1] = static_cast<char>(252);
            hostBinaryNext_ = false;
          }
          if (verb_ == 251) {
            answer[1] = static_cast<char>(253);
            clientBinary_ = true;
          }
          if (verb_ == 252) {
            answer[1] = static_cast<char>(254);
            clientBinary_ = false;
          }
          SendRaw(answer);
          hostBinary_ = hostBinaryNext_;
          break;
        }
      }
    }
  }

  void Throttle(size_t bytes, size_t& sinceSleep) {
    if (options_.pauseEveryKb <= 0) return;
    if ((sinceSleep += bytes) < size_t(options_.pauseEveryKb) * 1024) return;
    sinceSleep = 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

  void StartProgram() {
    if (started_) return;
    started_ = true;
    if (options_.garbage || options_.program.empty()) return;
    int fds[2];
    socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds);
    pid_ = Spawn(options_.program, fds[1], options_.cwd, "/dev/null");
    close(fds[1]);
    program_ = fds[0];
  }

  void Run() {
    while (!stop_ && client_ < 0) {
      pollfd p{listen_, POLLIN, 0};
      if (poll(&p, 1, 50) > 0)
        client_ = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    }
    if (client_ < 0) return;
    if (!options_.greeting.empty())
      SendToClient(reinterpret_cast<const uint8_t*>(options_.greeting.data()),
                   options_.greeting.size());
    if (options_.startOn.empty()) StartProgram();
    std::string typed;
    uint32_t seed = 7;
    size_t sinceSleep = 0;
    while (!stop_ && client_ >= 0) {
      pollfd p[2] = {{client_, POLLIN, 0}, {program_, POLLIN, 0}};
      const int n = poll(p, program_ >= 0 ? 2 : 1, options_.garbage && started_ ? 0 : 20);
      if (options_.garbage && started_) {
        std::vector<uint8_t> junk(4096);
        for (auto& c : junk) {
          seed = seed * 1103515245 + 12345;
          c = static_cast<uint8_t>(seed >> 16);
          if (c == '*' || c == 24) c = 'x';
        }
        if (!SendToClient(junk.data(), junk.size())) break;
        if (garbageSent_ += junk.size(); garbageSent_ > (8u << 20)) options_.garbage = false;
      }
      if (n <= 0) continue;
      uint8_t buf[8192];
      if (p[0].revents & (POLLIN | POLLHUP | POLLERR)) {
        const ssize_t r = recv(client_, buf, options_.pauseEveryKb > 0 ? 1024 : sizeof buf, 0);
        if (r < 0 && errno == EAGAIN) continue;
        if (r <= 0) {
          Hangup();
          break;
        }
        std::string toProgram;
        FromClient(buf, static_cast<size_t>(r), toProgram);
        // A cancel sequence from the client ends the garbage.
        if (toProgram.find(std::string(5, '\x18')) != std::string::npos) options_.garbage = false;
        if (!started_) {
          typed += toProgram;
          if (typed.find(options_.startOn) != std::string::npos) StartProgram();
        } else if (program_ >= 0) {
          size_t done = 0;
          while (done < toProgram.size()) {
            const ssize_t w = write(program_, toProgram.data() + done, toProgram.size() - done);
            if (w <= 0) break;
            done += static_cast<size_t>(w);
          }
          Throttle(done, sinceSleep);
        }
      }
      if (program_ >= 0 && (p[1].revents & (POLLIN | POLLHUP | POLLERR))) {
        const ssize_t r = read(program_, buf, options_.pauseEveryKb > 0 ? 1024 : sizeof buf);
        if (r <= 0) {
          close(program_);
          program_ = -1;
          status_ = WaitChild(pid_, 10);
          pid_ = -1;
          ended_ = true;
          if (!options_.afterwards.empty())
            SendToClient(reinterpret_cast<const uint8_t*>(options_.afterwards.data()),
                         options_.afterwards.size());
          continue;
        }
        if (!SendToClient(buf, static_cast<size_t>(r))) break;
        Throttle(static_cast<size_t>(r), sinceSleep);
      }
    }
    // Hold the connection until the test ends unless it was dropped.
    while (!stop_ && client_ >= 0) {
      uint8_t buf[4096];
      pollfd p{client_, POLLIN, 0};
      if (poll(&p, 1, 50) > 0) {
        const ssize_t r = recv(client_, buf, sizeof buf, 0);
        if (r < 0 && errno == EAGAIN) continue;
        if (r <= 0) break;
        std::string ignored;
        FromClient(buf, static_cast<size_t>(r), ignored);
      }
    }
    if (client_ >= 0) close(client_);
    if (program_ >= 0) close(program_);
  }

  Options options_;
  int listen_ = -1;
  int port_ = 0;
  int client_ = -1;
  int program_ = -1;
  pid_t pid_ = -1;
  std::atomic<bool> stop_{false};
  std::atomic<bool> ended_{false};
  std::atomic<bool> clientGone_{false};
  std::atomic<int> status_{-1};
  bool started_ = false;
  bool hostBinary_ = false;
  bool hostBinaryNext_ = false;
  bool clientBinary_ = false;
  bool lastCr_ = false;
  int state_ = 0;
  uint8_t verb_ = 0;
  size_t sent_ = 0;
  size_t garbageSent_ = 0;
  mutable std::mutex mutex_;
  std::string wire_;
  std::thread thread_;
};

}  // namespace parlane::test
