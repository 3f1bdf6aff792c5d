#include "link/telnet_transfer_link.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include "link/link_clock.h"
#include "link/net_address.h"

namespace parlane {

namespace {

constexpr uint8_t kCr = 13;
constexpr uint8_t kNul = 0;

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

}  // namespace

TelnetTransferLink::TelnetTransferLink(int fd, TelnetBinaryState binary) : fd_(fd), binary_(binary) {}

TelnetTransferLink::~TelnetTransferLink() {
  // What is still gathered goes out, but a stuck line does not hold the
  // transfer's end for long.
  if (gathered_.empty()) return;
  SendAll(gathered_.data(), gathered_.size(), kCloseFlushSeconds);
}

// --- input -----------------------------------------------------------------

// Takes one received byte apart. Returns true with a data byte in `out`;
// false for a byte that belongs to Telnet's framing.
bool TelnetTransferLink::Decode(uint8_t raw, uint8_t& out) {
  switch (inState_) {
    case In::AfterCr:
      inState_ = In::Data;
      if (raw == kNul) return false;  // CR NUL outside binary mode is a plain CR
      [[fallthrough]];
    case In::Data:
      if (raw == telnet::kIac) {
        inState_ = In::Iac;
        return false;
      }
      if (raw == kCr && !binary_.hostSendsBinary) inState_ = In::AfterCr;
      out = raw;
      return true;
    case In::Iac:
      if (raw == telnet::kIac) {
        inState_ = In::Data;
        out = raw;  // a doubled 255 is one data byte
        return true;
      }
      if (raw >= telnet::kWill) {
        verb_ = raw;
        inState_ = In::Verb;
      } else if (raw == telnet::kSb) {
        subLength_ = 0;
        inState_ = In::Sub;
      } else {
        inState_ = In::Data;  // NOP, go-ahead, data mark and the like carry no data
      }
      return false;
    case In::Verb:
      NoteOption(verb_, raw);
      inState_ = In::Data;
      return false;
    case In::Sub:
      if (raw == telnet::kIac) inState_ = In::SubIac;
      // A subnegotiation that never ends gives the stream back after a while.
      else if (++subLength_ > kMaxSubnegotiation) inState_ = In::Data;
      return false;
    case In::SubIac:
      inState_ = raw == telnet::kSe ? In::Data : In::Sub;
      return false;
  }
  return false;
}

// The host's answers to the DO BINARY and WILL BINARY sent before the
// transfer arrive here, as do its later changes of mind.
void TelnetTransferLink::NoteOption(uint8_t verb, uint8_t option) {
  if (option != telnet::kOptBinary) return;
  if (verb == telnet::kWill) binary_.hostSendsBinary = true;
  if (verb == telnet::kWont) binary_.hostSendsBinary = false;
  if (verb == telnet::kDo) binary_.weSendBinary = true;
  if (verb == telnet::kDont) binary_.weSendBinary = false;
}

// One receive into the empty buffer, decoded in place (the data never
// outgrows the bytes it came from). False when the peer has closed or the
// connection failed; true otherwise, even when nothing was waiting.
bool TelnetTransferLink::ReceiveOnce() {
  readPos_ = endPos_ = 0;
  const ssize_t n = recv(fd_, buffer_, sizeof buffer_, 0);
  if (n == 0) {
    peerClosed_ = true;
    return false;
  }
  if (n < 0) {
    if (WouldBlock(errno)) return true;
    peerClosed_ = true;  // a reset connection brings nothing more either
    return false;
  }
  size_t out = 0;
  for (ssize_t i = 0; i < n; ++i) {
    uint8_t b;
    if (Decode(buffer_[i], b)) buffer_[out++] = b;
  }
  endPos_ = out;
  return true;
}

// Waits (pumping) until data bytes are buffered. False on time-out, close
// or a failed receive.
bool TelnetTransferLink::FillBuffer(int seconds) {
  const long long start = ClockSeconds();
  while (readPos_ == endPos_) {
    if (peerClosed_) return false;
    if (!WaitFor(POLLIN, start, seconds)) return false;
    if (!ReceiveOnce()) return false;
  }
  return true;
}

int TelnetTransferLink::ReadByte(int /*seconds*/) {
  Pump();
  Flush();
  if (readPos_ == endPos_ && !FillBuffer(kWaitSeconds)) return -1;
  return buffer_[readPos_++];
}

int TelnetTransferLink::ReadAnyByte(uint8_t* place, int seconds) {
  const int b = ReadByte(seconds);
  if (b < 0) return -1;
  *place = static_cast<uint8_t>(b);
  return 0;
}

int TelnetTransferLink::InputCount() {
  Flush();
  if (readPos_ == endPos_ && !peerClosed_ && WaitReady(fd_, POLLIN, 0)) ReceiveOnce();
  return static_cast<int>(endPos_ - readPos_);
}

int TelnetTransferLink::WaitForInput(int seconds) {
  Flush();
  const long long start = ClockSeconds();
  while (readPos_ == endPos_) {
    if (peerClosed_ || !WaitFor(POLLIN, start, seconds) || !ReceiveOnce()) return 0;
  }
  return 1;
}

int TelnetTransferLink::PurgeInput() {
  Flush();
  readPos_ = endPos_ = 0;
  return 0;
}

// --- output ----------------------------------------------------------------

// Outside binary mode a carriage return goes out as CR NUL, so that the host
// does not take the byte after it for the end of a line.
void TelnetTransferLink::QueueOut(uint8_t byte) {
  gathered_.push_back(byte);
  if (byte == kCr && !binary_.weSendBinary) gathered_.push_back(kNul);
}

int TelnetTransferLink::WriteBlock(const uint8_t* bytes, size_t count, int /*seconds*/) {
  for (size_t i = 0; i < count; ++i) QueueOut(bytes[i]);
  return Flush();
}

int TelnetTransferLink::WriteByte(uint8_t byte, int /*seconds*/) {
  QueueOut(byte);
  if (byte == telnet::kIac) QueueOut(byte);
  if (gathered_.size() >= kGatherLimit) return Flush();
  return 0;
}

int TelnetTransferLink::Flush() {
  if (gathered_.empty()) return 0;
  const int rc = SendAll(gathered_.data(), gathered_.size(), kWaitSeconds);
  gathered_.clear();
  return rc;
}

// Sends every byte, waiting for room as needed, within `seconds`.
int TelnetTransferLink::SendAll(const uint8_t* bytes, size_t count, int seconds) {
  const long long start = ClockSeconds();
  size_t done = 0;
  while (done < count) {
    if (!WaitFor(POLLOUT, start, seconds)) return -1;
    const ssize_t n = send(fd_, bytes + done, count - done, MSG_NOSIGNAL);
    if (n < 0) {
      if (WouldBlock(errno)) continue;
      return -1;
    }
    done += static_cast<size_t>(n);
  }
  return 0;
}

int TelnetTransferLink::OutputCount() {
  if (Flush() != 0) return 1;
  return WaitReady(fd_, POLLOUT, 0) ? 0 : 1;
}

int TelnetTransferLink::SendBreak(int seconds) {
  Flush();
  WaitSecondsPumping(seconds, [this] { Pump(); });
  return 0;
}

int TelnetTransferLink::PurgeOutput() {
  gathered_.clear();
  return 0;
}

// --- waiting ---------------------------------------------------------------

// Polls in short slices, pumping between them, until `fd_` is ready for
// `events` or the wait that began at `start` has run out.
bool TelnetTransferLink::WaitFor(short events, long long start, int seconds) {
  for (;;) {
    Pump();
    if (WaitReady(fd_, events, kWaitSliceMs)) return true;
    if (LimitExpired(start, seconds)) return false;
  }
}

}  // namespace parlane
