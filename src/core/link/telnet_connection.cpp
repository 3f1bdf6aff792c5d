#include "link/telnet_connection.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <system_error>
#include <thread>

#include "telnet/encoder.h"
#include "telnet/options.h"
#include "xfer/transfer_link.h"

namespace parlane {

namespace {

std::span<const uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

}  // namespace

// Shared between the connection and its lookup thread: the thread may outlive
// the connection, and then finds `conn` cleared and reports nothing.
struct TelnetConnection::LookupShared {
  std::mutex mutex;
  EventLoop* loop = nullptr;
  TelnetConnection* conn = nullptr;
};

TelnetConnection::TelnetConnection(EventLoop& loop, TelnetEvents& events, std::string host,
                                   int port)
    : loop_(loop), events_(events), host_(std::move(host)), port_(port & 0xFFFF) {}

TelnetConnection::TelnetConnection(EventLoop& loop, TelnetEvents& events, int acceptedFd,
                                   std::string peerAddress)
    : loop_(loop),
      events_(events),
      port_(23),
      hostMode_(true),
      fd_(acceptedFd),
      peerAddress_(std::move(peerAddress)) {}

TelnetConnection::~TelnetConnection() {
  if (lookup_) {
    std::lock_guard lock(lookup_->mutex);
    lookup_->loop = nullptr;
    lookup_->conn = nullptr;
  }
  CloseSocket();
}

void TelnetConnection::CloseSocket() {
  if (fd_ < 0) return;
  loop_.Unwatch(fd_);
  close(fd_);
  fd_ = -1;
  watching_ = false;
}

void TelnetConnection::Start() {
  if (state_ != State::NotStarted) return;
  if (hostMode_) {
    ConfigureTelnetSocket(fd_);
    BecomeConnected();
    return;
  }
  if (auto numeric = ParseNumericAddress(host_, port_)) {
    candidates_ = {*numeric};
    ConnectNext();
    return;
  }
  StartLookup();
}

void TelnetConnection::StartLookup() {
  state_ = State::LookingUp;
  lookup_ = std::make_shared<LookupShared>();
  lookup_->loop = &loop_;
  lookup_->conn = this;
  auto shared = lookup_;
  try {
    std::thread([shared, host = host_, port = port_] {
      std::vector<NetAddress> found;
      const int rc = ResolveHost(host, port, found);
      std::lock_guard lock(shared->mutex);
      if (shared->loop == nullptr) return;
      shared->loop->Post([shared, rc, found = std::move(found)]() mutable {
        TelnetConnection* conn;
        {
          std::lock_guard inner(shared->mutex);
          conn = shared->conn;
        }
        if (conn != nullptr) conn->OnLookupDone(rc, std::move(found));
      });
    }).detach();
  } catch (const std::system_error&) {
    Fail(kTextNoHost, MessageIcon::Exclamation);
  }
}

void TelnetConnection::OnLookupDone(int error, std::vector<NetAddress> addresses) {
  if (state_ != State::LookingUp) return;
  if (error != 0 || addresses.empty()) {
    Fail(kTextNoHost, MessageIcon::Exclamation);
    return;
  }
  candidates_ = std::move(addresses);
  ConnectNext();
}

// Tries the next address of the host. A name with several addresses (IPv6
// and IPv4 of "localhost") goes on to the next one when a connect fails.
void TelnetConnection::ConnectNext() {
  CloseSocket();
  if (candidates_.empty()) {
    Fail(kTextNoConnect, MessageIcon::Exclamation);
    return;
  }
  const NetAddress target = candidates_.front();
  candidates_.erase(candidates_.begin());
  fd_ = MakeStreamSocket(target.Family());
  if (fd_ < 0) {
    // A family this machine lacks: the host's other addresses may still do.
    if (candidates_.empty()) {
      Fail(kTextNoSocket, MessageIcon::Stop);
    } else {
      ConnectNext();
    }
    return;
  }
  ConfigureTelnetSocket(fd_);
  peerAddress_ = target.Text();
  state_ = State::Connecting;

  const std::string text = "Trying " + peerAddress_ + "...";
  std::weak_ptr<int> alive = life_;
  events_.Show(Bytes(text));
  if (!Alive(alive) || state_ != State::Connecting) return;

  if (connect(fd_, target.Get(), target.length) == 0) {
    OnConnectEvent();
    return;
  }
  if (errno == EINPROGRESS || errno == EINTR) {
    loop_.Watch(fd_, kIoWrite, [this](unsigned) { OnConnectEvent(); });
    watching_ = true;
    return;
  }
  ConnectNext();
}

void TelnetConnection::OnConnectEvent() {
  if (state_ != State::Connecting) return;
  int error = 0;
  socklen_t len = sizeof error;
  if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &len) != 0) error = errno;
  if (error != 0) {
    ConnectNext();
    return;
  }
  loop_.Unwatch(fd_);
  watching_ = false;
  std::weak_ptr<int> alive = life_;
  events_.Show(Bytes(kTextEstablished));
  if (!Alive(alive) || state_ != State::Connecting) return;
  BecomeConnected();
}

void TelnetConnection::BecomeConnected() {
  candidates_.clear();
  state_ = State::Connected;
  connectTime_ = TransferLink::ClockSeconds();
  std::weak_ptr<int> alive = life_;
  events_.Connected();
  if (!Alive(alive)) return;
  ArmNotifications();
}

void TelnetConnection::Fail(std::string_view text, MessageIcon icon) {
  CloseSocket();
  candidates_.clear();
  state_ = State::Failed;
  events_.Failure(text, icon);
}

// Read notifications while connected and not lent to a transfer; write
// notifications while output waits for room in the socket.
void TelnetConnection::ArmNotifications() {
  if (fd_ < 0 || state_ != State::Connected || inTransfer_) {
    StopNotifications();
    return;
  }
  unsigned events = kIoRead;
  if (!pending_.empty()) events |= kIoWrite;
  loop_.Watch(fd_, events, [this](unsigned ready) { OnIoEvent(ready); });
  watching_ = true;
}

void TelnetConnection::StopNotifications() {
  if (fd_ >= 0 && watching_) loop_.Unwatch(fd_);
  watching_ = false;
}

void TelnetConnection::OnIoEvent(unsigned ready) {
  if (ready & kIoWrite) {
    FlushPending();
    if (state_ != State::Connected) return;
  }
  if (ready & kIoRead) ReadFromSocket();
}

void TelnetConnection::ReadFromSocket() {
  // While a transfer has the socket, only the transfer reads it.
  if (state_ != State::Connected || fd_ < 0 || inTransfer_) return;
  StopNotifications();  // nothing may re-enter while the block is interpreted
  uint8_t block[kReceiveBlock];
  std::weak_ptr<int> alive = life_;
  events_.Activity(LinkActivity::Receive, true);
  if (!Alive(alive)) return;
  const ssize_t n = recv(fd_, block, sizeof block, 0);
  const int error = errno;
  events_.Activity(LinkActivity::Receive, false);
  if (!Alive(alive)) return;
  if (n > 0) {
    events_.Received({block, static_cast<size_t>(n)});
    if (!Alive(alive)) return;
  }
  // A read of 0 bytes is the peer's close. A hard error (a reset) is too: the
  // socket would otherwise stay readable with nothing but the error.
  if (n == 0 || (n < 0 && !WouldBlock(error))) {
    HandleClose();
    return;
  }
  ArmNotifications();
}

void TelnetConnection::HandleClose() {
  StopNotifications();
  if (state_ != State::Connected) return;  // handled once
  state_ = State::Closed;
  pending_.clear();
  if (hostMode_ || !askOnClose_) {
    events_.Closed(true);
    return;
  }
  std::weak_ptr<int> alive = life_;
  const bool yes = events_.AskCloseWindow(kTextClosed);
  if (!Alive(alive)) return;
  events_.Closed(yes);
}

int TelnetConnection::SendData(std::span<const uint8_t> bytes) {
  const std::vector<uint8_t> doubled = telnet::DoubleIac(bytes);
  const int result = SendBytes(doubled);
  // The echo goes through the session's Telnet interpreter, where a lone
  // 255 would start a command and swallow what follows: echo it doubled so
  // it shows as the one character typed.
  if (localEcho_ && !bytes.empty()) events_.Show(doubled);
  return result < 0 ? result : static_cast<int>(bytes.size());
}

int TelnetConnection::SendData(std::string_view text) { return SendData(Bytes(text)); }

int TelnetConnection::SendRaw(std::span<const uint8_t> bytes) { return SendBytes(bytes); }

// Sends at once what the socket takes; the rest waits for a write
// notification, in order, so that nothing a caller sends is lost when the
// socket's buffer is full. Before and after the connection a failed send is
// simply lost.
int TelnetConnection::SendBytes(std::span<const uint8_t> bytes) {
  if (fd_ < 0) return -1;
  if (bytes.empty()) return 0;
  std::weak_ptr<int> alive = life_;
  events_.Activity(LinkActivity::Send, true);
  if (!Alive(alive)) return -1;
  int result = static_cast<int>(bytes.size());
  if (state_ != State::Connected || inTransfer_) {
    result = static_cast<int>(send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL));
  } else if (!pending_.empty()) {
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
  } else {
    ssize_t n = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && WouldBlock(errno)) n = 0;
    if (n < 0) {
      result = -1;
    } else if (static_cast<size_t>(n) < bytes.size()) {
      pending_.assign(bytes.begin() + n, bytes.end());
      if (watching_) ArmNotifications();
    }
  }
  events_.Activity(LinkActivity::Send, false);
  return result;
}

void TelnetConnection::FlushPending() {
  if (fd_ < 0 || pending_.empty()) return;
  ssize_t n = send(fd_, pending_.data(), pending_.size(), MSG_NOSIGNAL);
  if (n < 0 && WouldBlock(errno)) n = 0;
  if (n < 0) {
    pending_.clear();  // the connection is broken; its read reports the close
  } else {
    pending_.erase(pending_.begin(), pending_.begin() + n);
  }
  if (watching_) ArmNotifications();
}

int TelnetConnection::BeginTransfer(const std::function<void()>& pump, int seconds) {
  if (state_ != State::Connected || fd_ < 0) return -1;
  inTransfer_ = true;
  StopNotifications();
  const long long deadline = TransferLink::ClockSeconds() + seconds;
  while (!pending_.empty() && TransferLink::ClockSeconds() <= deadline) {
    if (WaitReady(fd_, POLLOUT, TransferLink::kWaitSliceMs)) {
      FlushPending();
    } else if (pump) {
      pump();
    }
  }
  pending_.clear();
  SendRaw(telnet::BinaryModeRequest(true));
  return fd_;
}

void TelnetConnection::EndTransfer() {
  if (!inTransfer_) return;
  inTransfer_ = false;
  if (state_ != State::Connected) return;
  SendRaw(telnet::BinaryModeRequest(false));
  ArmNotifications();
}

long long TelnetConnection::ElapsedSeconds() const {
  if (connectTime_ == 0) return 0;
  return TransferLink::ClockSeconds() - connectTime_;
}

std::string FormatElapsed(long long seconds) {
  if (seconds < 0) seconds = 0;
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", seconds / 3600, (seconds / 60) % 60,
                seconds % 60);
  return text;
}

}  // namespace parlane
