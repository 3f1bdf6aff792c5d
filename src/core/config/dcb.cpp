#include "config/dcb.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "util/le.h"

namespace parlane {
namespace {

// Bit positions of the flag word at offset 8.
enum FlagBit : uint32_t {
  kBinary = 0,
  kParityCheck = 1,
  kOutxCts = 2,
  kOutxDsr = 3,
  kDtrShift = 4,  // two bits
  kDsrSensitivity = 6,
  kTxContinue = 7,
  kOutX = 8,
  kInX = 9,
  kErrorChar = 10,
  kNull = 11,
  kRtsShift = 12,  // two bits
  kAbortOnError = 14,
  kRestShift = 15,
};

// The characters a block carries for software flow control when none are set.
constexpr uint8_t kXon = 0x11;
constexpr uint8_t kXoff = 0x13;

uint32_t Bit(bool on, uint32_t pos) { return on ? (1u << pos) : 0u; }
bool Has(uint32_t flags, uint32_t pos) { return (flags >> pos) & 1u; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::optional<uint32_t> ParseNumber(std::string_view s) {
  uint32_t v = 0;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size() || s.empty()) return std::nullopt;
  return v;
}

// Two-digit legacy rate codes of mode texts; anything else is a full rate.
std::optional<uint32_t> ParseRate(std::string_view s) {
  auto n = ParseNumber(s);
  if (!n) return std::nullopt;
  switch (*n) {
    case 11: return 110;
    case 15: return 150;
    case 30: return 300;
    case 60: return 600;
    case 12: return 1200;
    case 24: return 2400;
    case 48: return 4800;
    case 96: return 9600;
    case 19: return 19200;
    default: break;
  }
  // The smallest rate a serial line can run at; smaller numbers are typos.
  constexpr uint32_t kLowestRate = 50;
  if (*n < kLowestRate) return std::nullopt;
  return *n;
}

std::optional<uint8_t> ParseParity(std::string_view s) {
  if (s.size() != 1) return std::nullopt;
  switch (std::toupper(static_cast<unsigned char>(s[0]))) {
    case 'N': return static_cast<uint8_t>(ParityCode::None);
    case 'O': return static_cast<uint8_t>(ParityCode::Odd);
    case 'E': return static_cast<uint8_t>(ParityCode::Even);
    case 'M': return static_cast<uint8_t>(ParityCode::Mark);
    case 'S': return static_cast<uint8_t>(ParityCode::Space);
    default: return std::nullopt;
  }
}

std::optional<uint8_t> ParseDataBits(std::string_view s) {
  auto n = ParseNumber(s);
  if (!n || *n < 5 || *n > 8) return std::nullopt;
  return static_cast<uint8_t>(*n);
}

std::optional<uint8_t> ParseStopBits(std::string_view s) {
  if (s == "1") return static_cast<uint8_t>(StopBitsCode::One);
  if (s == "1.5") return static_cast<uint8_t>(StopBitsCode::OneAndHalf);
  if (s == "2") return static_cast<uint8_t>(StopBitsCode::Two);
  return std::nullopt;
}

// Drops a leading "COMn:" device prefix.
std::string_view StripDevice(std::string_view s) {
  auto colon = s.find(':');
  if (colon == std::string_view::npos) return s;
  return s.substr(colon + 1);
}

}  // namespace

uint32_t Dcb::Flags() const {
  return Bit(Binary, kBinary) | Bit(ParityCheck, kParityCheck) | Bit(OutxCtsFlow, kOutxCts) |
         Bit(OutxDsrFlow, kOutxDsr) | (uint32_t{DtrControl & 3u} << kDtrShift) |
         Bit(DsrSensitivity, kDsrSensitivity) | Bit(TxContinueOnXoff, kTxContinue) |
         Bit(OutX, kOutX) | Bit(InX, kInX) | Bit(ErrorCharEnabled, kErrorChar) |
         Bit(NullStrip, kNull) | (uint32_t{RtsControl & 3u} << kRtsShift) |
         Bit(AbortOnError, kAbortOnError) | (FlagsRest << kRestShift);
}

void Dcb::SetFlags(uint32_t f) {
  Binary = Has(f, kBinary);
  ParityCheck = Has(f, kParityCheck);
  OutxCtsFlow = Has(f, kOutxCts);
  OutxDsrFlow = Has(f, kOutxDsr);
  DtrControl = static_cast<uint8_t>((f >> kDtrShift) & 3u);
  DsrSensitivity = Has(f, kDsrSensitivity);
  TxContinueOnXoff = Has(f, kTxContinue);
  OutX = Has(f, kOutX);
  InX = Has(f, kInX);
  ErrorCharEnabled = Has(f, kErrorChar);
  NullStrip = Has(f, kNull);
  RtsControl = static_cast<uint8_t>((f >> kRtsShift) & 3u);
  AbortOnError = Has(f, kAbortOnError);
  FlagsRest = f >> kRestShift;
}

Dcb Dcb::Decode(std::span<const uint8_t> b, size_t off) {
  Dcb d;
  d.DCBlength = le::u32(b, off + 0);
  d.BaudRate = le::u32(b, off + 4);
  d.SetFlags(le::u32(b, off + 8));
  d.Reserved = le::u16(b, off + 12);
  d.XonLim = le::u16(b, off + 14);
  d.XoffLim = le::u16(b, off + 16);
  d.ByteSize = b[off + 18];
  d.Parity = b[off + 19];
  d.StopBits = b[off + 20];
  d.XonChar = b[off + 21];
  d.XoffChar = b[off + 22];
  d.ErrorChar = b[off + 23];
  d.EofChar = b[off + 24];
  d.EvtChar = b[off + 25];
  d.Reserved2 = le::u16(b, off + 26);
  return d;
}

void Dcb::Encode(std::span<uint8_t> b, size_t off) const {
  le::put32(b, off + 0, DCBlength);
  le::put32(b, off + 4, BaudRate);
  le::put32(b, off + 8, Flags());
  le::put16(b, off + 12, Reserved);
  le::put16(b, off + 14, XonLim);
  le::put16(b, off + 16, XoffLim);
  b[off + 18] = ByteSize;
  b[off + 19] = Parity;
  b[off + 20] = StopBits;
  b[off + 21] = XonChar;
  b[off + 22] = XoffChar;
  b[off + 23] = ErrorChar;
  b[off + 24] = EofChar;
  b[off + 25] = EvtChar;
  le::put16(b, off + 26, Reserved2);
}

Dcb::Raw Dcb::Bytes() const {
  Raw r{};
  Encode(r);
  return r;
}

bool BuildDcbFromMode(std::string_view mode, Dcb& dcb) {
  std::string_view rest = Trim(StripDevice(Trim(mode)));
  std::array<std::string_view, 4> parts;
  for (size_t i = 0; i < parts.size(); ++i) {
    auto comma = rest.find(',');
    if ((comma == std::string_view::npos) != (i == parts.size() - 1)) return false;
    parts[i] = Trim(rest.substr(0, comma));
    if (comma != std::string_view::npos) rest.remove_prefix(comma + 1);
  }
  auto rate = ParseRate(parts[0]);
  auto parity = ParseParity(parts[1]);
  auto bits = ParseDataBits(parts[2]);
  auto stop = ParseStopBits(parts[3]);
  if (!rate || !parity || !bits || !stop) return false;

  dcb.DCBlength = Dcb::kSize;
  dcb.BaudRate = *rate;
  dcb.Parity = *parity;
  dcb.ParityCheck = *parity != static_cast<uint8_t>(ParityCode::None);
  dcb.ByteSize = *bits;
  dcb.StopBits = *stop;
  dcb.Binary = true;
  dcb.DtrControl = static_cast<uint8_t>(LineControl::Enable);
  dcb.RtsControl = static_cast<uint8_t>(LineControl::Enable);
  dcb.OutxCtsFlow = false;
  dcb.OutxDsrFlow = false;
  dcb.DsrSensitivity = false;
  dcb.OutX = false;
  dcb.InX = false;
  // A zeroed block would otherwise take NUL as XON and XOFF the moment the
  // user turns software flow control on.
  if (dcb.XonChar == 0 && dcb.XoffChar == 0) {
    dcb.XonChar = kXon;
    dcb.XoffChar = kXoff;
  }
  return true;
}

std::string FormatPortSettings(const Dcb& dcb) {
  std::string s;
  if (std::find(kOfferedBaudRates.begin(), kOfferedBaudRates.end(), dcb.BaudRate) !=
      kOfferedBaudRates.end()) {
    s = std::to_string(dcb.BaudRate);
  } else {
    s = "---";
  }
  static constexpr std::array<std::string_view, 4> kParityText = {",N", ",O", ",E", ",M"};
  if (dcb.Parity < kParityText.size()) s += kParityText[dcb.Parity];
  s += ",";
  s += std::to_string(dcb.ByteSize);
  static constexpr std::array<std::string_view, 3> kStopText = {",1", ",1.5", ",2"};
  if (dcb.StopBits < kStopText.size()) s += kStopText[dcb.StopBits];
  return s;
}

FlowChoice FlowOf(const Dcb& dcb) {
  if (dcb.OutX && dcb.InX) return FlowChoice::XonXoff;
  if (dcb.OutxCtsFlow && dcb.RtsControl != static_cast<uint8_t>(LineControl::Disable))
    return FlowChoice::Hardware;
  return FlowChoice::None;
}

std::string_view FlowControlText(FlowChoice flow) {
  switch (flow) {
    case FlowChoice::Hardware: return "Hardware";
    case FlowChoice::XonXoff: return "Xon/Xoff";
    case FlowChoice::None: break;
  }
  return "None";
}

std::string PortLabelText(uint32_t portIndex) {
  // Printed as "%d" of index + 1, whatever the index holds.
  return "COM" + std::to_string(static_cast<int32_t>(portIndex + 1)) + ":";
}

PortChoices ChoicesFromDcb(uint32_t portIndex, const Dcb& dcb) {
  PortChoices c;
  if (portIndex < kPortNames.size()) c.PortText = kPortNames[portIndex];
  // The rate the dialog falls back to for a rate it does not offer.
  constexpr uint32_t kFallbackRate = 38400;
  bool offered = std::find(kOfferedBaudRates.begin(), kOfferedBaudRates.end(), dcb.BaudRate) !=
                 kOfferedBaudRates.end();
  c.BaudRate = offered ? dcb.BaudRate : kFallbackRate;
  if (dcb.ByteSize >= 5 && dcb.ByteSize <= 8) c.ByteSize = dcb.ByteSize;
  if (dcb.StopBits <= 2) c.StopBits = dcb.StopBits;
  if (dcb.Parity <= 3) c.Parity = dcb.Parity;
  c.Flow = FlowOf(dcb) == FlowChoice::XonXoff ? FlowChoice::XonXoff : FlowChoice::Hardware;
  return c;
}

uint32_t DcbFromChoices(const PortChoices& c, Dcb& dcb) {
  if (c.BaudRate) dcb.BaudRate = *c.BaudRate;
  if (c.ByteSize) dcb.ByteSize = *c.ByteSize;
  if (c.StopBits) dcb.StopBits = *c.StopBits;
  if (c.Parity) dcb.Parity = *c.Parity;
  if (c.Flow == FlowChoice::Hardware) {
    dcb.OutxCtsFlow = true;
    dcb.OutX = false;
    dcb.InX = false;
    dcb.RtsControl = static_cast<uint8_t>(LineControl::Enable);
  } else if (c.Flow == FlowChoice::XonXoff) {
    dcb.OutxCtsFlow = false;
    dcb.RtsControl = static_cast<uint8_t>(LineControl::Disable);
    dcb.OutX = true;
    dcb.InX = true;
    if (dcb.XonChar == 0 && dcb.XoffChar == 0) {
      dcb.XonChar = kXon;
      dcb.XoffChar = kXoff;
    }
  }
  // The text is compared only up to the 10 characters the dialog reads.
  constexpr size_t kPortTextLimit = 10;
  std::string_view text = std::string_view(c.PortText).substr(0, kPortTextLimit);
  for (size_t i = 0; i < kPortNames.size(); ++i)
    if (text == kPortNames[i]) return static_cast<uint32_t>(i);
  return 1;  // COM2, as the dialog has always defaulted
}

}  // namespace parlane
