#include "xfer/fd_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

namespace parlane {

namespace {
constexpr uint8_t kIac = 255;

int MakeNonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0 && !(flags & O_NONBLOCK)) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  return flags;
}

bool PollFor(int fd, short events, int waitMs) {
  pollfd p{fd, events, 0};
  const int r = poll(&p, 1, waitMs);
  return r > 0;
}
}  // namespace

FdTransferLink::FdTransferLink(int in, int out, bool telnet)
    : in_(in), out_(out), telnet_(telnet), input_(kReadBufferSize), terminal_(in) {
  inFlags_ = MakeNonBlocking(in_);
  outFlags_ = out_ == in_ ? inFlags_ : MakeNonBlocking(out_);
  struct stat st {};
  outIsSocket_ = fstat(out_, &st) == 0 && S_ISSOCK(st.st_mode);
  gatherLimit_ = isatty(out_) ? kTerminalGatherLimit : kGatherLimit;
  output_.reserve(kGatherLimit * 2);
}

FdTransferLink::~FdTransferLink() {
  FlushWithin(kFlushSeconds);
  if (inFlags_ >= 0) fcntl(in_, F_SETFL, inFlags_);
  if (out_ != in_ && outFlags_ >= 0) fcntl(out_, F_SETFL, outFlags_);
}

// One read of what is waiting, after waiting up to `waitMs` for it.
FdTransferLink::Fill FdTransferLink::FillOnce(int waitMs) {
  if (inputClosed_) return Fill::Closed;
  if (readPos_ == endPos_) readPos_ = endPos_ = 0;
  for (;;) {
    const ssize_t n = read(in_, input_.data() + endPos_, input_.size() - endPos_);
    if (n > 0) {
      flowing_ = true;
      endPos_ += static_cast<size_t>(n);
      if (skipNext_ && readPos_ < endPos_) {
        ++readPos_;
        skipNext_ = false;
      }
      return readPos_ < endPos_ ? Fill::Data : Fill::Nothing;
    }
    if (n == 0) {
      inputClosed_ = true;
      return Fill::Closed;
    }
    if (errno == EINTR) continue;
    flowing_ = false;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      inputClosed_ = true;  // EIO from a pty whose other side has gone
      return Fill::Closed;
    }
    if (waitMs <= 0 || !PollFor(in_, POLLIN, waitMs)) return Fill::Nothing;
    waitMs = 0;
  }
}

bool FdTransferLink::TakeByte(uint8_t& byte) {
  if (readPos_ == endPos_) return false;
  byte = input_[readPos_++];
  if (telnet_ && byte == kIac) {
    if (readPos_ < endPos_) {
      ++readPos_;
    } else {
      skipNext_ = true;
    }
  }
  return true;
}

// Waits until a byte is buffered: true, or false when the time ran out or
// the input ended.
bool FdTransferLink::WaitForData(int seconds) {
  FlushWithin(kFlushSeconds);
  if (readPos_ < endPos_) return true;
  const long long start = ClockSeconds();
  bool napped = false;
  for (;;) {
    const bool wasFlowing = flowing_;
    const Fill f = FillOnce(0);
    if (f == Fill::Data) return true;
    if (f == Fill::Closed) return false;
    // The input has run dry: the moment to check that a peer on the same pty
    // has not taken the terminal out of raw mode.
    terminal_.Reassert();
    if (wasFlowing && !napped && !terminal_.Active()) {
      napped = true;
      std::this_thread::sleep_for(kStreamNap);
      continue;
    }
    if (ClockSeconds() - start >= seconds) return false;
    Pump();
    if (FillOnce(kWaitSliceMs) == Fill::Data) return true;
    if (inputClosed_) return false;
  }
}

int FdTransferLink::ReadByte(int seconds) {
  uint8_t b;
  if (!(readPos_ < endPos_ && output_.size() == outPos_) && !WaitForData(seconds)) return -1;
  return TakeByte(b) ? b : -1;
}

int FdTransferLink::ReadAnyByte(uint8_t* place, int seconds) {
  const int c = ReadByte(seconds);
  if (c < 0) return -1;
  *place = static_cast<uint8_t>(c);
  return 0;
}

int FdTransferLink::InputCount() {
  if (readPos_ < endPos_) return static_cast<int>(endPos_ - readPos_);
  // A sender asks after every subpacket; the kernel is asked at most once
  // per probe interval, and only a probe that found nothing is reused.
  const auto now = std::chrono::steady_clock::now();
  if (now - lastEmptyProbe_ < kInputProbeInterval) return 0;
  int waiting = -1;
  if (ioctl(in_, FIONREAD, &waiting) != 0) waiting = PollFor(in_, POLLIN, 0) ? 1 : 0;
  if (waiting == 0) lastEmptyProbe_ = now;
  return waiting;
}

int FdTransferLink::WaitForInput(int seconds) { return WaitForData(seconds) ? 1 : 0; }

int FdTransferLink::WriteBlock(const uint8_t* bytes, size_t count, int seconds) {
  if (outputBroken_) return -1;
  output_.insert(output_.end(), bytes, bytes + count);
  if (output_.size() - outPos_ >= gatherLimit_) return FlushWithin(seconds);
  return 0;
}

int FdTransferLink::WriteByte(uint8_t byte, int seconds) {
  if (outputBroken_) return -1;
  output_.push_back(byte);
  if (telnet_ && byte == kIac) output_.push_back(byte);
  if (output_.size() - outPos_ >= gatherLimit_) return FlushWithin(seconds);
  return 0;
}

ssize_t FdTransferLink::WriteSome(const uint8_t* bytes, size_t count) {
  // A socket whose peer has gone must not raise SIGPIPE.
  if (outIsSocket_) return send(out_, bytes, count, MSG_NOSIGNAL);
  return write(out_, bytes, count);
}

int FdTransferLink::FlushWithin(int seconds) {
  const long long start = ClockSeconds();
  while (outPos_ < output_.size()) {
    if (outputBroken_) break;
    const ssize_t n = WriteSome(output_.data() + outPos_, output_.size() - outPos_);
    if (n > 0) {
      flowing_ = false;
      outPos_ += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      outputBroken_ = true;
      break;
    }
    if (ClockSeconds() - start >= seconds) return -1;
    Pump();
    PollFor(out_, POLLOUT, kWaitSliceMs);
  }
  output_.clear();
  outPos_ = 0;
  return outputBroken_ ? -1 : 0;
}

// With Telnet framing a 255 in the buffer still stands for a doubled pair,
// so only plain links hand their buffer out.
std::span<const uint8_t> FdTransferLink::Buffered() const {
  if (telnet_ || skipNext_) return {};
  return {input_.data() + readPos_, endPos_ - readPos_};
}

void FdTransferLink::Consume(size_t count) { readPos_ += std::min(count, endPos_ - readPos_); }

int FdTransferLink::Flush() { return FlushWithin(kFlushSeconds); }

int FdTransferLink::OutputCount() {
  FlushWithin(0);
  return static_cast<int>(output_.size() - outPos_);
}

int FdTransferLink::SendBreak(int seconds) {
  FlushWithin(kFlushSeconds);
  if (isatty(out_)) tcsendbreak(out_, 0);
  const long long start = ClockSeconds();
  while (ClockSeconds() - start < seconds) {
    Pump();
    poll(nullptr, 0, kWaitSliceMs);
  }
  return 0;
}

int FdTransferLink::PurgeInput() {
  FlushWithin(kFlushSeconds);
  skipNext_ = false;
  do {
    readPos_ = endPos_ = 0;
  } while (FillOnce(0) == Fill::Data);
  readPos_ = endPos_ = 0;
  return 0;
}

int FdTransferLink::PurgeOutput() {
  output_.clear();
  outPos_ = 0;
  return 0;
}

}  // namespace parlane
