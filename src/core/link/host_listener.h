// The Telnet host mode server's listening socket: bound to the wildcard
// address (IPv6 and IPv4 on one socket where the machine has IPv6), accepting
// each client into a descriptor for a host-mode TelnetConnection.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "link/event_loop.h"

namespace parlane {

class HostListener {
 public:
  struct Client {
    int fd = -1;          // the accepted socket, non-blocking; the receiver owns it
    std::string address;  // the client's numeric address ("192.168.1.20")
  };
  using AcceptFn = std::function<void(Client)>;
  using ErrorFn = std::function<void(std::string_view statusText)>;

  static constexpr std::string_view kTextBindFailed =
      "ERROR BINDING TO PORT, PLEASE TRY AGAIN OR USE ANOTHER PORT";
  static constexpr std::string_view kTextAcceptFailed =
      "ERROR ACCEPTING CONNECTION FROM REMOTE CLIENT";
  static constexpr std::string_view kTextNoSocket = "Could not create server socket";
  static constexpr std::string_view kTextWaiting =
      "WAITING FOR TELNET CLIENT TO CONNECT ON PORT %s...";
  // The port used when the text is not a positive number.
  static constexpr int kDefaultPort = 23;

  // `accepted` gets every client; `failed` gets the accept failure text.
  HostListener(EventLoop& loop, AcceptFn accepted, ErrorFn failed);
  ~HostListener();
  HostListener(const HostListener&) = delete;
  HostListener& operator=(const HostListener&) = delete;

  enum class Result { Listening, NoSocket, BindFailed };
  // Closes any earlier listener, then binds to `port` and listens. Port 0
  // takes any free port (see BoundPort).
  Result Listen(int port);
  void Stop();
  bool IsListening() const { return fd_ >= 0; }
  int BoundPort() const { return boundPort_; }

  // The port text rule: the decimal number at the start of the first nine
  // characters; a result that is not positive is 23. Only the low 16 bits
  // are used.
  static int PortFromText(std::string_view text);
  // "WAITING FOR TELNET CLIENT TO CONNECT ON PORT %s..." with the text as typed.
  static std::string WaitingText(std::string_view portText);
  // This machine's name and its first address (IPv4 preferred), "" if none.
  static std::string MachineName();
  static std::string MachineAddress();
  // "Host mode with %s": the title of a client's window.
  static std::string ClientTitle(std::string_view address);

 private:
  void OnReadable();

  EventLoop& loop_;
  AcceptFn accepted_;
  ErrorFn failed_;
  int fd_ = -1;
  int boundPort_ = 0;
};

}  // namespace parlane
