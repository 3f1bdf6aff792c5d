// The link a session runs over. A Telnet session has its own TCP connection;
// the dial-up session will run the same window over the serial port. The
// session only sends through this interface and asks it for its state; what
// the link receives comes back through the session's Received().
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "xfer/transfer_link.h"

namespace parlane {

class SessionLink {
 public:
  virtual ~SessionLink() = default;

  // Starts connecting (Telnet) or is a no-op for a link that is already up.
  virtual void Start() = 0;
  // The data path: keys, pasted text, script output and terminal replies.
  // The link echoes the bytes through the session when local echo is on.
  virtual void SendData(std::span<const uint8_t> bytes) = 0;
  // The raw path: negotiation replies and raw transmission, never echoed.
  virtual void SendRaw(std::span<const uint8_t> bytes) = 0;
  virtual void SetLocalEcho(bool on) = 0;

  virtual bool IsConnected() const = 0;
  // Seconds since the connection came up (0 when it is not up).
  virtual long long ElapsedSeconds() const = 0;
  // What the status bar's link pane shows while the session is active.
  virtual std::string StatusName() const = 0;
  // True for Telnet: byte 255 is a Telnet command in the received stream.
  virtual bool IsTelnet() const = 0;
  // Bytes taken by the sends but not yet written to the line; raw file
  // transmission waits while this is high, so it goes at the link's pace.
  // A link whose sends block until written reports 0.
  virtual size_t PendingOutput() const { return 0; }

  // A file transfer takes the link over: the session stops reading it (a
  // Telnet link also asks for binary mode both ways) and the transfer reads
  // and writes it through the returned TransferLink until EndTransfer().
  // Null when the link is not up or cannot be handed over.
  virtual std::unique_ptr<TransferLink> BeginTransfer() { return nullptr; }
  // The transfer is over (its TransferLink is gone): the session reads the
  // link again (Telnet: after asking for binary mode off).
  virtual void EndTransfer() {}
};

}  // namespace parlane
