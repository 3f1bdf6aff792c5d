#include "host/telnet_window_host.h"

#include "app/app_context.h"
#include "config/main_config.h"
#include "link/host_listener.h"
#include "platform/platform.h"
#include "session/telnet_window.h"
#include "term/session_hooks.h"

namespace parlane {

TelnetWindowHost::TelnetWindowHost(AppContext& app, const TelnetSessionParams& params,
                                   const QString& className, QWidget* parent)
    : TelnetWindow(app, params, className, parent) {
  setObjectName(QStringLiteral("TelnetWindowHost"));
}

QString TelnetWindowHost::DownloadQuestion(const std::string& receiveDir) {
  return QStringLiteral(
             "The caller asks to send files with Zmodem.\n"
             "They would be stored in %1.\n\nAllow the transfer?")
      .arg(QString::fromLocal8Bit(receiveDir.c_str()));
}

QString TelnetWindowHost::PrintQuestion() {
  return QStringLiteral("The caller asks to print on your printer.\n\nAllow the print job?");
}

// Asked every time: a caller is a stranger to this machine. The default
// answer is No, so an Enter typed at the wrong moment refuses.
bool TelnetWindowHost::AllowHostRequest(HostRequest request) {
  const QString question = request == HostRequest::Download
                               ? DownloadQuestion(App().config.ReceiveDir)
                               : PrintQuestion();
  QString caption;
  for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
    if (w->parentWidget() == nullptr || w->inherits("QMdiSubWindow")) {
      caption = w->windowTitle();
      break;
    }
  }
  return App().platform.Message(this, question, caption, MsgIcon::Question,
                                MsgButtons::YesNoDefaultNo) == MsgResult::Yes;
}

TelnetSessionParams HostClientParams(const Main_Configuration_Struct& config, int acceptedFd,
                                     const std::string& peerAddress) {
  TelnetSessionParams params;
  params.port = 23;
  params.terminal.Emulation = config.Terminal.Emulation;
  params.terminal.InboundCrLf = 0;
  params.terminal.OutboundCrLf = 1;
  params.terminal.LocalEcho = 1;
  params.terminal.WordWrap = 1;
  params.terminal.BackspaceSendsDelete = 0;
  params.loginScript = config.HostScript;
  params.title = QString::fromStdString(HostListener::ClientTitle(peerAddress));
  params.acceptedFd = acceptedFd;
  params.peerAddress = peerAddress;
  return params;
}

}  // namespace parlane
