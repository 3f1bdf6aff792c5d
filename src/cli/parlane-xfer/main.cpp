// parlane-xfer: Parlane's Zmodem and Ymodem-G engines on the command line.
// The link is standard input and output (like sz and rz on a remote host), or
// a Telnet connection with --connect.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/telnet_transfer_link.h"
#include "stderr_display.h"
#include "telnet_client.h"
#include "xfer/fd_link.h"
#include "xfer/transfer_run.h"
#include "xfer/ymodem_g.h"
#include "xfer/zmodem.h"

namespace {

using namespace parlane;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

volatile std::sig_atomic_t gCancel = 0;
void OnSignal(int) { gCancel = 1; }

constexpr const char* kUsage =
    "usage: parlane-xfer send [OPTIONS] FILE...\n"
    "       parlane-xfer receive [OPTIONS]\n"
    "options:\n"
    "  --ymodem-g          Ymodem-G instead of Zmodem\n"
    "  --telnet            the Telnet variant of Zmodem (255 doubled) on standard input/output\n"
    "  --dir DIR           where received files go (default: the current directory)\n"
    "  --connect HOST:PORT use a Telnet connection instead of standard input/output\n"
    "  --command TEXT      with --connect: typed to the remote shell before the transfer\n"
    "                      (default for send: rz)\n"
    "  -q, --quiet         only the summary line\n"
    "  -h, --help          this text\n"
    "exit status: 0 success, 1 transfer failed, 2 usage error or unreadable file\n";

struct Args {
  TransferDirection direction = TransferDirection::Receive;
  bool ymodem = false;
  bool telnet = false;
  bool quiet = false;
  std::string dir = ".";
  std::string connect;
  std::optional<std::string> command;
  std::vector<std::string> files;
};

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "parlane-xfer: %s\n", problem);
  std::fputs(kUsage, stderr);
  return kExitUsage;
}

// Parses the command line; returns an exit status when the program should stop.
std::optional<int> Parse(int argc, char** argv, Args& args) {
  if (argc < 2) return Usage(nullptr);
  const std::string verb = argv[1];
  if (verb == "-h" || verb == "--help") {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  if (verb == "send") {
    args.direction = TransferDirection::Send;
  } else if (verb != "receive") {
    return Usage("the first word must be send or receive");
  }
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](const char* name) -> const char* {
      if (i + 1 >= argc) return nullptr;
      (void)name;
      return argv[++i];
    };
    if (a == "--ymodem-g") {
      args.ymodem = true;
    } else if (a == "--telnet") {
      args.telnet = true;
    } else if (a == "-q" || a == "--quiet") {
      args.quiet = true;
    } else if (a == "--dir" || a == "--connect" || a == "--command") {
      const char* v = value(a.c_str());
      if (!v) return Usage((a + " needs a value").c_str());
      if (a == "--dir") args.dir = v;
      if (a == "--connect") args.connect = v;
      if (a == "--command") args.command = v;
    } else if (a == "--") {
      for (++i; i < argc; ++i) args.files.push_back(argv[i]);
    } else if (!a.empty() && a[0] == '-') {
      return Usage(("unknown option " + a).c_str());
    } else {
      args.files.push_back(a);
    }
  }
  if (args.direction == TransferDirection::Send && args.files.empty())
    return Usage("no files to send");
  if (args.direction == TransferDirection::Receive && !args.files.empty())
    return Usage("receive takes no files");
  if (args.ymodem && (args.telnet || !args.connect.empty()))
    return Usage("Ymodem-G runs on a plain line only");
  return std::nullopt;
}

// Files that cannot be read, and a receive directory that is not one, are
// usage errors: nothing has been sent yet.
std::optional<int> CheckPaths(const Args& args) {
  for (const std::string& f : args.files) {
    struct stat st {};
    if (stat(f.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || access(f.c_str(), R_OK) != 0) {
      std::fprintf(stderr, "parlane-xfer: cannot read %s\n", f.c_str());
      return kExitUsage;
    }
  }
  if (args.direction == TransferDirection::Receive) {
    struct stat st {};
    if (stat(args.dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      std::fprintf(stderr, "parlane-xfer: %s is not a directory\n", args.dir.c_str());
      return kExitUsage;
    }
  }
  return std::nullopt;
}

std::unique_ptr<TransferProtocol> MakeProtocol(const Args& args, TransferLink& link,
                                               TransferDisplay& display) {
  TransferOptions options;
  options.receiveDir = args.dir;
  if (args.ymodem) return std::make_unique<YmodemG>(link, display, options);
  if (args.telnet || !args.connect.empty())
    return std::make_unique<TelnetZmodem>(link, display, options);
  return std::make_unique<Zmodem>(link, display, options);
}

int Run(const Args& args, TransferLink& link) {
  link.SetCancelCheck([] { return gCancel != 0; });
  StderrDisplay display(stderr, args.quiet);
  auto protocol = MakeProtocol(args, link, display);
  const TransferResult result = RunTransfer(*protocol, args.direction, args.files);
  link.Flush();
  display.Summary(result.outcome == TransferOutcome::Success, result.status);
  return result.outcome == TransferOutcome::Success ? kExitOk : kExitFailed;
}

int RunConnected(const Args& args) {
  std::string error;
  const int fd = ConnectTcp(args.connect, error);
  if (fd < 0) {
    std::fprintf(stderr, "parlane-xfer: %s: %s\n", args.connect.c_str(), error.c_str());
    return kExitFailed;
  }
  std::string command =
      args.command.value_or(args.direction == TransferDirection::Send ? "rz" : "");
  int status = kExitFailed;
  if (PrepareTelnetTransfer(fd, command)) {
    {
      TelnetTransferLink link(fd);
      status = Run(args, link);
    }
    EndTelnetTransfer(fd);
  } else {
    std::fprintf(stderr, "parlane-xfer: connection closed by %s\n", args.connect.c_str());
  }
  close(fd);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  Args args;
  if (auto status = Parse(argc, argv, args)) return *status;
  if (auto status = CheckPaths(args)) return *status;

  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  if (!args.connect.empty()) return RunConnected(args);
  FdTransferLink link(STDIN_FILENO, STDOUT_FILENO, args.telnet);
  return Run(args, link);
}
