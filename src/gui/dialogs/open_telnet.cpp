#include "dialogs/open_telnet.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "dialogs/ok_cancel.h"
#include "platform/platform.h"

namespace parlane {

namespace {

QString FromLocal(const std::string& s) {
  return QString::fromLocal8Bit(s.data(), qsizetype(s.size()));
}
std::string ToLocal(const QString& s) { return s.toLocal8Bit().toStdString(); }

}  // namespace

std::optional<uint16_t> ParsePortText(const QString& text) {
  bool ok = false;
  const uint port = text.trimmed().toUInt(&ok, 10);
  if (!ok || port == 0 || port > 65535) return std::nullopt;
  return static_cast<uint16_t>(port);
}

OpenTelnet::OpenTelnet(QWidget* parent, HostHistory& history, Platform& platform)
    : QDialog(parent), history_(history), platform_(platform) {
  setWindowTitle(QStringLiteral("Open Telnet Connection"));
  hostBox_ = new QComboBox(this);
  hostBox_->setObjectName(QStringLiteral("106"));
  hostBox_->setEditable(true);
  hostBox_->setInsertPolicy(QComboBox::NoInsert);
  hostBox_->lineEdit()->setMaxLength(static_cast<int>(kMaxHostText));
  hostBox_->setMinimumContentsLength(static_cast<int>(kMaxHostText) / 2);
  portEdit_ = new QLineEdit(this);
  portEdit_->setObjectName(QStringLiteral("112"));
  portEdit_->setMaxLength(static_cast<int>(kMaxPortText));

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Host Name or IP Address"), hostBox_);
  form->addRow(QStringLiteral("Port Number"), portEdit_);
  QDialogButtonBox* buttons = OkCancelButtons(this);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);

  const OpenTelnetSetup setup = SetUpOpenTelnet(history_);
  for (const std::string& host : setup.Hosts) hostBox_->addItem(FromLocal(host));
  hostBox_->setCurrentIndex(setup.Selected);
  hostBox_->setEditText(FromLocal(setup.Host));
  portEdit_->setText(FromLocal(setup.Port));
  connect(hostBox_, &QComboBox::currentIndexChanged, this, &OpenTelnet::HistorySelected);
}

void OpenTelnet::HistorySelected(int index) {
  if (index < 0) return;
  portEdit_->setText(FromLocal(HistoryPortAt(history_, index)));
}

void OpenTelnet::accept() {
  const QString host = hostBox_->currentText().left(static_cast<int>(kMaxHostText));
  const QString portText = portEdit_->text().left(static_cast<int>(kMaxPortText));
  // A port that is no TCP port at all would otherwise be cut to 16 bits
  // and connect somewhere unintended: refuse it here.
  const std::optional<uint16_t> port = ParsePortText(portText);
  if (!port) {
    platform_.Message(this, QStringLiteral("Please enter a port number from 1 to 65535."),
                      windowTitle(), MsgIcon::Exclamation, MsgButtons::Ok);
    portEdit_->setFocus();
    return;
  }
  host_ = host;
  portText_ = portText;
  port_ = *port;
  UpdateHostHistory(history_, ToLocal(host_), ToLocal(portText_));
  QDialog::accept();
}

}  // namespace parlane
