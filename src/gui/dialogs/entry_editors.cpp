#include "dialogs/entry_editors.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/value_rules.h"
#include "dialogs/comm_set.h"
#include "dialogs/terminal_settings.h"
#include "platform/platform.h"

namespace parlane {

namespace {

QString Latin1(std::string_view s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }

// Texts are kept as typed (percent signs included), cut to their field.
std::string FieldText(const QLineEdit* edit, size_t size) {
  return edit->text().toLocal8Bit().left(qsizetype(size - 1)).toStdString();
}

// The platform's messages for the engine's checks, caption as given.
class EditorMessages final : public MessageSink {
 public:
  EditorMessages(Platform& platform, QWidget* parent) : platform_(platform), parent_(parent) {}
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override {
    platform_.Message(parent_, Latin1(text), Latin1(caption),
                      icon == MessageIcon::Stop ? MsgIcon::Stop : MsgIcon::Exclamation,
                      MsgButtons::Ok);
  }

 private:
  Platform& platform_;
  QWidget* parent_;
};

QPushButton* Button(const char* text, int id, QWidget* parent) {
  auto* b = new QPushButton(QString::fromLatin1(text), parent);
  b->setObjectName(QString::number(id));
  b->setAutoDefault(false);
  return b;
}

}  // namespace

EntryEditorBase::EntryEditorBase(QWidget* parent, const QString& caption,
                                 DialingDirectoryEntry& entry, bool editing, Platform& platform)
    : QDialog(parent),
      entry_(entry),
      editing_(editing),
      platform_(platform),
      terminal_(entry.Terminal) {
  setWindowTitle(caption);
}

QLineEdit* EntryEditorBase::AddEdit(int id, size_t size, const std::string& text) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(QString::number(id));
  edit->setMaxLength(int(size) - 1);
  edit->setText(QString::fromLocal8Bit(text.c_str()));
  return edit;
}

const DialingDirectoryEntry& EntryEditorBase::Shown() const {
  static const DialingDirectoryEntry blank;
  return editing_ ? entry_ : blank;
}

QHBoxLayout* EntryEditorBase::AddSaveCancel() {
  QPushButton* save = Button("Save", 215, this);
  QPushButton* cancel = Button("Cancel", 202, this);
  save->setDefault(true);
  connect(save, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(save);
  row->addWidget(cancel);
  return row;
}

QLabel* EntryEditorBase::AddValue(int id) {
  auto* label = new QLabel(this);
  label->setObjectName(QString::number(id));
  return label;
}

QLineEdit* EntryEditorBase::Edit(int id) const {
  return findChild<QLineEdit*>(QString::number(id));
}
QLabel* EntryEditorBase::Value(int id) const { return findChild<QLabel*>(QString::number(id)); }

void EntryEditorBase::ShowTerminal() {
  Value(kEmulationId)->setText(Latin1(EmulationName(terminal_.Emulation)));
  Value(kLocalEchoId)->setText(Latin1(OnOffText(terminal_.LocalEcho)));
  Value(kWordWrapId)->setText(Latin1(OnOffText(terminal_.WordWrap)));
}

void EntryEditorBase::BrowseScript() {
  FileDialogRequest request;
  request.title = QStringLiteral("Select Script File To Use");
  request.filter = QStringLiteral("Script Files (*.csc)|*.csc|");
  request.initialDir = QStringLiteral(".");
  request.fileMustExist = false;
  const std::optional<QString> chosen = platform_.OpenFile(this, request);
  if (!chosen) return;
  QString path = *chosen;
  // The default extension when the name has none.
  if (!path.isEmpty() && !path.section(QLatin1Char('/'), -1).contains(QLatin1Char('.'))) {
    path += QStringLiteral(".CSC");
  }
  Edit(kScriptId)->setText(path);
}

void EntryEditorBase::EditTerminal() {
  TerminalSettings dialog(this, terminal_);
  if (platform_.RunDialog(dialog) != QDialog::Accepted) return;
  terminal_ = dialog.GetValues();
  ShowTerminal();
}

bool EntryEditorBase::StoreCommon(DialingDirectoryEntry& e) {
  e.Name = FieldText(Edit(kNameId), DialingDirectoryEntry::kNameSize);
  e.Address = FieldText(Edit(kAddressId), DialingDirectoryEntry::kAddressSize);
  e.UserName = FieldText(Edit(kUserNameId), DialingDirectoryEntry::kUserNameSize);
  e.Password = FieldText(Edit(kPasswordId), DialingDirectoryEntry::kPasswordSize);
  e.LoginScript = FieldText(Edit(kScriptId), DialingDirectoryEntry::kScriptSize);
  EditorMessages messages(platform_, this);
  return CheckEntryFields(e, messages);
}

// Builds the common part of both editors' layouts.
static QGroupBox* TerminalGroup(EntryEditorBase& d, QLabel* emu, QLabel* echo, QLabel* wrap,
                                QPushButton* edit) {
  auto* box = new QGroupBox(QStringLiteral("Terminal Settings"), &d);
  auto* form = new QFormLayout(box);
  form->addRow(QStringLiteral("Emulation:"), emu);
  form->addRow(QStringLiteral("Local Echo:"), echo);
  form->addRow(QStringLiteral("Word Wrap:"), wrap);
  form->addRow(edit);
  return box;
}

QFormLayout* EntryEditorBase::AddNameAndAddress(const QString& addressLabel) {
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Name"),
               AddEdit(kNameId, DialingDirectoryEntry::kNameSize, Shown().Name));
  form->addRow(addressLabel,
               AddEdit(kAddressId, DialingDirectoryEntry::kAddressSize, Shown().Address));
  return form;
}

QGroupBox* EntryEditorBase::AddLoginAndTerminal(QFormLayout& form) {
  const DialingDirectoryEntry& shown = Shown();
  form.addRow(QStringLiteral("User name (Control-F1 sends)"),
              AddEdit(kUserNameId, DialingDirectoryEntry::kUserNameSize, shown.UserName));
  form.addRow(QStringLiteral("Password (Control-F2 sends)"),
              AddEdit(kPasswordId, DialingDirectoryEntry::kPasswordSize, shown.Password));
  Edit(kPasswordId)->setEchoMode(QLineEdit::PasswordEchoOnEdit);
  auto* scriptRow = new QHBoxLayout;
  scriptRow->addWidget(AddEdit(kScriptId, DialingDirectoryEntry::kScriptSize, shown.LoginScript));
  QPushButton* browse = Button("Browse...", kBrowseId, this);
  scriptRow->addWidget(browse);
  form.addRow(QStringLiteral("Login Script Filename"), scriptRow);
  connect(browse, &QPushButton::clicked, this, &EntryEditorBase::BrowseScript);

  QPushButton* termEdit = Button("Edit", kTerminalEditId, this);
  connect(termEdit, &QPushButton::clicked, this, &EntryEditorBase::EditTerminal);
  return TerminalGroup(*this, AddValue(kEmulationId), AddValue(kLocalEchoId), AddValue(kWordWrapId),
                       termEdit);
}

// ---- dial-up ----

AddEditEntry::AddEditEntry(QWidget* parent, const QString& caption, DialingDirectoryEntry& entry,
                           bool editing, Platform& platform, std::filesystem::path portsFile)
    : EntryEditorBase(parent, caption, entry, editing, platform),
      portsFile_(std::move(portsFile)),
      comPort_(entry.ComPort),
      portSettings_(entry.PortSettings) {
  QFormLayout* form = AddNameAndAddress(QStringLiteral("Phone number"));
  QGroupBox* term = AddLoginAndTerminal(*form);
  auto* hw = new QGroupBox(QStringLiteral("Hardware Settings"), this);
  auto* hwForm = new QFormLayout(hw);
  hwForm->addRow(QStringLiteral("Com Port:"), AddValue(kComPortId));
  hwForm->addRow(QStringLiteral("Speed:"), AddValue(kSpeedId));
  hwForm->addRow(QStringLiteral("Flow Control:"), AddValue(kFlowId));
  QPushButton* hwEdit = Button("Edit", kHardwareEditId, this);
  hwForm->addRow(hwEdit);

  auto* protoBox = new QGroupBox(QStringLiteral("File Transfer Protocol"), this);
  protocol_ = new QComboBox(protoBox);
  protocol_->setObjectName(QString::number(kProtocolId));
  protocol_->addItems({QStringLiteral("YMODEM-G"), QStringLiteral("ZMODEM")});
  protocol_->setCurrentIndex(entry.Protocol == 0 ? 0 : 1);
  (new QVBoxLayout(protoBox))->addWidget(protocol_);

  QHBoxLayout* buttons = AddSaveCancel();

  auto* groups = new QHBoxLayout;
  groups->addWidget(term);
  groups->addWidget(hw);
  groups->addWidget(protoBox);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(groups);
  layout->addLayout(buttons);

  connect(hwEdit, &QPushButton::clicked, this, &AddEditEntry::EditHardware);
  ShowTerminal();
  ShowHardware();
}

void AddEditEntry::ShowHardware() {
  Value(kComPortId)->setText(QString::fromStdString(PortLabelText(comPort_)));
  Value(kSpeedId)->setText(QString::fromStdString(FormatPortSettings(portSettings_)));
  Value(kFlowId)->setText(Latin1(FlowControlText(portSettings_)));
}

void AddEditEntry::EditHardware() {
  CommSet dialog(this, comPort_, portSettings_, portsFile_, platform_);
  if (platform_.RunDialog(dialog) != QDialog::Accepted) return;
  comPort_ = dialog.GetValues(portSettings_);
  ShowHardware();
}

void AddEditEntry::accept() {
  DialingDirectoryEntry e = entry_;
  if (!StoreCommon(e)) return;
  e.Terminal = terminal_;
  e.ComPort = comPort_;
  e.PortSettings = portSettings_;
  e.Protocol = protocol_->currentIndex() == 0 ? 0 : 1;
  entry_ = e;
  QDialog::accept();
}

// ---- Telnet ----

AddEditEntryTelnet::AddEditEntryTelnet(QWidget* parent, const QString& caption,
                                       DialingDirectoryEntry& entry, bool editing,
                                       Platform& platform)
    : EntryEditorBase(parent, caption, entry, editing, platform) {
  QFormLayout* form = AddNameAndAddress(QStringLiteral("Host Name or IP Address"));
  // The port shows always: "23" in a new entry.
  form->addRow(QStringLiteral("Port Number"),
               AddEdit(kPortId, DialingDirectoryEntry::kPortSize, entry.Port));
  QGroupBox* term = AddLoginAndTerminal(*form);
  QHBoxLayout* buttons = AddSaveCancel();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(term);
  layout->addLayout(buttons);
  ShowTerminal();
}

void AddEditEntryTelnet::accept() {
  DialingDirectoryEntry e = entry_;
  if (!StoreCommon(e)) return;
  // An empty port is accepted (the session then uses 23).
  e.Port = FieldText(Edit(kPortId), DialingDirectoryEntry::kPortSize);
  e.Terminal = terminal_;
  entry_ = e;
  QDialog::accept();
}

}  // namespace parlane
