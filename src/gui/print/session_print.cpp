// The session window's printing: the three print commands and the window's
// side of attached printing (the spooling dialog, timer 3, no printer).
#include <QPointer>
#include <QPrinter>

#include "app/app_context.h"
#include "app/commands.h"
#include "config/main_config.h"
#include "platform/platform.h"
#include "print/attached_print_window.h"
#include "print/print_layout.h"
#include "print/printer_service.h"
#include "session/session.h"
#include "session/terminal_view.h"

namespace parlane {

namespace {

const QString kNoPrinterText =
    QStringLiteral("No printer is set up: the host's print job is discarded");

}  // namespace

bool TelnetWindow::CanPrint(int id) const {
  if (app_.printer == nullptr) return false;
  if (id == cmd::kPrintSelected) return !session_->Select().Empty();
  return true;
}

void TelnetWindow::PrintCommand(int id) {
  if (!CanPrint(id)) return;
  const TerminalScreen& screen = session_->Screen();
  PrintRange range;
  switch (id) {
    case cmd::kPrintPage: range = PageRange(screen); break;
    case cmd::kPrintSession: range = SessionRange(screen); break;
    case cmd::kPrintSelected: {
      const Selection& s = session_->Select();
      range = SelectionRange(s.First().col, s.First().row, s.Last().col, s.Last().row);
      break;
    }
    default: return;
  }
  PrinterService& service = *app_.printer;
  if (!service.AskPrint(this)) return;
  QtPrinterPage page(service.Printer(),
                     PrinterFontFor(app_.config.PrinterFont, font_, ScreenDpi()));
  if (!PrintRows(screen, range, page)) {
    app_.platform.Message(this, QStringLiteral("The document could not be printed."), Caption(),
                          MsgIcon::Stop, MsgButtons::Ok);
  }
}

std::unique_ptr<PrinterPage> TelnetWindow::OpenAttachedPrinter() {
  std::unique_ptr<PrinterPage> job =
      app_.printer
          ? app_.printer->AttachedJob(PrinterFontFor(app_.config.PrinterFont, font_, ScreenDpi()))
          : nullptr;
  if (!printTimer_) {
    printWindow_ = new AttachedPrintWindow(this, app_.platform,
                                           [this] { session_->CancelAttachedPrinting(); });
    printTimer_ = new QTimer(this);
    printTimer_->setObjectName(QStringLiteral("timer3"));
    printTimer_->setSingleShot(true);
    connect(printTimer_, &QTimer::timeout, this, [this] { session_->AttachedPrintTimer(); });
  }
  if (!job) {
    app_.status.SetMessage(kNoPrinterText);
    return nullptr;
  }
  printWindow_->show();
  return job;
}

void TelnetWindow::AttachedPrintingChanged(bool active) {
  if (!active && printWindow_) printWindow_->hide();
}

void TelnetWindow::SetPrintTimer(bool running) {
  if (!printTimer_) return;
  if (running) {
    printTimer_->start(kAttachedJobEndMs);
  } else {
    printTimer_->stop();
  }
}

void TelnetWindow::RaisePrintWindow() {
  if (printWindow_ && printWindow_->isVisible()) printWindow_->raise();
}

}  // namespace parlane
