#include "dialogs/comm_set.h"

#include <sys/stat.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "config/port_map_file.h"
#include "config/program_dir.h"
#include "dialogs/ok_cancel.h"
#include "link/serial_diagnosis.h"
#include "platform/platform.h"

namespace parlane {

namespace {

QRadioButton* AddRadio(QGroupBox* group, QLayout* layout, const QString& text, int id) {
  auto* radio = new QRadioButton(text, group);
  radio->setObjectName(QString::number(id));
  layout->addWidget(radio);
  return radio;
}

QGroupBox* Group(const char* title, QWidget* parent) {
  auto* box = new QGroupBox(QString::fromLatin1(title), parent);
  new QVBoxLayout(box);
  return box;
}

QString Latin1(std::string_view s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }

template <size_t N>
std::optional<size_t> CheckedIndex(const CommSet& dialog, const std::array<int, N>& ids) {
  for (size_t i = 0; i < N; ++i) {
    if (dialog.Radio(ids[i])->isChecked()) return i;
  }
  return std::nullopt;
}

}  // namespace

CommSet::CommSet(QWidget* parent, uint32_t portIndex, const Dcb& dcb,
                 std::filesystem::path portsFile, Platform& platform)
    : QDialog(parent), portsFile_(std::move(portsFile)), platform_(platform) {
  setWindowTitle(QStringLiteral("Hardware Settings"));
  const PortChoices choices = ChoicesFromDcb(portIndex, dcb);

  auto* portBox = Group("Serial Port", this);
  ports_ = new QListWidget(portBox);
  ports_->setObjectName(QString::number(kPortListId));
  for (std::string_view name : kPortNames) ports_->addItem(Latin1(name));
  if (portIndex < kPortNames.size()) ports_->setCurrentRow(int(portIndex));
  ports_->setMaximumHeight(ports_->sizeHintForRow(0) * 5);
  device_ = new QLabel(portBox);
  device_->setObjectName(QStringLiteral("device"));
  device_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* devices = new QPushButton(QStringLiteral("Devices..."), portBox);
  devices->setObjectName(QStringLiteral("devices"));
  portBox->layout()->addWidget(ports_);
  portBox->layout()->addWidget(device_);
  portBox->layout()->addWidget(devices);
  connect(ports_, &QListWidget::currentRowChanged, this, &CommSet::ShowDevice);
  connect(devices, &QPushButton::clicked, this, &CommSet::OpenDevices);

  auto* rates = Group("Bits Per Second", this);
  for (size_t i = 0; i < kRateIds.size(); ++i) {
    AddRadio(rates, rates->layout(), QString::number(kOfferedBaudRates[i]), kRateIds[i])
        ->setChecked(choices.BaudRate == kOfferedBaudRates[i]);
  }
  auto* data = Group("Data Bits", this);
  for (size_t i = 0; i < kDataBitsIds.size(); ++i) {
    AddRadio(data, data->layout(), QString::number(5 + i), kDataBitsIds[i])
        ->setChecked(choices.ByteSize == 5 + i);
  }
  auto* stop = Group("Stop Bits", this);
  const char* stopTexts[] = {"1", "1.5", "2"};
  for (size_t i = 0; i < kStopBitsIds.size(); ++i) {
    AddRadio(stop, stop->layout(), QString::fromLatin1(stopTexts[i]), kStopBitsIds[i])
        ->setChecked(choices.StopBits == i);
  }
  auto* parity = Group("Parity", this);
  const char* parityTexts[] = {"None", "Odd", "Even", "Mark"};
  for (const size_t code : {0u, 2u, 3u, 1u}) {  // None, Even, Mark, Odd
    AddRadio(parity, parity->layout(), QString::fromLatin1(parityTexts[code]), kParityIds[code])
        ->setChecked(choices.Parity == code);
  }
  auto* flow = Group("Flow Control", this);
  AddRadio(flow, flow->layout(), QStringLiteral("Hardware"), kHardwareId)
      ->setChecked(choices.Flow == FlowChoice::Hardware);
  AddRadio(flow, flow->layout(), QStringLiteral("Xon/Xoff"), kXonXoffId)
      ->setChecked(choices.Flow == FlowChoice::XonXoff);

  QDialogButtonBox* buttons = OkCancelButtons(this);

  auto* grid = new QGridLayout;
  grid->addWidget(portBox, 0, 0, 2, 1);
  grid->addWidget(rates, 0, 1, 2, 1);
  grid->addWidget(data, 0, 2);
  grid->addWidget(stop, 1, 2);
  grid->addWidget(parity, 0, 3);
  grid->addWidget(flow, 1, 3);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(buttons);
  ShowDevice();
}

QRadioButton* CommSet::Radio(int id) const { return findChild<QRadioButton*>(QString::number(id)); }

void CommSet::ShowDevice() {
  const int row = ports_->currentRow();
  if (row < 0 || row >= int(kPortNames.size())) {
    device_->clear();
    return;
  }
  const PortMap map = LoadPortMap(portsFile_);
  device_->setText(QString::fromLocal8Bit(map[size_t(row)].c_str()));
}

void CommSet::OpenDevices() {
  const int row = ports_->currentRow();
  if (row < 0) return;
  SerialDevicesDialog dialog(this, uint32_t(row), device_->text(), portsFile_, platform_);
  if (platform_.RunDialog(dialog) == QDialog::Accepted) ShowDevice();
}

PortChoices CommSet::Choices() const {
  PortChoices c;
  if (const QListWidgetItem* item = ports_->currentItem()) {
    c.PortText = item->text().left(10).toStdString();
  }
  if (const auto i = CheckedIndex(*this, kRateIds)) c.BaudRate = kOfferedBaudRates[*i];
  if (const auto i = CheckedIndex(*this, kDataBitsIds)) c.ByteSize = uint8_t(5 + *i);
  if (const auto i = CheckedIndex(*this, kStopBitsIds)) c.StopBits = uint8_t(*i);
  if (const auto i = CheckedIndex(*this, kParityIds)) c.Parity = uint8_t(*i);
  if (Radio(kHardwareId)->isChecked()) {
    c.Flow = FlowChoice::Hardware;
  } else if (Radio(kXonXoffId)->isChecked()) {
    c.Flow = FlowChoice::XonXoff;
  }
  return c;
}

uint32_t CommSet::GetValues(Dcb& dcb) const { return DcbFromChoices(Choices(), dcb); }

// ---- Serial Devices ----

SerialDevicesDialog::SerialDevicesDialog(QWidget* parent, uint32_t portIndex,
                                         const QString& current, std::filesystem::path portsFile,
                                         Platform& platform)
    : QDialog(parent),
      portIndex_(portIndex),
      portsFile_(std::move(portsFile)),
      platform_(platform) {
  setWindowTitle(QStringLiteral("Serial Devices"));
  box_ = new QComboBox(this);
  box_->setObjectName(QStringLiteral("deviceBox"));
  box_->setEditable(true);
  box_->setMinimumContentsLength(40);
  for (const std::string& device : ListSerialDevices()) {
    box_->addItem(QString::fromLocal8Bit(device.c_str()));
  }
  box_->setEditText(current);
  QDialogButtonBox* buttons = OkCancelButtons(this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(
      QStringLiteral("Device for COM%1 (written to PORTS.CFG):").arg(portIndex + 1), this));
  layout->addWidget(box_);
  layout->addWidget(buttons);
}

QString SerialDevicesDialog::Device() const { return box_->currentText().trimmed(); }

void SerialDevicesDialog::accept() {
  const QString device = Device();
  const QString caption = QStringLiteral("Serial Devices");
  struct stat st {};
  const QByteArray path = device.toLocal8Bit();
  if (device.isEmpty() || !device.startsWith(QLatin1Char('/')) || path.contains('\n') ||
      stat(path.constData(), &st) != 0 || !S_ISCHR(st.st_mode)) {
    platform_.Message(this,
                      QStringLiteral("%1 is not a serial device. Choose one of the list, or type "
                                     "the full path of a device such as /dev/ttyUSB0.")
                          .arg(device.isEmpty() ? QStringLiteral("(empty)") : device),
                      caption, MsgIcon::Exclamation, MsgButtons::Ok);
    return;
  }
  if (!SavePortMapping(portsFile_, portIndex_, path.toStdString())) {
    platform_.Message(this, QStringLiteral("Error saving %1").arg(Latin1(kPortsFile)), caption,
                      MsgIcon::Exclamation, MsgButtons::Ok);
    return;
  }
  QDialog::accept();
}

}  // namespace parlane
