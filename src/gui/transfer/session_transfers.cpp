#include "transfer/session_transfers.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>
#include <memory>

#include "app/app_context.h"
#include "config/main_config.h"
#include "session/comm_window.h"
#include "session/session.h"
#include "session/telnet_window.h"
#include "session/terminal_view.h"
#include "transfer/transfer_runner.h"
#include "transfer/upload_list.h"

namespace parlane {

namespace {

// What a request that starts nothing leaves on the screen.
constexpr std::string_view kRequestText = "B00";

}  // namespace

void ReceiveFiles(AppContext& app, Session& session, QWidget* window) {
  SessionTransferHost host(session, window);
  RunSessionTransfer(app, host, SessionTransfer{});
}

void ReceiveFilesCommand(AppContext& app, TelnetWindowMDIChild& session) {
  ReceiveFiles(app, session.Window()->GetSession(), session.Window());
}

void SendFilesCommand(AppContext& app, TelnetWindowMDIChild& session,
                      QPointer<FileUploadMDIChild>& list) {
  const SessionLink* link = session.Window()->GetSession().Link();
  if (link != nullptr && !link->IsTelnet()) {
    // The dial-up list is not tied to one window: it sends through whichever
    // dial-up window is open when its start button is pressed.
    QPointer<QMdiArea> area = session.mdiArea();
    OpenDialupUploadList(app, area, [area]() -> std::unique_ptr<TransferHost> {
      if (!area) return nullptr;
      for (QMdiSubWindow* sub : area->subWindowList()) {
        if (auto* dialup = qobject_cast<CommWindowMDIChild*>(sub)) {
          return std::make_unique<SessionTransferHost>(dialup->Window()->GetSession(),
                                                       dialup->Window());
        }
      }
      return nullptr;
    });
    return;
  }
  if (list) {
    if (QMdiArea* area = list->mdiArea()) area->setActiveSubWindow(list);
    list->raise();
    return;
  }
  auto* dialog = new TelnetFileUploadDialog(app, session);
  auto* child = new TelnetFileUploadMDIChild(
      dialog, QStringLiteral("%1 U/L List").arg(session.windowTitle()));
  list = child;
  if (QMdiArea* area = session.mdiArea()) {
    area->addSubWindow(child);
  } else {
    child->setParent(app.mainWindow, child->windowFlags() | Qt::Window);
  }
  child->show();
}

void DownloadRequested(AppContext& app, TelnetWindowMDIChild& session) {
  DownloadRequested(app, session.Window()->GetSession(), session.Window());
}

void DownloadRequested(AppContext& app, Session& s, QWidget* window) {
  if (TransferRunning()) {
    s.Show({reinterpret_cast<const uint8_t*>(kRequestText.data()), kRequestText.size()});
    return;
  }
  const bool telnet = s.Link() && s.Link()->IsTelnet();
  if (!telnet) app.config.Protocol = 1;  // a dial-up session receives with Zmodem
  SessionTransferHost host(s, window);
  std::unique_ptr<TransferLink> link = host.BeginTransfer();
  if (!link) return;
  auto reservation = std::make_shared<TransferReservation>();
  auto shared = std::make_shared<std::unique_ptr<TransferLink>>(std::move(link));
  // The window owns the session: the posted receive goes with it.
  QTimer::singleShot(0, window, [&app, &s, window, reservation, shared]() mutable {
    SessionTransferHost host(s, window);
    reservation.reset();
    RunSessionTransfer(app, host, SessionTransfer{}, std::move(*shared));
  });
}

FileUploadMDIChild* OpenDialupUploadList(AppContext& app, QMdiArea* area,
                                         std::function<std::unique_ptr<TransferHost>()> findHost) {
  auto* dialog = new FileUploadDialog(app, std::move(findHost));
  auto* child = new FileUploadMDIChild(dialog, QStringLiteral("Dial-up Upload File List"));
  if (area) area->addSubWindow(child);
  child->show();
  return child;
}

bool TransferCommandEnabled(const TelnetWindowMDIChild& session) {
  return LinkReadyForTransfer(session.Window()->GetSession()) && !TransferRunning();
}

}  // namespace parlane
