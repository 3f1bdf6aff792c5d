#include "session/comm_window.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "app/app_context.h"
#include "link/serial_port.h"
#include "session/serial_link.h"
#include "session/session.h"

namespace parlane {

namespace {

// A paste waits this long at most for the output queue to empty (flow
// control may hold it); then the next character goes anyway.
constexpr int kPasteDrainLimitMs = 2000;
constexpr int kPasteDrainSliceMs = 5;

// The Telnet window's parameters with the serial link in place of Telnet.
TelnetSessionParams SerialParams(AppContext& app, const CommSessionParams& p, SerialPort& port) {
  TelnetSessionParams params;
  params.terminal = p.terminal;
  params.userName = p.userName;
  params.password = p.password;
  params.loginScript = p.loginScript;
  params.title = p.title;
  params.makeLink = [&app, &port, status = p.lineSummary,
                     initial = p.initialInput](Session& session) {
    return std::make_unique<SerialLink>(port, session, app.loop, status, initial);
  };
  return params;
}

}  // namespace

CommWindow::CommWindow(AppContext& app, const CommSessionParams& params, SerialPort& port,
                       QWidget* parent)
    : TelnetWindow(app, SerialParams(app, params, port), QString::fromLatin1(kClassName), parent),
      ctx_(app),
      port_(port),
      link_(static_cast<SerialLink*>(GetSession().Link())) {
  setObjectName(QStringLiteral("CommWindow"));
  // Set-up: the clock shows 00:00:00, timer 2 starts, DTR goes up; the
  // link starts reading and the login script once the window is shown.
  if (app.status.ConnectTimeShown()) app.status.SetConnectTime(QStringLiteral("00:00:00"));
  carrierTimer_.setObjectName(QStringLiteral("timer2"));
  carrierTimer_.setInterval(kCarrierTickMs);
  connect(&carrierTimer_, &QTimer::timeout, this, &CommWindow::CheckCarrier);
  carrierTimer_.start();
  port_.SetDtr(true);
}

CommWindow::~CommWindow() {
  carrierTimer_.stop();
  link_->Pause();
  // Pending input and output are discarded with the port.
  port_.Close();
}

// A transfer reads the port itself: the window's reading and its timer 2
// stop until it ends.
void CommWindow::PauseReading() {
  carrierTimer_.stop();
  link_->Pause();
}

void CommWindow::ResumeReading() {
  link_->Resume();
  carrierTimer_.start();
}
bool CommWindow::Reading() const { return link_->Polling(); }

void CommWindow::PastedCharacter(int) {
  QElapsedTimer waited;
  waited.start();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  while (port_.IsOpen() && link_->PendingOutput() > 0 && waited.elapsed() < kPasteDrainLimitMs) {
    ::usleep(kPasteDrainSliceMs * 1000);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
}

void CommWindow::CheckCarrier() {
  const bool focused = hasFocus();
  switch (link_->CheckCarrier()) {
    case CarrierWatch::Change::None: break;
    case CarrierWatch::Change::Online:
      if (focused) {
        ctx_.status.SetIndicator(StatusIndicator::Cd, true);
        ctx_.status.SetConnectTime(QStringLiteral("00:00:00"));
      }
      emit ConnectedChanged(true);
      break;
    case CarrierWatch::Change::StillOnline:
      if (focused) ctx_.status.SetConnectTime(QString::fromStdString(GetSession().ElapsedText()));
      break;
    case CarrierWatch::Change::Offline:
      if (focused) ctx_.status.SetIndicator(StatusIndicator::Cd, false);
      emit ConnectedChanged(false);
      break;
  }
}

void CommWindow::focusInEvent(QFocusEvent* event) {
  CheckCarrier();
  TelnetWindow::focusInEvent(event);
}

CommWindowMDIChild::CommWindowMDIChild(AppContext& app, const CommSessionParams& params,
                                       SerialPort& port, QWidget* parent)
    : TelnetWindowMDIChild(app, params.title, new CommWindow(app, params, port), parent) {
  setObjectName(QStringLiteral("CommWindowMDIChild"));
}

CommWindow* CommWindowMDIChild::Comm() const { return static_cast<CommWindow*>(Window()); }

}  // namespace parlane
