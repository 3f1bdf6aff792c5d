#include "config/dcb.h"

#include <gtest/gtest.h>

#include <random>

namespace parlane {
namespace {

Dcb Mode(std::string_view text) {
  Dcb d;
  EXPECT_TRUE(BuildDcbFromMode(text, d)) << text;
  return d;
}

TEST(Dcb, EveryByteSurvivesDecodeAndEncode) {
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    Dcb::Raw raw;
    for (auto& b : raw) b = static_cast<uint8_t>(rng());
    EXPECT_EQ(Dcb::Decode(raw).Bytes(), raw);
  }
}

TEST(Dcb, FieldOffsets) {
  Dcb d;
  d.DCBlength = 28;
  d.BaudRate = 0x01020304;
  d.XonLim = 0x1122;
  d.XoffLim = 0x3344;
  d.ByteSize = 7;
  d.Parity = 2;
  d.StopBits = 1;
  d.XonChar = 0x11;
  d.EvtChar = 0x7E;
  d.Reserved2 = 0xBEEF;
  // Every other flag set, so a field moved onto a neighbour's bit shows.
  d.Binary = d.OutxCtsFlow = d.DsrSensitivity = d.OutX = d.ErrorCharEnabled = d.AbortOnError = true;
  d.DtrControl = 2;  // bits 4-5
  d.RtsControl = 1;  // bits 12-13
  const Dcb::Raw expected = {28, 0,    0, 0, 4,    3,    2,    1,    0x65, 0x55,
                             0,  0,    0, 0, 0x22, 0x11, 0x44, 0x33, 7,    2,
                             1,  0x11, 0, 0, 0,    0x7E, 0xEF, 0xBE};
  EXPECT_EQ(d.Bytes(), expected);
}

TEST(Dcb, ModeTextsBuildTheirSettings) {
  struct Case {
    std::string_view text;
    uint32_t rate;
    uint8_t parity, bits, stop;
  } cases[] = {
      {"96,N,8,1", 9600, 0, 8, 0},      {"11,N,8,1", 110, 0, 8, 0},
      {"30,n,7,2", 300, 0, 7, 2},       {"12,E,7,1", 1200, 2, 7, 0},
      {"24,O,8,1", 2400, 1, 8, 0},      {"48,M,8,1", 4800, 3, 8, 0},
      {"19,S,8,1.5", 19200, 4, 8, 1},   {"115200,N,8,1", 115200, 0, 8, 0},
      {"COM1:96,N,8,1", 9600, 0, 8, 0}, {" 9600 , e , 5 , 2 ", 9600, 2, 5, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Dcb d = Mode(c.text);
    EXPECT_EQ(d.DCBlength, 28u);
    EXPECT_EQ(d.BaudRate, c.rate);
    EXPECT_EQ(d.Parity, c.parity);
    EXPECT_EQ(d.ByteSize, c.bits);
    EXPECT_EQ(d.StopBits, c.stop);
    EXPECT_TRUE(d.Binary);
    EXPECT_EQ(d.DtrControl, 1);
    EXPECT_EQ(d.RtsControl, 1);
    EXPECT_FALSE(d.OutxCtsFlow || d.OutxDsrFlow || d.OutX || d.InX);
    EXPECT_EQ(FlowOf(d), FlowChoice::None);
    EXPECT_EQ(d.XonChar, 0x11);  // a zero block gets real flow characters
    EXPECT_EQ(d.XoffChar, 0x13);
  }
}

TEST(Dcb, ModeBuilderClearsFlowAndKeepsTheRest) {
  Dcb d;
  d.OutX = d.InX = d.OutxCtsFlow = d.OutxDsrFlow = true;
  d.XonLim = 77;
  d.XonChar = 0x01;
  ASSERT_TRUE(BuildDcbFromMode("96,N,8,1", d));
  EXPECT_FALSE(d.OutX || d.InX || d.OutxCtsFlow || d.OutxDsrFlow);
  EXPECT_EQ(d.XonLim, 77);
  EXPECT_EQ(d.XonChar, 0x01);  // set characters are the user's
}

TEST(Dcb, UnparsableModeTextsFailAndChangeNothing) {
  for (std::string_view text :
       {"", "96", "96,N,8", "96,X,8,1", "96,N,9,1", "96,N,4,1", "96,N,8,3", "96,N,8,1,x",
        "abc,N,8,1", "5,N,8,1", "96,NN,8,1", "-96,N,8,1", "96,N,8,1.25"}) {
    SCOPED_TRACE(text);
    Dcb d;
    d.BaudRate = 1234;
    EXPECT_FALSE(BuildDcbFromMode(text, d));
    EXPECT_EQ(d, [] {
      Dcb x;
      x.BaudRate = 1234;
      return x;
    }());
  }
}

TEST(Dcb, SettingsText) {
  struct Case {
    uint32_t rate;
    uint8_t parity, bits, stop;
    std::string_view text;
  } cases[] = {
      {9600, 0, 8, 0, "9600,N,8,1"},     {2400, 1, 7, 2, "2400,O,7,2"},
      {19200, 2, 7, 1, "19200,E,7,1.5"}, {256000, 3, 8, 0, "256000,M,8,1"},
      {300, 0, 8, 0, "---,N,8,1"},       {4800, 0, 8, 0, "---,N,8,1"},
      {9600, 4, 8, 0, "9600,8,1"},       {9600, 0, 8, 5, "9600,N,8"},
  };
  for (const auto& c : cases) {
    Dcb d;
    d.BaudRate = c.rate;
    d.Parity = c.parity;
    d.ByteSize = c.bits;
    d.StopBits = c.stop;
    EXPECT_EQ(FormatPortSettings(d), c.text);
  }
}

TEST(Dcb, FlowControlText) {
  struct Case {
    bool cts, outx, inx;
    uint8_t rts;
    std::string_view text;
  } cases[] = {
      {false, false, false, 1, "None"},    {true, false, false, 1, "Hardware"},
      {true, false, false, 2, "Hardware"}, {true, false, false, 0, "None"},
      {false, true, true, 0, "Xon/Xoff"},  {true, true, true, 1, "Xon/Xoff"},
      {false, true, false, 1, "None"},     {false, false, true, 1, "None"},
  };
  for (const auto& c : cases) {
    Dcb d;
    d.OutxCtsFlow = c.cts;
    d.OutX = c.outx;
    d.InX = c.inx;
    d.RtsControl = c.rts;
    EXPECT_EQ(FlowControlText(d), c.text);
  }
}

// An unoffered rate showing as 38400, no flow control as Hardware, and the
// choices written back: DialupTest.HardwareSettingsOpenTheChosenPortOnce.
TEST(Dcb, DialogChoicesFromABlockWithoutRadios) {
  Dcb d = Mode("48,N,8,1");
  d.ByteSize = 9;
  d.StopBits = 3;
  d.Parity = 4;  // space parity has no radio
  d.OutX = d.InX = true;
  const PortChoices c = ChoicesFromDcb(kNoUsablePort, d);
  EXPECT_EQ(c.PortText, "");
  EXPECT_FALSE(c.ByteSize);
  EXPECT_FALSE(c.StopBits);
  EXPECT_FALSE(c.Parity);
  EXPECT_EQ(c.Flow, FlowChoice::XonXoff);
}

TEST(Dcb, BlockFromChoicesWithoutAPortOrGroups) {
  Dcb d = Mode("19,E,7,1");
  d.OutX = d.InX = true;
  const PortChoices c{"COM9",       std::nullopt, std::nullopt,
                      std::nullopt, std::nullopt, FlowChoice::Hardware};
  EXPECT_EQ(DcbFromChoices(c, d), 1u);              // an unknown port text gives COM2
  EXPECT_EQ(FormatPortSettings(d), "19200,E,7,1");  // empty groups leave their fields
  EXPECT_EQ(FlowOf(d), FlowChoice::Hardware);
  EXPECT_FALSE(d.OutX || d.InX);
}

TEST(Dcb, XonXoffOnAZeroBlockGetsRealCharacters) {
  Dcb d;
  PortChoices c;
  c.Flow = FlowChoice::XonXoff;
  DcbFromChoices(c, d);
  EXPECT_EQ(d.XonChar, 0x11);
  EXPECT_EQ(d.XoffChar, 0x13);
}

}  // namespace
}  // namespace parlane
