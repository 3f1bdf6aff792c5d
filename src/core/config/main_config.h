// The one settings record, Main_Configuration_Struct: 3510 bytes, kept in
// MAIN.CFG in the program's directory, read at start-up and written back at
// shut-down. Every field is encoded at its offset, little-endian; strings are
// NUL-terminated in fixed fields.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "config/dcb.h"
#include "config/font_record.h"
#include "config/messages.h"
#include "config/terminal_options.h"

namespace parlane {

struct RecordField;

inline constexpr std::string_view kMainConfigFile = "MAIN.CFG";

// One Open Telnet history slot: host [40] then port [7]. An empty host is a
// free slot.
struct HostHistoryEntry {
  static constexpr size_t kSize = 47;
  static constexpr size_t kHostSize = 40;
  static constexpr size_t kPortSize = 7;
  std::string Host;
  std::string Port;
  bool Free() const { return Host.empty(); }
  bool operator==(const HostHistoryEntry&) const = default;
};

enum class TransferProtocol : uint32_t { YmodemG = 0, Zmodem = 1 };

struct Main_Configuration_Struct {
  static constexpr size_t kSize = 3510;
  static constexpr size_t kHistoryCount = 10;
  static constexpr size_t kSoundCount = 7;
  static constexpr size_t kSoundFileSize = 15;
  static constexpr size_t kCommandSize = 81;  // ModemInit, DialPrefix
  static constexpr size_t kPathSize = 260;
  static constexpr size_t kToolCount = 4;
  static constexpr size_t kHostPortSize = 7;
  static constexpr size_t kReservedSize = 252;

  // Field offsets, in file order.
  struct Off {
    static constexpr size_t ComPort = 0, PortSettings = 4, PrinterFont = 32, ModemInit = 126,
                            DialPrefix = 207, Terminal = 288, Protocol = 312, HostHistory = 316,
                            SoundFiles = 786, UseSpeakerBeep = 891, SoundsOff = 895,
                            ReceiveDir = 899, UploadDir = 1159, CaptureDir = 1419,
                            CaptureFile = 1679, Reserved = 1939, Tools = 2191, HostPort = 3231,
                            HostScript = 3238, Rows = 3498, Columns = 3500, KeypadNumeric = 3502,
                            ToolbarHidden = 3504, ConnectTimeHidden = 3506, ClockHidden = 3508;
  };

  uint32_t ComPort = 0;  // 0 = COM1 .. 3 = COM4, 255 = no usable port
  Dcb PortSettings;
  FontChoice PrinterFont;
  std::string ModemInit;
  std::string DialPrefix;
  TerminalOptions Terminal;
  uint32_t Protocol = 0;  // TransferProtocol
  std::array<HostHistoryEntry, kHistoryCount> HostHistory;
  std::array<std::string, kSoundCount> SoundFiles;  // one per SoundEvent
  uint32_t UseSpeakerBeep = 0;
  uint32_t SoundsOff = 0;
  std::string ReceiveDir;
  std::string UploadDir;
  std::string CaptureDir;
  std::string CaptureFile;
  std::array<uint8_t, kReservedSize> Reserved{};  // never interpreted; kept as read
  std::array<std::string, kToolCount> Tools;
  std::string HostPort;
  std::string HostScript;
  uint16_t Rows = 0;
  uint16_t Columns = 0;
  uint16_t KeypadNumeric = 0;
  uint16_t ToolbarHidden = 0;
  uint16_t ConnectTimeHidden = 0;
  uint16_t ClockHidden = 0;

  // The defaults of a fresh installation; `transferDir` is the default of
  // ReceiveDir and UploadDir (see DefaultTransferDir). ComPort is 255 until
  // ApplyDefaultPortSettings runs.
  static Main_Configuration_Struct Defaults(std::string_view transferDir);

  // The record's fields, for its codec and its JSON form.
  static const RecordField& Layout();
  static Main_Configuration_Struct Decode(
      std::span<const uint8_t> b);          // short spans read as zero-padded
  void Encode(std::span<uint8_t> b) const;  // b.size() >= kSize
  std::array<uint8_t, kSize> Bytes() const;
  bool operator==(const Main_Configuration_Struct&) const = default;
};

// The user's download directory: $HOME/Downloads when it is a directory,
// else $HOME; "/" when no home is known. Absolute, with "/".
std::string DefaultTransferDir(const std::filesystem::path& home);

// Fills the defaults, then overlays up to 3510 bytes of the file from its
// start: a short file replaces only the leading fields, a missing or
// unreadable one leaves the defaults, silently. (The caller also clears the
// key table's function-key texts, which the same start-up step resets.)
// `read`, when given, receives the record's bytes as read (over the
// defaults), for SaveMainConfig.
Main_Configuration_Struct LoadMainConfig(
    const std::filesystem::path& file, std::string_view transferDir,
    std::array<uint8_t, Main_Configuration_Struct::kSize>* read = nullptr);

// Writes the 3510-byte record. With `read` (the bytes LoadMainConfig read),
// those bytes are kept and only the fields that changed are written over
// them (a changed string, then zeros to its field's end); without it the
// whole record is encoded. Returns false when it could not be written; the
// shell ignores that at shut-down.
bool SaveMainConfig(const std::filesystem::path& file, const Main_Configuration_Struct& cfg,
                    const std::array<uint8_t, Main_Configuration_Struct::kSize>* read = nullptr);

inline constexpr std::string_view kMsgCouldNotBuildDcb = "Could not build DCB";
inline constexpr std::string_view kDefaultPortMode = "96,N,8,1";

// Start-up step after the phonebook: when ComPort is 255, build PortSettings
// from "96,N,8,1" and set ComPort to 0 (in either case). Returns false when
// the builder failed, after showing "Could not build DCB"; the shell then
// closes the main window. Returns true when nothing needed doing.
bool ApplyDefaultPortSettings(Main_Configuration_Struct& cfg, MessageSink& messages);

}  // namespace parlane
