// Escape sequences, renditions, replies and the special states, per emulation.
#include <gtest/gtest.h>

#include <string>

#include "term_fixture.h"

namespace parlane::test {
namespace {

constexpr auto kTty = Emulation::Tty;
constexpr auto kVt = Emulation::Vt100;
constexpr auto kPc = Emulation::PcAnsi;
constexpr auto kSco = Emulation::ScoAnsi;

TEST(Interpreter, CursorMovement) {
  const std::vector<SeqCase> cases = {
      {"CUP 1;1 homes", kVt, "abc\033[1;1H", {}, {{1, 0}}},
      {"CUP without parameters homes", kVt, "\033[5;5H\033[H", {}, {{1, 0}}},
      {"CUP ; homes", kVt, "\033[5;5H\033[;H", {}, {{1, 0}}},
      {"CUP 0;0 homes", kVt, "\033[5;5H\033[0;0H", {}, {{1, 0}}},
      {"CUP beyond the screen is limited", kVt, "\033[99;999H", {}, {{24, 79}}},
      {"f is the same as H", kSco, "\033[3;4f", {}, {{3, 3}}},
      {"CUU 0 does not move", kVt, "\033[5;5H\033[0A", {}, {{5, 4}}},
      {"CUU without parameter moves one", kVt, "\033[5;5H\033[A", {}, {{4, 4}}},
      {"CUU stops at the top", kVt, "\033[5;5H\033[9A", {}, {{1, 4}}},
      {"CUD stops at the bottom", kPc, "\033[30B", {}, {{24, 0}}},
      {"CUF five digits keep four", kVt, "\033[12345C", {}, {{1, 79}}},
      {"CUF stops at C-1", kVt, "\033[100C", {}, {{1, 79}}},
      {"CUB stops at 0", kVt, "abc\033[9D", {}, {{1, 0}}},
      {"movement pads the row", kVt, "\033[3C", {{1, "   "}}, {{1, 3}}},
      {"CUU stops at the region's top", kVt, "\033[5;10r\033[8;1H\033[20A", {}, {{5, 0}}},
      {"CUU above the region goes to it", kVt, "\033[5;10r\033[2;1H\033[A", {}, {{5, 0}}},
      {"CUD stops at the region's bottom", kSco, "\033[5;10r\033[6;1H\033[20B", {}, {{10, 0}}},
      {"CUP ignores the region", kVt, "\033[5;10r\033[20;2H", {}, {{20, 1}}},
      {"ESC 7 / ESC 8", kVt, "\033[3;7H\0337\033[H\0338", {}, {{3, 6}}},
      {"PC ANSI s / u", kPc, "\033[3;7H\033[s\033[H\033[u", {}, {{3, 6}}},
      {"VT100 ignores s / u", kVt, "\033[3;7H\033[s\033[H\033[u", {}, {{1, 0}}},
      {"ESC D is index", kVt, "\033[3;7H\033D", {}, {{4, 6}}},
      {"ESC E is next line", kVt, "\033[3;7H\033E", {}, {{4, 0}}},
      {"PC ANSI ignores ESC E", kPc, "\033[3;7H\033E", {}, {{3, 6}}},
      {"ESC M is reverse index", kSco, "\033[3;7H\033M", {}, {{2, 6}}},
      {"PC ANSI ignores ESC M", kPc, "\033[3;7H\033M", {}, {{3, 6}}},
      {"TTY shows ESC as a character", kTty, "\033[H", {{1, "\033[H"}}, {{1, 3}}},
  };
  for (const auto& c : cases) Check(c);
}

TEST(Interpreter, Replies) {
  const std::vector<SeqCase> cases = {
      {"DA in VT100", kVt, "\033[c", {}, {}, "\033[?1;0c"},
      {"DA 0 in SCO ANSI", kSco, "\033[0c", {}, {}, "\033[?1;0c"},
      {"ESC Z", kVt, "\033Z", {}, {}, "\033[?1;0c"},
      {"DA 1 sends nothing", kVt, "\033[1c", {}, {}, ""},
      {"PC ANSI has no DA", kPc, "\033[c\033Z\033[0c", {}, {}, ""},
      {"cursor position report", kVt, "\033[5;10H\033[6n", {}, {}, "\033[5;10R"},
      {"report at a pending wrap", kVt, std::string(80, 'x') + "\033[6n", {}, {}, "\033[1;80R"},
      {"status report", kPc, "\033[5n", {}, {}, "\033[0n"},
      {"DSR needs two slots", kVt, "\033[n\033[6;1n", {}, {}, ""},
      {"TTY never replies", kTty, "\033[6n\033[c", {}, {}, ""},
      // Only ESC [ c and ESC [ 0 c (any number of zeros) ask for the attributes;
      // an intermediate or an empty parameter in slot 1 is another sequence.
      {"ESC [ 00 c", kVt, "\033[00c", {}, {}, "\033[?1;0c"},
      {"ESC [ ? c is not a request", kVt, "\033[?c", {}, {}, ""},
      {"ESC [ ; c is not a request", kSco, "\033[;c", {}, {}, ""},
      {"ESC [ = c is not a request", kSco, "\033[=c", {}, {}, ""},
      {"ESC [ 0 ; 0 c has three slots", kVt, "\033[0;0c", {}, {}, ""},
  };
  for (const auto& c : cases) Check(c);
}

// Cursor up and down cancel a pending wrap like the other movements: the next
// glyph overwrites the last cell of the new row instead of wrapping.
TEST(Interpreter, VerticalMovesCancelThePendingWrap) {
  const std::string row3 = "\033[3;1H" + std::string(80, 'x');
  const std::string lastY = std::string(79, 'x') + "Y";
  const std::vector<SeqCase> cases = {
      {"cursor up",
       kVt,
       "\033[2;1H" + std::string(80, 'a') + row3 + "\033[AY",
       {{2, std::string(79, 'a') + "Y"}, {3, std::string(80, 'x')}, {4, ""}},
       {{2, 80}}},
      {"cursor down",
       kSco,
       row3 + "\033[BY",
       {{3, std::string(80, 'x')}, {4, std::string(79, ' ') + "Y"}},
       {{4, 80}}},
      {"cursor up by 0 stays on the row", kPc, row3 + "\033[0AY", {{3, lastY}, {4, ""}}, {{3, 80}}},
      {"CUU at region top", kVt, "\033[3;10r" + row3 + "\033[AY", {{3, lastY}, {4, ""}}, {{3, 80}}},
  };
  for (const auto& c : cases) Check(c);
}

TEST(Interpreter, Erasing) {
  const std::string two = "\033[1;1Habcdef\033[2;1Hghijkl\033[3;1Hmnopqr";
  const std::vector<SeqCase> cases = {
      {"ED 2, cursor stays", kVt, two + "\033[2;3H\033[2J", {{1, ""}, {2, ""}, {3, ""}}, {{2, 2}}},
      {"ED 0", kVt, two + "\033[2;3H\033[J", {{1, "abcdef"}, {2, "gh"}, {3, ""}}},
      {"ED 1", kVt, two + "\033[2;3H\033[1J", {{1, ""}, {2, "   jkl"}, {3, "mnopqr"}}},
      {"EL 0", kSco, two + "\033[2;3H\033[K", {{2, "gh"}}},
      {"EL 1", kVt, two + "\033[2;3H\033[1K", {{2, "   jkl"}}},
      {"EL 2", kVt, two + "\033[2;3H\033[2K", {{2, ""}}},
      {"PC ED 2", kPc, two + "\033[2;3H\033[2J", {{1, std::string(80, ' ')}}, {{1, 0}}},
      {"PC ignores ED 0 and 1", kPc, two + "\033[2;3H\033[0J\033[1J", {{1, "abcdef"}}},
      {"PC EL fills to the end", kPc, two + "\033[2;3H\033[K", {{2, "gh" + std::string(78, ' ')}}},
      {"PC ignores EL 1 and 2", kPc, two + "\033[2;3H\033[1K\033[2K", {{2, "ghijkl"}}},
  };
  for (const auto& c : cases) Check(c);
}

TEST(Interpreter, EraseBelowOnTheStoresLastRowKeepsTheLine) {
  Term t;
  for (int i = 0; i < 370; ++i) t.Feed("x\r\n");
  ASSERT_EQ(t.screen.Cursor().row, t.screen.Capacity() - 1);
  t.Feed("prompt> typed\033[6D\033[J");
  EXPECT_EQ(t.Line(24), "prompt>");
}

TEST(Interpreter, ScoLineEditing) {
  const std::string rows = "\033[1;1Hone\033[2;1Htwo\033[3;1Hthree";
  const std::vector<SeqCase> cases = {
      {"insert blank", kSco, "abcd\033[1;2H\033[@", {{1, "a bcd"}}},
      {"delete char", kSco, "abcd\033[1;2H\033[P", {{1, "acd"}}},
      {"insert line", kSco, rows + "\033[2;1H\033[L", {{1, "one"}, {2, ""}, {3, "two"}}},
      {"delete line", kSco, rows + "\033[2;1H\033[M", {{1, "one"}, {2, "three"}, {24, ""}}},
      {"scroll up", kSco, rows + "\033[S", {{1, "two"}, {2, "three"}, {24, ""}}},
      {"scroll down", kSco, rows + "\033[T", {{1, ""}, {2, "one"}}},
      {"counts ignored",
       kSco,
       rows + "\033[2;1H\033[2@\033[2P\033[3L\033[3M",
       {{1, "one"}, {2, "two"}, {3, "three"}}},
      {"VT100 has no line editing", kVt, rows + "\033[2;1H\033[L\033[@", {{2, "two"}}},
      {"insert at pending wrap",
       kSco,
       std::string(80, 'q') + "\033[@",
       {{1, std::string(79, 'q') + " "}}},
  };
  for (const auto& c : cases) Check(c);
}

TEST(Interpreter, ScoLineEditingKeepsTheRegion) {
  Term t(kSco);
  t.Feed("\033[1;1Hone\033[2;1Htwo\033[24;1Hlast\033[5;10r\033[2;1H\033[L");
  EXPECT_EQ(t.screen.RegionTop(), 5);
  EXPECT_EQ(t.screen.RegionBottom(), 10);
  EXPECT_EQ(t.Line(3), "two");
  EXPECT_EQ(t.Line(24), "");  // the last screen line fell off
  t.Feed("\033[M");
  EXPECT_EQ(t.Line(2), "two");
  EXPECT_EQ(t.screen.RegionBottom(), 10);
}

// LF and reverse index at the region's edges: golden region_app.
TEST(Interpreter, ScrollRegion) {
  Term t(kVt);
  for (int i = 1; i <= 24; ++i) t.Feed("\033[" + std::to_string(i) + ";1Hrow" + std::to_string(i));
  t.Feed("\033[5;10r");
  EXPECT_EQ(t.CursorLine(), 1);
  t.Feed("\033[10;1H\033D");  // index at the bottom line scrolls the region only
  EXPECT_EQ(t.Line(4), "row4");
  EXPECT_EQ(t.Line(5), "row6");
  EXPECT_EQ(t.Line(9), "row10");
  EXPECT_EQ(t.Line(10), "");
  EXPECT_EQ(t.Line(11), "row11");
  EXPECT_EQ(t.screen.ScreenTop(), 0);  // no scroll-back from a region

  Term swap(kVt);
  swap.Feed("\033[10;5r");
  EXPECT_EQ(swap.screen.RegionTop(), 5);
  EXPECT_EQ(swap.screen.RegionBottom(), 10);
  swap.Feed("\033[7;7r");  // equal lines: back to the default
  EXPECT_EQ(swap.screen.RegionTop(), 1);
  EXPECT_EQ(swap.screen.RegionBottom(), 24);
  swap.Feed("\033[r");
  EXPECT_EQ(swap.screen.RegionBottom(), 24);
  Term pc(kPc);
  pc.Feed("\033[5;10r");
  EXPECT_EQ(pc.screen.RegionTop(), 1);
}

struct AttrCase {
  const char* name;
  Emulation emu;
  std::string input;
  uint8_t attr;
};

TEST(Interpreter, Renditions) {
  const std::vector<AttrCase> cases = {
      {"VT100 bold", kVt, "\033[1m", 0x80},
      {"VT100 reverse", kVt, "\033[7m", 0x08},
      {"VT100 bold then reverse keeps the last", kVt, "\033[1;7m", 0x08},
      {"VT100 27 is normal", kVt, "\033[7m\033[27m", 0xF0},
      {"VT100 ESC [ m is normal", kVt, "\033[1m\033[m", 0xF0},
      {"VT100 underline is ignored", kVt, "\033[4;5m", 0xF0},
      {"ANSI reset", kPc, "\033[0m", 0x70},
      {"ANSI bold red", kPc, "\033[0m\033[1;31m", 0x90},
      {"ANSI reverse swaps nibbles", kPc, "\033[0m\033[7m", 0x07},
      {"ANSI background", kPc, "\033[0m\033[44m", 0x74},
      {"ANSI bold flag survives a colour", kPc, "\033[0m\033[1m\033[32m", 0xA0},
      {"ANSI reset clears the bold flag", kPc, "\033[1m\033[0m\033[32m", 0x20},
      {"ANSI ESC [ m resets", kPc, "\033[1;33;41m\033[m", 0x70},
      {"ANSI ignores 38 and 48", kPc, "\033[0m\033[38;48;39m", 0x70},
      {"SCO 12 m is not a colour", kSco, "\033[0m\033[12m", 0x70},
      {"SCO colours", kSco, "\033[0m\033[36;45m", 0x65},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Term t(c.emu);
    t.Feed(c.input + "X");
    EXPECT_EQ(t.screen.Attribute(), c.attr);
    EXPECT_EQ(t.AttrAt(1, 0), c.attr);
  }
}

TEST(Interpreter, VtBoldIgnoredOnYellowBackground) {
  Term t(kVt);
  t.screen.SetWindowColors({{255, 255, 255}, kBoldYellow});
  t.Feed("\033[1m");
  EXPECT_EQ(t.screen.Attribute(), kAttrNormal);
}

TEST(Interpreter, CellColours) {
  const WindowColors w;
  const Rgb bg{1, 2, 3};
  EXPECT_EQ(CellColors(kTty, 0x17, w, bg), (CellColorPair{w.text, bg}));
  EXPECT_EQ(CellColors(kVt, kAttrBold, w, bg), (CellColorPair{kBoldYellow, bg}));
  EXPECT_EQ(CellColors(kVt, kAttrReverse, w, bg), (CellColorPair{bg, w.text}));
  EXPECT_EQ(CellColors(kVt, 0x81, w, bg), (CellColorPair{w.text, bg}));
  EXPECT_EQ(CellColors(kPc, 0x90, w, bg), (CellColorPair{kAnsiPalette[9], kAnsiPalette[0]}));
  EXPECT_EQ(CellColors(kSco, 0x07, w, bg), (CellColorPair{kAnsiPalette[0], kAnsiPalette[7]}));
}

TEST(Interpreter, CharacterSets) {
  const std::vector<SeqCase> cases = {
      {"VT100 box top", kVt, "\033(0lqk\033(Bq", {{1, "\xDA\xC4\xBFq"}}},
      {"SO and SI switch to G1 and back", kVt, "\033)0a\016qx\017q", {{1, "a\xC4\xB3q"}}},
      {"designation 2 is line drawing", kSco, "\033(2j", {{1, "\xD9"}}},
      {"only 0x5F..0x7E are mapped", kVt, "\033(0AZ^_`~", {{1, "AZ^ \x04\xF9"}}},
      {"PC ANSI has no designation", kPc, "\033(0lq", {{1, "q"}}},
      {"PC ANSI ignores SO", kPc, "\033)0\016q", {{1, "q"}}},
      {"SCO high bit",
       kSco,
       "\033[12mA\033[10mA",
       {{1,
         "\xC1"
         "A"}}},
      {"VT100 has no high bit", kVt, "\033[12mA", {{1, "A"}}},
      {"ESC # 8 eats the next byte", kVt, "\033#8XY", {{1, "Y"}}},
  };
  for (const auto& c : cases) Check(c);
}

TEST(Interpreter, PrintedBytesAreWrittenBackIntoTheBlock) {
  Term t(kVt);
  std::string block = "\033(0q";
  std::vector<uint8_t> bytes(block.begin(), block.end());
  t.interp.Process(std::span<uint8_t>(bytes));
  EXPECT_EQ(bytes.back(), 0xC4);
}

TEST(Interpreter, PcAnsiWrapMode) {
  const std::string w85(85, 'w');
  const std::vector<SeqCase> cases = {
      {"=7l stops the wrap", kPc, "\033[=7l" + w85, {{2, ""}}, {{1, 80}}},
      {"=7h starts it again", kPc, "\033[=7l\033[=7h" + w85, {{2, "wwwww"}}},
      {"VT100 ignores =7l", kVt, "\033[=7l" + w85, {{2, "wwwww"}}},
  };
  for (const auto& c : cases) Check(c);
}

TEST(Interpreter, SequenceLimits) {
  const std::vector<SeqCase> cases = {
      {"a 21st slot abandons", kVt, "\033[" + std::string(20, ';') + "HX", {{1, "HX"}}},
      {"ESC = is abandoned and eats the =", kVt, "\033=X", {{1, "X"}}},
      {"unknown final bytes are lost", kVt, "\033[5xY", {{1, "Y"}}},
      {"a control byte is a final byte and is lost", kVt, "\033[5\nY", {{1, "Y"}, {2, ""}}},
      {"ESC and a digit", kVt, "\0333X", {{1, "X"}}},
      {"255 is a final byte outside Telnet", kVt, "\033[\xffY", {{1, "Y"}}},
      {"twenty slots are fine", kVt, "\033[5;5H\033[" + std::string(18, ';') + "H", {}, {{1, 0}}},
  };
  for (const auto& c : cases) Check(c);
}

TEST(Interpreter, ControlCharacters) {
  const std::vector<SeqCase> cases = {
      {"NUL is ignored", kVt, std::string("a\0b", 3), {{1, "ab"}}},
      {"other controls are glyphs", kVt, "\x01\x1a", {{1, "\x01\x1a"}}},
      {"DEL is a backspace",
       kVt,
       "ab\x7f"
       "c",
       {{1, "ac"}}},
      {"CSI byte starts a sequence",
       kVt,
       "ab\x9b"
       "D"
       "c",
       {{1, "ac"}}},
      {"TTY shows the CSI byte", kTty, "\x9b", {{1, "\x9b"}}},
      {"255 is a glyph outside Telnet", kVt, "\xff", {{1, "\xff"}}},
  };
  for (const auto& c : cases) Check(c);
  Term bell(kVt);
  bell.Feed("\a\a");
  EXPECT_EQ(bell.session.bells, 2);
}

TEST(Interpreter, ZmodemRequestDetection) {
  Term t(kVt);
  t.Feed(
      "**\x18"
      "B00000000000000\r\nafter");
  EXPECT_EQ(t.session.downloadRequests, 1);
  EXPECT_EQ(t.Line(1), "**");  // the rest of the block is discarded
  t.Feed(
      "\x18xY\x18"
      "B0Z");
  EXPECT_EQ(t.session.downloadRequests, 1);
  EXPECT_EQ(t.Line(1), "**Y");  // the breaking bytes are swallowed
  Term split(kVt);
  split.Feed(
      "\x18"
      "B");
  split.Feed("0");
  split.Feed("0rest");
  EXPECT_EQ(split.session.downloadRequests, 1);
  EXPECT_EQ(split.Line(1), "");
  Term tty(kTty);
  tty.Feed(
      "\x18"
      "B00");
  EXPECT_EQ(tty.session.downloadRequests, 1);
}

// A whole job, its end and Cancel: AttachedSession in the print tests.
TEST(Interpreter, AttachedPrinting) {
  Term t(kVt);
  t.Feed("A\033[5iHELLO\r\n\033[4iB");
  const std::string printed(t.session.printed.begin(), t.session.printed.end());
  EXPECT_EQ(printed, "HELLO\r\n\033[4i");
  Term noPrint(kVt);
  noPrint.Feed("\033[4i\033[5;1iX");
  EXPECT_EQ(noPrint.session.printJobs, 0);
  EXPECT_EQ(noPrint.Line(1), "X");
}

TEST(Interpreter, LocalEchoOfARepliesIsShownAfterItsRequest) {
  Term t(kVt);
  t.session.SetEcho(&t.interp);
  t.Feed("\033[5;10H\033[6nAB");
  EXPECT_EQ(t.Sent(), "\033[5;10R");
  // The echoed report is interpreted as a sequence (R has no meaning) and
  // the text after the request continues where the cursor was.
  EXPECT_EQ(t.Line(5), "         AB");
  EXPECT_EQ(t.interp.State(), InterpreterState::Ground);
  // The echo is captured like every block passing through.
  const std::string captured(t.session.capture.begin(), t.session.capture.end());
  EXPECT_EQ(captured, "\033[5;10H\033[6nAB\033[5;10R");
}

TEST(Interpreter, ScriptSeesGroundBytes) {
  struct Script : RecordingSession {
    bool ScriptRunning() override { return true; }
    ScriptVerdict OfferToScript(uint8_t b) override {
      seen.push_back(static_cast<char>(b));
      return b == '!' ? ScriptVerdict::Ended : ScriptVerdict::Continue;
    }
    std::string seen;
  };
  struct Case {
    const char* name;
    bool telnet;
    std::string input, offered, row;
  };
  for (const Case& c : {Case{"not the bytes after ESC; ! ends the script", false, "ab\033[1mc!de",
                             "ab\033c!", "abc!de"},
                        {"of IAC IAC only the first", true, "a\xff\xff|", "a\xff|", "a\xff|"}}) {
    SCOPED_TRACE(c.name);
    Script script;
    NullPainter painter;
    TerminalScreen screen({24, 80}, {}, painter);
    Interpreter interp(screen, script, {c.telnet});
    interp.Process(std::string_view(c.input));
    EXPECT_EQ(script.seen, c.offered);
    EXPECT_EQ(screen.RowText(0), c.row);
  }
}

TEST(Interpreter, CaptureGetsEveryBlockUnchanged) {
  Term t(kVt, {24, 80}, true);
  const std::string block =
      "\xff\xfb\x01"
      "x\033[2J";
  t.Feed(block);
  EXPECT_EQ(std::string(t.session.capture.begin(), t.session.capture.end()), block);
}

TEST(Interpreter, EmulationChangeAppliesToFollowingBytes) {
  Term t(kVt);
  t.Feed("\033[1mA");
  t.screen.SetOptions(OptionsFor(kTty));
  t.Feed("\033[0mB");
  EXPECT_EQ(t.Line(1), "A\033[0mB");
  EXPECT_EQ(t.AttrAt(1, 0), kAttrBold);
}

}  // namespace
}  // namespace parlane::test
