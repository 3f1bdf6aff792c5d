#include "link/telnet_transfer_link.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "link/net_address.h"

namespace parlane {

namespace {

BufferedTransferLink::Policy TelnetPolicy() {
  BufferedTransferLink::Policy p;
  p.readBufferSize = TelnetTransferLink::kReceiveBufferSize;
  p.gatherLimit = TelnetTransferLink::kGatherLimit;
  p.flushEachBlock = true;
  p.flushBeforeInputCount = true;
  p.fixedWaitSeconds = TelnetTransferLink::kWaitSeconds;
  p.flushSeconds = TelnetTransferLink::kWaitSeconds;
  p.closeFlushSeconds = TelnetTransferLink::kCloseFlushSeconds;
  return p;
}

}  // namespace

TelnetTransferLink::TelnetTransferLink(int fd, TelnetBinaryState binary)
    : BufferedTransferLink(TelnetPolicy()),
      fd_(fd),
      binary_(binary),
      decoder_({.stripNulAfterCr = !binary.hostSendsBinary}) {}

// What is still gathered goes out, but a stuck line does not hold the
// transfer's end for long.
TelnetTransferLink::~TelnetTransferLink() { FinalFlush(); }

long TelnetTransferLink::ReadSome(uint8_t* buffer, size_t capacity) {
  for (;;) {
    const ssize_t n = recv(fd_, buffer, capacity, 0);
    if (n > 0) return static_cast<long>(n);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
    peerClosed_ = true;  // closed, or a reset connection: nothing more comes
    return -1;
  }
}

long TelnetTransferLink::WriteSome(const uint8_t* bytes, size_t count) {
  for (;;) {
    const ssize_t n = send(fd_, bytes, count, MSG_NOSIGNAL);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
  }
}

size_t TelnetTransferLink::DecodeInput(uint8_t* bytes, size_t count) {
  decodeOut_ = bytes;
  decoder_.Feed({bytes, count}, *this);
  return static_cast<size_t>(decodeOut_ - bytes);
}

bool TelnetTransferLink::Data(std::span<const uint8_t> run) {
  std::memmove(decodeOut_, run.data(), run.size());
  decodeOut_ += run.size();
  return true;
}

// The host's answers to the DO BINARY and WILL BINARY sent before the
// transfer arrive here, as do its later changes of mind.
void TelnetTransferLink::OptionRequest(uint8_t verb, uint8_t option) {
  if (option != telnet::kOptBinary) return;
  if (verb == telnet::kWill) binary_.hostSendsBinary = true;
  if (verb == telnet::kWont) binary_.hostSendsBinary = false;
  if (verb == telnet::kDo) binary_.weSendBinary = true;
  if (verb == telnet::kDont) binary_.weSendBinary = false;
  decoder_.SetStripNulAfterCr(!binary_.hostSendsBinary);
}

int TelnetTransferLink::DriverOutputCount() { return parlane::WaitReady(fd_, POLLOUT, 0) ? 0 : 1; }

}  // namespace parlane
