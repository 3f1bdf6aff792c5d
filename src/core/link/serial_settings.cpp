#include "link/serial_settings.h"

#include <termios.h>

#include <array>
#include <utility>

namespace parlane {

namespace {

// The rates that have a B constant; every other rate goes through the
// arbitrary-rate interface.
constexpr std::array<std::pair<uint32_t, speed_t>, 24> kStandardRates = {{
    {50, B50},         {75, B75},         {110, B110},         {134, B134},
    {150, B150},       {200, B200},       {300, B300},         {600, B600},
    {1200, B1200},     {1800, B1800},     {2400, B2400},       {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},     {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800},   {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {2000000, B2000000},
}};

std::optional<speed_t> StandardRate(uint32_t rate) {
  for (const auto& [r, b] : kStandardRates) {
    if (r == rate) return b;
  }
  return std::nullopt;
}

std::optional<uint32_t> RateOf(speed_t b) {
  for (const auto& [r, s] : kStandardRates) {
    if (s == b) return r;
  }
  return std::nullopt;
}

tcflag_t DataBitsFlag(int bits) {
  switch (bits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    default: return CS8;
  }
}

void SetParity(termios& t, ParityCode parity, bool check) {
  t.c_cflag &= ~(PARENB | PARODD | CMSPAR);
  switch (parity) {
    case ParityCode::None: break;
    case ParityCode::Odd: t.c_cflag |= PARENB | PARODD; break;
    case ParityCode::Even: t.c_cflag |= PARENB; break;
    case ParityCode::Mark: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case ParityCode::Space: t.c_cflag |= PARENB | CMSPAR; break;
  }
  if (check && parity != ParityCode::None) t.c_iflag |= INPCK;
}

void SetFlow(termios& t, const LineSettings& s) {
  if (s.rtsCtsFlow) t.c_cflag |= CRTSCTS;
  if (s.xonXoffOut) t.c_iflag |= IXON;
  if (s.xonXoffIn) t.c_iflag |= IXOFF;
  t.c_cc[VSTART] = s.xonChar;
  t.c_cc[VSTOP] = s.xoffChar;
}

}  // namespace

std::optional<LineSettings> LineSettingsFromDcb(const Dcb& dcb) {
  if (dcb.BaudRate == 0 || dcb.ByteSize < 5 || dcb.ByteSize > 8) return std::nullopt;
  if (dcb.Parity > static_cast<uint8_t>(ParityCode::Space)) return std::nullopt;
  if (dcb.StopBits > static_cast<uint8_t>(StopBitsCode::Two)) return std::nullopt;
  LineSettings s;
  s.baudRate = dcb.BaudRate;
  s.dataBits = dcb.ByteSize;
  s.parity = static_cast<ParityCode>(dcb.Parity);
  s.checkParity = dcb.ParityCheck;
  // Linux has no 1.5 stop bits; the line then uses 2, as the UARTs do for
  // data bits above 5.
  s.stopBits = dcb.StopBits == static_cast<uint8_t>(StopBitsCode::One) ? 1 : 2;
  s.rtsCtsFlow = dcb.OutxCtsFlow || dcb.RtsControl == static_cast<uint8_t>(LineControl::Handshake);
  s.xonXoffOut = dcb.OutX;
  s.xonXoffIn = dcb.InX;
  // A block built without these characters uses the usual Control-Q and -S.
  s.xonChar = dcb.XonChar != 0 ? dcb.XonChar : 17;
  s.xoffChar = dcb.XoffChar != 0 ? dcb.XoffChar : 19;
  return s;
}

bool FillTermios(termios& t, const LineSettings& s) {
  cfmakeraw(&t);
  t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
  t.c_cflag &= ~(CSIZE | CSTOPB | CRTSCTS);
  t.c_cflag |= CLOCAL | CREAD | DataBitsFlag(s.dataBits);
  if (s.stopBits == 2) t.c_cflag |= CSTOPB;
  SetParity(t, s.parity, s.checkParity);
  SetFlow(t, s);
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  const auto standard = StandardRate(s.baudRate);
  if (standard) cfsetspeed(&t, *standard);
  return standard.has_value();
}

bool ApplyLineSettings(int fd, const LineSettings& s) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) return false;
  const bool standard = FillTermios(t, s);
  if (tcsetattr(fd, TCSANOW, &t) != 0) return false;
  if (!standard && !SetArbitraryRate(fd, s.baudRate)) return false;
  // tcsetattr succeeds when any part was taken: check that the rate was.
  const auto kept = ReadLineSettings(fd);
  return kept && kept->baudRate == s.baudRate;
}

LineSettings LineSettingsFromTermios(const termios& t) {
  LineSettings s;
  s.baudRate = RateOf(cfgetospeed(&t)).value_or(0);
  switch (t.c_cflag & CSIZE) {
    case CS5: s.dataBits = 5; break;
    case CS6: s.dataBits = 6; break;
    case CS7: s.dataBits = 7; break;
    default: s.dataBits = 8; break;
  }
  if (!(t.c_cflag & PARENB)) {
    s.parity = ParityCode::None;
  } else if (t.c_cflag & CMSPAR) {
    s.parity = (t.c_cflag & PARODD) ? ParityCode::Mark : ParityCode::Space;
  } else {
    s.parity = (t.c_cflag & PARODD) ? ParityCode::Odd : ParityCode::Even;
  }
  s.checkParity = (t.c_iflag & INPCK) != 0;
  s.stopBits = (t.c_cflag & CSTOPB) ? 2 : 1;
  s.rtsCtsFlow = (t.c_cflag & CRTSCTS) != 0;
  s.xonXoffOut = (t.c_iflag & IXON) != 0;
  s.xonXoffIn = (t.c_iflag & IXOFF) != 0;
  s.xonChar = t.c_cc[VSTART];
  s.xoffChar = t.c_cc[VSTOP];
  return s;
}

std::optional<LineSettings> ReadLineSettings(int fd) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) return std::nullopt;
  LineSettings s = LineSettingsFromTermios(t);
  if (s.baudRate == 0) {
    const auto rate = GetArbitraryRate(fd);
    if (!rate) return std::nullopt;
    s.baudRate = *rate;
  }
  return s;
}

}  // namespace parlane
