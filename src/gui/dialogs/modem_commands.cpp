#include "dialogs/modem_commands.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "config/main_config.h"
#include "dialogs/ok_cancel.h"

namespace parlane {

namespace {

// Each text is kept in 81 bytes with its terminator.
constexpr int kTextLimit = int(Main_Configuration_Struct::kCommandSize) - 1;

QLineEdit* Edit(const std::string& text, int id, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::number(id));
  edit->setMaxLength(kTextLimit);
  edit->setText(QString::fromLatin1(text.c_str()).left(kTextLimit));
  edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 30);
  return edit;
}

// A line edit holds one line; the settings keep bytes. Characters outside
// Latin-1 cannot be sent to a modem and become "?".
std::string Bytes(const QString& text) { return text.left(kTextLimit).toLatin1().toStdString(); }

}  // namespace

ModemCommands::ModemCommands(QWidget* parent, Main_Configuration_Struct& config)
    : QDialog(parent), config_(config) {
  setWindowTitle(QStringLiteral("Modem Commands"));
  init_ = Edit(config.ModemInit, kInitId, this);
  dial_ = Edit(config.DialPrefix, kDialId, this);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Initialization string"), init_);
  form->addRow(QStringLiteral("Dialing string"), dial_);
  QDialogButtonBox* buttons = OkCancelButtons(this);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

void ModemCommands::accept() {
  config_.ModemInit = Bytes(init_->text());
  config_.DialPrefix = Bytes(dial_->text());
  QDialog::accept();
}

}  // namespace parlane
