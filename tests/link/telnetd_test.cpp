// Against a real Telnet server: inetutils telnetd behind socat on a loopback
// port, with its login program replaced by a shell. Both must be installed;
// a missing one fails the test.
#include <gtest/gtest.h>

#include <string>

#include "link/telnet_connection.h"
#include "link/telnet_transfer_link.h"
#include "link_test_support.h"
#include "term/interpreter.h"
#include "term/painter.h"
#include "term/screen.h"

namespace parlane {
namespace {

using namespace test;

// A Telnet session of the real kind: the connection, and the interpreter
// that answers the host's option requests through the raw send.
class Session : public SessionHooks {
 public:
  Session() : screen_({24, 80}, Options(), painter_), interp_(screen_, *this, {.telnet = true}) {
    events_.onReceived = [this](std::span<const uint8_t> b) { interp_.Process(b); };
  }
  static TerminalOptions Options() {
    TerminalOptions o;
    o.Emulation = 1;  // VT100
    return o;
  }
  void Open(int port) {
    conn_ = std::make_unique<TelnetConnection>(loop_, events_, "127.0.0.1", port);
    conn_->Start();
  }
  void SendData(std::span<const uint8_t> b) override { conn_->SendData(b); }
  void SendRaw(std::span<const uint8_t> b) override {
    raw_.append(b.begin(), b.end());
    conn_->SendRaw(b);
  }
  void Bell() override {}
  void RequestDownload() override {}
  void StartAttachedPrinting() override {}
  bool PrintByte(uint8_t) override { return false; }

  bool WaitFor(std::string_view text, std::chrono::milliseconds limit = 10000ms) {
    return loop_.RunUntil([&] { return events_.received.find(text) != std::string::npos; }, limit);
  }

  PollEventLoop loop_;
  RecordingEvents events_;
  NullPainter painter_;
  TerminalScreen screen_;
  Interpreter interp_;
  std::unique_ptr<TelnetConnection> conn_;
  std::string raw_;
};

TEST(Telnetd, NegotiatesShowsThePromptAndRoundTrips255) {
  TelnetdServer server;
  if (!server.Ready()) GTEST_SKIP() << server.Problem();
  Session s;
  s.Open(server.Port());
  ASSERT_TRUE(s.WaitFor("parlane$ ")) << "no prompt; received: " << s.events_.received;
  EXPECT_EQ(s.events_.shown, "Trying 127.0.0.1...Connection established\r\n\r\n");

  // telnetd's requests were answered: it asked DO TERMINAL-TYPE and got
  // WILL, asked for the type and got VT100, asked DO NAWS and got the size.
  EXPECT_NE(s.raw_.find("\xff\xfb\x18"), std::string::npos);
  EXPECT_NE(s.raw_.find(std::string("\xff\xfa\x18\x00", 4) + "VT100\xff\xf0"), std::string::npos);
  EXPECT_NE(s.raw_.find(std::string("\xff\xfa\x1f\x00\x50\x00\x18\xff\xf0", 9)), std::string::npos);

  // The shell saw the terminal type and the window size we reported.
  s.conn_->SendData(std::string_view("echo T=$TERM; stty size\r"));
  ASSERT_TRUE(s.WaitFor("24 80")) << s.events_.received;
  // (telnetd passes the type on in lower case.)
  EXPECT_NE(s.events_.received.find("T=vt100"), std::string::npos) << s.events_.received;

  // A 255 we send goes out doubled and reaches the shell as one byte.
  s.conn_->SendData(std::string_view("stty -echo raw; od -An -tu1 -N3; stty sane\r"));
  s.loop_.RunUntil([] { return false; }, 500ms);
  s.conn_->SendData(std::string_view("A\377B"));
  ASSERT_TRUE(s.WaitFor("65 255  66")) << s.events_.received;

  // A 255 the host prints arrives doubled on the wire.
  s.events_.received.clear();
  s.conn_->SendData(std::string_view("printf 'x\\377y\\n'\r"));
  ASSERT_TRUE(s.WaitFor("x\xff\xffy")) << s.events_.received;

  // The shell's exit closes the connection; the question comes once.
  s.conn_->SendData(std::string_view("exit\r"));
  ASSERT_TRUE(s.loop_.RunUntil([&] { return s.events_.closed > 0; }, 10000ms));
  s.loop_.RunUntil([] { return false; }, 200ms);
  EXPECT_EQ(s.events_.questions.size(), 1u);
}

// A transfer's link reads what the host prints exactly, whether the host has
// turned binary on yet (CR NUL on the wire) or not, and its writes reach the
// shell intact.
TEST(Telnetd, TransferLinkCarriesCrNulAnd255Exactly) {
  TelnetdServer server;
  if (!server.Ready()) GTEST_SKIP() << server.Problem();
  Session s;
  s.Open(server.Port());
  ASSERT_TRUE(s.WaitFor("parlane$ ")) << s.events_.received;

  const int fd = s.conn_->BeginTransfer({});
  ASSERT_GE(fd, 0);
  TelnetTransferLink link(fd, s.interp_.TelnetOptions().Binary());
  const std::string command = "stty -echo raw; printf 'S\\rX\\000\\r\\377\\105'; od -An -tu1 -N4\r";
  ASSERT_EQ(link.WriteBlock(reinterpret_cast<const uint8_t*>(command.data()), command.size(), 10),
            0);
  const std::string printed("S\rX\0\r\377E", 7);
  std::string got;
  while (!got.ends_with(printed)) {
    const int b = link.ReadByte(10);
    ASSERT_GE(b, 0) << got;
    got.push_back(static_cast<char>(b));
  }

  // What the link writes arrives as written: CR, NUL and a doubled 255.
  const uint8_t data[] = {13, 0, 255, 255, 10};
  ASSERT_EQ(link.WriteBlock(data, sizeof data, 10), 0);
  std::string answer;
  while (answer.find(" 10") == std::string::npos) {
    const int b = link.ReadByte(10);
    ASSERT_GE(b, 0) << answer;
    answer.push_back(static_cast<char>(b));
  }
  EXPECT_NE(answer.find("13   0 255  10"), std::string::npos) << answer;
  s.conn_->EndTransfer();
}

}  // namespace
}  // namespace parlane
