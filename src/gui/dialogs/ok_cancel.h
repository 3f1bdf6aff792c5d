// The OK and Cancel buttons that most dialogs end with.
#pragma once

#include <QDialog>
#include <QDialogButtonBox>

namespace parlane {

// OK and Cancel in the desktop's order, answering the dialog's accept() and
// reject() (a dialog's own override included).
inline QDialogButtonBox* OkCancelButtons(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

}  // namespace parlane
