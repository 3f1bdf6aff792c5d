// A simulated Hayes modem on the master side of a pseudo-terminal whose
// slave the program opens as its serial port. It answers AT commands (echo
// per E, verbose result codes, OK, ERROR), dials with ATDT/ATDP and answers
// CONNECT 9600, BUSY, NO CARRIER or nothing as the test sets, and once
// connected acts as the remote host: a banner and a login prompt, echo (not
// of keys' escape sequences), the password prompt, until "+++" and ATH (or
// DTR dropping) end the call with NO CARRIER.
//
// With `remoteProgram` set, the far side after CONNECT is that program
// instead: it runs behind socat with the line as its input and output (as a
// real remote host would be), and the modem keeps out of the line until it
// exits; the call stays up.
//
// A pseudo-terminal has no modem lines: the port reaches carrier and DTR
// through Lines(), which the test hands to the serial port. Call Poll()
// whenever the master is readable (a notifier on Fd()).
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "link/modem_lines.h"

namespace parlane::test {

class HayesModem {
 public:
  enum class Outcome { Connect, Busy, NoCarrier, Silent };
  static constexpr std::string_view kBanner = "\r\nWelcome to the Parlane test host\r\n\r\nlogin: ";

  HayesModem() {
    int slave = -1;
    if (openpty(&master_, &slave, nullptr, nullptr, nullptr) != 0) return;
    device_ = ttyname(slave);
    close(slave);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  }
  ~HayesModem() {
    if (remote_ > 0) {
      kill(remote_, SIGKILL);
      waitpid(remote_, nullptr, 0);
    }
    CloseLine();
  }
  HayesModem(const HayesModem&) = delete;
  HayesModem& operator=(const HayesModem&) = delete;

  bool Ok() const { return master_ >= 0 && !device_.empty(); }
  int Fd() const { return master_; }
  const std::string& Device() const { return device_; }
  // The line goes away as an unplugged adapter would.
  void CloseLine() {
    if (master_ >= 0) close(master_);
    master_ = -1;
    carrier_ = false;
  }

  // What dialling a number gives; numbers not listed get `outcome`.
  Outcome outcome = Outcome::Connect;
  std::map<std::string, Outcome> outcomes;

  // The remote host after CONNECT: a program (argv) run in `remoteDir`.
  std::vector<std::string> remoteProgram;
  std::string remoteDir;
  // True while the remote program runs (it is reaped once it has ended).
  bool RemoteRunning() {
    if (remote_ > 0 && waitpid(remote_, nullptr, WNOHANG) == remote_) {
      remote_ = -1;
      // The program had the line blocking (the flag is the line's, shared).
      if (master_ >= 0) fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    return remote_ > 0;
  }

  // ---- what happened ----
  std::vector<std::string> dialed;    // numbers, in order
  std::vector<std::string> commands;  // command lines, in order
  std::string hostReceived;           // bytes that reached the "host" while on line
  std::vector<bool> dtr;              // every DTR change
  bool Carrier() const { return carrier_; }
  bool Online() const { return online_; }

  // The modem lines the serial port uses.
  std::unique_ptr<ModemLines> Lines() { return std::make_unique<SimLines>(*this); }

  // Host output while on line (the test speaks for the host).
  void HostSends(std::string_view text) { Send(text); }

  void Poll() {
    if (master_ < 0 || RemoteRunning()) return;
    char buf[512];
    for (;;) {
      const ssize_t n = read(master_, buf, sizeof buf);
      if (n <= 0) return;
      for (ssize_t i = 0; i < n; ++i) Take(static_cast<uint8_t>(buf[i]));
    }
  }

  void SetDtr(bool on) {
    dtr.push_back(on);
    if (!on && online_) Hangup();
  }

 private:
  class SimLines final : public ModemLines {
   public:
    explicit SimLines(HayesModem& m) : m_(m) {}
    bool SetDtr(int, bool on) override {
      m_.SetDtr(on);
      return true;
    }
    bool Carrier(int) override { return m_.Carrier(); }

   private:
    HayesModem& m_;
  };

  void Send(std::string_view text) {
    if (master_ < 0) return;
    size_t done = 0;
    while (done < text.size()) {
      const ssize_t n = write(master_, text.data() + done, text.size() - done);
      if (n <= 0) {
        pollfd p{master_, POLLOUT, 0};
        if (poll(&p, 1, 100) <= 0) return;
        continue;
      }
      done += static_cast<size_t>(n);
    }
  }

  void Result(std::string_view text) { Send("\r\n" + std::string(text) + "\r\n"); }

  void Take(uint8_t c) {
    if (online_) {
      OnLine(c);
      return;
    }
    if (echo_) Send(std::string(1, static_cast<char>(c)));
    if (c == '\r') {
      Command(line_);
      line_.clear();
    } else if (c == 8 || c == 127) {
      if (!line_.empty()) line_.pop_back();
    } else if (c != '\n') {
      line_ += static_cast<char>(c);
    }
  }

  void Command(std::string line) {
    while (!line.empty() && line.front() == ' ') line.erase(line.begin());
    if (line.empty()) return;
    commands.push_back(line);
    if (strncasecmp(line.c_str(), "AT", 2) != 0) return Result("ERROR");
    size_t i = 2;
    const auto digit = [&] {
      return i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])) ? line[i++] - '0'
                                                                                 : 0;
    };
    while (i < line.size()) {
      const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(line[i++])));
      switch (c) {
        case ' ': break;
        case 'E': echo_ = digit() != 0; break;
        case 'H':
          digit();
          if (carrier_) return Hangup();
          break;
        case 'D': return Dial(line.substr(i));
        default:
          if (!std::isalpha(static_cast<unsigned char>(c)) && c != '&') return Result("ERROR");
          digit();
          break;
      }
    }
    Result("OK");
  }

  void Dial(std::string rest) {
    if (!rest.empty() && std::string_view("TtPp").find(rest[0]) != std::string_view::npos)
      rest.erase(rest.begin());
    dialed.push_back(rest);
    const auto it = outcomes.find(rest);
    switch (it == outcomes.end() ? outcome : it->second) {
      case Outcome::Connect:
        online_ = carrier_ = true;
        hostState_ = HostState::Login;
        if (!remoteProgram.empty()) {
          Result("CONNECT 9600");
          StartRemote();
          hostState_ = HostState::Shell;
          break;
        }
        // The host's first bytes come in the same write as the result.
        Send("\r\nCONNECT 9600\r\n" + std::string(kBanner));
        break;
      case Outcome::Busy: Result("BUSY"); break;
      case Outcome::NoCarrier: Result("NO CARRIER"); break;
      case Outcome::Silent: break;
    }
  }

  void StartRemote() {
    std::string exec = "EXEC:";
    for (const std::string& word : remoteProgram) exec += (exec.size() > 5 ? " " : "") + word;
    remote_ = fork();
    if (remote_ != 0) return;
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) & ~O_NONBLOCK);
    dup2(master_, 0);
    dup2(master_, 1);
    for (int fd = 3; fd < 1024; ++fd) close(fd);
    if (!remoteDir.empty() && chdir(remoteDir.c_str()) != 0) _exit(126);
    // -s: the program may end before the last answer to it is written.
    execlp("socat", "socat", "-s", "STDIO", exec.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }

  void Hangup() {
    online_ = carrier_ = false;
    plus_ = 0;
    Result("NO CARRIER");
  }

  // The remote host: echoes, prompts for the password after the login
  // name, greets after it, and answers the cursor position report.
  void OnLine(uint8_t c) {
    hostReceived += static_cast<char>(c);
    if (c == '+') {
      if (++plus_ == 3) {
        online_ = false;
        plus_ = 0;
        Result("OK");
      }
      return;
    }
    plus_ = 0;
    if (c == 0x1b || !seq_.empty()) {
      // An escape sequence from the terminal (a key): not echoed.
      seq_ += static_cast<char>(c);
      if (c != 0x1b && std::isalpha(c)) seq_.clear();
      return;
    }
    if (c == '\r') {
      Send("\r\n");
      if (hostState_ == HostState::Login) {
        user_ = input_;
        hostState_ = HostState::Password;
        Send("Password: ");
      } else if (hostState_ == HostState::Password) {
        hostState_ = HostState::Shell;
        Send("Hello " + user_ + "\r\n$ ");
      } else {
        Send("$ ");
      }
      input_.clear();
      return;
    }
    if (c == '\n') return;
    input_ += static_cast<char>(c);
    if (hostState_ != HostState::Password) Send(std::string(1, static_cast<char>(c)));
  }

  enum class HostState { Login, Password, Shell };

  int master_ = -1;
  pid_t remote_ = -1;
  std::string device_;
  std::string line_;
  bool echo_ = true;
  bool online_ = false;
  bool carrier_ = false;
  int plus_ = 0;
  HostState hostState_ = HostState::Login;
  std::string input_;
  std::string user_;
  std::string seq_;
};

}  // namespace parlane::test
