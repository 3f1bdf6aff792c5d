#include "link/serial_transfer_link.h"

#include <poll.h>

#include <algorithm>

#include "link/link_clock.h"

namespace parlane {

SerialTransferLink::SerialTransferLink(SerialPort& port) : port_(port) {}

SerialTransferLink::~SerialTransferLink() {
  // What is still gathered goes out, but a stuck line does not hold the
  // transfer's end for long.
  if (gathered_.empty()) return;
  WriteAll(gathered_.data(), gathered_.size(), std::min(gatherSeconds_, kCloseFlushSeconds));
}

// --- input -----------------------------------------------------------------

// Takes what the driver holds into the read-ahead buffer (which is empty).
// False when nothing could be read.
bool SerialTransferLink::ReadAhead() {
  readPos_ = endPos_ = 0;
  // Input that keeps coming never waits: the window is kept alive here too.
  Pump();
  const int n = port_.ReadWaiting(input_, sizeof input_);
  if (n <= 0) return false;
  endPos_ = static_cast<size_t>(n);
  return true;
}

// Waits, pumping between slices, until the port has input or the limit
// that began at `start` runs out.
bool SerialTransferLink::WaitReadable(long long start, int seconds) {
  for (;;) {
    if (port_.InputCount() > 0) return true;
    pollfd p{port_.Fd(), POLLIN, 0};
    if (port_.IsOpen() && poll(&p, 1, kWaitSliceMs) > 0 && port_.InputCount() > 0) return true;
    if (!port_.IsOpen()) poll(nullptr, 0, kWaitSliceMs);
    Pump();
    if (LimitExpired(start, seconds)) return false;
  }
}

int SerialTransferLink::ReadByte(int seconds) {
  Flush();
  if (readPos_ < endPos_) return input_[readPos_++];
  // A byte already waiting is taken without starting the clock.
  if (ReadAhead()) return input_[readPos_++];
  const long long start = ClockSeconds();
  while (WaitReadable(start, seconds)) {
    if (ReadAhead()) return input_[readPos_++];
    if (LimitExpired(start, seconds)) break;
  }
  return -1;
}

int SerialTransferLink::ReadAnyByte(uint8_t* place, int seconds) {
  const int b = ReadByte(seconds);
  if (b < 0) return -1;
  *place = static_cast<uint8_t>(b);
  return 0;
}

int SerialTransferLink::InputCount() {
  Flush();
  return static_cast<int>(endPos_ - readPos_) + port_.InputCount();
}

int SerialTransferLink::WaitForInput(int seconds) {
  Flush();
  if (readPos_ < endPos_) return 1;
  return WaitReadable(ClockSeconds(), seconds) ? 1 : 0;
}

int SerialTransferLink::PurgeInput() {
  Flush();
  readPos_ = endPos_ = 0;
  return port_.PurgeInput() ? 0 : -1;
}

// --- output ----------------------------------------------------------------

// Writes every byte as the driver makes room, within `seconds`.
int SerialTransferLink::WriteAll(const uint8_t* bytes, size_t count, int seconds) {
  const long long start = ClockSeconds();
  size_t done = 0;
  while (done < count) {
    Pump();
    const int n = port_.WriteSome({bytes + done, count - done});
    if (n < 0) return -1;
    done += static_cast<size_t>(n);
    if (done == count) break;
    if (LimitExpired(start, seconds)) return -1;
    pollfd p{port_.Fd(), POLLOUT, 0};
    poll(&p, 1, kWaitSliceMs);
  }
  return 0;
}

int SerialTransferLink::Flush() {
  if (gathered_.empty()) return 0;
  const int rc = WriteAll(gathered_.data(), gathered_.size(), gatherSeconds_);
  gathered_.clear();
  return rc;
}

int SerialTransferLink::WriteBlock(const uint8_t* bytes, size_t count, int seconds) {
  if (Flush() != 0) return -1;
  return WriteAll(bytes, count, seconds);
}

int SerialTransferLink::WriteByte(uint8_t byte, int seconds) {
  if (!port_.IsOpen()) return -1;
  gathered_.push_back(byte);
  gatherSeconds_ = seconds;
  if (gathered_.size() >= kGatherLimit) return Flush();
  return 0;
}

int SerialTransferLink::OutputCount() {
  Flush();
  return port_.OutputCount();
}

int SerialTransferLink::SendBreak(int seconds) {
  Flush();
  port_.SendBreak(seconds, [this] { Pump(); });
  return 0;
}

int SerialTransferLink::PurgeOutput() {
  gathered_.clear();
  return port_.PurgeOutput() ? 0 : -1;
}

}  // namespace parlane
