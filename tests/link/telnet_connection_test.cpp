#include "link/telnet_connection.h"

#include <gtest/gtest.h>

#include <string>

#include "link_test_support.h"

namespace parlane {
namespace {

using namespace test;

struct Client {
  PollEventLoop loop;
  RecordingEvents events;
  std::unique_ptr<TelnetConnection> conn;

  void Open(const std::string& host, int port) {
    conn = std::make_unique<TelnetConnection>(loop, events, host, port);
    conn->Start();
  }
  // A name lookup may wait for a slow resolver.
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 30000ms) {
    return loop.RunUntil(done, limit);
  }
};

TEST(TelnetConnection, NumericAddressConnectsAndShowsTryingThenEstablished) {
  struct Case {
    int family;
    const char* host;
    std::string address;
  };
  bool noIpv6 = false;
  for (const Case& tc : {Case{AF_INET, "127.0.0.1", "127.0.0.1"}, Case{AF_INET6, "::1", "::1"},
                         Case{AF_INET6, "[::1]", "::1"}}) {
    SCOPED_TRACE(tc.host);
    LoopbackListener server(tc.family);
    if (!server.Ok() && tc.family == AF_INET6) {
      noIpv6 = true;
      continue;
    }
    ASSERT_TRUE(server.Ok());
    Client c;
    c.Open(tc.host, server.Port());
    EXPECT_EQ(c.conn->GetState(), TelnetConnection::State::Connecting);  // no lookup for a number
    const int peer = server.Accept(c.loop);
    ASSERT_GE(peer, 0);
    ASSERT_TRUE(c.RunUntil([&] { return c.events.connected == 1; }));
    EXPECT_EQ(c.events.shown, "Trying " + tc.address + "...Connection established\r\n\r\n");
    EXPECT_TRUE(c.conn->IsConnected());
    EXPECT_EQ(c.conn->PeerAddress(), tc.address);
    EXPECT_GT(c.conn->ConnectTime(), 0);
    close(peer);
  }
  if (noIpv6) GTEST_SKIP() << "the IPv6 cases did not run: this machine has no IPv6 loopback";
}

TEST(TelnetConnection, NameIsLookedUpOffTheLoop) {
  LoopbackListener server;
  ASSERT_TRUE(server.Ok());
  Client c;
  c.Open("localhost", server.Port());
  EXPECT_EQ(c.conn->GetState(), TelnetConnection::State::LookingUp);
  EXPECT_EQ(c.events.shown, "");  // nothing is shown while the name is looked up
  const int peer = server.Accept(c.loop, 30000ms);
  ASSERT_GE(peer, 0);
  ASSERT_TRUE(c.RunUntil([&] { return c.events.connected == 1; }));
  // "localhost" may give ::1 first; the IPv4 listener is then reached next.
  EXPECT_NE(c.events.shown.find("Trying 127.0.0.1..."), std::string::npos);
  EXPECT_TRUE(c.events.shown.ends_with("...Connection established\r\n\r\n"));
  close(peer);
}

TEST(TelnetConnection, FailuresGiveTheirTexts) {
  struct Case {
    const char* name;
    std::string host;
    int port;
    const char* text;
    MessageIcon icon;
  };
  const Case cases[] = {
      {"refused port", "127.0.0.1", UnusedPort(), "Could not connect to remote host",
       MessageIcon::Exclamation},
      {"name that does not resolve", "no-such-host.invalid", 23, "Could not obtain host name",
       MessageIcon::Exclamation},
      {"empty host", "", 23, "Could not obtain host name", MessageIcon::Exclamation},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.name);
    Client c;
    c.Open(tc.host, tc.port);
    ASSERT_TRUE(c.RunUntil([&] { return !c.events.failures.empty(); }));
    EXPECT_EQ(c.events.failures, std::vector<std::string>{tc.text});
    EXPECT_EQ(c.events.lastIcon, tc.icon);
    EXPECT_EQ(c.events.connected, 0);
    EXPECT_EQ(c.conn->GetState(), TelnetConnection::State::Failed);
    EXPECT_EQ(c.loop.WatchedCount(), 0u);
  }
}

TEST(TelnetConnection, DestroyedDuringLookupReportsNothing) {
  Client c;
  c.Open("localhost", 1);
  c.conn.reset();
  c.loop.RunUntil([] { return false; }, 300ms);
  EXPECT_TRUE(c.events.failures.empty());
  EXPECT_TRUE(c.events.shown.empty());
}

struct Connected : ::testing::Test {
  void SetUp() override {
    ASSERT_TRUE(server.Ok());
    c.Open("127.0.0.1", server.Port());
    peer = server.Accept(c.loop);
    ASSERT_GE(peer, 0);
    ASSERT_TRUE(c.RunUntil([&] { return c.events.connected == 1; }));
    c.events.shown.clear();
  }
  void TearDown() override {
    if (peer >= 0) close(peer);
  }
  LoopbackListener server;
  Client c;
  int peer = -1;
};

TEST_F(Connected, SendDataDoubles255AndEchoesItDoubledForTheTelnetInterpreter) {
  c.conn->SetLocalEcho(true);
  EXPECT_EQ(c.conn->SendData(std::string_view("a\377b")), 3);
  EXPECT_EQ(ReadAvailable(peer), "a\377\377b");
  EXPECT_EQ(c.events.shown, "a\377\377b");

  c.events.shown.clear();
  c.conn->SetLocalEcho(false);
  c.conn->SendData(std::string_view("q"));
  EXPECT_EQ(ReadAvailable(peer), "q");
  EXPECT_EQ(c.events.shown, "");
}

TEST_F(Connected, OutputTheSocketCannotTakeYetIsKeptInOrder) {
  // Far more than the socket buffers hold while the peer reads nothing.
  std::string sent;
  for (int i = 0; i < 400; ++i) {
    const std::string chunk(16384, static_cast<char>('A' + i % 26));
    ASSERT_EQ(c.conn->SendData(chunk), static_cast<int>(chunk.size()));
    sent += chunk;
  }
  EXPECT_GT(c.conn->PendingOutput(), 0u);
  std::string got;
  char buf[65536];
  ASSERT_TRUE(c.loop.RunUntil(
      [&] {
        pollfd p{peer, POLLIN, 0};
        while (poll(&p, 1, 0) > 0) {
          const ssize_t n = recv(peer, buf, sizeof buf, 0);
          if (n <= 0) break;
          got.append(buf, static_cast<size_t>(n));
        }
        return got.size() == sent.size();
      },
      20000ms));
  EXPECT_TRUE(got == sent);
  EXPECT_EQ(c.conn->PendingOutput(), 0u);
}

TEST_F(Connected, PeerCloseAsksOnceAndStaysOpenOnNo) {
  c.events.answer = false;
  SendAllTo(peer, "bye");
  shutdown(peer, SHUT_RDWR);
  ASSERT_TRUE(c.RunUntil([&] { return c.events.closed == 1; }));
  EXPECT_EQ(c.events.received, "bye");
  EXPECT_EQ(c.events.questions, std::vector<std::string>{"Connection closed.  Close window?"});
  EXPECT_FALSE(c.events.closeRequested);
  EXPECT_EQ(c.conn->GetState(), TelnetConnection::State::Closed);
  // More notifications and reads change nothing: the close is handled once.
  c.conn->ReadFromSocket();
  c.loop.RunUntil([] { return false; }, 200ms);
  EXPECT_EQ(c.events.questions.size(), 1u);
  EXPECT_EQ(c.events.closed, 1);
  // Keys typed now are lost silently.
  c.conn->SendData(std::string_view("x"));
}

TEST_F(Connected, ResetByPeerIsAClose) {
  linger hard{1, 0};
  setsockopt(peer, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  close(peer);
  peer = -1;
  ASSERT_TRUE(c.RunUntil([&] { return c.events.closed == 1; }));
  EXPECT_TRUE(c.events.closeRequested);
  EXPECT_EQ(c.events.questions.size(), 1u);
}

TEST_F(Connected, WithoutAskingTheWindowClosesAtOnce) {
  c.conn->SetAskOnClose(false);
  close(peer);
  peer = -1;
  ASSERT_TRUE(c.RunUntil([&] { return c.events.closed == 1; }));
  EXPECT_TRUE(c.events.questions.empty());
  EXPECT_TRUE(c.events.closeRequested);
}

TEST_F(Connected, TransferTurnsBinaryOnAndOffAndStopsNotifications) {
  const int fd = c.conn->BeginTransfer({});
  EXPECT_EQ(fd, c.conn->Fd());
  EXPECT_TRUE(c.conn->InTransfer());
  EXPECT_EQ(ReadAvailable(peer), std::string("\xff\xfd\x00\xff\xfb\x00", 6));
  SendAllTo(peer, "zmodem bytes");
  c.loop.RunUntil([] { return false; }, 200ms);
  EXPECT_EQ(c.events.received, "");  // the transfer reads the socket now
  c.conn->EndTransfer();
  EXPECT_EQ(ReadAvailable(peer), std::string("\xff\xfe\x00\xff\xfc\x00", 6));
  ASSERT_TRUE(c.RunUntil([&] { return !c.events.received.empty(); }));
  EXPECT_EQ(c.events.received, "zmodem bytes");
}

TEST(FormatElapsed, HoursMinutesSeconds) {
  EXPECT_EQ(FormatElapsed(0), "00:00:00");
  EXPECT_EQ(FormatElapsed(3725), "01:02:05");
  EXPECT_EQ(FormatElapsed(100 * 3600 + 59), "100:00:59");
}

}  // namespace
}  // namespace parlane
