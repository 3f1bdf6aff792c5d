// The network half of a Telnet session window: name lookup, connect, the
// socket's read and close notifications, the data and raw sends, the window
// size report, and binary mode around a file transfer. The byte loop that
// answers the host's option requests lives in the session's interpreter,
// which sends its replies back through SendRaw.
//
// The connection runs on an EventLoop and never blocks it: names are looked
// up with getaddrinfo on a worker thread that reports back through Post.
// It must be destroyed before its loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/event_loop.h"
#include "link/link_events.h"
#include "link/net_address.h"

namespace parlane {

class TelnetConnection {
 public:
  enum class State { NotStarted, LookingUp, Connecting, Connected, Closed, Failed };

  // Before each connect "Trying %s..." is shown with the numeric address.
  static constexpr std::string_view kTextEstablished = "Connection established\r\n\r\n";
  static constexpr std::string_view kTextNoSocket = "Could not create socket";
  static constexpr std::string_view kTextNoHost = "Could not obtain host name";
  static constexpr std::string_view kTextNoConnect = "Could not connect to remote host";
  static constexpr std::string_view kTextClosed = "Connection closed.  Close window?";
  // Every receive asks for at most this many bytes: one block for Process.
  static constexpr size_t kReceiveBlock = 1024;

  // A client connection to `host` (a numeric IPv4 or IPv6 address or a name)
  // and `port` (its low 16 bits are used). Nothing happens until Start().
  TelnetConnection(EventLoop& loop, TelnetEvents& events, std::string host, int port);
  // A host-mode connection on an accepted socket, which it takes over: Start()
  // reports it connected at once, and a close ends it without asking.
  TelnetConnection(EventLoop& loop, TelnetEvents& events, int acceptedFd, std::string peerAddress);
  ~TelnetConnection();
  TelnetConnection(const TelnetConnection&) = delete;
  TelnetConnection& operator=(const TelnetConnection&) = delete;

  // Starts the connection (the window posts this to itself after its set-up).
  void Start();

  // With ask-on-close off (the program was started with a host on its
  // command line) a closed client connection closes its window without asking.
  void SetAskOnClose(bool ask) { askOnClose_ = ask; }
  // With local echo on, SendData also shows what it sends.
  void SetLocalEcho(bool on) { localEcho_ = on; }

  // The data path: each byte 255 goes out twice; echoed when local echo is on.
  // Returns the number of bytes given (all of them are sent or queued), or -1
  // when the socket is gone.
  int SendData(std::span<const uint8_t> bytes);
  int SendData(std::string_view text);
  // The raw path: the bytes unchanged, no echo. Same result as SendData.
  int SendRaw(std::span<const uint8_t> bytes);

  // Services one read notification: up to 1024 bytes go to Received; a read of
  // 0 bytes (or a dead socket) is the close. Raw transmission calls it between
  // chunks so the host's output keeps flowing.
  void ReadFromSocket();

  // A file transfer takes the socket over: notifications stop, queued output
  // is written out (waiting at most `seconds`, pumping between slices), and
  // IAC DO BINARY, IAC WILL BINARY go out. Returns the descriptor for the
  // transfer link, or -1 when the connection is not up.
  int BeginTransfer(const std::function<void()>& pump, int seconds = 60);
  // After the transfer: IAC DONT BINARY, IAC WONT BINARY, notifications on.
  void EndTransfer();
  bool InTransfer() const { return inTransfer_; }

  State GetState() const { return state_; }
  bool IsConnected() const { return state_ == State::Connected; }
  bool IsHostMode() const { return hostMode_; }
  int Fd() const { return fd_; }
  const std::string& Host() const { return host_; }
  int Port() const { return port_; }
  // The numeric address of the peer once known ("10.0.0.1", "::1").
  const std::string& PeerAddress() const { return peerAddress_; }
  // Bytes accepted by the sends but not yet taken by the socket.
  size_t PendingOutput() const { return pending_.size(); }

  // The connect-time clock: the clock second the connection came up, and
  // the seconds since then ("%02d:%02d:%02d" through FormatElapsed).
  long long ConnectTime() const { return connectTime_; }
  long long ElapsedSeconds() const;

 private:
  struct LookupShared;

  void StartLookup();
  void OnLookupDone(int error, std::vector<NetAddress> addresses);
  void ConnectNext();
  void OnConnectEvent();
  void OnIoEvent(unsigned ioEvents);
  void ArmNotifications();
  void StopNotifications();
  void HandleClose();
  void BecomeConnected();
  void Fail(std::string_view text, MessageIcon icon);
  int SendBytes(std::span<const uint8_t> bytes);
  void FlushPending();
  void CloseSocket();
  bool Alive(const std::weak_ptr<int>& token) const { return !token.expired(); }

  EventLoop& loop_;
  TelnetEvents& events_;
  std::string host_;
  int port_ = 23;
  bool hostMode_ = false;
  bool askOnClose_ = true;
  bool localEcho_ = false;
  bool inTransfer_ = false;
  bool watching_ = false;
  State state_ = State::NotStarted;
  int fd_ = -1;
  std::string peerAddress_;
  std::vector<NetAddress> candidates_;  // addresses still to try, in order
  long long connectTime_ = 0;
  std::vector<uint8_t> pending_;  // output the socket has not taken yet
  std::shared_ptr<LookupShared> lookup_;
  std::shared_ptr<int> life_ = std::make_shared<int>(0);  // expires with the object
};

// "%02d:%02d:%02d" of a number of seconds: the connect-time clock's text.
std::string FormatElapsed(long long seconds);

}  // namespace parlane
