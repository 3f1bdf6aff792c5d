#include "xfer/transfer_run.h"

#include "xfer/zmodem_codec.h"

namespace parlane {

namespace {
constexpr int kCancelSequenceSeconds = 30;
// After the user cancelled a receive, bytes still coming are read and dropped
// until the sender has been quiet this long, or this many have been dropped.
constexpr int kDrainByteSeconds = 10;
constexpr int kDrainLimitBytes = 16385;
// What remains of the old status text after "CANCELLED - ".
constexpr size_t kCancelledKeep = 62;
}  // namespace

bool TransferControl::PressButton(TransferProgress& progress) {
  switch (state_) {
    case State::Running:
      cancelPressed_ = true;
      state_ = State::CancelAsked;
      progress.SetStatus("Cancelling - Please wait...");
      return false;
    case State::CancelAsked: progress.SetStatus("Cancelling - Please wait..."); return false;
    case State::Finished: return true;
  }
  return false;
}

void SendCancelSequence(TransferLink& link) {
  link.WriteBlock(zm::kCancelSequence.data(), zm::kCancelSequence.size(), kCancelSequenceSeconds);
  link.Flush();
}

std::string CancelledStatus(std::string_view status) {
  return "CANCELLED - " + std::string(status.substr(0, kCancelledKeep));
}

TransferResult RunTransfer(TransferProtocol& protocol, TransferDirection direction,
                           const std::vector<std::string>& files, TransferControl* control) {
  TransferLink& link = protocol.Link();
  TransferProgress& progress = protocol.Progress();
  progress.Display().SetCaption(protocol.Caption(direction));
  protocol.Setup();

  TransferResult result;
  result.code =
      direction == TransferDirection::Receive ? protocol.ReceiveFiles() : protocol.SendFiles(files);
  if (result.code == 0) {
    link.Flush();
    progress.SetStatus("Transfer Successfully Completed");
    result.outcome = TransferOutcome::Success;
  } else if (result.code == protocol.FailureCode()) {
    SendCancelSequence(link);
    const bool cancelled = link.CancelRequested();
    if (direction == TransferDirection::Receive) {
      link.PurgeInput();
      if (cancelled) {
        progress.SetStatus("Cancelling - Please wait...");
        link.SetWaitsEndOnCancel(false);
        for (int dropped = 0; dropped < kDrainLimitBytes && link.ReadByte(kDrainByteSeconds) >= 0;
             ++dropped) {
        }
      }
    }
    if (cancelled) progress.SetStatus("User aborted");
    progress.SetStatus(CancelledStatus(progress.Status()));
    result.outcome = TransferOutcome::Failed;
  } else {
    SendCancelSequence(link);
    result.outcome = TransferOutcome::Other;
  }
  if (control) control->Finish();
  result.status = progress.Status();
  return result;
}

}  // namespace parlane
