#include "xfer/fd_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace parlane {

namespace {

int MakeNonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0 && !(flags & O_NONBLOCK)) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  return flags;
}

BufferedTransferLink::Policy FdPolicy(int out) {
  BufferedTransferLink::Policy p;
  p.readBufferSize = FdTransferLink::kReadBufferSize;
  p.gatherLimit = isatty(out) ? FdTransferLink::kTerminalGatherLimit : FdTransferLink::kGatherLimit;
  p.flushSeconds = FdTransferLink::kFlushSeconds;
  p.closeFlushSeconds = FdTransferLink::kFlushSeconds;
  p.emptyProbeInterval = FdTransferLink::kInputProbeInterval;
  return p;
}

// Keeps the data runs of the decoded stream, packed at the front of the
// block they came from (the data never outgrows the bytes it came in).
struct InPlace final : telnet::DecoderSink {
  uint8_t* out;
  bool Data(std::span<const uint8_t> run) override {
    std::memmove(out, run.data(), run.size());
    out += run.size();
    return true;
  }
};

}  // namespace

FdTransferLink::FdTransferLink(int in, int out, bool telnet)
    : BufferedTransferLink(FdPolicy(out)), in_(in), out_(out), telnet_(telnet), terminal_(in) {
  inFlags_ = MakeNonBlocking(in_);
  outFlags_ = out_ == in_ ? inFlags_ : MakeNonBlocking(out_);
  struct stat st {};
  outIsSocket_ = fstat(out_, &st) == 0 && S_ISSOCK(st.st_mode);
}

FdTransferLink::~FdTransferLink() {
  FinalFlush();
  if (inFlags_ >= 0) fcntl(in_, F_SETFL, inFlags_);
  if (out_ != in_ && outFlags_ >= 0) fcntl(out_, F_SETFL, outFlags_);
}

long FdTransferLink::ReadSome(uint8_t* buffer, size_t capacity) {
  for (;;) {
    const ssize_t n = read(in_, buffer, capacity);
    if (n > 0) return static_cast<long>(n);
    if (n == 0) return -1;  // end of file
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    return -1;  // EIO from a pty whose other side has gone
  }
}

long FdTransferLink::WriteSome(const uint8_t* bytes, size_t count) {
  for (;;) {
    // A socket whose peer has gone must not raise SIGPIPE.
    const ssize_t n =
        outIsSocket_ ? send(out_, bytes, count, MSG_NOSIGNAL) : write(out_, bytes, count);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
  }
}

int FdTransferLink::WaitDescriptor(short events) const { return events == POLLOUT ? out_ : in_; }

size_t FdTransferLink::DecodeInput(uint8_t* bytes, size_t count) {
  if (!telnet_) return count;
  InPlace sink;
  sink.out = bytes;
  decoder_.Feed({bytes, count}, sink);
  return static_cast<size_t>(sink.out - bytes);
}

void FdTransferLink::Break(bool on) {
  if (on && isatty(out_)) tcsendbreak(out_, 0);
}

}  // namespace parlane
