// "Terminal Settings": the six terminal options of the main settings, a
// phonebook entry or one session window.
#pragma once

#include <QDialog>

#include "config/terminal_options.h"

class QCheckBox;
class QListWidget;
class QRadioButton;

namespace parlane {

class TerminalSettings final : public QDialog {
  Q_OBJECT
 public:
  TerminalSettings(QWidget* parent, const TerminalOptions& options);

  // The options the controls show (after OK: the user's choice).
  TerminalOptions GetValues() const;

  QListWidget* EmulationList() const { return emulation_; }
  QCheckBox* Inbound() const { return inbound_; }
  QCheckBox* Outbound() const { return outbound_; }
  QCheckBox* LocalEcho() const { return localEcho_; }
  QCheckBox* WordWrap() const { return wordWrap_; }
  QRadioButton* Delete() const { return delete_; }
  QRadioButton* ControlH() const { return controlH_; }

 private:
  TerminalOptions initial_;
  QListWidget* emulation_ = nullptr;
  QCheckBox* inbound_ = nullptr;
  QCheckBox* outbound_ = nullptr;
  QCheckBox* localEcho_ = nullptr;
  QCheckBox* wordWrap_ = nullptr;
  QRadioButton* delete_ = nullptr;
  QRadioButton* controlH_ = nullptr;
};

}  // namespace parlane
