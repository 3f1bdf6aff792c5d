#include "transfer/transfer_runner.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/app_context.h"
#include "config/main_config.h"
#include "platform/platform.h"
#include "session/session.h"
#include "telnet/encoder.h"

namespace parlane {

namespace {

int gRunning = 0;

// The remote shell's command that starts its Zmodem receiver.
constexpr std::string_view kRemoteReceiver = "rz\r";
constexpr int kRemoteReceiverSeconds = 10;

QString Local(const std::string& text) { return QString::fromLocal8Bit(text.c_str()); }

TransferKind KindFor(const AppContext& app, bool telnet) {
  if (telnet) return TransferKind::TelnetZmodem;
  return app.config.Protocol == 0 ? TransferKind::YmodemG : TransferKind::Zmodem;
}

}  // namespace

bool SessionTransferHost::IsTelnet() const {
  return session_.Link() && session_.Link()->IsTelnet();
}

bool LinkReadyForTransfer(const Session& session) {
  return session.Link() && (session.IsConnected() || !session.Link()->IsTelnet());
}

std::unique_ptr<TransferLink> SessionTransferHost::BeginTransfer() {
  if (!LinkReadyForTransfer(session_)) return nullptr;
  return session_.Link()->BeginTransfer();
}

void SessionTransferHost::EndTransfer(std::span<const uint8_t> readAhead) {
  if (!session_.Link()) return;
  session_.Link()->EndTransfer();
  if (readAhead.empty()) return;
  // The transfer link took the Telnet framing off; a data byte 255 goes back
  // to the session doubled, as it came on the wire.
  if (session_.Link()->IsTelnet()) {
    session_.Received(telnet::DoubleIac(readAhead));
  } else {
    session_.Received(readAhead);
  }
}

TransferReservation::TransferReservation() { ++gRunning; }
TransferReservation::~TransferReservation() { --gRunning; }

bool TransferRunning() { return gRunning > 0; }

std::optional<QString> PrepareReceiveDir(const std::string& dir) {
  const std::string path = dir.empty() ? std::string(".") : dir;
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    const int error = ec ? ec.value() : (errno != 0 ? errno : ENOTDIR);
    return QStringLiteral("The receive directory %1 could not be created: %2")
        .arg(Local(path), Local(std::strerror(error)));
  }
  // The one sure test of writing (root passes every permission check, a
  // read-only mount fails them all): create a file and remove it again.
  std::string probe = path + (path.back() == '/' ? "" : "/") + ".parlane-write-test-XXXXXX";
  const int fd = mkstemp(probe.data());
  if (fd < 0) {
    return QStringLiteral("Files cannot be written to the receive directory %1: %2")
        .arg(Local(path), Local(std::strerror(errno)));
  }
  close(fd);
  unlink(probe.c_str());
  return std::nullopt;
}

std::optional<DialogResult> RunSessionTransfer(AppContext& app, TransferHost& host,
                                               const SessionTransfer& transfer,
                                               std::unique_ptr<TransferLink> taken) {
  const bool receiving = !transfer.send;
  // No second transfer inside the first.
  if (!taken && TransferRunning()) return std::nullopt;
  TransferReservation running;
  if (receiving) {
    if (std::optional<QString> problem = PrepareReceiveDir(app.config.ReceiveDir)) {
      // A sender already waiting is told that nothing will come of it.
      if (taken) {
        SendTransferCancel(*taken);
        taken.reset();
        host.EndTransfer({});
      }
      app.platform.Message(host.TransferParent(), *problem, QStringLiteral("Parlane"),
                           MsgIcon::Stop, MsgButtons::Ok);
      return std::nullopt;
    }
  }
  std::unique_ptr<TransferLink> link = taken ? std::move(taken) : host.BeginTransfer();
  if (!link) return std::nullopt;

  DialogTransfer run;
  run.kind = KindFor(app, host.IsTelnet());
  run.send = transfer.send;
  run.files = transfer.files;
  run.receiveDir = app.config.ReceiveDir;
  run.fileDone = transfer.fileDone;
  run.sound = [&app](bool success) {
    if (app.playSound)
      app.playSound(success ? SoundEvent::TransferSuccess : SoundEvent::TransferFailed);
  };
  // A Zmodem upload first starts the receiver on the remote side.
  if (run.send && run.kind != TransferKind::YmodemG) {
    link->WriteBlock(reinterpret_cast<const uint8_t*>(kRemoteReceiver.data()),
                     kRemoteReceiver.size(), kRemoteReceiverSeconds);
    link->Flush();
  }
  link->SetPump([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
  QWidget* parent = host.TransferParent() ? host.TransferParent() : app.mainWindow;
  std::optional<DialogResult> result = RunTransferDialog(parent, *link, run);
  link->SetPump({});
  // What was read past the transfer's end goes back to the session once the
  // link is gone (its end may still write out what it gathered).
  const std::span<const uint8_t> left = link->Buffered();
  const std::vector<uint8_t> readAhead(left.begin(), left.end());
  link.reset();
  host.EndTransfer(readAhead);
  return result;
}

}  // namespace parlane
