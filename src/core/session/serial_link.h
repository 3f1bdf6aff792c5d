// The dial-up session's link: the program's serial port, read whenever the
// event loop reports input on its descriptor, at most 1024 bytes a read.
//
// The window drives the carrier check (timer 2) through CheckCarrier(); a
// file transfer stops the reading with Pause() while it reads the port
// itself, and Resume() gives the port back to the session.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/carrier_watch.h"
#include "session/session_link.h"

namespace parlane {

class EventLoop;
class Session;
class SerialPort;

class SerialLink final : public SessionLink {
 public:
  using Clock = std::function<long long()>;  // whole seconds

  // `initialInput`: the host's bytes that came with the modem's CONNECT,
  // shown first when the link starts. `statusName`: the line summary the
  // status bar shows ("9600,N,8,1").
  SerialLink(SerialPort& port, Session& session, EventLoop& loop, std::string statusName,
             std::string initialInput = {}, Clock clock = {});
  ~SerialLink() override;

  // Shows the initial input, starts reading and the login script.
  void Start() override;
  void SendData(std::span<const uint8_t> bytes) override;
  void SendRaw(std::span<const uint8_t> bytes) override;
  void SetLocalEcho(bool on) override { localEcho_ = on; }
  bool IsConnected() const override { return watch_.Online(); }
  long long ElapsedSeconds() const override { return watch_.Elapsed(clock_()); }
  std::string StatusName() const override { return statusName_; }
  bool IsTelnet() const override { return false; }
  // Bytes not yet on the line: those waiting here for room in the driver's
  // output queue, and those in that queue.
  size_t PendingOutput() const override;

  // A file transfer takes the port: reading stops (anything still waiting
  // to go out is dropped) until EndTransfer(). Null when the line is gone.
  std::unique_ptr<TransferLink> BeginTransfer() override;
  void EndTransfer() override { Resume(); }

  // The polling flag: cleared while a transfer reads the port.
  void Pause();
  void Resume();
  bool Polling() const { return polling_; }

  // One carrier check. A device that has gone away (unplugged, or the far
  // side of the line closed) counts as no carrier, and the session is told
  // once in its window; it stays open for reading.
  CarrierWatch::Change CheckCarrier();
  bool LineGone() const { return gone_; }

  // Reads one block (at most 1024 bytes) if any waits: the notifier's work.
  void ReadPort();

  SerialPort& Port() { return port_; }

 private:
  bool DeviceHungUp() const;
  void Write(std::span<const uint8_t> bytes, bool echo);
  void NoteGone();
  // Writes what the driver takes now; the rest waits in `pending_` and goes
  // out from a timer as the line drains, so a large raw send never blocks
  // the window and never drops bytes at low line speeds.
  void Flush();
  void StopFlushing();

  SerialPort& port_;
  Session& session_;
  EventLoop& loop_;
  std::string statusName_;
  std::string initialInput_;
  Clock clock_;
  CarrierWatch watch_;
  bool polling_ = false;
  bool started_ = false;
  bool localEcho_ = false;
  bool gone_ = false;
  std::vector<uint8_t> pending_;
  size_t pendingFrom_ = 0;
  uint64_t flushTimer_ = 0;
};

}  // namespace parlane
