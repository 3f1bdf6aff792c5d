#include "dialogs/keymap.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/value_rules.h"
#include "dialogs/key_notation.h"

namespace parlane {

namespace {

constexpr int kEmulationListId = 128;
constexpr int kFirstFieldId = 101;
constexpr int kDoneId = 129;
constexpr int kFieldColumns = 2;  // the 26 fields in two columns of label and edit

QString FromBytes(const std::string& s) {
  return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

}  // namespace

Keymap::Keymap(QWidget* parent, KeyTable& keys, uint32_t emulation) : QDialog(parent), keys_(keys) {
  setWindowTitle(QStringLiteral("Keyboard Mapping"));
  setObjectName(QStringLiteral("Keymap"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Emulation Type"), this));
  emulations_ = new QListWidget(this);
  emulations_->setObjectName(QString::number(kEmulationListId));
  for (uint32_t e = 0; e < kKeyMapCount; ++e) {
    const std::string_view name = EmulationName(e);
    emulations_->addItem(QString::fromLatin1(name.data(), qsizetype(name.size())));
  }
  emulations_->setMaximumHeight(emulations_->sizeHintForRow(0) * int(kKeyMapCount) + 6);
  layout->addWidget(emulations_);

  auto* grid = new QGridLayout;
  const int perColumn = int(kKeySlotCount + 1) / kFieldColumns;
  for (size_t slot = 0; slot < kKeySlotCount; ++slot) {
    const int row = int(slot) % perColumn;
    const int column = int(slot) / perColumn * 2;
    const std::string_view label = kKeySlots[slot].Label;
    grid->addWidget(new QLabel(QString::fromLatin1(label.data(), qsizetype(label.size())), this),
                    row, column);
    auto* field = new QLineEdit(this);
    field->setObjectName(QString::number(kFirstFieldId + int(slot)));
    field->setMaxLength(int(KeyTable::kMaxKeyTextLength));
    grid->addWidget(field, row, column + 1);
    fields_[slot] = field;
  }
  layout->addLayout(grid);
  for (const QString& line : KeyNotationLines()) layout->addWidget(new QLabel(line, this));
  done_ = new QPushButton(QStringLiteral("Done"), this);
  done_->setObjectName(QString::number(kDoneId));
  done_->setDefault(true);
  layout->addWidget(done_, 0, Qt::AlignRight);

  shown_ = emulation < kKeyMapCount ? int(emulation) : 0;
  Fill(shown_);
  emulations_->setCurrentRow(shown_);
  connect(emulations_, &QListWidget::currentRowChanged, this, &Keymap::EmulationChanged);
  connect(done_, &QPushButton::clicked, this, &Keymap::accept);
}

void Keymap::Store(int emulation) {
  KeyTable::KeyMap& map = keys_.KeyMaps[size_t(emulation)];
  for (size_t slot = 0; slot < kKeySlotCount; ++slot) {
    map[slot] =
        fields_[slot]->text().toLatin1().left(int(KeyTable::kMaxKeyTextLength)).toStdString();
  }
}

void Keymap::Fill(int emulation) {
  const KeyTable::KeyMap& map = keys_.KeyMaps[size_t(emulation)];
  for (size_t slot = 0; slot < kKeySlotCount; ++slot) fields_[slot]->setText(FromBytes(map[slot]));
}

void Keymap::EmulationChanged() {
  const int row = emulations_->currentRow();
  if (row < 0 || row == shown_) return;
  Store(shown_);
  shown_ = row;
  Fill(shown_);
}

void Keymap::accept() {
  Store(shown_);
  QDialog::accept();
}

}  // namespace parlane
