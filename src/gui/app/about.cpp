#include "app/about.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/icons.h"

namespace parlane {

namespace {

constexpr int kPictureSize = 64;

}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About Parlane"));
  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("1100"));
  picture->setPixmap(ProgramIcon().pixmap(kPictureSize, kPictureSize));
  auto* text = new QLabel(
      QStringLiteral("<b>Parlane</b> %1<br>Telnet and dial-up communications<br>"
                     "TTY, VT100, PC ANSI and SCO ANSI terminals<br>Zmodem and Ymodem-G")
          .arg(QStringLiteral(PARLANE_VERSION)),
      this);
  text->setObjectName(QStringLiteral("1101"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* row = new QHBoxLayout;
  row->addWidget(picture);
  row->addWidget(text, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
}

// Centred over the MDI client area that owns it.
void AboutDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (QWidget* owner = parentWidget()) {
    const QPoint centre = owner->mapToGlobal(owner->rect().center());
    move(centre - rect().center());
  }
}

}  // namespace parlane
