// "Modem Commands": the modem initialisation string and the dialing prefix.
#pragma once

#include <QDialog>

class QLineEdit;

namespace parlane {

struct Main_Configuration_Struct;

class ModemCommands final : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kInitId = 101;
  static constexpr int kDialId = 102;

  ModemCommands(QWidget* parent, Main_Configuration_Struct& config);

  QLineEdit* InitEdit() const { return init_; }
  QLineEdit* DialEdit() const { return dial_; }

 public slots:
  // Stores both texts in the settings.
  void accept() override;

 private:
  Main_Configuration_Struct& config_;
  QLineEdit* init_ = nullptr;
  QLineEdit* dial_ = nullptr;
};

}  // namespace parlane
