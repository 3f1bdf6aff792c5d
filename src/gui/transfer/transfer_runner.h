// Starting a transfer on a session: the receive directory made ready, the
// link taken from the session, the protocol chosen (Telnet: Telnet Zmodem;
// dial-up: `Protocol`), the remote receiver started for a Zmodem upload,
// the progress dialog run, and the link given back.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "transfer/transfer_dialog_run.h"
#include "transfer/transfer_host.h"

namespace parlane {

class Session;

struct AppContext;

struct SessionTransfer {
  bool send = false;
  std::vector<std::string> files;                    // to send, in order
  std::function<void(const std::string&)> fileDone;  // each file sent or skipped
};

// True while a transfer dialog runs anywhere in the program (or a download
// request has taken its session's link and is about to open one).
bool TransferRunning();

// A session's link can be handed to a transfer: a Telnet connection once it
// is up; a serial line whenever its window has the port (a transfer right
// after CONNECT comes before the carrier check, and a null-modem cable has
// no carrier at all). The serial link refuses itself when the port is gone.
bool LinkReadyForTransfer(const Session& session);

// Makes sure received files can be stored in `dir`: it is created when
// missing, and a file is created in it and removed again. Returns the
// message to show when that fails.
std::optional<QString> PrepareReceiveDir(const std::string& dir);

// Runs one transfer on `host` with its progress dialog. `taken` is a link
// the session has already handed over (a download request); otherwise the
// host's link is taken here. Returns nothing when no transfer ran (another
// one runs, the link is not up, or the receive directory cannot be used,
// which has then been shown).
std::optional<DialogResult> RunSessionTransfer(AppContext& app, TransferHost& host,
                                               const SessionTransfer& transfer,
                                               std::unique_ptr<TransferLink> taken = nullptr);

// Held while a session's link is taken for a transfer that has not opened
// its dialog yet: TransferRunning() is true meanwhile.
class TransferReservation {
 public:
  TransferReservation();
  ~TransferReservation();
  TransferReservation(const TransferReservation&) = delete;
  TransferReservation& operator=(const TransferReservation&) = delete;
};

}  // namespace parlane
