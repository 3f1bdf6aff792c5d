// Settings files written back at shut-down: the bytes read are kept, only
// the fields that changed are written.
#include <cstring>

#include "book/phonebook.h"
#include "config/dcb.h"
#include "frame_fixture.h"
#include "keys/keymap.h"

namespace parlane::test {
namespace {

using O = Main_Configuration_Struct::Off;

struct Files {
  std::vector<uint8_t> main, keys, book;
};

// Hand-made files: bytes after string terminators and fields filled to
// their last byte without one.
Files HandMadeFiles() {
  auto cfg = Main_Configuration_Struct::Defaults("/tmp");
  cfg.ComPort = 1;
  BuildDcbFromMode("96,N,8,1", cfg.PortSettings);
  const auto mainBytes = cfg.Bytes();
  Files f;
  f.main.assign(mainBytes.begin(), mainBytes.end());
  std::memcpy(&f.main[O::ModemInit + 12], "old text", 8);    // after "ATE1 Q0 V1"
  std::memset(&f.main[O::HostPort], '7', 7);                 // "7777777", no terminator
  std::memcpy(&f.main[O::CaptureFile + 40], "\x01\xff", 2);  // after "capture.txt"
  std::memset(&f.main[O::SoundFiles], 'w', 15);              // a full sound file name

  const auto keyBytes = DefaultKeyTable().Encode();
  f.keys.assign(keyBytes.begin(), keyBytes.end());
  std::memcpy(&f.keys[KeyTable::kFunctionKeysOffset + 30], "junk", 4);
  std::memset(&f.keys[KeyTable::kKeyMapsOffset + 3 * KeyTable::kKeyTextSize], 'k',
              KeyTable::kKeyTextSize);

  DialingDirectoryEntry e = NewTelnetEntry(cfg);
  e.Name = "Board";
  e.Address = "bbs.example";
  const auto entry = e.Bytes();
  f.book.assign(entry.begin(), entry.end());
  f.book[DialingDirectoryEntry::Off::Reserved + 3] =
      0x5A;  // reserved bytes as another program left them
  f.book[DialingDirectoryEntry::Off::Name + 10] = 'x';
  return f;
}

TEST_F(FrameTest, SettingsFilesComeBackByteForByte) {
  std::filesystem::create_directories(dir_);
  const Files files = HandMadeFiles();
  WriteAll(File("MAIN.CFG"), files.main);
  WriteAll(File("KEYMAP.DAT"), files.keys);
  WriteAll(File("PHONBOOK.DAT"), files.book);
  const auto bookTime = std::filesystem::last_write_time(File("PHONBOOK.DAT"));
  for (int run = 0; run < 2; ++run) {
    Start(false);
    Shutdown();
    EXPECT_EQ(ReadAll(File("MAIN.CFG")), files.main) << "run " << run;
    EXPECT_EQ(ReadAll(File("KEYMAP.DAT")), files.keys) << "run " << run;
    EXPECT_EQ(ReadAll(File("PHONBOOK.DAT")), files.book) << "run " << run;
    EXPECT_EQ(std::filesystem::last_write_time(File("PHONBOOK.DAT")), bookTime);
  }
}

TEST_F(FrameTest, OnlyChangedFieldsAreWritten) {
  std::filesystem::create_directories(dir_);
  const Files files = HandMadeFiles();
  WriteAll(File("MAIN.CFG"), files.main);
  WriteAll(File("KEYMAP.DAT"), files.keys);
  Start(false);
  Config().ModemInit = "ATZ";
  Config().Rows = 25;
  app_->Keys().FunctionKeys[1] = "F2!";
  Shutdown();

  std::vector<uint8_t> main = files.main;
  std::memset(&main[O::ModemInit], 0, Main_Configuration_Struct::kCommandSize);
  std::memcpy(&main[O::ModemInit], "ATZ", 3);  // the new text, then zeros to the field's end
  main[O::Rows] = 25;
  EXPECT_EQ(ReadAll(File("MAIN.CFG")), main);
  std::vector<uint8_t> keys = files.keys;
  const size_t f2 = KeyTable::kFunctionKeysOffset + KeyTable::kFunctionTextSize;
  std::memset(&keys[f2], 0, KeyTable::kFunctionTextSize);
  std::memcpy(&keys[f2], "F2!", 3);
  EXPECT_EQ(ReadAll(File("KEYMAP.DAT")), keys);
}

}  // namespace
}  // namespace parlane::test
