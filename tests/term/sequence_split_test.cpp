// A sequence gives the same screen, replies and state whether it arrives in
// one block (taken whole) or a byte at a time (collected byte by byte), and
// the run scan agrees with the byte classes wherever the run ends.
#include <gtest/gtest.h>

#include <string>

#include "term/parser.h"
#include "term_fixture.h"

namespace parlane::test {
namespace {

struct Snapshot {
  std::string rows;
  int cursorLine;
  int col;
  uint8_t attr;
  std::string sent;
  InterpreterState state;
};

Snapshot Interpret(Emulation emu, const std::string& input, bool byteAtATime) {
  Term t(emu);
  if (byteAtATime) {
    for (char c : input) t.Feed(std::string_view(&c, 1));
  } else {
    t.Feed(input);
  }
  Snapshot s{"", t.CursorLine(), t.Col(), t.screen.Attribute(), t.Sent(), t.interp.State()};
  for (int line = 1; line <= t.screen.Height(); ++line) {
    const RowView row = t.screen.Row(t.screen.ScreenTop() + line - 1);
    s.rows.append(row.UsedChars().begin(), row.UsedChars().end());
    s.rows.append(row.Attrs().begin(), row.Attrs().end());
    s.rows += '|';
  }
  return s;
}

TEST(SequenceSplit, WholeAndByteAtATimeAgree) {
  const std::string twenty = "\033[" + std::string(18, ';') + "5H";
  const std::string inputs[] = {
      "ab\033[5;10Hxy\033[K\033[2;3fz\033[1K",
      "\033[12345;678901Hq\033[0099C!",           // digits beyond four
      "\033[1;33;44mA\033[0;37mB\033[7mC\033[m",  // renditions
      "\033[?7lx\033[=7hy\033[5;?3Hz",            // intermediates
      twenty,
      twenty + "1;2H",
      "\033[;;;;;;;;;;;;;;;;;;;;m",
      "\033[6n\033[5n\033[c\033[0c\033[1c\033Z",  // replies
      "\2335;5H\233Kab\2331;31m",                 // the one-byte CSI
      "\033[3;3H\033[2Jx\033[J\033[1Jy\033[3J",
      "\033(0lqk\033(Bx\033)0\016lq\017\0337\033[H\0338!",
      "\033[12m\033[10mAB\033[2@\033[@\033[P\033[L\033[M\033[S\033[T",
      "\033[5;10r\033[20;1H\033[A\033[s\033[u\033[30B",
      "x\033[2\033[3;4Hy\033[\377z",  // ESC inside, 255 as a final
  };
  for (Emulation emu : {Emulation::Vt100, Emulation::PcAnsi, Emulation::ScoAnsi}) {
    for (const std::string& input : inputs) {
      SCOPED_TRACE(testing::Message()
                   << static_cast<int>(emu) << " " << testing::PrintToString(input));
      const Snapshot whole = Interpret(emu, input, false);
      const Snapshot bytes = Interpret(emu, input, true);
      EXPECT_EQ(whole.rows, bytes.rows);
      EXPECT_EQ(whole.cursorLine, bytes.cursorLine);
      EXPECT_EQ(whole.col, bytes.col);
      EXPECT_EQ(whole.attr, bytes.attr);
      EXPECT_EQ(whole.sent, bytes.sent);
      EXPECT_EQ(whole.state, bytes.state);
    }
  }
}

TEST(SequenceSplit, RunScanStopsAtTheFirstNonPrintByte) {
  for (Emulation emu : {Emulation::Tty, Emulation::Vt100, Emulation::PcAnsi}) {
    for (bool telnet : {false, true}) {
      const ByteClassTable& table = GroundTable(emu, telnet);
      for (int value = 0; value < 256; ++value) {
        for (size_t at = 0; at < 20; ++at) {
          std::vector<uint8_t> bytes(20, 'a');
          bytes[at] = static_cast<uint8_t>(value);
          bytes.push_back(0);  // NUL never prints
          size_t expected = 0;
          while (table[bytes[expected]] == ByteClass::Print) ++expected;
          EXPECT_EQ(PrintRunLength(table, bytes), expected) << value << " at " << at;
        }
      }
    }
  }
}

}  // namespace
}  // namespace parlane::test
