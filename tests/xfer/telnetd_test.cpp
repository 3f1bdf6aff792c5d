// parlane-xfer --connect through a real Telnet server: inetutils telnetd on a
// loopback port (started through socat) with a shell that needs no login.
// The remote shell runs lrzsz's sz and rz.
#include <gtest/gtest.h>

#include "link/link_test_support.h"
#include "xfer_support.h"

namespace parlane {
namespace {

using test::TempDir;

int RunTool(const std::vector<std::string>& args, const TempDir& work) {
  const int status = test::RunProgram(args, work / "tool.log");
  if (status != 0)
    std::fprintf(stderr, "--- parlane-xfer:\n%s\n", test::Slurp(work / "tool.log").c_str());
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
  if (test::FindProgram("sz").empty()) GTEST_SKIP() << "lrzsz is not installed";
  TempDir work, remote, local;
  const auto data = TelnetHostileData();
  test::WriteFile(remote / "from-host.bin", data);
  test::TelnetdServer server(remote.Path());
  if (!server.Ready()) GTEST_SKIP() << server.Problem();
  EXPECT_EQ(RunTool({test::XferTool(), "receive", "-q", "--connect", server.Address(), "--dir",
                     local.Path(), "--command", "sz from-host.bin"},
                    work),
            0);
  EXPECT_EQ(test::ReadFile(local / "from-host.bin"), data);
}

TEST(Telnetd, SendToTheRemoteShellsRz) {
  if (test::FindProgram("rz").empty()) GTEST_SKIP() << "lrzsz is not installed";
  TempDir work, remote, local;
  const auto data = TelnetHostileData();
  test::WriteFile(local / "to-host.bin", data);
  test::WriteFile(local / "second", test::RandomBytes(3000, 5));
  test::TelnetdServer server(remote.Path());
  if (!server.Ready()) GTEST_SKIP() << server.Problem();
  EXPECT_EQ(RunTool({test::XferTool(), "send", "-q", "--connect", server.Address(),
                     local / "to-host.bin", local / "second"},
                    work),
            0);
  EXPECT_EQ(test::ReadFile(remote / "to-host.bin"), data);
  EXPECT_EQ(test::ReadFile(remote / "second"), test::ReadFile(local / "second"));
}

}  // namespace
}  // namespace parlane
