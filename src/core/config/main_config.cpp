#include "config/main_config.h"

#include <algorithm>

#include "config/binary_file.h"
#include "util/le.h"

namespace parlane {
namespace {

using O = Main_Configuration_Struct::Off;
using M = Main_Configuration_Struct;

constexpr std::array<std::string_view, M::kToolCount> kDefaultTools = {"winfile.exe", "notepad.exe",
                                                                      "write.exe", ""};

void DecodeHistory(M& c, std::span<const uint8_t> b) {
  for (size_t i = 0; i < M::kHistoryCount; ++i) {
    size_t off = O::HostHistory + i * HostHistoryEntry::kSize;
    c.HostHistory[i].Host = le::str(b, off, HostHistoryEntry::kHostSize);
    c.HostHistory[i].Port = le::str(b, off + HostHistoryEntry::kHostSize, HostHistoryEntry::kPortSize);
  }
}

void EncodeHistory(const M& c, std::span<uint8_t> b) {
  for (size_t i = 0; i < M::kHistoryCount; ++i) {
    size_t off = O::HostHistory + i * HostHistoryEntry::kSize;
    le::putstr(b, off, HostHistoryEntry::kHostSize, c.HostHistory[i].Host);
    le::putstr(b, off + HostHistoryEntry::kHostSize, HostHistoryEntry::kPortSize,
               c.HostHistory[i].Port);
  }
}

}  // namespace

M M::Defaults(std::string_view transferDir) {
  M c;
  c.ComPort = kNoUsablePort;
  c.ModemInit = "ATE1 Q0 V1";
  c.DialPrefix = "ATDT";
  c.Terminal = TerminalOptions{};  // 1, 0, 0, 0, 1, 1
  c.Protocol = static_cast<uint32_t>(TransferProtocol::Zmodem);
  c.ReceiveDir = transferDir;
  c.UploadDir = transferDir;
  c.CaptureFile = "capture.txt";
  for (size_t i = 0; i < kToolCount; ++i) c.Tools[i] = kDefaultTools[i];
  c.HostPort = "23";
  c.Rows = 24;
  c.Columns = 80;
  c.KeypadNumeric = 1;
  return c;
}

M M::Decode(std::span<const uint8_t> in) {
  // A shorter span reads as if padded with zeros.
  std::array<uint8_t, kSize> b{};
  std::copy_n(in.begin(), std::min(in.size(), kSize), b.begin());
  M c;
  c.ComPort = le::u32(b, O::ComPort);
  c.PortSettings = Dcb::Decode(b, O::PortSettings);
  c.PrinterFont = FontChoice::Decode(b, O::PrinterFont);
  c.ModemInit = le::str(b, O::ModemInit, kCommandSize);
  c.DialPrefix = le::str(b, O::DialPrefix, kCommandSize);
  c.Terminal = TerminalOptions::Decode(b, O::Terminal);
  c.Protocol = le::u32(b, O::Protocol);
  DecodeHistory(c, b);
  for (size_t i = 0; i < kSoundCount; ++i)
    c.SoundFiles[i] = le::str(b, O::SoundFiles + i * kSoundFileSize, kSoundFileSize);
  c.UseSpeakerBeep = le::u32(b, O::UseSpeakerBeep);
  c.SoundsOff = le::u32(b, O::SoundsOff);
  c.ReceiveDir = le::str(b, O::ReceiveDir, kPathSize);
  c.UploadDir = le::str(b, O::UploadDir, kPathSize);
  c.CaptureDir = le::str(b, O::CaptureDir, kPathSize);
  c.CaptureFile = le::str(b, O::CaptureFile, kPathSize);
  std::copy_n(b.begin() + O::Reserved, kReservedSize, c.Reserved.begin());
  for (size_t i = 0; i < kToolCount; ++i) c.Tools[i] = le::str(b, O::Tools + i * kPathSize, kPathSize);
  c.HostPort = le::str(b, O::HostPort, kHostPortSize);
  c.HostScript = le::str(b, O::HostScript, kPathSize);
  c.Rows = le::u16(b, O::Rows);
  c.Columns = le::u16(b, O::Columns);
  c.KeypadNumeric = le::u16(b, O::KeypadNumeric);
  c.ToolbarHidden = le::u16(b, O::ToolbarHidden);
  c.ConnectTimeHidden = le::u16(b, O::ConnectTimeHidden);
  c.ClockHidden = le::u16(b, O::ClockHidden);
  return c;
}

void M::Encode(std::span<uint8_t> b) const {
  le::put32(b, O::ComPort, ComPort);
  PortSettings.Encode(b, O::PortSettings);
  PrinterFont.Encode(b, O::PrinterFont);
  le::putstr(b, O::ModemInit, kCommandSize, ModemInit);
  le::putstr(b, O::DialPrefix, kCommandSize, DialPrefix);
  Terminal.Encode(b, O::Terminal);
  le::put32(b, O::Protocol, Protocol);
  EncodeHistory(*this, b);
  for (size_t i = 0; i < kSoundCount; ++i)
    le::putstr(b, O::SoundFiles + i * kSoundFileSize, kSoundFileSize, SoundFiles[i]);
  le::put32(b, O::UseSpeakerBeep, UseSpeakerBeep);
  le::put32(b, O::SoundsOff, SoundsOff);
  le::putstr(b, O::ReceiveDir, kPathSize, ReceiveDir);
  le::putstr(b, O::UploadDir, kPathSize, UploadDir);
  le::putstr(b, O::CaptureDir, kPathSize, CaptureDir);
  le::putstr(b, O::CaptureFile, kPathSize, CaptureFile);
  std::copy(Reserved.begin(), Reserved.end(), b.begin() + O::Reserved);
  for (size_t i = 0; i < kToolCount; ++i) le::putstr(b, O::Tools + i * kPathSize, kPathSize, Tools[i]);
  le::putstr(b, O::HostPort, kHostPortSize, HostPort);
  le::putstr(b, O::HostScript, kPathSize, HostScript);
  le::put16(b, O::Rows, Rows);
  le::put16(b, O::Columns, Columns);
  le::put16(b, O::KeypadNumeric, KeypadNumeric);
  le::put16(b, O::ToolbarHidden, ToolbarHidden);
  le::put16(b, O::ConnectTimeHidden, ConnectTimeHidden);
  le::put16(b, O::ClockHidden, ClockHidden);
}

std::array<uint8_t, M::kSize> M::Bytes() const {
  std::array<uint8_t, kSize> b{};
  Encode(b);
  return b;
}

std::string DefaultTransferDir(const std::filesystem::path& home) {
  if (home.empty()) return "/";
  std::error_code ec;
  std::filesystem::path downloads = home / "Downloads";
  if (std::filesystem::is_directory(downloads, ec)) return downloads.string();
  return home.string();
}

M LoadMainConfig(const std::filesystem::path& file, std::string_view transferDir) {
  auto bytes = M::Defaults(transferDir).Bytes();
  // Whatever part of the file could be read lies over the defaults; the rest
  // of the record keeps them.
  ReadPrefix(file, bytes);
  return M::Decode(bytes);
}

bool SaveMainConfig(const std::filesystem::path& file, const M& cfg) {
  auto bytes = cfg.Bytes();
  return WriteWhole(file, bytes);
}

bool ApplyDefaultPortSettings(M& cfg, MessageSink& messages) {
  if (cfg.ComPort != kNoUsablePort) return true;
  bool built = BuildDcbFromMode(kDefaultPortMode, cfg.PortSettings);
  cfg.ComPort = 0;
  if (!built) messages.ShowMessage(kMsgCouldNotBuildDcb, kShellCaption, MessageIcon::Stop);
  return built;
}

}  // namespace parlane
