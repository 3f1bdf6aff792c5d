#include "print/attached_print_window.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/platform.h"

namespace parlane {

AttachedPrintWindow::AttachedPrintWindow(QWidget* parent, Platform& platform,
                                         std::function<void()> cancel)
    : QDialog(parent), platform_(platform), cancel_(std::move(cancel)) {
  setObjectName(QStringLiteral("AttachedPrintOut"));
  setWindowTitle(QStringLiteral("Attached/Transparent Printing"));
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Spooling data to Printer..."), this));
  cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
  layout->addWidget(cancelButton_, 0, Qt::AlignHCenter);
  connect(cancelButton_, &QPushButton::clicked, this, &AttachedPrintWindow::AskCancel);
}

void AttachedPrintWindow::AskCancel() {
  if (platform_.Message(this, QStringLiteral("Are you sure you want to cancel printing?"),
                        QStringLiteral("Cancel Printing"), MsgIcon::Question,
                        MsgButtons::YesNo) != MsgResult::Yes) {
    return;
  }
  if (cancel_) cancel_();
}

}  // namespace parlane
