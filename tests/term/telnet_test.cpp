// The Telnet states of a Telnet session's byte loop and their replies.
#include <gtest/gtest.h>

#include <string>

#include "term_fixture.h"

namespace parlane::test {
namespace {

using Bytes = std::vector<uint8_t>;

std::string S(const Bytes& b) { return {b.begin(), b.end()}; }

// Which options are agreed to, refused or passed over: every reply is raw and
// a repeated request is answered again.
TEST(TelnetSession, NegotiationReplies) {
  struct Case {
    const char* name;
    std::string input, sent;
  };
  const std::vector<Case> cases = {
      {"DO TTYPE twice", "\xff\xfd\x18\xff\xfd\x18", "\xff\xfb\x18\xff\xfb\x18"},
      {"WILL and WONT ECHO", "\xff\xfb\x01\xff\xfc\x01", "\xff\xfd\x01"},
      {"DO ECHO is refused", "\xff\xfd\x01", "\xff\xfc\x01"},
      {"WILL and DO SGA", "\xff\xfb\x03\xff\xfd\x03", "\xff\xfd\x03\xff\xfb\x03"},
      {"WILL and DO BINARY", std::string("\xff\xfb\x00\xff\xfd\x00", 6),
       std::string("\xff\xfd\x00\xff\xfb\x00", 6)},
      {"WILL TTYPE and TSPEED are refused", "\xff\xfb\x18\xff\xfb\x20", "\xff\xfe\x18\xff\xfe\x20"},
      {"WILL NAWS and DONT anything pass", "\xff\xfb\x1f\xff\xfe\x01\xff\xfe\x1f", ""},
      {"unknown options are refused", "\xff\xfb\x27\xff\xfd\x27", "\xff\xfe\x27\xff\xfc\x27"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Term t(Emulation::Vt100, {24, 80}, true);
    t.Feed(c.input);
    for (const auto& s : t.session.sent) EXPECT_TRUE(s.raw);
    EXPECT_EQ(t.Sent(), c.sent);
    EXPECT_EQ(t.Line(1), "");
  }
}

TEST(TelnetSession, TerminalTypeAndSpeed) {
  struct Case {
    Emulation emu;
    const char* name;
  };
  for (const Case c : {Case{Emulation::Tty, "TTY"},
                       {Emulation::Vt100, "VT100"},
                       {Emulation::PcAnsi, "ANSI"},
                       {Emulation::ScoAnsi, "ANSI"}}) {
    Term t(c.emu, {24, 80}, true);
    t.Feed("\xff\xfa\x18\x01\xff\xf0");
    ASSERT_EQ(t.session.sent.size(), 3u);  // head, name, end: three sends
    EXPECT_EQ(t.Sent(), std::string("\xff\xfa\x18\x00", 4) + c.name + "\xff\xf0");
  }
  Term t(Emulation::Vt100, {24, 80}, true);
  t.Feed(std::string("\xff\xfa\x20\x01\xff\xf0\xff\xfa\x05\x01\xff\xf0", 12));
  EXPECT_EQ(t.Sent(), std::string("\xff\xfa\x20\x00", 4) + "256000,256000\xff\xf0");
}

TEST(TelnetSession, WindowSize) {
  Term t(Emulation::Vt100, {24, 80}, true);
  t.screen.SetHeight(30);
  t.Feed("\xff\xfd\x1f");
  EXPECT_EQ(t.Sent(), std::string("\xff\xfb\x1f\xff\xfa\x1f\x00\x50\x00\x1e\xff\xf0", 12));
  EXPECT_TRUE(t.interp.TelnetOptions().WindowSizeAgreed());
  t.session.sent.clear();
  t.screen.SetHeight(20);
  EXPECT_TRUE(t.interp.WindowResized());
  EXPECT_EQ(t.Sent(), std::string("\xff\xfa\x1f\x00\x50\x00\x14\xff\xf0", 9));
  t.Feed("\xff\xfe\x1f");  // DONT NAWS: no reply, no more reports
  t.session.sent.clear();
  EXPECT_FALSE(t.interp.WindowResized());
  EXPECT_TRUE(t.session.sent.empty());
}

TEST(TelnetSession, WindowSizeReportDoublesIac) {
  EXPECT_EQ(S(telnet::WindowSizeReport(132, 255)),
            std::string("\xff\xfa\x1f\x00\x84\x00\xff\xff\xff\xf0", 10));
  EXPECT_EQ(S(telnet::WindowSizeReport(80, 300)),
            std::string("\xff\xfa\x1f\x00\x50\x01\x2c\xff\xf0", 9));
}

TEST(TelnetSession, BinaryAgreement) {
  Term t(Emulation::Vt100, {24, 80}, true);
  EXPECT_EQ(t.interp.TelnetOptions().Binary(), (TelnetBinaryState{false, false}));
  t.Feed("\xff\xfb");
  t.Feed(std::string(1, '\0'));  // split between verb and option
  EXPECT_EQ(t.interp.TelnetOptions().Binary(), (TelnetBinaryState{true, false}));
  t.Feed(std::string("\xff\xfd\x00", 3));
  EXPECT_EQ(t.interp.TelnetOptions().Binary(), (TelnetBinaryState{true, true}));
  t.Feed(std::string("\xff\xfc\x00\xff\xfe\x00", 6));
  EXPECT_EQ(t.interp.TelnetOptions().Binary(), (TelnetBinaryState{false, false}));
  const auto on = telnet::BinaryModeRequest(true);
  EXPECT_EQ(std::string(on.begin(), on.end()), std::string("\xff\xfd\x00\xff\xfb\x00", 6));
  const auto off = telnet::BinaryModeRequest(false);
  EXPECT_EQ(std::string(off.begin(), off.end()), std::string("\xff\xfe\x00\xff\xfc\x00", 6));
}

TEST(TelnetSession, CommandsInTheStream) {
  struct Case {
    const char* name;
    std::string input;
    std::string line;
  };
  const std::vector<Case> cases = {
      {"IAC IAC shows one 255",
       "a\xff\xff"
       "b",
       "a\xff"
       "b"},
      {"IAC NOP shows nothing",
       "a\xff\xf1"
       "b",
       "ab"},
      {"a stray SE",
       "a\xff\xf0"
       "b",
       "ab"},
      {"IAC inside an escape sequence ends it",
       "\033[\xff\xfb\x01"
       "b",
       "\xfb\x01"
       "b"},
      {"subnegotiation is skipped up to SE",
       "a\xff\xfa\x05xyz\xf0"
       "b",
       "ab"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Term t(Emulation::Vt100, {24, 80}, true);
    t.Feed(c.input);
    EXPECT_EQ(t.Line(1), c.line);
    EXPECT_TRUE(t.session.sent.empty());
  }
}

TEST(TelnetSession, StatesPersistAcrossBlocks) {
  Term t(Emulation::Vt100, {24, 80}, true);
  t.Feed("\xff");
  EXPECT_EQ(t.interp.State(), InterpreterState::TelnetCommand);
  t.Feed("\xfd");
  EXPECT_EQ(t.interp.State(), InterpreterState::TelnetOption);
  t.Feed("\x18");
  EXPECT_EQ(t.interp.State(), InterpreterState::Ground);
  t.Feed("\xff\xfa");
  EXPECT_EQ(t.interp.State(), InterpreterState::TelnetSubnegotiation);
  t.Feed("\x18\x01\xff");
  t.Feed("\xf0ok");
  EXPECT_EQ(t.Line(1), "ok");
  EXPECT_EQ(t.Sent(), std::string("\xff\xfb\x18\xff\xfa\x18\x00", 7) + "VT100\xff\xf0");
}

}  // namespace
}  // namespace parlane::test
