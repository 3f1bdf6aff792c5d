// Running a transfer the way the transfer dialog's start handler does, and
// the dialog's cancel state (its one button: "Cancel", later "OK").
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "xfer/protocol.h"

namespace parlane {

// The cancel state of a running transfer. The GUI's button and the command
// line's interrupt both go through PressButton(); the link's cancel check
// reads CancelRequested().
class TransferControl {
 public:
  enum class State { Running, CancelAsked, Finished };

  // The button: the first press asks to cancel, later presses while the
  // transfer ends repeat the text; once finished it closes (returns true).
  bool PressButton(TransferProgress& progress);
  bool CancelRequested() const { return cancelPressed_; }
  State GetState() const { return state_; }
  void Finish() { state_ = State::Finished; }
  std::string_view ButtonText() const { return state_ == State::Finished ? "OK" : "Cancel"; }

 private:
  State state_ = State::Running;
  bool cancelPressed_ = false;
};

enum class TransferOutcome {
  Success,  // "Transfer Successfully Completed"
  Failed,   // "CANCELLED - " and the reason
  Other,    // a result that is neither: the cancel sequence, nothing shown
};

struct TransferResult {
  TransferOutcome outcome = TransferOutcome::Other;
  int code = 0;        // what SendFiles or ReceiveFiles returned
  std::string status;  // the status line at the end
};

// The bytes a failed transfer sends: ten CAN and ten backspaces.
void SendCancelSequence(TransferLink& link);

// Sets the caption, runs the protocol in `direction` and ends it as the
// dialog does: success shows "Transfer Successfully Completed"; failure
// sends the cancel sequence, drains a receive that the user cancelled,
// and shows the reason after "CANCELLED - ".
TransferResult RunTransfer(TransferProtocol& protocol, TransferDirection direction,
                           const std::vector<std::string>& files = {},
                           TransferControl* control = nullptr);

// "CANCELLED - " in front of a status text cut to fit the status line.
std::string CancelledStatus(std::string_view status);

}  // namespace parlane
