#include "config/main_config.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/temp_dir.h"
#include "util/le.h"

namespace parlane {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;
using O = Main_Configuration_Struct::Off;

std::string Str(std::span<const uint8_t> b, size_t off, size_t size) {
  return le::str(b, off, size);
}

TEST(MainConfig, DefaultsAtTheirOffsets) {
  auto b = Main_Configuration_Struct::Defaults("/home/u/Downloads").Bytes();
  EXPECT_EQ(le::u32(b, O::ComPort), 255u);
  EXPECT_EQ(Str(b, O::ModemInit, 81), "ATE1 Q0 V1");
  EXPECT_EQ(Str(b, O::DialPrefix, 81), "ATDT");
  const uint32_t terminal[] = {1, 0, 0, 0, 1, 1};
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(le::u32(b, O::Terminal + 4 * i), terminal[i]) << i;
  EXPECT_EQ(le::u32(b, O::Protocol), 1u);
  EXPECT_EQ(Str(b, O::ReceiveDir, 260), "/home/u/Downloads");
  EXPECT_EQ(Str(b, O::UploadDir, 260), "/home/u/Downloads");
  EXPECT_EQ(Str(b, O::CaptureDir, 260), "");
  EXPECT_EQ(Str(b, O::CaptureFile, 260), "capture.txt");
  EXPECT_EQ(Str(b, 2191, 260), "winfile.exe");
  EXPECT_EQ(Str(b, 2451, 260), "notepad.exe");
  EXPECT_EQ(Str(b, 2711, 260), "write.exe");
  EXPECT_EQ(Str(b, 2971, 260), "");
  EXPECT_EQ(Str(b, O::HostPort, 7), "23");
  EXPECT_EQ(le::u16(b, O::Rows), 24);
  EXPECT_EQ(le::u16(b, O::Columns), 80);
  EXPECT_EQ(le::u16(b, O::KeypadNumeric), 1);
  for (size_t off : {O::ToolbarHidden, O::ConnectTimeHidden, O::ClockHidden})
    EXPECT_EQ(le::u16(b, off), 0);
  // Everything else is zero: the whole history, sounds, reserved area, font.
  for (size_t i = O::HostHistory; i < O::UseSpeakerBeep + 8; ++i) ASSERT_EQ(b[i], 0) << i;
  for (size_t i = O::PrinterFont; i < O::ModemInit; ++i) ASSERT_EQ(b[i], 0) << i;
  for (size_t i = O::Reserved; i < O::Tools; ++i) ASSERT_EQ(b[i], 0) << i;
}

TEST(MainConfig, DecodeEncodeIsExactForEveryField) {
  auto c = Main_Configuration_Struct::Defaults("/r");
  c.ComPort = 3;
  c.PortSettings.BaudRate = 57600;
  c.PrinterFont.Font.FaceName = "Courier";
  c.PrinterFont.SizeMax = -5;
  c.HostHistory[9] = {"host.example", "2323"};
  c.SoundFiles[6] = "exit.wav";
  c.Reserved[251] = 0xAA;
  c.HostScript = "host.csc";
  c.ClockHidden = 1;
  auto b = c.Bytes();
  EXPECT_EQ(Main_Configuration_Struct::Decode(b), c);
  EXPECT_EQ(Str(b, O::HostHistory + 9 * 47, 40), "host.example");
  EXPECT_EQ(Str(b, O::HostHistory + 9 * 47 + 40, 7), "2323");
  EXPECT_EQ(Str(b, O::SoundFiles + 6 * 15, 15), "exit.wav");
  EXPECT_EQ(b[O::Reserved + 251], 0xAA);
  EXPECT_EQ(Str(b, O::PrinterFont + 12 + 28, 32), "Courier");
}

TEST(MainConfig, OverlongStringsAreCutToTheirField) {
  auto c = Main_Configuration_Struct::Defaults("/r");
  c.HostPort = "123456789";
  c.SoundFiles[0] = std::string(40, 'w');
  auto b = c.Bytes();
  EXPECT_EQ(Str(b, O::HostPort, 7), "123456");
  EXPECT_EQ(b[O::HostPort + 6], 0);
  EXPECT_EQ(Str(b, O::SoundFiles, 15), std::string(14, 'w'));
  EXPECT_EQ(Str(b, O::SoundFiles + 15, 15), "");
}

TEST(MainConfig, MissingEmptyShortAndLongFiles) {
  TempDir dir;
  const auto defaults = Main_Configuration_Struct::Defaults("/dl");
  auto file = dir / "MAIN.CFG";
  EXPECT_EQ(LoadMainConfig(file, "/dl"), defaults);  // missing

  WriteBytes(file, {});
  EXPECT_EQ(LoadMainConfig(file, "/dl"), defaults);  // empty

  // 100 bytes: ComPort, PortSettings and the start of PrinterFont only.
  std::vector<uint8_t> shortFile(100, 0x41);
  le::put32(shortFile, 0, 2);
  WriteBytes(file, shortFile);
  auto c = LoadMainConfig(file, "/dl");
  EXPECT_EQ(c.ComPort, 2u);
  EXPECT_EQ(c.PortSettings.BaudRate, 0x41414141u);
  EXPECT_EQ(c.PrinterFont.Flags, 0x41414141u);
  EXPECT_EQ(c.PrinterFont.Font.FaceName, std::string(32 - 0, 'A').substr(0, 28));
  EXPECT_EQ(c.ModemInit, "ATE1 Q0 V1");
  auto rest = defaults;
  rest.ComPort = c.ComPort;
  rest.PortSettings = c.PortSettings;
  rest.PrinterFont = c.PrinterFont;
  EXPECT_EQ(c, rest);

  // A longer file is read only as far as the record goes.
  auto full = defaults.Bytes();
  std::vector<uint8_t> longFile(full.begin(), full.end());
  longFile[O::Rows] = 50;
  longFile.resize(5000, 0xFF);
  WriteBytes(file, longFile);
  EXPECT_EQ(LoadMainConfig(file, "/dl").Rows, 50);
}

TEST(MainConfig, StringsWithoutTerminatorStopAtTheirField) {
  TempDir dir;
  auto b = Main_Configuration_Struct::Defaults("/dl").Bytes();
  std::fill_n(b.begin() + O::ModemInit, 81, 'M');  // runs straight into DialPrefix
  std::fill_n(b.begin() + O::HostPort, 7, '9');
  WriteBytes(dir / "MAIN.CFG", {b.begin(), b.end()});
  auto c = LoadMainConfig(dir / "MAIN.CFG", "/dl");
  EXPECT_EQ(c.ModemInit, std::string(81, 'M'));
  EXPECT_EQ(c.DialPrefix, "ATDT");
  EXPECT_EQ(c.HostPort, "9999999");
  // Written back, each field holds its terminator again.
  auto again = c.Bytes();
  EXPECT_EQ(again[O::ModemInit + 80], 0);
  EXPECT_EQ(Str(again, O::DialPrefix, 81), "ATDT");
}

TEST(MainConfig, SaveWritesExactlyTheRecordAndKeepsReservedBytes) {
  TempDir dir;
  auto file = dir / "MAIN.CFG";
  auto b = Main_Configuration_Struct::Defaults("/dl").Bytes();
  b[O::Reserved + 10] = 0x5A;  // an older file filled the reserved area
  WriteBytes(file, {b.begin(), b.end()});
  auto c = LoadMainConfig(file, "/dl");
  WriteBytes(file, std::vector<uint8_t>(8000, 1));  // a longer file is replaced whole
  ASSERT_TRUE(SaveMainConfig(file, c));
  auto saved = ReadBytes(file);
  ASSERT_EQ(saved.size(), 3510u);
  EXPECT_EQ(saved[O::Reserved + 10], 0x5A);
  EXPECT_EQ(saved, std::vector<uint8_t>(b.begin(), b.end()));
  EXPECT_FALSE(SaveMainConfig(dir / "no-such-dir" / "MAIN.CFG", c));  // failure is reported
}

TEST(MainConfig, DefaultPortAppliedOnlyWithoutAUsablePort) {
  RecordingMessageSink messages;
  auto c = Main_Configuration_Struct::Defaults("/dl");
  ASSERT_TRUE(ApplyDefaultPortSettings(c, messages));
  EXPECT_EQ(c.ComPort, 0u);
  EXPECT_EQ(FormatPortSettings(c.PortSettings), "9600,N,8,1");
  EXPECT_EQ(FlowControlText(c.PortSettings), "None");
  EXPECT_EQ(c.PortSettings.DCBlength, 28u);

  c.ComPort = 2;
  c.PortSettings.BaudRate = 2400;
  ASSERT_TRUE(ApplyDefaultPortSettings(c, messages));
  EXPECT_EQ(c.ComPort, 2u);
  EXPECT_EQ(c.PortSettings.BaudRate, 2400u);
  EXPECT_TRUE(messages.entries.empty());
}

TEST(MainConfig, TransferDirIsDownloadsWhenItExists) {
  TempDir home;
  EXPECT_EQ(DefaultTransferDir(home.path()), home.path().string());
  std::filesystem::create_directory(home / "Downloads");
  EXPECT_EQ(DefaultTransferDir(home.path()), (home / "Downloads").string());
  EXPECT_EQ(DefaultTransferDir(""), "/");
}

}  // namespace
}  // namespace parlane
