#include "xfer/buffered_link.h"

#include <poll.h>

#include <algorithm>
#include <thread>

namespace parlane {

BufferedTransferLink::BufferedTransferLink(Policy policy)
    : policy_(policy), input_(policy.readBufferSize) {
  output_.reserve(policy.gatherLimit * 2);
}

// --- input -----------------------------------------------------------------

// One read of what is waiting, without waiting.
BufferedTransferLink::Fill BufferedTransferLink::FillOnce() {
  if (inputEnded_) return Fill::Ended;
  if (readPos_ == endPos_) readPos_ = endPos_ = 0;
  if (endPos_ == input_.size()) return Fill::Data;  // full: nothing taken yet
  Pump();
  const long n = ReadSome(input_.data() + endPos_, input_.size() - endPos_);
  if (n < 0) {
    inputEnded_ = true;
    return Fill::Ended;
  }
  if (n == 0) {
    flowing_ = false;
    return Fill::Nothing;
  }
  flowing_ = true;
  endPos_ += DecodeInput(input_.data() + endPos_, static_cast<size_t>(n));
  return readPos_ < endPos_ ? Fill::Data : Fill::Nothing;
}

// Sleeps in the descriptor up to `ms` until it is ready for `events`.
BufferedTransferLink::Ready BufferedTransferLink::WaitReady(short events, int ms) {
  const int fd = WaitDescriptor(events);
  if (fd < 0) return Ready::HungUp;
  pollfd p{fd, events, 0};
  const int r = poll(&p, 1, ms);
  if (r <= 0) return Ready::No;
  // A hang-up or an error is reported at once by every later poll (a
  // hung-up tty also claims to be readable with nothing to read), so the
  // caller takes what is left and ends the wait instead of spinning.
  if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) return Ready::HungUp;
  return (p.revents & events) ? Ready::Yes : Ready::No;
}

// Waits until a byte is buffered: true, or false when the time ran out, the
// user cancelled or the input ended.
bool BufferedTransferLink::WaitForData(int seconds) {
  if (Gathered()) FlushWithin(FlushLimit());
  if (readPos_ < endPos_) return true;
  seconds = Limit(seconds);
  const long long start = ClockSeconds();
  bool napped = false;
  for (;;) {
    const bool wasFlowing = flowing_;
    const Fill f = FillOnce();
    if (f == Fill::Data) return true;
    if (f == Fill::Ended) return false;
    InputRanDry();
    if (wasFlowing && !napped && NapWhenDry()) {
      napped = true;
      std::this_thread::sleep_for(kStreamNap);
      continue;
    }
    if (LimitExpired(start, seconds) || WaitCancelled()) return false;
    Pump();
    if (WaitReady(POLLIN, kWaitSliceMs) == Ready::HungUp) {
      if (FillOnce() == Fill::Data) return true;
      inputEnded_ = true;  // the line has hung up: carrier loss
      return false;
    }
  }
}

int BufferedTransferLink::ReadByte(int seconds) {
  if ((readPos_ == endPos_ || Gathered()) && !WaitForData(seconds)) return -1;
  return input_[readPos_++];
}

int BufferedTransferLink::ReadAnyByte(uint8_t* place, int seconds) {
  const int c = ReadByte(seconds);
  if (c < 0) return -1;
  *place = static_cast<uint8_t>(c);
  return 0;
}

int BufferedTransferLink::InputCount() {
  if (policy_.flushBeforeInputCount && Gathered()) FlushWithin(FlushLimit());
  if (readPos_ == endPos_) {
    const auto now = std::chrono::steady_clock::now();
    if (now - lastEmptyProbe_ < policy_.emptyProbeInterval) return 0;
    if (FillOnce() != Fill::Data) {
      lastEmptyProbe_ = now;
      return DriverInputCount();
    }
  }
  return static_cast<int>(endPos_ - readPos_) + DriverInputCount();
}

int BufferedTransferLink::WaitForInput(int seconds) { return WaitForData(seconds) ? 1 : 0; }

void BufferedTransferLink::Consume(size_t count) {
  readPos_ += std::min(count, endPos_ - readPos_);
}

bool BufferedTransferLink::PurgeDriverInput() {
  do {
    readPos_ = endPos_ = 0;
  } while (FillOnce() == Fill::Data);
  readPos_ = endPos_ = 0;
  return true;
}

int BufferedTransferLink::PurgeInput() {
  if (Gathered()) FlushWithin(FlushLimit());
  readPos_ = endPos_ = 0;
  ResetDecoder();
  return PurgeDriverInput() ? 0 : -1;
}

// --- output ----------------------------------------------------------------

int BufferedTransferLink::Gather(std::span<const uint8_t> bytes, telnet::EncodeRules rules,
                                 int seconds, bool flushNow) {
  if (outputBroken_ || WaitDescriptor(POLLOUT) < 0) return -1;
  if (rules.doubleIac || rules.crNul) {
    telnet::Encode(bytes, rules, output_);
  } else {
    output_.insert(output_.end(), bytes.begin(), bytes.end());
  }
  lastWriteSeconds_ = Limit(seconds);
  if (flushNow || output_.size() - outPos_ >= policy_.gatherLimit)
    return FlushWithin(lastWriteSeconds_);
  return 0;
}

int BufferedTransferLink::WriteBlock(const uint8_t* bytes, size_t count, int seconds) {
  return Gather({bytes, count}, BlockFraming(), seconds, policy_.flushEachBlock);
}

int BufferedTransferLink::WriteByte(uint8_t byte, int seconds) {
  return Gather({&byte, 1}, ByteFraming(), seconds, false);
}

// Writes out what is gathered within `seconds` (0: what goes at once).
// What is left when the time runs out or the user cancels stays gathered.
int BufferedTransferLink::FlushWithin(int seconds) {
  const long long start = ClockSeconds();
  while (outPos_ < output_.size() && !outputBroken_) {
    const long n = WriteSome(output_.data() + outPos_, output_.size() - outPos_);
    if (n > 0) {
      flowing_ = false;
      outPos_ += static_cast<size_t>(n);
      continue;
    }
    if (n < 0) {
      outputBroken_ = true;
      break;
    }
    if (LimitExpired(start, seconds) || WaitCancelled()) return -1;
    Pump();
    if (WaitReady(POLLOUT, kWaitSliceMs) == Ready::HungUp) outputBroken_ = true;
  }
  output_.clear();
  outPos_ = 0;
  return outputBroken_ ? -1 : 0;
}

int BufferedTransferLink::Flush() {
  return Gathered() ? FlushWithin(FlushLimit()) : (outputBroken_ ? -1 : 0);
}

int BufferedTransferLink::OutputCount() {
  if (Gathered()) FlushWithin(0);
  return static_cast<int>(output_.size() - outPos_) + DriverOutputCount();
}

int BufferedTransferLink::PurgeOutput() {
  output_.clear();
  outPos_ = 0;
  return PurgeDriverOutput() ? 0 : -1;
}

int BufferedTransferLink::SendBreak(int seconds) {
  if (Gathered()) FlushWithin(FlushLimit());
  Break(true);
  const long long start = ClockSeconds();
  while (ClockSeconds() - start < seconds && !WaitCancelled()) {
    Pump();
    poll(nullptr, 0, kWaitSliceMs);
  }
  Break(false);
  return 0;
}

}  // namespace parlane
