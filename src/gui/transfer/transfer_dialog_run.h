// Running one protocol in the progress dialog, in terms that need none of the
// protocol headers: the settings record and the protocol classes cannot be
// seen together (both name a `TransferProtocol`), so the session side of a
// transfer talks to the dialog through this header only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "xfer/transfer_link.h"

class QWidget;

namespace parlane {

enum class TransferKind { Zmodem, TelnetZmodem, YmodemG };
enum class DialogOutcome { Success, Failed, Other };

struct DialogTransfer {
  TransferKind kind = TransferKind::Zmodem;
  bool send = false;
  std::vector<std::string> files;                    // to send, in order
  std::string receiveDir = ".";                      // where received files go
  std::function<void(const std::string&)> fileDone;  // each file sent or skipped
  std::function<void(bool success)> sound;           // the ending's sound event
};

struct DialogResult {
  DialogOutcome outcome = DialogOutcome::Other;
  std::string status;  // the status line at the end
};

// Runs the transfer in a modal FileTransfer dialog over `link` and returns
// once the dialog has closed.
DialogResult RunTransferDialog(QWidget* parent, TransferLink& link, const DialogTransfer& transfer);

// The bytes that tell a peer the transfer is off: ten CAN, ten backspaces.
void SendTransferCancel(TransferLink& link);

}  // namespace parlane
