#include "dialogs/dialing_directory.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "book/entry_order.h"
#include "dialogs/entry_editors.h"
#include "platform/platform.h"

namespace parlane {

namespace {

// The whole list line is kept with each row; the columns show its parts.
constexpr int kLineRole = Qt::UserRole + 1;
constexpr int kColumns = 4;

QString LineOf(const DialingDirectoryEntry& e) {
  return QString::fromLocal8Bit(ListLine(e).c_str());
}

class BookMessages final : public MessageSink {
 public:
  BookMessages(Platform& platform, QWidget* parent) : platform_(platform), parent_(parent) {}
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override {
    platform_.Message(parent_, QString::fromLatin1(text.data(), qsizetype(text.size())),
                      QString::fromLatin1(caption.data(), qsizetype(caption.size())),
                      icon == MessageIcon::Stop ? MsgIcon::Stop : MsgIcon::Exclamation,
                      MsgButtons::Ok);
  }

 private:
  Platform& platform_;
  QWidget* parent_;
};

}  // namespace

DialingDirectory::DialingDirectory(QWidget* parent, Phonebook& book, std::filesystem::path bookFile,
                                   std::filesystem::path portsFile,
                                   Main_Configuration_Struct& config, const Dcb& portSettings,
                                   Platform& platform, PhonebookConnector& connector)
    : QDialog(parent),
      book_(book),
      bookFile_(std::move(bookFile)),
      portsFile_(std::move(portsFile)),
      config_(config),
      portSettings_(portSettings),
      platform_(platform),
      connector_(connector) {
  setWindowTitle(QStringLiteral("Phonebook"));
  list_ = new QTreeWidget(this);
  list_->setObjectName(QString::number(kListId));
  list_->setColumnCount(kColumns);
  list_->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Number/Telnet address"),
                          QStringLiteral("Connects"), QStringLiteral("Last connect")});
  list_->setRootIsDecorated(false);
  list_->setAllColumnsShowFocus(true);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setSortingEnabled(false);
  const int unit = fontMetrics().averageCharWidth();
  // Tab stops at 120, 240 and 275 dialog units (a quarter character each).
  list_->header()->resizeSection(0, 120 * unit / 4);
  list_->header()->resizeSection(1, 120 * unit / 4);
  list_->header()->resizeSection(2, 35 * unit / 4 + unit * 4);
  list_->setMinimumSize(360 * unit / 4, 14 * fontMetrics().height());
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { Connect(); });

  struct ButtonDef {
    const char* text;
    int id;
    void (DialingDirectory::*slot)();
  };
  const ButtonDef defs[] = {
      {"Connect to selected entry(s)", kConnectId, &DialingDirectory::Connect},
      {"Add dial-up entry", kAddDialupId, &DialingDirectory::AddDialupEntry},
      {"Add telnet entry", kAddTelnetId, &DialingDirectory::AddTelnetEntry},
      {"Edit entry(s)", kEditId, &DialingDirectory::EditEntries},
      {"Delete entry(s)", kDeleteId, &DialingDirectory::DeleteEntries},
  };
  auto* buttons = new QVBoxLayout;
  for (const ButtonDef& def : defs) {
    auto* b = new QPushButton(QString::fromLatin1(def.text), this);
    b->setObjectName(QString::number(def.id));
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, def.slot);
    buttons->addWidget(b);
  }
  buttons->addStretch();
  auto* exit = new QPushButton(QStringLiteral("Exit Phonebook"), this);
  exit->setObjectName(QString::number(kExitId));
  exit->setAutoDefault(false);
  connect(exit, &QPushButton::clicked, this, &QDialog::reject);
  buttons->addWidget(exit);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
  Fill();
}

void DialingDirectory::Fill() {
  list_->clear();
  for (const DialingDirectoryEntry& e : book_.Entries()) AddLine(e);
}

// Lines stay sorted by their text, without regard to case.
QTreeWidgetItem* DialingDirectory::AddLine(const DialingDirectoryEntry& e) {
  const QString line = LineOf(e);
  auto* item = new QTreeWidgetItem;
  const QStringList parts = line.split(QLatin1Char('\t'));
  for (int i = 0; i < kColumns && i < parts.size(); ++i) item->setText(i, parts[i]);
  item->setData(0, kLineRole, line);
  const std::string key = line.toLocal8Bit().toStdString();
  int at = 0;
  while (at < list_->topLevelItemCount() &&
         !ListLineLess(
             key,
             list_->topLevelItem(at)->data(0, kLineRole).toString().toLocal8Bit().toStdString())) {
    ++at;
  }
  list_->insertTopLevelItem(at, item);
  return item;
}

QStringList DialingDirectory::Lines() const {
  QStringList lines;
  for (int i = 0; i < list_->topLevelItemCount(); ++i) {
    lines << list_->topLevelItem(i)->data(0, kLineRole).toString();
  }
  return lines;
}

void DialingDirectory::SelectNames(const QStringList& names) {
  list_->clearSelection();
  for (int i = 0; i < list_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = list_->topLevelItem(i);
    if (names.contains(item->text(0))) item->setSelected(true);
  }
}

std::vector<DialingDirectoryEntry*> DialingDirectory::SelectedEntries(size_t limit) const {
  std::vector<DialingDirectoryEntry*> entries;
  for (int i = 0; i < list_->topLevelItemCount() && entries.size() < limit; ++i) {
    const QTreeWidgetItem* item = list_->topLevelItem(i);
    if (!item->isSelected()) continue;
    const std::string line = item->data(0, kLineRole).toString().toLocal8Bit().toStdString();
    if (DialingDirectoryEntry* e = book_.FindByLine(line)) entries.push_back(e);
  }
  return entries;
}

void DialingDirectory::Save() {
  BookMessages messages(platform_, this);
  book_.Save(bookFile_, messages);
}

void DialingDirectory::AddToBook(const DialingDirectoryEntry& entry) {
  BookMessages messages(platform_, this);
  const DialingDirectoryEntry* added = book_.AddUnique(entry, messages);
  if (added == nullptr) return;
  AddLine(*added);
  Save();
}

void DialingDirectory::AddTelnetEntry() {
  DialingDirectoryEntry entry = NewTelnetEntry(config_);
  AddEditEntryTelnet editor(this, QStringLiteral("Add Telnet Entry"), entry, false, platform_);
  if (platform_.RunDialog(editor) == QDialog::Accepted) AddToBook(entry);
}

void DialingDirectory::AddDialupEntry() {
  DialingDirectoryEntry entry = NewDialupEntry(config_, portSettings_);
  AddEditEntry editor(this, QStringLiteral("Add Dial-up Entry"), entry, false, platform_,
                      portsFile_);
  if (platform_.RunDialog(editor) == QDialog::Accepted) AddToBook(entry);
}

void DialingDirectory::EditEntries() {
  for (DialingDirectoryEntry* e : SelectedEntries(kMaxEdited)) {
    const QString before = LineOf(*e);
    int result = QDialog::Rejected;
    if (e->IsTelnet()) {
      AddEditEntryTelnet editor(this, QStringLiteral("Edit Telnet Entry"), *e, true, platform_);
      result = platform_.RunDialog(editor);
    } else {
      AddEditEntry editor(this, QStringLiteral("Edit Dial-up Entry"), *e, true, platform_,
                          portsFile_);
      result = platform_.RunDialog(editor);
    }
    if (result == QDialog::Accepted) {
      for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        if (list_->topLevelItem(i)->data(0, kLineRole).toString() == before) {
          delete list_->takeTopLevelItem(i);
          break;
        }
      }
      AddLine(*e)->setSelected(false);
      Save();
    } else {
      for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        if (item->data(0, kLineRole).toString() == before) item->setSelected(false);
      }
    }
  }
}

// No question is asked: the selected entries go at once.
void DialingDirectory::DeleteEntries() {
  bool deleted = false;
  for (;;) {
    QTreeWidgetItem* first = nullptr;
    for (int i = 0; i < list_->topLevelItemCount() && first == nullptr; ++i) {
      if (list_->topLevelItem(i)->isSelected()) first = list_->topLevelItem(i);
    }
    if (first == nullptr) break;
    const std::string line = first->data(0, kLineRole).toString().toLocal8Bit().toStdString();
    if (const DialingDirectoryEntry* e = book_.FindByLine(line)) book_.Remove(e);
    delete first;
    deleted = true;
  }
  if (deleted) Save();
}

void DialingDirectory::Connect() {
  const std::vector<DialingDirectoryEntry*> selected = SelectedEntries(kMaxConnected);
  if (selected.empty()) return;
  bool telnetOpened = false;
  std::vector<DialingDirectoryEntry*> dialup;
  for (DialingDirectoryEntry* e : selected) {
    if (!e->IsTelnet()) {
      dialup.push_back(e);
      continue;
    }
    connector_.ConnectTelnet(*e);
    telnetOpened = true;
  }
  if (telnetOpened) {
    // Dial-up entries in the same selection are not dialled.
    Save();
    reject();
    return;
  }
  if (!connector_.DialEntries(dialup)) return;  // cancelled: stay in the phonebook
  Save();
  dialedUp_ = true;
  accept();
}

}  // namespace parlane
