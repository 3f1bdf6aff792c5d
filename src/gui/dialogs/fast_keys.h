// "Function Keys": the texts F1 to F12 send, plain or with Shift. There is no
// Cancel: switching between "Normal" and "Shift" stores the twelve fields
// into the set shown so far, and Done stores them too.
#pragma once

#include <QDialog>
#include <array>

#include "keys/keymap.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace parlane {

class FastKeys final : public QDialog {
  Q_OBJECT
 public:
  FastKeys(QWidget* parent, KeyTable& keys);

  QLineEdit* Field(size_t key) const { return fields_[key]; }
  QRadioButton* Normal() const { return normal_; }
  QRadioButton* Shift() const { return shift_; }
  QPushButton* DoneButton() const { return done_; }

 public:
  // Done: the fields are stored into the key table.
  void accept() override;

 private:
  std::array<std::string, kFunctionKeyCount>& Set(bool shifted);
  void Store();
  void Fill();
  void SetChanged();

  KeyTable& keys_;
  bool shifted_ = false;
  std::array<QLineEdit*, kFunctionKeyCount> fields_{};
  QRadioButton* normal_ = nullptr;
  QRadioButton* shift_ = nullptr;
  QPushButton* done_ = nullptr;
};

}  // namespace parlane
