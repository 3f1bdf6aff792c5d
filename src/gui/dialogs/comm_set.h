// "Hardware Settings" (`CommSet`): the serial port COM1 to COM4 and its line
// settings. Beside the port list a label shows the device the selected name
// maps to in PORTS.CFG; "Devices..." maps it to another device.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <filesystem>

#include "config/dcb.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QListWidget;
class QRadioButton;

namespace parlane {

class Platform;

class CommSet final : public QDialog {
  Q_OBJECT
 public:
  // Control ids, kept as object names.
  static constexpr int kPortListId = 143;
  static constexpr std::array<int, 8> kRateIds = {129, 128, 126, 130, 153, 127, 152, 142};
  static constexpr std::array<int, 4> kDataBitsIds = {132, 150, 133, 148};  // 5, 6, 7, 8
  static constexpr std::array<int, 3> kStopBitsIds = {147, 134, 135};       // 1, 1.5, 2
  // Parity radios by code: None 0, Odd 1, Even 2, Mark 3.
  static constexpr std::array<int, 4> kParityIds = {137, 138, 146, 139};
  static constexpr int kHardwareId = 140;
  static constexpr int kXonXoffId = 141;

  // `portsFile`: PORTS.CFG, read for the device label and written by
  // "Devices...".
  CommSet(QWidget* parent, uint32_t portIndex, const Dcb& dcb, std::filesystem::path portsFile,
          Platform& platform);

  // The choices the controls show.
  PortChoices Choices() const;
  // After OK: the chosen port index; `dcb` updated from the choices.
  uint32_t GetValues(Dcb& dcb) const;

  QListWidget* PortList() const { return ports_; }
  QLabel* DeviceLabel() const { return device_; }
  // The radio of a control id.
  QRadioButton* Radio(int id) const;
  void OpenDevices();

 private:
  void ShowDevice();

  std::filesystem::path portsFile_;
  Platform& platform_;
  QListWidget* ports_ = nullptr;
  QLabel* device_ = nullptr;
};

// "Serial Devices": the serial devices present, and the one the COM name
// maps to; OK writes the mapping to PORTS.CFG.
class SerialDevicesDialog final : public QDialog {
  Q_OBJECT
 public:
  SerialDevicesDialog(QWidget* parent, uint32_t portIndex, const QString& current,
                      std::filesystem::path portsFile, Platform& platform);

  QComboBox* DeviceBox() const { return box_; }
  QString Device() const;

 public slots:
  void accept() override;

 private:
  uint32_t portIndex_;
  std::filesystem::path portsFile_;
  Platform& platform_;
  QComboBox* box_ = nullptr;
};

}  // namespace parlane
