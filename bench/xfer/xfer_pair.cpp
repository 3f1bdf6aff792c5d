// xfer_pair TRANSPORT DIR_A DIR_B -- PROGRAM_A ARGS... -- PROGRAM_B ARGS...
// Starts two programs connected through their standard input and output by
// a socketpair, a pty pair (A on the master) or loopback TCP, waits for
// both, and prints the wall time in seconds and both exit statuses.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pty.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/tcp_pair.h"

namespace {

// A pair that has not finished after this long is killed.
constexpr int kLimitSeconds = 600;

bool Connect(const std::string& transport, int fds[2]) {
  if (transport == "socketpair")
    return socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0;
  if (transport == "pty") {
    if (openpty(&fds[0], &fds[1], nullptr, nullptr, nullptr) != 0) return false;
    termios raw{};
    tcgetattr(fds[1], &raw);
    cfmakeraw(&raw);
    tcsetattr(fds[1], TCSANOW, &raw);
    return true;
  }
  if (transport == "tcp") return parlane::bench::TcpLoopbackPair(fds);
  return false;
}

pid_t Start(std::vector<char*> argv, int fd, const char* dir) {
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid != 0) return pid;
  dup2(fd, 0);
  dup2(fd, 1);
  const int null = open("/dev/null", O_WRONLY);
  dup2(null, 2);
  for (int i = 3; i < 1024; ++i) close(i);
  setsid();
  if (chdir(dir) != 0) _exit(126);
  execvp(argv[0], argv.data());
  _exit(127);
}

int Wait(pid_t pid, std::chrono::steady_clock::time_point deadline) {
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    usleep(2000);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 7 || std::strcmp(argv[4], "--") != 0) {
    std::fprintf(stderr, "usage: xfer_pair socketpair|pty|tcp DIR_A DIR_B -- A... -- B...\n");
    return 2;
  }
  std::vector<char*> a, b;
  int i = 5;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) a.push_back(argv[i]);
  for (++i; i < argc; ++i) b.push_back(argv[i]);
  int fds[2];
  if (a.empty() || b.empty() || !Connect(argv[1], fds)) {
    std::fprintf(stderr, "xfer_pair: cannot set up %s\n", argv[1]);
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const auto deadline = start + std::chrono::seconds(kLimitSeconds);
  const pid_t pa = Start(a, fds[0], argv[2]);
  const pid_t pb = Start(b, fds[1], argv[3]);
  close(fds[0]);
  close(fds[1]);
  const int sa = Wait(pa, deadline);
  const int sb = Wait(pb, deadline);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.3f %d %d\n", seconds, sa, sb);
  return 0;
}
