#include "dialogs/terminal_settings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QVBoxLayout>

#include "config/value_rules.h"
#include "dialogs/ok_cancel.h"

namespace parlane {

namespace {

constexpr int kEmulationCount = 4;  // TTY, VT100, PC ANSI, SCO ANSI/ANSI

QCheckBox* Check(const char* text, int id, bool checked, QWidget* parent) {
  auto* box = new QCheckBox(QString::fromLatin1(text), parent);
  box->setObjectName(QString::number(id));
  box->setChecked(checked);
  return box;
}

}  // namespace

TerminalSettings::TerminalSettings(QWidget* parent, const TerminalOptions& options)
    : QDialog(parent), initial_(options) {
  setWindowTitle(QStringLiteral("Terminal Settings"));
  const TerminalChoices choices = ChoicesFromTerminal(options);

  emulation_ = new QListWidget(this);
  emulation_->setObjectName(QStringLiteral("101"));
  for (int i = 0; i < kEmulationCount; ++i) {
    emulation_->addItem(QString::fromLatin1(EmulationName(static_cast<uint32_t>(i)).data()));
  }
  if (options.Emulation < kEmulationCount) emulation_->setCurrentRow(int(options.Emulation));
  emulation_->setMaximumHeight(emulation_->sizeHintForRow(0) * (kEmulationCount + 1));

  inbound_ = Check("Inbound", 103, choices.Inbound, this);
  outbound_ = Check("Outbound", 104, choices.Outbound, this);
  localEcho_ = Check("Enable local echo", 106, choices.LocalEcho, this);
  wordWrap_ = Check("Enable word wrap", 105, choices.WordWrap, this);

  auto* backspace = new QGroupBox(QStringLiteral("Backspace Character"), this);
  delete_ = new QRadioButton(QStringLiteral("Delete"), backspace);
  delete_->setObjectName(QStringLiteral("108"));
  controlH_ = new QRadioButton(QStringLiteral("Control-H"), backspace);
  controlH_->setObjectName(QStringLiteral("109"));
  (choices.DeleteChecked ? delete_ : controlH_)->setChecked(true);
  auto* bsLayout = new QVBoxLayout(backspace);
  bsLayout->addWidget(delete_);
  bsLayout->addWidget(controlH_);

  auto* crlf = new QGroupBox(QStringLiteral("CR->CR-LF Conversion:"), this);
  auto* crlfLayout = new QVBoxLayout(crlf);
  crlfLayout->addWidget(inbound_);
  crlfLayout->addWidget(outbound_);

  QDialogButtonBox* buttons = OkCancelButtons(this);

  auto* grid = new QGridLayout;
  auto* emulationLabel = new QLabel(QStringLiteral("Emulation Type"), this);
  emulationLabel->setBuddy(emulation_);
  grid->addWidget(emulationLabel, 0, 0);
  grid->addWidget(emulation_, 1, 0, 2, 1, Qt::AlignTop);
  grid->addWidget(crlf, 1, 1);
  grid->addWidget(backspace, 2, 1);
  grid->addWidget(localEcho_, 3, 0);
  grid->addWidget(wordWrap_, 3, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(buttons);
}

TerminalOptions TerminalSettings::GetValues() const {
  TerminalChoices c;
  const QListWidgetItem* item = emulation_->currentItem();
  c.EmulationText = item ? item->text().toStdString() : std::string();
  c.Inbound = inbound_->isChecked();
  c.Outbound = outbound_->isChecked();
  c.LocalEcho = localEcho_->isChecked();
  c.WordWrap = wordWrap_->isChecked();
  c.DeleteChecked = delete_->isChecked();
  c.ControlHChecked = controlH_->isChecked();
  return TerminalFromChoices(c, initial_);
}

}  // namespace parlane
