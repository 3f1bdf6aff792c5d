// "Open Telnet Connection": a host field with the ten most recent host and
// port pairs, and a port field. OK records the pair in the history.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <optional>

#include "config/host_history.h"

class QComboBox;
class QLineEdit;

namespace parlane {

class Platform;

class OpenTelnet final : public QDialog {
  Q_OBJECT
 public:
  // Control ids of the dialog, kept as object names for tests.
  static constexpr int kHostId = 106;
  static constexpr int kPortId = 112;

  OpenTelnet(QWidget* parent, HostHistory& history, Platform& platform);

  // The results after OK: the host text (at most 39 characters) and its port.
  QString Host() const { return host_; }
  QString PortText() const { return portText_; }
  uint16_t Port() const { return port_; }

  QComboBox* HostBox() const { return hostBox_; }
  QLineEdit* PortEdit() const { return portEdit_; }

 public slots:
  void accept() override;

 private:
  void HistorySelected(int index);

  HostHistory& history_;
  Platform& platform_;
  QComboBox* hostBox_ = nullptr;
  QLineEdit* portEdit_ = nullptr;
  QString host_;
  QString portText_;
  uint16_t port_ = 0;
};

// The port text as a TCP port: decimal digits giving 1 to 65535, with
// surrounding blanks allowed. Empty for anything else.
std::optional<uint16_t> ParsePortText(const QString& text);

}  // namespace parlane
