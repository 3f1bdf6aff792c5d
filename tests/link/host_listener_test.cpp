#include "link/host_listener.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/net_address.h"
#include "link/telnet_connection.h"
#include "link_test_support.h"

namespace parlane {
namespace {

using namespace test;

TEST(HostListener, PortTextRules) {
  struct Case {
    const char* text;
    int port;
  };
  const Case cases[] = {
      {"23", 23},      {"2323", 2323},
      {"", 23},        {"abc", 23},
      {"0", 23},       {"-5", 23},
      {"  80", 80},    {"81x", 81},
      {"65536", 23},   {"65559", 23},
      {"70000", 4464}, {"1234567890", 123456789 & 0xFFFF},  // only the first nine characters count
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.text);
    EXPECT_EQ(HostListener::PortFromText(tc.text), tc.port);
  }
}

struct Server {
  PollEventLoop loop;
  std::vector<HostListener::Client> clients;
  std::vector<std::string> errors;
  HostListener listener{loop, [this](HostListener::Client c) { clients.push_back(std::move(c)); },
                        [this](std::string_view text) { errors.emplace_back(text); }};
  ~Server() {
    for (auto& c : clients) close(c.fd);
  }
};

int ConnectTo(int family, int port) {
  const auto address = ParseNumericAddress(family == AF_INET6 ? "::1" : "127.0.0.1", port);
  const int fd = socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (connect(fd, address->Get(), address->length) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

TEST(HostListener, AcceptsIpv4AndIpv6ClientsAndKeepsListening) {
  Server s;
  ASSERT_EQ(s.listener.Listen(0), HostListener::Result::Listening);
  ASSERT_GT(s.listener.BoundPort(), 0);
  const int a = ConnectTo(AF_INET, s.listener.BoundPort());
  ASSERT_GE(a, 0);
  ASSERT_TRUE(s.loop.RunUntil([&] { return s.clients.size() == 1; }, 5000ms));
  EXPECT_EQ(s.clients[0].address, "127.0.0.1");  // not the mapped ::ffff: form
  const int b = ConnectTo(AF_INET6, s.listener.BoundPort());
  if (b >= 0) {
    ASSERT_TRUE(s.loop.RunUntil([&] { return s.clients.size() == 2; }, 5000ms));
    EXPECT_EQ(s.clients[1].address, "::1");
    close(b);
  }
  EXPECT_TRUE(s.listener.IsListening());
  EXPECT_TRUE(s.errors.empty());
  close(a);
}

TEST(HostListener, PortInUseFailsToBindAndAnotherPortWorks) {
  Server first;
  ASSERT_EQ(first.listener.Listen(0), HostListener::Result::Listening);
  Server second;
  EXPECT_EQ(second.listener.Listen(first.listener.BoundPort()), HostListener::Result::BindFailed);
  EXPECT_FALSE(second.listener.IsListening());
  EXPECT_EQ(second.listener.Listen(0), HostListener::Result::Listening);
  first.listener.Stop();
  EXPECT_FALSE(first.listener.IsListening());
  EXPECT_EQ(first.loop.WatchedCount(), 0u);
}

TEST(HostListener, AcceptedClientBecomesAHostModeSession) {
  Server s;
  ASSERT_EQ(s.listener.Listen(0), HostListener::Result::Listening);
  const int client = ConnectTo(AF_INET, s.listener.BoundPort());
  ASSERT_TRUE(s.loop.RunUntil([&] { return s.clients.size() == 1; }, 5000ms));

  RecordingEvents events;
  auto c = s.clients[0];
  s.clients.clear();
  TelnetConnection conn(s.loop, events, c.fd, c.address);
  conn.Start();
  // Connected at once: no connect, no text.
  EXPECT_EQ(events.connected, 1);
  EXPECT_TRUE(conn.IsConnected());
  EXPECT_TRUE(conn.IsHostMode());
  EXPECT_EQ(events.shown, "");
  EXPECT_EQ(conn.PeerAddress(), "127.0.0.1");

  SendAllTo(client, "hello");
  ASSERT_TRUE(s.loop.RunUntil([&] { return events.received == "hello"; }, 5000ms));
  conn.SendData(std::string_view("\xff"));
  EXPECT_EQ(ReadAvailable(client), "\xff\xff");

  // The client leaves: the window closes without a question.
  close(client);
  ASSERT_TRUE(s.loop.RunUntil([&] { return events.closed == 1; }, 5000ms));
  EXPECT_TRUE(events.questions.empty());
  EXPECT_TRUE(events.closeRequested);
}

}  // namespace
}  // namespace parlane
