// The escape-sequence collector's slots and their values.
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

Collected Collect(std::string_view bytes) {
  Collected c{Step::Continue, {}};
  c.seq.Start(false);
  for (char b : bytes) {
    c.last = c.seq.Feed(static_cast<uint8_t>(b), true);
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

}  // namespace
}  // namespace parlane::test
