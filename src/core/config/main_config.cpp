#include "config/main_config.h"

#include <algorithm>

#include "config/binary_file.h"
#include "config/record_layout.h"

namespace parlane {
namespace {

using O = Main_Configuration_Struct::Off;
using M = Main_Configuration_Struct;

constexpr std::array<std::string_view, M::kToolCount> kDefaultTools = {"winfile.exe", "notepad.exe",
                                                                       "write.exe", ""};

// Session sizes a terminal can have.
constexpr int64_t kMinRows = 24;
constexpr int64_t kMaxRows = 50;

RecordField MakeLayout() {
  using namespace layout;
  using H = HostHistoryEntry;
  return Group(
      "", 0, M::kSize,
      {Ranged(Int("ComPort", O::ComPort, &M::ComPort), {{0, 3}, {kNoUsablePort, kNoUsablePort}}),
       DcbField("PortSettings", O::PortSettings, &M::PortSettings),
       FontChoiceField("PrinterFont", O::PrinterFont, Bind(&M::PrinterFont)),
       Str("ModemInit", O::ModemInit, M::kCommandSize, &M::ModemInit),
       Str("DialPrefix", O::DialPrefix, M::kCommandSize, &M::DialPrefix),
       TerminalOptionsField("Terminal", O::Terminal, Bind(&M::Terminal)),
       Flag(Int("Protocol", O::Protocol, &M::Protocol)),
       ArrayOf("HostHistory", O::HostHistory, &M::HostHistory,
               Group("", 0, H::kSize,
                     {Str("Host", 0, H::kHostSize, &H::Host),
                      Str("Port", H::kHostSize, H::kPortSize, &H::Port)})),
       ArrayOf("SoundFiles", O::SoundFiles, &M::SoundFiles, StrElement(M::kSoundFileSize)),
       Flag(Int("UseSpeakerBeep", O::UseSpeakerBeep, &M::UseSpeakerBeep)),
       Flag(Int("SoundsOff", O::SoundsOff, &M::SoundsOff)),
       Str("ReceiveDir", O::ReceiveDir, M::kPathSize, &M::ReceiveDir),
       Str("UploadDir", O::UploadDir, M::kPathSize, &M::UploadDir),
       Str("CaptureDir", O::CaptureDir, M::kPathSize, &M::CaptureDir),
       Str("CaptureFile", O::CaptureFile, M::kPathSize, &M::CaptureFile),
       Bytes("Reserved", O::Reserved, &M::Reserved),
       ArrayOf("Tools", O::Tools, &M::Tools, StrElement(M::kPathSize)),
       Str("HostPort", O::HostPort, M::kHostPortSize, &M::HostPort),
       Str("HostScript", O::HostScript, M::kPathSize, &M::HostScript),
       Ranged(Int("Rows", O::Rows, &M::Rows), {{kMinRows, kMaxRows}}),
       Ranged(Int("Columns", O::Columns, &M::Columns), {{80, 80}, {132, 132}}),
       Flag(Int("KeypadNumeric", O::KeypadNumeric, &M::KeypadNumeric)),
       Flag(Int("ToolbarHidden", O::ToolbarHidden, &M::ToolbarHidden)),
       Flag(Int("ConnectTimeHidden", O::ConnectTimeHidden, &M::ConnectTimeHidden)),
       Flag(Int("ClockHidden", O::ClockHidden, &M::ClockHidden))});
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

const RecordField& M::Layout() {
  static const RecordField layout = MakeLayout();
  return layout;
}

M M::Decode(std::span<const uint8_t> in) {
  // A shorter span reads as if padded with zeros.
  std::array<uint8_t, kSize> b{};
  std::copy_n(in.begin(), std::min(in.size(), kSize), b.begin());
  M c;
  DecodeFields(Layout(), b, &c);
  return c;
}

void M::Encode(std::span<uint8_t> b) const { EncodeFields(Layout(), this, b); }

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

M LoadMainConfig(const std::filesystem::path& file, std::string_view transferDir,
                 std::array<uint8_t, M::kSize>* read) {
  auto bytes = M::Defaults(transferDir).Bytes();
  // Whatever part of the file could be read lies over the defaults; the rest
  // of the record keeps them.
  ReadPrefix(file, bytes);
  if (read) *read = bytes;
  return M::Decode(bytes);
}

bool SaveMainConfig(const std::filesystem::path& file, const M& cfg,
                    const std::array<uint8_t, M::kSize>* read) {
  auto bytes = read ? *read : cfg.Bytes();
  // Only what changed is written over the bytes that were read.
  if (read) EncodeChangedFields(M::Layout(), &cfg, bytes);
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
