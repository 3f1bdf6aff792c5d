// The byte classes of normal display and the escape-sequence collector.
#include <gtest/gtest.h>

#include <string>

#include "term/parser.h"

namespace parlane::test {
namespace {

using Step = EscapeCollector::Step;

struct Collected {
  Step last;
  EscapeCollector seq;
};

Collected Collect(std::string_view bytes, bool csi = false, bool designation = true) {
  Collected c{Step::Continue, {}};
  c.seq.Start(csi);
  for (char b : bytes) {
    c.last = c.seq.Feed(static_cast<uint8_t>(b), designation);
    if (c.last != Step::Continue) break;
  }
  return c;
}

TEST(EscapeCollector, SlotCounts) {
  struct Case {
    const char* bytes;
    int slots;
    int p1, p2;
  };
  for (const Case c : {Case{"[K", 1, 0, 0},
                       {"[2K", 2, 2, 0},
                       {"[1;5H", 3, 1, 5},
                       {"[?7h", 3, 0, 7},
                       {"[1;H", 2, 1, 0},
                       {"[;H", 2, 0, 0},
                       {"[12345C", 2, 1235, 0},
                       {"[0099A", 2, 99, 0},
                       {"D", 0, 0, 0}}) {
    SCOPED_TRACE(c.bytes);
    const Collected r = Collect(c.bytes);
    EXPECT_EQ(r.last, Step::Final);
    EXPECT_EQ(r.seq.SlotCount(), c.slots);
    EXPECT_EQ(r.seq.Param(1), c.p1);
    EXPECT_EQ(r.seq.Param(2), c.p2);
  }
}

TEST(EscapeCollector, Outcomes) {
  struct Case {
    const char* name;
    std::string bytes;
    bool designation;
    Step step;
  };
  for (const Case& c : std::vector<Case>{
           {"ESC 7", "7", true, Step::SaveCursor},
           {"ESC 8", "8", true, Step::RestoreCursor},
           {"ESC 5", "5", true, Step::DigitIgnored},
           {"ESC =", "=", true, Step::Abandon},
           {"ESC ( 0 designates", "(0", true, Step::Designate},
           {"ESC ( 0 without designation collects a digit", "(0x", false, Step::Final},
           {"ESC # 8 waits for a final byte", "#8x", true, Step::Final},
           {"twenty slots are allowed", "[" + std::string(18, ';') + "H", true, Step::Final},
           {"a twenty-first abandons", "[" + std::string(19, ';') + "H", true, Step::Abandon},
           {"255 is a final byte", "[\xff", true, Step::Final},
       }) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Collect(c.bytes, false, c.designation).last, c.step);
  }
}

TEST(EscapeCollector, DesignationDetails) {
  EXPECT_TRUE(Collect(")2").seq.DesignatesG1());
  EXPECT_TRUE(Collect(")2").seq.DesignatesLineDrawing());
  EXPECT_FALSE(Collect("(B").seq.DesignatesLineDrawing());
  EXPECT_FALSE(Collect("(B").seq.DesignatesG1());
}

TEST(EscapeCollector, StartClearsTheSlots) {
  EscapeCollector seq;
  seq.Start(true);
  for (char b : std::string("12;34;56m")) seq.Feed(static_cast<uint8_t>(b), true);
  EXPECT_EQ(seq.Param(3), 56);
  seq.Start(true);
  seq.Feed('m', true);
  EXPECT_EQ(seq.SlotCount(), 1);
  EXPECT_EQ(seq.Param(1), 0);
  EXPECT_EQ(seq.Param(3), 0);
  EXPECT_TRUE(seq.IsCsi());
}

TEST(ByteClasses, PerEmulationAndTelnet) {
  const auto& tty = GroundTable(Emulation::Tty, false);
  const auto& vt = GroundTable(Emulation::Vt100, true);
  const auto& pc = GroundTable(Emulation::PcAnsi, false);
  EXPECT_EQ(tty[27], ByteClass::Print);
  EXPECT_EQ(tty[155], ByteClass::Print);
  EXPECT_EQ(tty[24], ByteClass::Cancel);
  EXPECT_EQ(vt[27], ByteClass::Escape);
  EXPECT_EQ(vt[155], ByteClass::Csi);
  EXPECT_EQ(vt[255], ByteClass::Iac);
  EXPECT_EQ(pc[255], ByteClass::Print);
  EXPECT_EQ(vt[14], ByteClass::ShiftOut);
  EXPECT_EQ(pc[14], ByteClass::Ignore);
  EXPECT_EQ(vt[127], ByteClass::Backspace);
  const std::string text = "plain text\x01\xb3more\nnext";
  EXPECT_EQ(PrintRunLength(vt, {reinterpret_cast<const uint8_t*>(text.data()), text.size()}),
            text.find('\n'));
}

}  // namespace
}  // namespace parlane::test
