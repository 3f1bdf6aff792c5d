// The serial line settings as the 28-byte device control block that
// MAIN.CFG and every dial-up phonebook entry keep byte for byte, with the
// mode-text builder ("96,N,8,1"), the short settings text and the mapping
// to and from the Hardware Settings dialog's choices.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace parlane {

// Parity codes of the block's parity byte.
enum class ParityCode : uint8_t { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };
// Stop-bit codes of the block's stop-bits byte.
enum class StopBitsCode : uint8_t { One = 0, OneAndHalf = 1, Two = 2 };
// DTR and RTS control field values.
enum class LineControl : uint8_t { Disable = 0, Enable = 1, Handshake = 2, Toggle = 3 };

// The three flow-control choices the program offers and shows.
enum class FlowChoice { Hardware, XonXoff, None };

struct Dcb {
  static constexpr size_t kSize = 28;
  using Raw = std::array<uint8_t, kSize>;

  uint32_t DCBlength = 0;  // 0
  uint32_t BaudRate = 0;   // 4
  // The u32 of flag bits at 8.
  bool Binary = false;            // bit 0
  bool ParityCheck = false;       // bit 1
  bool OutxCtsFlow = false;       // bit 2
  bool OutxDsrFlow = false;       // bit 3
  uint8_t DtrControl = 0;         // bits 4-5 (LineControl)
  bool DsrSensitivity = false;    // bit 6
  bool TxContinueOnXoff = false;  // bit 7
  bool OutX = false;              // bit 8: XON/XOFF on output
  bool InX = false;               // bit 9: XON/XOFF on input
  bool ErrorCharEnabled = false;  // bit 10
  bool NullStrip = false;         // bit 11
  uint8_t RtsControl = 0;         // bits 12-13 (LineControl)
  bool AbortOnError = false;      // bit 14
  uint32_t FlagsRest = 0;         // bits 15-31, kept as they were (already shifted down by 15)
  uint16_t Reserved = 0;          // 12
  uint16_t XonLim = 0;            // 14
  uint16_t XoffLim = 0;           // 16
  uint8_t ByteSize = 0;           // 18
  uint8_t Parity = 0;             // 19 (ParityCode)
  uint8_t StopBits = 0;           // 20 (StopBitsCode)
  uint8_t XonChar = 0;            // 21
  uint8_t XoffChar = 0;           // 22
  uint8_t ErrorChar = 0;          // 23
  uint8_t EofChar = 0;            // 24
  uint8_t EvtChar = 0;            // 25
  uint16_t Reserved2 = 0;         // 26

  static Dcb Decode(std::span<const uint8_t> b, size_t off = 0);
  void Encode(std::span<uint8_t> b, size_t off = 0) const;
  Raw Bytes() const;
  uint32_t Flags() const;         // the u32 at offset 8
  void SetFlags(uint32_t flags);  // splits it into the fields above
  bool operator==(const Dcb&) const = default;
};

// The platform's builder for mode texts such as "96,N,8,1" or "COM1:9600,e,7,1":
// rate (two-digit legacy codes 11, 15, 30, 60, 12, 24, 48, 96, 19 or a full
// rate), parity N/O/E/M/S, data bits 5-8, stop bits 1, 1.5 or 2. Updates
// `dcb` (length, rate, parity, data and stop bits, binary mode, DTR and RTS
// control "enable", no CTS, DSR or XON/XOFF flow) and returns true; on a text
// it cannot parse returns false and leaves `dcb` unchanged.
bool BuildDcbFromMode(std::string_view mode, Dcb& dcb);

// The short settings text, e.g. "9600,N,8,1"; "---" for a rate the program
// does not offer; no parity letter for an unknown parity code.
std::string FormatPortSettings(const Dcb& dcb);

// "Xon/Xoff" when output and input XON/XOFF are on; otherwise "Hardware"
// when output CTS flow is on and RTS control is not disabled; else "None".
FlowChoice FlowOf(const Dcb& dcb);
std::string_view FlowControlText(FlowChoice flow);
inline std::string_view FlowControlText(const Dcb& dcb) { return FlowControlText(FlowOf(dcb)); }

// The eight rates of the Hardware Settings dialog, in its transfer order.
inline constexpr std::array<uint32_t, 8> kOfferedBaudRates = {1200,  2400,  9600,   19200,
                                                              38400, 57600, 115200, 256000};
// The port names, indexed by the port index.
inline constexpr std::array<std::string_view, 4> kPortNames = {"COM1", "COM2", "COM3", "COM4"};
// "COM%d:" with the port number (index + 1), as the dial-up entry editor
// shows its port: "COM1:" for index 0.
std::string PortLabelText(uint32_t portIndex);
// ComPort value meaning "no usable port".
inline constexpr uint32_t kNoUsablePort = 255;

// The state of the Hardware Settings dialog. An empty optional is a radio
// group with nothing checked.
struct PortChoices {
  std::string PortText;              // the selected list text, "" when none
  std::optional<uint32_t> BaudRate;  // one of kOfferedBaudRates
  std::optional<uint8_t> ByteSize;   // 5 to 8
  std::optional<uint8_t> StopBits;   // StopBitsCode 0 to 2
  std::optional<uint8_t> Parity;     // ParityCode 0 to 3
  std::optional<FlowChoice> Flow;    // Hardware or XonXoff
  bool operator==(const PortChoices&) const = default;
};

// Dialog set-up from a port index and a block: an unoffered rate selects
// 38400; no flow control selects Hardware.
PortChoices ChoicesFromDcb(uint32_t portIndex, const Dcb& dcb);

// After OK: updates `dcb` from the checked radios (a group with none checked
// leaves its field alone) and returns the port index (1 when the text is none
// of "COM1".."COM4").
uint32_t DcbFromChoices(const PortChoices& choices, Dcb& dcb);

}  // namespace parlane
