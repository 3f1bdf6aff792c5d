// The dial-up link over a pseudo-terminal: the host's first bytes and the
// login script, reading through the event loop, local echo, the pause a
// transfer needs, and the carrier check with a line that goes away.
#include <gtest/gtest.h>

#include <fstream>

#include "keys/keymap.h"
#include "link/poll_event_loop.h"
#include "link/serial_port.h"
#include "link/serial_test_support.h"
#include "session/serial_link.h"
#include "session/session.h"
#include "session/session_fakes.h"
#include "support/temp_dir.h"

namespace parlane {
namespace {

class SerialLinkTest : public ::testing::Test {
 protected:
  void Open(TerminalOptions options, std::string script, std::string initial) {
    ASSERT_TRUE(pty.Ok());
    port = std::make_unique<SerialPort>(messages, std::make_unique<test::FakeModemLines>(lines));
    Dcb dcb;
    ASSERT_TRUE(BuildDcbFromMode("96,N,8,1", dcb));
    ASSERT_TRUE(port->OpenDevice(pty.Device(), "COM1", dcb, false));
    SessionSetup setup;
    setup.options = options;
    setup.loginScript = std::move(script);
    session = std::make_unique<Session>(setup, keys, painter, view);
    auto owned = std::make_unique<SerialLink>(*port, *session, loop, "9600,N,8,1",
                                              std::move(initial), [this] { return now; });
    link = owned.get();
    session->AttachLink(std::move(owned));
    session->Start();
  }
  std::string Shown() const { return test::ScreenText(session->Screen()); }
  bool Shows(const std::string& text) {
    return loop.RunUntil([&] { return Shown().find(text) != std::string::npos; },
                         std::chrono::milliseconds(2000));
  }

  test::Pty pty;
  test::FakeModemLines::State lines;
  RecordingMessageSink messages;
  PollEventLoop loop;
  KeyTable keys = DefaultKeyTable();
  NullPainter painter;
  test::RecordingView view;
  std::unique_ptr<SerialPort> port;
  std::unique_ptr<Session> session;
  SerialLink* link = nullptr;
  long long now = 1000;
};

TEST_F(SerialLinkTest, ScriptSeesTheFirstBytesThenReadingFollowsTheLoop) {
  test::TempDir dir;
  std::ofstream(dir / "s.csc") << "WAIT login: \nSEND guest^M\n";
  TerminalOptions echo;
  echo.LocalEcho = 1;
  Open(echo, (dir / "s.csc").string(), "Welcome\r\nlogin: ");
  EXPECT_EQ(link->StatusName(), "9600,N,8,1");
  EXPECT_FALSE(link->IsTelnet());
  EXPECT_EQ(view.connected, 0);  // no connect report: the line is up already
  EXPECT_EQ(pty.Read(), "guest\r");
  EXPECT_TRUE(Shows("login: guest"));  // local echo of the script's answer

  // Byte 255 is an ordinary character on this link.
  pty.Write(
      "\xff"
      "after");
  EXPECT_TRUE(Shows("after"));
  EXPECT_GT(view.reads, 0);

  // Paused, the bytes wait in the port; resumed, they are shown.
  link->Pause();
  pty.Write("later");
  loop.RunOnce(std::chrono::milliseconds(100));
  EXPECT_EQ(Shown().find("later"), std::string::npos);
  EXPECT_EQ(port->InputCount(), 5);
  link->Resume();
  EXPECT_TRUE(Shows("later"));
}

TEST_F(SerialLinkTest, CarrierClockAndALostLine) {
  Open({}, {}, {});
  struct Step {
    bool carrier;
    long long at;
    CarrierWatch::Change change;
    long long elapsed;
  };
  const Step steps[] = {{false, 1000, CarrierWatch::Change::None, 0},
                        {true, 1005, CarrierWatch::Change::Online, 0},
                        {true, 1010, CarrierWatch::Change::StillOnline, 5},
                        {false, 1015, CarrierWatch::Change::Offline, 0},
                        {true, 1020, CarrierWatch::Change::Online, 0}};
  for (const Step& s : steps) {
    lines.carrier = s.carrier;
    now = s.at;
    EXPECT_EQ(link->CheckCarrier(), s.change) << s.at;
    EXPECT_EQ(link->ElapsedSeconds(), s.elapsed) << s.at;
  }
  // The far side goes away: no carrier whatever the lines say, one note in
  // the window, and sending stays harmless.
  test::Pty::CloseMaster(pty);
  EXPECT_EQ(link->CheckCarrier(), CarrierWatch::Change::Offline);
  EXPECT_TRUE(link->LineGone());
  EXPECT_EQ(link->CheckCarrier(), CarrierWatch::Change::None);
  session->SendText("x");
  EXPECT_NE(Shown().find("Line lost"), std::string::npos);
  EXPECT_EQ(Shown().find("Line lost", Shown().find("Line lost") + 1), std::string::npos);
}

// A raw send larger than the driver's output queue neither blocks nor drops
// bytes: what the line cannot take yet waits in the link and drains from the
// event loop, and a key typed meanwhile goes out after it.
TEST_F(SerialLinkTest, LargeRawSendsDrainInOrderWithoutLoss) {
  Open({}, {}, {});
  std::string file(256 * 1024, '\0');
  for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
  link->SendRaw(std::span(reinterpret_cast<const uint8_t*>(file.data()), file.size()));
  EXPECT_GT(link->PendingOutput(), 0u);
  session->SendText("k");
  std::string got;
  for (int turn = 0; turn < 2000 && got.size() < file.size() + 1; ++turn) {
    loop.RunOnce(std::chrono::milliseconds(5));
    got += pty.Read(std::chrono::milliseconds(1));
  }
  ASSERT_EQ(got.size(), file.size() + 1);
  EXPECT_TRUE(got.compare(0, file.size(), file) == 0);
  EXPECT_EQ(got.back(), 'k');
  EXPECT_EQ(link->PendingOutput(), 0u);
}

// A transfer takes the port over: the session stops reading until the
// transfer gives it back, and the transfer's link reads and writes the line.
TEST_F(SerialLinkTest, ATransferTakesThePortAndGivesItBack) {
  Open({}, {}, {});
  std::unique_ptr<TransferLink> transfer = link->BeginTransfer();
  ASSERT_NE(transfer, nullptr);
  EXPECT_FALSE(link->Polling());
  pty.Write("Z");
  loop.RunOnce(std::chrono::milliseconds(50));
  EXPECT_EQ(transfer->ReadByte(2), 'Z');
  EXPECT_EQ(Shown().find('Z'), std::string::npos);
  EXPECT_EQ(transfer->WriteBlock(reinterpret_cast<const uint8_t*>("ok"), 2, 2), 0);
  transfer.reset();
  EXPECT_EQ(pty.Read(), "ok");
  link->EndTransfer();
  pty.Write("back");
  EXPECT_TRUE(Shows("back"));
}

}  // namespace
}  // namespace parlane
