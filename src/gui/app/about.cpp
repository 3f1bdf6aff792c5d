#include "app/about.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/pictures.h"

namespace parlane {

namespace {

constexpr int kEmblemSize = 80;
constexpr QSize kBannerSize{315, 180};

}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About Parlane"));
  QWidget* emblem = PictureWidget(QStringLiteral("emblem"), QSize(kEmblemSize, kEmblemSize), this);
  emblem->setObjectName(QStringLiteral("1100"));
  QWidget* banner = PictureWidget(QStringLiteral("title"), kBannerSize, this);
  banner->setObjectName(QStringLiteral("1101"));
  auto* text = new QLabel(
      QStringLiteral("<b>Parlane</b> version %1<br>Telnet and dial-up communications<br>"
                     "TTY, VT100, PC ANSI and SCO ANSI terminals<br>Zmodem and Ymodem-G<br><br>"
                     "Copyright 2026 Parlane developers.<br>Licence: %2.")
          .arg(QStringLiteral(PARLANE_VERSION), QString::fromLatin1(kLicenceName)),
      this);
  text->setObjectName(QStringLiteral("AboutText"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* row = new QHBoxLayout;
  row->addWidget(emblem, 0, Qt::AlignTop);
  row->addWidget(text, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(banner, 0, Qt::AlignHCenter);
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
