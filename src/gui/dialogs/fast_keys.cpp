#include "dialogs/fast_keys.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "dialogs/key_notation.h"

namespace parlane {

namespace {

constexpr int kFirstFieldId = 101;
constexpr int kDoneId = 113;
constexpr int kNormalId = 114;
constexpr int kShiftId = 115;

}  // namespace

FastKeys::FastKeys(QWidget* parent, KeyTable& keys) : QDialog(parent), keys_(keys) {
  setWindowTitle(QStringLiteral("Function Keys"));
  setObjectName(QStringLiteral("FastKeys"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  for (size_t key = 0; key < kFunctionKeyCount; ++key) {
    auto* field = new QLineEdit(this);
    field->setObjectName(QString::number(kFirstFieldId + int(key)));
    field->setMaxLength(int(KeyTable::kMaxFunctionTextLength));
    field->setMinimumWidth(320);
    form->addRow(QStringLiteral("F%1").arg(key + 1), field);
    fields_[key] = field;
  }
  layout->addLayout(form);

  auto* group = new QGroupBox(QStringLiteral("Key Combination:"), this);
  auto* radios = new QHBoxLayout(group);
  normal_ = new QRadioButton(QStringLiteral("Normal"), group);
  normal_->setObjectName(QString::number(kNormalId));
  shift_ = new QRadioButton(QStringLiteral("Shift"), group);
  shift_->setObjectName(QString::number(kShiftId));
  radios->addWidget(normal_);
  radios->addWidget(shift_);
  layout->addWidget(group);
  const QStringList notes = KeyNotationLines();
  layout->addWidget(new QLabel(
      notes[0] + QStringLiteral(", ") + notes[1] + QStringLiteral(", ") + notes[2], this));
  layout->addWidget(new QLabel(notes[3] + QStringLiteral(", ") + notes[4], this));
  done_ = new QPushButton(QStringLiteral("Done"), this);
  done_->setObjectName(QString::number(kDoneId));
  done_->setDefault(true);
  layout->addWidget(done_, 0, Qt::AlignRight);

  normal_->setChecked(true);
  Fill();
  connect(normal_, &QRadioButton::toggled, this, &FastKeys::SetChanged);
  connect(done_, &QPushButton::clicked, this, &FastKeys::accept);
}

std::array<std::string, kFunctionKeyCount>& FastKeys::Set(bool shifted) {
  return shifted ? keys_.ShiftFunctionKeys : keys_.FunctionKeys;
}

void FastKeys::Store() {
  auto& set = Set(shifted_);
  for (size_t key = 0; key < kFunctionKeyCount; ++key) {
    set[key] =
        fields_[key]->text().toLatin1().left(int(KeyTable::kMaxFunctionTextLength)).toStdString();
  }
}

void FastKeys::Fill() {
  const auto& set = Set(shifted_);
  for (size_t key = 0; key < kFunctionKeyCount; ++key) {
    fields_[key]->setText(QString::fromLatin1(set[key].data(), qsizetype(set[key].size())));
  }
}

void FastKeys::SetChanged() {
  const bool shifted = shift_->isChecked();
  if (shifted == shifted_) return;
  Store();
  shifted_ = shifted;
  Fill();
}

void FastKeys::accept() {
  Store();
  QDialog::accept();
}

}  // namespace parlane
