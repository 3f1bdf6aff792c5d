// parlane-xfer --connect through a real Telnet server: inetutils telnetd on a
// loopback port (started through socat) with a shell that needs no login.
// The remote shell runs lrzsz's sz and rz.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "xfer_support.h"

namespace parlane {
namespace {

using test::TempDir;

constexpr int kTimeLimitSeconds = 60;
// How long the server gets to start listening.
constexpr auto kListenWait = std::chrono::seconds(10);

int FreePort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  close(s);
  return ntohs(a.sin_port);
}

bool Listening(int port) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(s);
  return ok;
}

// socat listening on a loopback port, handing each connection to telnetd,
// whose "login" is a shell in `remoteDir`.
class TelnetServer {
 public:
  TelnetServer(const std::string& remoteDir, const TempDir& work) {
    const std::string socat = test::FindProgram("socat");
    const std::string telnetd = test::FindProgram("telnetd");
    const std::string bash = test::FindProgram("bash");
    EXPECT_FALSE(socat.empty()) << "socat is not installed";
    EXPECT_FALSE(telnetd.empty()) << "telnetd (inetutils-telnetd) is not installed";
    if (socat.empty() || telnetd.empty() || bash.empty()) return;
    const std::string script = work / "login.sh";
    {
      std::ofstream f(script);
      f << "#!/bin/sh\ncd '" << remoteDir << "' || exit 1\nexec " << bash
        << " --noprofile --norc -i\n";
    }
    chmod(script.c_str(), 0755);
    port_ = FreePort();
    const int devnull = open("/dev/null", O_RDWR | O_CLOEXEC);
    pid_ = test::Spawn(
        {socat, "TCP-LISTEN:" + std::to_string(port_) + ",bind=127.0.0.1,reuseaddr,fork",
         "EXEC:" + telnetd + " -h -E " + script + ",nofork"},
        devnull, "", work / "socat.log");
    close(devnull);
    const auto deadline = std::chrono::steady_clock::now() + kListenWait;
    while (!Listening(port_) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ready_ = Listening(port_);
    EXPECT_TRUE(ready_) << "the Telnet server did not start";
  }
  ~TelnetServer() {
    if (pid_ > 0) {
      kill(-pid_, SIGTERM);  // socat, telnetd and the shells share its session
      test::WaitChild(pid_, 10);
    }
  }
  bool Ready() const { return ready_; }
  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  bool ready_ = false;
};

int RunTool(const std::vector<std::string>& args, const TempDir& work) {
  const int devnull = open("/dev/null", O_RDWR | O_CLOEXEC);
  const pid_t p = test::Spawn(args, devnull, "", work / "tool.log");
  close(devnull);
  const int status = test::WaitChild(p, kTimeLimitSeconds);
  if (status != 0) {
    std::ifstream f(work / "tool.log");
    std::fprintf(stderr, "--- parlane-xfer:\n%s\n",
                 std::string(std::istreambuf_iterator<char>(f), {}).c_str());
  }
  return status;
}

// Data with every byte value, many CRs (which a host outside binary mode
// sends as CR NUL) and many 255s (doubled by Telnet).
std::vector<uint8_t> TelnetHostileData() {
  std::vector<uint8_t> v = test::RandomBytes(60000, 77);
  for (int r = 0; r < 16; ++r)
    for (int b = 0; b < 256; ++b) v.push_back(static_cast<uint8_t>(b));
  for (int i = 0; i < 2000; ++i) v.insert(v.end(), {13, 0, 13, 10, 255, 255, 13});
  return v;
}

TEST(Telnetd, ReceiveWhatTheRemoteShellSendsWithSz) {
  ASSERT_FALSE(test::FindProgram("sz").empty()) << "lrzsz is not installed";
  TempDir work, remote, local;
  const auto data = TelnetHostileData();
  test::WriteFile(remote / "from-host.bin", data);
  TelnetServer server(remote.Path(), work);
  ASSERT_TRUE(server.Ready());
  EXPECT_EQ(RunTool({test::XferTool(), "receive", "-q", "--connect", server.Address(), "--dir",
                     local.Path(), "--command", "sz from-host.bin"},
                    work),
            0);
  EXPECT_EQ(test::ReadFile(local / "from-host.bin"), data);
}

TEST(Telnetd, SendToTheRemoteShellsRz) {
  ASSERT_FALSE(test::FindProgram("rz").empty()) << "lrzsz is not installed";
  TempDir work, remote, local;
  const auto data = TelnetHostileData();
  test::WriteFile(local / "to-host.bin", data);
  test::WriteFile(local / "second", test::RandomBytes(3000, 5));
  TelnetServer server(remote.Path(), work);
  ASSERT_TRUE(server.Ready());
  EXPECT_EQ(RunTool({test::XferTool(), "send", "-q", "--connect", server.Address(),
                     local / "to-host.bin", local / "second"},
                    work),
            0);
  EXPECT_EQ(test::ReadFile(remote / "to-host.bin"), data);
  EXPECT_EQ(test::ReadFile(remote / "second"), test::ReadFile(local / "second"));
}

}  // namespace
}  // namespace parlane
