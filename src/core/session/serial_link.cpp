#include "session/serial_link.h"

#include <poll.h>

#include <array>
#include <chrono>
#include <ctime>

#include "link/event_loop.h"
#include "link/serial_port.h"
#include "link/serial_transfer_link.h"
#include "session/session.h"

namespace parlane {

namespace {

std::span<const uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// How often waiting output is offered to the driver again.
constexpr int kFlushMs = 10;

long long WallSeconds() { return static_cast<long long>(std::time(nullptr)); }

}  // namespace

SerialLink::SerialLink(SerialPort& port, Session& session, EventLoop& loop, std::string statusName,
                       std::string initialInput, Clock clock)
    : port_(port),
      session_(session),
      loop_(loop),
      statusName_(std::move(statusName)),
      initialInput_(std::move(initialInput)),
      clock_(clock ? std::move(clock) : Clock(WallSeconds)) {}

SerialLink::~SerialLink() {
  StopFlushing();
  if (polling_) port_.StopWatching();
}

void SerialLink::Start() {
  if (started_) return;
  started_ = true;
  // The login script starts first, so that it sees the host's first bytes.
  session_.LinkReady();
  if (!initialInput_.empty()) {
    const std::string first = std::move(initialInput_);
    session_.Received(Bytes(first));
  }
  Resume();
}

std::unique_ptr<TransferLink> SerialLink::BeginTransfer() {
  if (!port_.IsOpen() || gone_) return nullptr;
  Pause();
  return std::make_unique<SerialTransferLink>(port_);
}

void SerialLink::Pause() {
  // A transfer takes the line over: what is still waiting would land in the
  // middle of its stream.
  StopFlushing();
  pending_.clear();
  pendingFrom_ = 0;
  polling_ = false;
  port_.StopWatching();
}

void SerialLink::Resume() {
  polling_ = true;
  if (port_.IsOpen() && !gone_) port_.WatchInput(loop_, [this] { ReadPort(); });
}

void SerialLink::ReadPort() {
  if (!polling_ || !port_.IsOpen()) return;
  std::array<uint8_t, SerialPort::kReadBlock> buf{};
  session_.LinkActivity(true, true);
  const int n = port_.ReadWaiting(buf.data(), buf.size());
  session_.LinkActivity(true, false);
  // A failed read passes nothing on; the carrier check notices a lost line.
  if (n > 0) session_.Received(std::span(buf.data(), static_cast<size_t>(n)));
}

void SerialLink::Write(std::span<const uint8_t> bytes, bool echo) {
  if (bytes.empty()) return;
  session_.LinkActivity(false, true);
  if (pendingFrom_ < pending_.size()) {
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());  // keep the order
  } else {
    const int n = port_.WriteSome(bytes);
    const size_t done = n > 0 ? static_cast<size_t>(n) : 0;
    if (n >= 0 && done < bytes.size()) {
      pending_.assign(bytes.begin() + static_cast<std::ptrdiff_t>(done), bytes.end());
      pendingFrom_ = 0;
    }
    // A write error (the line is gone) drops the bytes, as a failed send does.
  }
  if (pendingFrom_ < pending_.size() && flushTimer_ == 0) {
    flushTimer_ = loop_.StartTimer(std::chrono::milliseconds(kFlushMs), true, [this] { Flush(); });
  }
  session_.LinkActivity(false, false);
  if (echo && localEcho_) session_.Show(bytes);
}

void SerialLink::Flush() {
  if (pendingFrom_ < pending_.size() && port_.IsOpen()) {
    const int n = port_.WriteSome(std::span(pending_).subspan(pendingFrom_));
    if (n < 0) {
      pending_.clear();  // the line is gone
      pendingFrom_ = 0;
    } else {
      pendingFrom_ += static_cast<size_t>(n);
    }
  }
  if (pendingFrom_ >= pending_.size()) {
    pending_.clear();
    pendingFrom_ = 0;
    StopFlushing();
  }
}

void SerialLink::StopFlushing() {
  if (flushTimer_ != 0) loop_.StopTimer(flushTimer_);
  flushTimer_ = 0;
}

size_t SerialLink::PendingOutput() const {
  const int queued = port_.IsOpen() ? port_.OutputCount() : 0;
  return (pending_.size() - pendingFrom_) + static_cast<size_t>(queued > 0 ? queued : 0);
}

void SerialLink::SendData(std::span<const uint8_t> bytes) { Write(bytes, true); }

void SerialLink::SendRaw(std::span<const uint8_t> bytes) { Write(bytes, false); }

bool SerialLink::DeviceHungUp() const {
  if (!port_.IsOpen()) return false;
  pollfd p{port_.Fd(), POLLIN, 0};
  return poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void SerialLink::NoteGone() {
  gone_ = true;
  port_.StopWatching();
  const std::string text = "\r\n[Line lost: the serial device " + port_.Device() +
                           " has gone away; close this window and open it again.]\r\n";
  session_.Show(Bytes(text));
}

CarrierWatch::Change SerialLink::CheckCarrier() {
  if (!gone_ && DeviceHungUp()) NoteGone();
  const bool carrier = !gone_ && port_.Carrier();
  return watch_.Check(carrier, clock_());
}

}  // namespace parlane
