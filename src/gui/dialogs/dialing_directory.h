// "Phonebook" (`DialingDirectory`): the saved dial-up and Telnet entries,
// sorted by their list lines, with add, edit, delete and connect. Every
// change is saved to PHONBOOK.DAT at once.
#pragma once

#include <QDialog>
#include <filesystem>
#include <vector>

#include "book/phonebook.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace parlane {

class Platform;

// What connecting entries does outside the dialog (the shell).
class PhonebookConnector {
 public:
  virtual ~PhonebookConnector() = default;
  // Opens the Telnet window of a Telnet entry and records the connection
  // (the entry's Connects and date, the main Terminal).
  virtual void ConnectTelnet(DialingDirectoryEntry& entry) = 0;
  // Dials the dial-up entries (the Dial Number dialog): true on CONNECT,
  // with the connection recorded and the session kept for the dial-up
  // window; false when cancelled (the port is then closed).
  virtual bool DialEntries(const std::vector<DialingDirectoryEntry*>& entries) = 0;
};

class DialingDirectory final : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kListId = 116;
  static constexpr int kConnectId = 115;
  static constexpr int kExitId = 114;
  static constexpr int kAddDialupId = 119;
  static constexpr int kAddTelnetId = 120;
  static constexpr int kDeleteId = 118;
  static constexpr int kEditId = 117;
  // At most this many selected lines are edited, and connected.
  static constexpr size_t kMaxEdited = 80;
  static constexpr size_t kMaxConnected = 256;

  DialingDirectory(QWidget* parent, Phonebook& book, std::filesystem::path bookFile,
                   std::filesystem::path portsFile, Main_Configuration_Struct& config,
                   const Dcb& portSettings, Platform& platform, PhonebookConnector& connector);

  // True once a dial-up connection was made (the dialog then closes).
  bool DialedUp() const { return dialedUp_; }

  QTreeWidget* List() const { return list_; }
  // The list lines in their order.
  QStringList Lines() const;
  // Selects the lines whose entries have these names (tests, --dial).
  void SelectNames(const QStringList& names);

  void AddTelnetEntry();
  void AddDialupEntry();
  void EditEntries();
  void DeleteEntries();
  void Connect();

 private:
  void Fill();
  QTreeWidgetItem* AddLine(const DialingDirectoryEntry& e);
  std::vector<DialingDirectoryEntry*> SelectedEntries(size_t limit) const;
  void Save();
  // Adds an entry the editor accepted, unless its name is taken, and saves.
  void AddToBook(const DialingDirectoryEntry& entry);

  Phonebook& book_;
  std::filesystem::path bookFile_;
  std::filesystem::path portsFile_;
  Main_Configuration_Struct& config_;
  Dcb portSettings_;
  Platform& platform_;
  PhonebookConnector& connector_;
  QTreeWidget* list_ = nullptr;
  bool dialedUp_ = false;
};

}  // namespace parlane
