// What a transfer needs from the session window it runs on: a parent for its
// dialog, the kind of link, and the link itself for the length of the
// transfer. A session window stops reading its link while a transfer has it.
//
// Any session window whose link implements SessionLink::BeginTransfer and
// EndTransfer (Telnet today; the serial link of the dial-up window the same
// way) is served by SessionTransferHost.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <span>

#include "xfer/transfer_link.h"

namespace parlane {

class Session;

class TransferHost {
 public:
  virtual ~TransferHost() = default;
  // The window the transfer dialog belongs to.
  virtual QWidget* TransferParent() = 0;
  // Telnet sessions always use the Telnet variant of Zmodem.
  virtual bool IsTelnet() const = 0;
  // The session stops reading its link and hands it over; null when the
  // link is not up.
  virtual std::unique_ptr<TransferLink> BeginTransfer() = 0;
  // The transfer's link is gone: the session reads its link again. What the
  // link had read past the transfer's end (a shell's prompt that came right
  // after the last frame) is `readAhead`, to be shown as received.
  virtual void EndTransfer(std::span<const uint8_t> readAhead) = 0;
};

// A session window's host: the link of its Session.
class SessionTransferHost final : public TransferHost {
 public:
  SessionTransferHost(Session& session, QWidget* window) : session_(session), window_(window) {}
  QWidget* TransferParent() override { return window_; }
  bool IsTelnet() const override;
  std::unique_ptr<TransferLink> BeginTransfer() override;
  void EndTransfer(std::span<const uint8_t> readAhead) override;

 private:
  Session& session_;
  QPointer<QWidget> window_;
};

}  // namespace parlane
