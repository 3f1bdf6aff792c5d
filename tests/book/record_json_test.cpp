#include "book/record_json.h"

#include <gtest/gtest.h>

#include <random>

#include "book/phonebook.h"
#include "config/main_config.h"
#include "config/placement.h"
#include "config/window_prefs.h"
#include "keys/keymap.h"
#include "util/le.h"

namespace parlane {
namespace {

using T = RecordFileType;

std::vector<uint8_t> V(std::span<const uint8_t> b) { return {b.begin(), b.end()}; }

// Dumps, writes the JSON as text, parses it again and loads it.
std::vector<uint8_t> RoundTrip(T type, const std::vector<uint8_t>& bytes,
                               json::Value* dumped = nullptr) {
  std::vector<std::string> notes;
  json::Value doc = DumpRecordFile(type, bytes, notes);
  if (dumped) *dumped = doc;
  json::Value parsed;
  std::string error;
  EXPECT_TRUE(json::Parse(json::Write(doc), parsed, error)) << error;
  std::vector<uint8_t> out;
  EXPECT_TRUE(LoadRecordFile(type, parsed, out, error)) << error;
  return out;
}

json::Value ParseText(std::string_view text) {
  json::Value v;
  std::string error;
  EXPECT_TRUE(json::Parse(text, v, error)) << error;
  return v;
}

std::vector<uint8_t> SampleMain() {
  auto c = Main_Configuration_Struct::Defaults("/home/u/Downloads");
  RecordingMessageSink m;
  ApplyDefaultPortSettings(c, m);
  c.HostHistory[0] = {"bbs.example", "2323"};
  c.SoundFiles[1] = "bell.wav";
  c.PrinterFont.Font.FaceName = "Courier New";
  c.PrinterFont.Font.Height = -13;
  c.Reserved[5] = 9;
  c.ReceiveDir = "/tmp/caf\xc3\xa9";
  return V(c.Bytes());
}

std::vector<uint8_t> SamplePhonebook() {
  Phonebook book;
  auto cfg = Main_Configuration_Struct::Defaults("/");
  RecordingMessageSink m;
  ApplyDefaultPortSettings(cfg, m);
  auto a = NewTelnetEntry(cfg);
  a.Name = "Unix";
  a.Address = "unix.example";
  a.Password = "p\x01w";
  book.Add(a);
  auto b = NewDialupEntry(cfg, cfg.PortSettings);
  b.Name = "BBS";
  b.Address = "555-1234";
  b.PortSettings.OutX = b.PortSettings.InX = true;
  book.Add(b);
  return book.Bytes();
}

std::vector<uint8_t> SampleKeymap() { return V(DefaultKeyTable().Encode()); }

std::vector<uint8_t> SampleWindowPrefs() {
  std::vector<uint8_t> b(102);
  auto p = DefaultWindowPreferences(96);
  p.Background = {0, 128, 128};
  p.Encode(b);
  return b;
}

std::vector<uint8_t> SamplePlacement() {
  std::vector<uint8_t> b(12);
  WindowPlacementRecord{-4, 10, 800, 600, 0, 1}.Encode(b);
  return b;
}

struct Sample {
  T type;
  std::vector<uint8_t> (*make)();
};
const Sample kSamples[] = {{T::Main, SampleMain},
                           {T::Phonebook, SamplePhonebook},
                           {T::Keymap, SampleKeymap},
                           {T::WindowPrefs, SampleWindowPrefs},
                           {T::Placement, SamplePlacement}};

// Without "raw" the named fields alone must give back every byte, so a dump
// that showed a field wrongly fails here; what the names mean on load is
// pinned by the tests below and by the parlane-config tests.
TEST(RecordJson, FilesTheProgramWritesRoundTripWithoutRaw) {
  for (const auto& s : kSamples) {
    SCOPED_TRACE(std::string(RecordFileTypeWord(s.type)));
    auto bytes = s.make();
    json::Value doc;
    EXPECT_EQ(RoundTrip(s.type, bytes, &doc), bytes);
    EXPECT_EQ(doc.Find("raw"), nullptr);
    EXPECT_EQ(doc.Find("Type")->AsString(), RecordFileTypeWord(s.type));
  }
}

// Junk after terminators and in reserved areas, and wholly random bytes
// (odd values a file already holds are kept).
TEST(RecordJson, JunkAndRandomBytesRoundTrip) {
  std::mt19937 rng(42);
  for (const auto& s : kSamples) {
    SCOPED_TRACE(std::string(RecordFileTypeWord(s.type)));
    auto junk = s.make();
    for (auto& b : junk)
      if (b == 0 && rng() % 3 == 0) b = static_cast<uint8_t>(rng() | 1);
    EXPECT_EQ(RoundTrip(s.type, junk), junk);
    std::vector<uint8_t> random(junk.size());
    for (auto& b : random) b = static_cast<uint8_t>(rng());
    EXPECT_EQ(RoundTrip(s.type, random), random);
  }
}

TEST(RecordJson, OddSizesKeepTheirTrailingBytes) {
  auto book = SamplePhonebook();
  book.resize(book.size() + 100, 0x33);
  std::vector<std::string> notes;
  auto doc = DumpRecordFile(T::Phonebook, book, notes);
  EXPECT_EQ(notes.size(), 1u);
  EXPECT_EQ(doc.Find("Entries")->AsArray().size(), 2u);
  EXPECT_EQ(RoundTrip(T::Phonebook, book), book);

  auto main = SampleMain();
  main.push_back(7);
  EXPECT_EQ(RoundTrip(T::Main, main), main);

  // A short file is shown as the program reads it: over the defaults.
  std::vector<uint8_t> placement = {5, 0};
  notes.clear();
  EXPECT_EQ(DumpRecordFile(T::Placement, placement, notes).Find("X")->AsInt(), 5);
  EXPECT_EQ(notes.size(), 1u);
  EXPECT_EQ(RoundTrip(T::Placement, placement).size(), 12u);
}

TEST(RecordJson, NamedFieldsOverrideRaw) {
  auto bytes = SampleMain();
  std::vector<std::string> notes;
  auto doc = DumpRecordFile(T::Main, bytes, notes);
  auto& o = doc.AsObject();
  o.emplace_back("raw", json::Value(std::string(7020, '0')));  // all zeros underneath
  for (auto& [k, v] : o)
    if (k == "ModemInit") v = json::Value("ATZ");
  std::vector<uint8_t> out;
  std::string error;
  ASSERT_TRUE(LoadRecordFile(T::Main, doc, out, error)) << error;
  auto c = Main_Configuration_Struct::Decode(out);
  EXPECT_EQ(c.ModemInit, "ATZ");
  EXPECT_EQ(c.Rows, 24);  // every field present in the JSON was written over the zeros
}

TEST(RecordJson, EditedDeviceBlockFields) {
  auto doc =
      ParseText(R"({"Type":"main","PortSettings":{"BaudRate":19200,"ByteSize":7,"Parity":"Even",
                          "StopBits":"2","Flow":"Xon/Xoff","Settings":"ignored"}})");
  std::vector<uint8_t> out;
  std::string error;
  ASSERT_TRUE(LoadRecordFile(T::Main, doc, out, error)) << error;
  auto c = Main_Configuration_Struct::Decode(out);
  EXPECT_EQ(FormatPortSettings(c.PortSettings), "19200,E,7,2");
  EXPECT_EQ(FlowControlText(c.PortSettings), "Xon/Xoff");
  EXPECT_EQ(c.PortSettings.XonChar, 0x11);
  EXPECT_EQ(c.ModemInit, "ATE1 Q0 V1");  // absent fields keep their defaults

  doc = ParseText(
      R"({"PortSettings":{"raw":"1c0000008025000011100000000000000000080000111300000000ff","Flow":"Hardware"}})");
  ASSERT_TRUE(LoadRecordFile(T::Main, doc, out, error)) << error;
  c = Main_Configuration_Struct::Decode(out);
  EXPECT_EQ(FlowControlText(c.PortSettings), "Hardware");
  EXPECT_EQ(c.PortSettings.Reserved2, 0xFF00);
}

TEST(RecordJson, BadInputNamesTheField) {
  struct Case {
    T type;
    std::string_view text;
    std::string_view error;
  } cases[] = {
      {T::Main, R"({"ComPort": -1})", "ComPort: value out of range"},
      {T::Main, R"({"ComPort": 4})", "ComPort: value out of range (0 to 3 or 255)"},
      {T::Main, R"({"Terminal": {"Emulation": 4}})",
       "Terminal.Emulation: value out of range (0 to 3)"},
      {T::Main, R"({"Columns": 100})", "Columns: value out of range (80 or 132)"},
      {T::Main, R"({"SoundsOff": 2})", "SoundsOff: value out of range (0 to 1)"},
      {T::Phonebook, R"({"Entries": [{"Type": 2}]})",
       "Entries[0].Type: value out of range (0 to 1)"},
      {T::Main, R"({"Rows": 65536})", "Rows: value out of range"},
      {T::Main, R"({"Rows": "24"})", "Rows: expected a whole number"},
      {T::Main,
       R"({"ModemInit": "0123456789012345678901234567890123456789012345678901234567890123456789012345678901"})",
       "ModemInit: string longer than its field (80 bytes at most)"},
      {T::Main, R"({"HostPort": "1\u00002"})", "HostPort: a string may not hold a NUL byte"},
      {T::Main, R"({"Colour": 1})", "Colour: unknown field"},
      {T::Main, R"({"Terminal": {"Emulation": 1, "Bold": 1}})", "Terminal.Bold: unknown field"},
      {T::Main, R"({"HostHistory": []})", "HostHistory: expected 10 elements"},
      {T::Main, R"({"Reserved": "00"})", "Reserved: expected 504 hex digits"},
      {T::Main, R"({"PortSettings": {"Parity": "Sometimes"}})",
       "PortSettings.Parity: unknown value"},
      {T::Main, R"({"PortSettings": {"Flow": "Pigeon"}})", "PortSettings.Flow: expected"},
      {T::Main, R"({"PortSettings": {"raw": "zz"}})", "PortSettings.raw: expected 56 hex digits"},
      {T::Main, R"({"PrinterFont": {"FaceName": "0123456789012345678901234567890123"}})",
       "PrinterFont.FaceName: string longer"},
      {T::Main, R"({"Type": "keymap"})", "Type: this is not a main file"},
      {T::Main, R"([1])", "document: expected an object"},
      {T::Main, R"({"raw": "00"})", "raw: expected 7020 hex digits"},
      {T::Phonebook, R"({"Entries": [{"Name": "x"}, {"Connects": 4294967296}]})",
       "Entries[1].Connects: value out of range"},
      {T::Phonebook, R"({"Entries": {}})", "Entries: expected an array"},
      {T::Phonebook, R"({"Entries": [], "Extra": 1})", "Extra: unknown field"},
      {T::Keymap,
       R"({"KeyMaps": {"VT100": {"Up Arrow": "0123456789012345678901234567890123456789X"}}})",
       "KeyMaps.VT100.Up Arrow: string longer than its field (40 bytes at most)"},
      {T::Placement, R"({"X": 40000})", "X: value out of range (-32768 to 32767)"},
      {T::WindowPrefs, R"({"Background": {"Red": 256}})", "Background.Red: value out of range"},
      {T::Main, R"({"Trailing": "x"})", "Trailing: expected hex digits"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_FALSE(LoadRecordFile(c.type, ParseText(c.text), out, error));
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
}

TEST(RecordJson, TypesFromNamesAndWords) {
  EXPECT_EQ(RecordFileTypeFromName("/x/main.cfg"), T::Main);
  EXPECT_EQ(RecordFileTypeFromName("INITWIND.CFG"), T::Placement);
  EXPECT_EQ(RecordFileTypeFromName("KEYMAP.DAT"), T::Keymap);
  EXPECT_EQ(RecordFileTypeFromName("PHONBOOK.DAT"), T::Phonebook);
  EXPECT_EQ(RecordFileTypeFromName("WindPref.cfg"), T::WindowPrefs);
  EXPECT_EQ(RecordFileTypeFromName("other.cfg"), std::nullopt);
  EXPECT_EQ(RecordFileTypeFromWord("windpref"), T::WindowPrefs);
  EXPECT_EQ(RecordFileTypeFromWord("MAIN"), std::nullopt);
}

}  // namespace
}  // namespace parlane
