// parlane-xfer against lrzsz from Debian, over a socketpair, a pty pair and
// loopback TCP. The peers are started here; a missing peer fails the test.
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>

#include "link/link_test_support.h"
#include "link/net_address.h"
#include "xfer_support.h"

namespace parlane {
namespace {

using test::TempDir;

// Each transfer must be over well within this (the lrzsz peers included).
constexpr int kTimeLimitSeconds = 60;

// Pty puts Parlane on the master; PtySlave puts it on the slave, where the
// peer's terminal settings on the master reach it.
enum class Transport { SocketPair, Pty, PtySlave, Tcp };

// Two connected descriptors: [0] for Parlane's side, [1] for the peer.
bool MakeTransport(Transport t, int fds[2]) {
  switch (t) {
    case Transport::SocketPair: return socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0;
    case Transport::Pty:
    case Transport::PtySlave: {
      int master, slave;
      if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return false;
      termios raw{};
      tcgetattr(slave, &raw);
      cfmakeraw(&raw);
      tcsetattr(slave, TCSANOW, &raw);
      const bool onMaster = t == Transport::Pty;
      fds[0] = onMaster ? master : slave;
      fds[1] = onMaster ? slave : master;
      return true;
    }
    case Transport::Tcp: {
      test::LoopbackListener listener;
      PollEventLoop loop;
      const auto address = ParseNumericAddress("127.0.0.1", listener.Port());
      fds[0] = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      if (!listener.Ok() || connect(fds[0], address->Get(), address->length) != 0) return false;
      fds[1] = listener.Accept(loop);
      return fds[1] >= 0;
    }
  }
  return false;
}

using test::Slurp;

std::string Peer(const char* name) { return test::FindProgram(name); }
#define SKIP_WITHOUT(name) \
  if (Peer(name).empty()) GTEST_SKIP() << name << " (lrzsz) is not installed"

struct Batch {
  TempDir from;
  TempDir to;
  TempDir logs;
  std::vector<std::string> names = {"empty.dat", "One.Byte", "k1025.bin", "r100000.bin", "every"};
  std::vector<std::string> paths;
  Batch() {
    uint32_t seed = 40;
    const size_t sizes[] = {0, 1, 1025, 100000, 0};
    for (size_t i = 0; i < names.size(); ++i) {
      std::vector<uint8_t> data = test::RandomBytes(sizes[i], seed++);
      if (names[i] == "every")
        for (int r = 0; r < 8; ++r)
          for (int b = 0; b < 256; ++b) data.push_back(static_cast<uint8_t>(b));
      paths.push_back(from / names[i]);
      test::WriteFile(paths.back(), data);
    }
  }
  void ExpectDelivered() const {
    for (size_t i = 0; i < names.size(); ++i)
      EXPECT_EQ(test::ReadFile(to / names[i]), test::ReadFile(paths[i])) << names[i];
  }
};

struct PairResult {
  int ours = -1;
  int peer = -1;
};

PairResult RunPair(Transport t, std::vector<std::string> ours, const std::string& oursCwd,
                   std::vector<std::string> peer, const std::string& peerCwd, const Batch& b) {
  int fds[2];
  PairResult r;
  if (!MakeTransport(t, fds)) {
    ADD_FAILURE() << "transport";
    return r;
  }
  const pid_t p1 = test::Spawn(ours, fds[0], oursCwd, b.logs / "ours.log");
  const pid_t p2 = test::Spawn(peer, fds[1], peerCwd, b.logs / "peer.log");
  close(fds[0]);
  close(fds[1]);
  r.ours = test::WaitChild(p1, kTimeLimitSeconds);
  r.peer = test::WaitChild(p2, kTimeLimitSeconds);
  if (r.ours != 0)
    std::fprintf(stderr, "--- parlane-xfer:\n%s\n", Slurp(b.logs / "ours.log").c_str());
  return r;
}

class Lrzsz : public testing::TestWithParam<Transport> {};

TEST_P(Lrzsz, ParlaneSendsToRz) {
  SKIP_WITHOUT("rz");
  Batch b;
  std::vector<std::string> ours = {test::XferTool(), "send", "-q"};
  ours.insert(ours.end(), b.paths.begin(), b.paths.end());
  const PairResult r = RunPair(GetParam(), ours, "", {Peer("rz"), "-y", "-q"}, b.to.Path(), b);
  EXPECT_EQ(r.ours, 0);
  EXPECT_EQ(r.peer, 0);
  b.ExpectDelivered();
}

TEST_P(Lrzsz, SzSendsToParlane) {
  SKIP_WITHOUT("sz");
  Batch b;
  std::vector<std::string> peer = {Peer("sz"), "-q"};
  peer.insert(peer.end(), b.paths.begin(), b.paths.end());
  const PairResult r = RunPair(
      GetParam(), {test::XferTool(), "receive", "-q", "--dir", b.to.Path()}, "", peer, "", b);
  EXPECT_EQ(r.ours, 0);
  b.ExpectDelivered();
}

// sz answers the receiver's ZCRC with the CRC of the kept bytes: a matching
// shorter copy is resumed, an unrelated one is received from the start.
TEST(LrzszResume, SzResumesOnlyAMatchingCopy) {
  SKIP_WITHOUT("sz");
  for (const bool matching : {true, false}) {
    SCOPED_TRACE(matching ? "matching copy" : "unrelated copy");
    Batch b;
    const std::vector<uint8_t> full = test::ReadFile(b.paths[3]);  // r100000.bin
    test::WriteFile(b.to / "r100000.bin",
                    matching ? std::vector<uint8_t>(full.begin(), full.begin() + 50000)
                             : test::RandomBytes(50000, 99));
    std::vector<std::string> peer = {Peer("sz"), "-q"};
    peer.insert(peer.end(), b.paths.begin(), b.paths.end());
    const PairResult r =
        RunPair(Transport::SocketPair, {test::XferTool(), "receive", "--dir", b.to.Path()}, "",
                peer, "", b);
    EXPECT_EQ(r.ours, 0);
    b.ExpectDelivered();
    char resumed[64];
    std::snprintf(resumed, sizeof resumed, "Sending ZRPOS: 0x%x", 50000 - 4096);
    EXPECT_EQ(Slurp(b.logs / "ours.log").find(resumed) != std::string::npos, matching);
  }
}

class LrzszYmodem : public testing::TestWithParam<Transport> {};

TEST_P(LrzszYmodem, SbSendsYmodemGToParlane) {
  SKIP_WITHOUT("sb");
  Batch b;
  std::vector<std::string> peer = {Peer("sb"), "-q"};
  peer.insert(peer.end(), b.paths.begin(), b.paths.end());
  const PairResult r =
      RunPair(GetParam(), {test::XferTool(), "receive", "--ymodem-g", "-q", "--dir", b.to.Path()},
              "", peer, "", b);
  EXPECT_EQ(r.ours, 0);
  EXPECT_EQ(r.peer, 0);
  b.ExpectDelivered();
}

std::string TransportName(const testing::TestParamInfo<Transport>& i) {
  static const char* const kNames[] = {"SocketPair", "Pty", "PtySlave", "Tcp"};
  return kNames[static_cast<int>(i.param)];
}

INSTANTIATE_TEST_SUITE_P(Transports, Lrzsz,
                         testing::Values(Transport::SocketPair, Transport::Pty, Transport::PtySlave,
                                         Transport::Tcp),
                         TransportName);
// Not with Parlane on the slave: sb switches its terminal to XON/XOFF and
// CAN-interrupts just after our start byte, which on a pty master changes
// our side while its first unescaped block is on the way.
INSTANTIATE_TEST_SUITE_P(Transports, LrzszYmodem,
                         testing::Values(Transport::SocketPair, Transport::Pty, Transport::Tcp),
                         TransportName);

// Usage faults and unreadable paths exit with 2; a receive with nobody
// sending fails with 1 (the link ends at once).
TEST(Cli, ExitStatuses) {
  TempDir logs, to;
  struct Case {
    std::vector<std::string> args;
    int status;
  };
  const Case cases[] = {
      {{}, 2},
      {{"fetch"}, 2},
      {{"send"}, 2},
      {{"send", "/nonexistent/file"}, 2},
      {{"receive", "--dir", "/nonexistent/dir"}, 2},
      {{"receive", "--bogus"}, 2},
      {{"--help"}, 0},
      {{"receive", "--dir", to.Path()}, 1},
  };
  std::string log;
  for (const Case& c : cases) {
    std::vector<std::string> args = {test::XferTool()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    log = logs / std::to_string(&c - cases);
    EXPECT_EQ(test::RunProgram(args, log), c.status) << args.back();
  }
  EXPECT_NE(Slurp(log).find("FAILED"), std::string::npos);  // of the receive
}

}  // namespace
}  // namespace parlane
