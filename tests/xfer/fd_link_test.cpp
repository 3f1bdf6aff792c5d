// The descriptor link on a pty: raw mode for the life of the link, kept raw
// when the program on the master changes our side's modes, and the peer's
// terminal left to the peer when we are the master.
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "xfer/fd_link.h"

namespace parlane {
namespace {

// Every byte that a cooked line discipline would eat, turn into another or
// hold back: CR, NL, XON, XOFF, ^C, ^\, ^Z, ^D, DEL, 0xFF, and CR with bit 7.
const std::vector<uint8_t> kTouchyBytes = {13, 10, 17, 19, 3, 28, 26, 4, 127, 255, 141, 'A'};

struct Pty {
  int master = -1;
  int slave = -1;
  Pty() { EXPECT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0); }
  ~Pty() {
    if (master >= 0) close(master);
    if (slave >= 0) close(slave);
  }
};

termios Modes(int fd) {
  termios t{};
  EXPECT_EQ(tcgetattr(fd, &t), 0);
  return t;
}

bool IsRaw(const termios& t) {
  return (t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) == 0 &&
         (t.c_iflag & (IXON | ICRNL | ISTRIP | INLCR)) == 0 && (t.c_oflag & OPOST) == 0 &&
         t.c_cc[VMIN] == 1 && t.c_cc[VTIME] == 0;
}

// What a sender on the master may do to our side: lrzsz's own sending mode,
// a plain cooked terminal, and stripping with CR translation.
struct PeerModes {
  const char* name;
  tcflag_t iflag;
  tcflag_t lflag;
};
const PeerModes kPeerModes[] = {
    {"flow control", BRKINT | IXON, 0},
    {"cooked", ICRNL | IXON, ICANON | ECHO | ISIG | IEXTEN},
    {"stripping", ISTRIP | INLCR | IGNCR, 0},
};

TEST(FdLinkTerminal, RawWhileTheLinkLivesRestoredAfter) {
  Pty p;
  const termios before = Modes(p.slave);
  ASSERT_FALSE(IsRaw(before));
  {
    FdTransferLink link(p.slave, p.slave);
    EXPECT_TRUE(IsRaw(Modes(p.slave)));
  }
  const termios after = Modes(p.slave);
  EXPECT_EQ(after.c_iflag, before.c_iflag);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(after.c_oflag, before.c_oflag);
}

TEST(FdLinkTerminal, PeerChangesAreUndoneBeforeTheNextData) {
  for (const PeerModes& m : kPeerModes) {
    SCOPED_TRACE(m.name);
    Pty p;
    FdTransferLink link(p.slave, p.slave);
    termios t = Modes(p.master);  // on a master these are the slave's modes
    t.c_iflag = m.iflag;
    t.c_lflag = m.lflag;
    t.c_oflag = OPOST | ONLCR;
    ASSERT_EQ(tcsetattr(p.master, TCSANOW, &t), 0);
    // A wait that finds nothing puts raw mode back.
    EXPECT_EQ(link.WaitForInput(0), 0);
    EXPECT_TRUE(IsRaw(Modes(p.slave)));
    ASSERT_EQ(write(p.master, kTouchyBytes.data(), kTouchyBytes.size()),
              static_cast<ssize_t>(kTouchyBytes.size()));
    std::vector<uint8_t> got;
    for (size_t i = 0; i < kTouchyBytes.size(); ++i) {
      const int c = link.ReadByte(5);
      if (c < 0) break;
      got.push_back(static_cast<uint8_t>(c));
    }
    EXPECT_EQ(got, kTouchyBytes);
  }
}

TEST(FdLinkTerminal, AMasterLeavesThePeersModesAlone) {
  Pty p;
  FdTransferLink link(p.master, p.master);
  // Made raw once at the start, as the peer's own program would expect...
  EXPECT_TRUE(IsRaw(Modes(p.slave)));
  // ...but what the peer then sets for itself stays.
  termios peer = Modes(p.slave);
  peer.c_iflag |= IGNBRK | IXOFF;
  peer.c_cc[VTIME] = 1;
  ASSERT_EQ(tcsetattr(p.slave, TCSANOW, &peer), 0);
  EXPECT_EQ(link.WaitForInput(0), 0);
  const termios now = Modes(p.slave);
  EXPECT_EQ(now.c_iflag, peer.c_iflag);
  EXPECT_EQ(now.c_cc[VTIME], 1);
}

}  // namespace
}  // namespace parlane
