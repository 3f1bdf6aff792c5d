#include "transfer/session_transfers.h"

#include <QMdiArea>
#include <QTimer>
#include <memory>

#include "app/app_context.h"
#include "config/main_config.h"
#include "session/session.h"
#include "session/telnet_window.h"
#include "session/terminal_view.h"
#include "transfer/transfer_runner.h"
#include "transfer/upload_list.h"

namespace parlane {

namespace {

// What a request that starts nothing leaves on the screen.
constexpr std::string_view kRequestText = "B00";

SessionTransferHost HostOf(TelnetWindowMDIChild& session) {
  return SessionTransferHost(session.Window()->GetSession(), session.Window());
}

}  // namespace

void ReceiveFilesCommand(AppContext& app, TelnetWindowMDIChild& session) {
  SessionTransferHost host = HostOf(session);
  RunSessionTransfer(app, host, SessionTransfer{});
}

void SendFilesCommand(AppContext& app, TelnetWindowMDIChild& session, QPointer<FileUploadMDIChild>& list) {
  if (list) {
    if (QMdiArea* area = list->mdiArea()) area->setActiveSubWindow(list);
    list->raise();
    return;
  }
  auto* dialog = new TelnetFileUploadDialog(app, session);
  auto* child = new TelnetFileUploadMDIChild(dialog, QStringLiteral("%1 U/L List").arg(session.windowTitle()));
  list = child;
  if (QMdiArea* area = session.mdiArea()) {
    area->addSubWindow(child);
  } else {
    child->setParent(app.mainWindow, child->windowFlags() | Qt::Window);
  }
  child->show();
}

void DownloadRequested(AppContext& app, TelnetWindowMDIChild& session) {
  Session& s = session.Window()->GetSession();
  if (TransferRunning()) {
    s.Show({reinterpret_cast<const uint8_t*>(kRequestText.data()), kRequestText.size()});
    return;
  }
  const bool telnet = s.Link() && s.Link()->IsTelnet();
  if (!telnet) app.config.Protocol = 1;  // a dial-up session receives with Zmodem
  SessionTransferHost host = HostOf(session);
  std::unique_ptr<TransferLink> link = host.BeginTransfer();
  if (!link) return;
  auto reservation = std::make_shared<TransferReservation>();
  auto shared = std::make_shared<std::unique_ptr<TransferLink>>(std::move(link));
  QPointer<TelnetWindowMDIChild> alive(&session);
  QTimer::singleShot(0, &session, [&app, alive, reservation, shared]() mutable {
    if (!alive) return;
    SessionTransferHost host = HostOf(*alive);
    reservation.reset();
    RunSessionTransfer(app, host, SessionTransfer{}, std::move(*shared));
  });
}

bool TransferCommandEnabled(const TelnetWindowMDIChild& session) {
  return session.IsConnected() && !TransferRunning();
}

}  // namespace parlane
