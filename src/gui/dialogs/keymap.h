// "Keyboard Mapping": the texts the editing, cursor and keypad keys send, one
// key map per emulation. There is no Cancel: the fields of an emulation are
// stored into the key table as soon as another emulation is chosen, and by
// Done. The table reaches KEYMAP.DAT when the program ends.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

#include "keys/keymap.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace parlane {

class Keymap final : public QDialog {
  Q_OBJECT
 public:
  // Opens on `emulation` (the default terminal's).
  Keymap(QWidget* parent, KeyTable& keys, uint32_t emulation);

  QListWidget* EmulationList() const { return emulations_; }
  QLineEdit* Field(size_t slot) const { return fields_[slot]; }
  QPushButton* DoneButton() const { return done_; }

 public:
  // Done: the fields are stored into the key table.
  void accept() override;

 private:
  void Store(int emulation);
  void Fill(int emulation);
  void EmulationChanged();

  KeyTable& keys_;
  int shown_ = 0;
  QListWidget* emulations_ = nullptr;
  std::array<QLineEdit*, kKeySlotCount> fields_{};
  QPushButton* done_ = nullptr;
};

}  // namespace parlane
