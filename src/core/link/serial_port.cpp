#include "link/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "link/link_clock.h"
#include "link/serial_settings.h"
#include "xfer/transfer_link.h"

namespace parlane {

namespace {

constexpr uint8_t kCarriageReturn = '\r';

// Opens the device for reading and writing without waiting for carrier and
// without becoming its controlling terminal, then claims it for this process
// alone: TIOCEXCL keeps other programs out, the advisory lock keeps out a
// second Parlane and the programs that honour it.
int OpenExclusive(const std::string& device) {
  const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  if (!isatty(fd) || flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

SerialPort::SerialPort(MessageSink& messages, std::unique_ptr<ModemLines> lines)
    : messages_(messages), lines_(lines ? std::move(lines) : std::make_unique<TiocmModemLines>()) {}

SerialPort::~SerialPort() { Close(); }

std::string SerialPort::ErrorCaption(std::string_view portName) {
  return "Error on " + std::string(portName);
}

void SerialPort::Fail(std::string_view text) {
  messages_.ShowMessage(text, ErrorCaption(portName_), MessageIcon::Stop);
}

bool SerialPort::OpenPort(uint32_t portIndex, const PortMap& ports, Dcb& dcb, bool closeFirst,
                          bool sendInit, std::string_view modemInit) {
  if (portIndex >= ports.size()) {
    // No such port: nothing can be opened under that index.
    portName_ = "COM" + std::to_string(portIndex + 1);
    Fail(kTextOpenFailed);
    return false;
  }
  const std::string& device = ports[portIndex];
  const std::string_view name = kPortNames[portIndex];
  if (IsOpen() && !closeFirst && device == device_) {
    // The port is ours already (the dialer's connected line): keep it, so the
    // call is not dropped, and give it the settings asked for.
    portName_ = std::string(name);
    return ConfigureAndRaise(dcb, sendInit, modemInit);
  }
  return OpenDevice(device, name, dcb, sendInit, modemInit);
}

bool SerialPort::OpenDevice(const std::string& device, std::string_view portName, Dcb& dcb,
                            bool sendInit, std::string_view modemInit) {
  Close();
  portName_ = std::string(portName);
  const int fd = OpenExclusive(device);
  if (fd < 0) {
    Fail(kTextOpenFailed);
    return false;
  }
  fd_ = fd;
  device_ = device;
  return ConfigureAndRaise(dcb, sendInit, modemInit);
}

// Applies the settings, raises DTR and sends the modem initialisation with
// its carriage return when asked; a refused setting closes the port.
bool SerialPort::ConfigureAndRaise(Dcb& dcb, bool sendInit, std::string_view modemInit) {
  if (!Configure(dcb)) {
    Close();
    Fail(kTextSettingsFailed);
    return false;
  }
  SetDtr(true);
  if (sendInit) {
    Write(modemInit);
    Write(std::span(&kCarriageReturn, 1));
  }
  return true;
}

bool SerialPort::Configure(Dcb& dcb) {
  dcb.DCBlength = Dcb::kSize;
  dcb.Binary = true;
  dcb.AbortOnError = false;
  const auto settings = LineSettingsFromDcb(dcb);
  return settings && ApplyLineSettings(fd_, *settings);
}

void SerialPort::Close() {
  if (fd_ < 0) return;
  StopWatching();
  tcflush(fd_, TCIOFLUSH);
  ioctl(fd_, TIOCNXCL);
  close(fd_);  // also releases the lock
  fd_ = -1;
  device_.clear();
}

int SerialPort::InputCount() const {
  int n = 0;
  if (fd_ < 0 || ioctl(fd_, FIONREAD, &n) != 0) return 0;
  return n;
}

int SerialPort::OutputCount() const {
  int n = 0;
  if (fd_ < 0 || ioctl(fd_, TIOCOUTQ, &n) != 0) return 0;
  return n;
}

int SerialPort::ReadWaiting(uint8_t* buf, size_t size) {
  if (fd_ < 0) return -1;
  size_t want = static_cast<size_t>(InputCount());
  if (want > kReadBlock) want = kReadBlock;
  if (want > size) want = size;
  if (want == 0) return 0;
  const ssize_t n = read(fd_, buf, want);
  if (n < 0) return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
  return static_cast<int>(n);
}

int SerialPort::WriteSome(std::span<const uint8_t> bytes) {
  if (fd_ < 0) return -1;
  if (bytes.empty()) return 0;
  const ssize_t n = write(fd_, bytes.data(), bytes.size());
  if (n < 0) return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
  return static_cast<int>(n);
}

// The window's writes: the driver takes what it has room for, and the rest
// is offered again as room appears, for a short while.
int SerialPort::Write(std::span<const uint8_t> bytes) {
  if (fd_ < 0) return -1;
  size_t done = 0;
  int waited = 0;
  while (done < bytes.size()) {
    const int n = WriteSome(bytes.subspan(done));
    if (n < 0) return done == 0 ? -1 : static_cast<int>(done);
    done += static_cast<size_t>(n);
    if (done == bytes.size() || waited >= kWriteWaitMs) break;
    pollfd p{fd_, POLLOUT, 0};
    poll(&p, 1, TransferLink::kWaitSliceMs);
    waited += TransferLink::kWaitSliceMs;
  }
  return static_cast<int>(done);
}

int SerialPort::Write(std::string_view text) {
  return Write(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

void SerialPort::WatchInput(EventLoop& loop, std::function<void()> onInput) {
  StopWatching();
  if (fd_ < 0) return;
  watchLoop_ = &loop;
  loop.Watch(fd_, kIoRead, [this, onInput = std::move(onInput)](unsigned) {
    if (InputCount() > 0) {
      onInput();
      return;
    }
    // Readable with nothing to read: the line is gone (the far side of a
    // pseudo-terminal closed). Stop, rather than be woken for ever.
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) StopWatching();
  });
}

void SerialPort::StopWatching() {
  if (watchLoop_ != nullptr && fd_ >= 0) watchLoop_->Unwatch(fd_);
  watchLoop_ = nullptr;
}

bool SerialPort::SetDtr(bool on) { return fd_ >= 0 && lines_->SetDtr(fd_, on); }

bool SerialPort::Carrier() { return fd_ >= 0 && lines_->Carrier(fd_); }

bool SerialPort::SetBreak(bool on) { return fd_ >= 0 && ioctl(fd_, on ? TIOCSBRK : TIOCCBRK) == 0; }

bool SerialPort::PurgeInput() { return fd_ >= 0 && tcflush(fd_, TCIFLUSH) == 0; }

bool SerialPort::PurgeOutput() { return fd_ >= 0 && tcflush(fd_, TCOFLUSH) == 0; }

void SerialPort::SendBreak(int seconds, const std::function<void()>& pump) {
  SetBreak(true);
  WaitSecondsPumping(seconds, pump);
  SetBreak(false);
}

void SerialPort::HangUp(const std::function<void()>& pump) {
  SetDtr(false);
  WaitSecondsPumping(kHangUpSeconds, pump);
  if (IsOpen()) SetDtr(true);
}

}  // namespace parlane
