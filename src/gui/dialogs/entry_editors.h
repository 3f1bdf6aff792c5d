// The phonebook's entry editors: `AddEditEntry` for dial-up entries and
// `AddEditEntryTelnet` for Telnet entries. Both work on copies of the
// entry's settings and write the record only on Save; they close with
// Accepted after Save and Rejected after Cancel.
#pragma once

#include <QDialog>
#include <filesystem>

#include "book/phonebook.h"

class QComboBox;
class QFormLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;

namespace parlane {

class Platform;

class EntryEditorBase : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kNameId = 211;
  static constexpr int kAddressId = 212;
  static constexpr int kPasswordId = 213;
  static constexpr int kUserNameId = 219;
  static constexpr int kScriptId = 210;
  static constexpr int kBrowseId = 201;
  static constexpr int kTerminalEditId = 218;
  static constexpr int kEmulationId = 204;
  static constexpr int kLocalEchoId = 209;
  static constexpr int kWordWrapId = 220;

  QLineEdit* Edit(int id) const;
  QLabel* Value(int id) const;
  void BrowseScript();
  void EditTerminal();

 protected:
  // `editing`: the text fields show the entry's values (Add shows them empty).
  EntryEditorBase(QWidget* parent, const QString& caption, DialingDirectoryEntry& entry,
                  bool editing, Platform& platform);
  QLineEdit* AddEdit(int id, size_t size, const std::string& text);
  QLabel* AddValue(int id);
  // The Save (the default) and Cancel buttons, right-aligned in a row.
  QHBoxLayout* AddSaveCancel();
  // The entry whose texts the fields start with: a blank one when adding.
  const DialingDirectoryEntry& Shown() const;
  // A form with the Name row and the address row, captioned `addressLabel`.
  QFormLayout* AddNameAndAddress(const QString& addressLabel);
  // The user name, password and login script rows (with Browse...) and the
  // terminal settings group (with its Edit button), shared by both editors.
  QGroupBox* AddLoginAndTerminal(QFormLayout& form);
  void ShowTerminal();
  // Reads the common fields into `e`; false (with the message shown) when
  // the check fails.
  bool StoreCommon(DialingDirectoryEntry& e);

  DialingDirectoryEntry& entry_;
  bool editing_;
  Platform& platform_;
  TerminalOptions terminal_;  // the working copy
};

class AddEditEntry final : public EntryEditorBase {
  Q_OBJECT
 public:
  static constexpr int kHardwareEditId = 208;
  static constexpr int kComPortId = 203;
  static constexpr int kSpeedId = 216;
  static constexpr int kFlowId = 205;
  static constexpr int kProtocolId = 206;

  AddEditEntry(QWidget* parent, const QString& caption, DialingDirectoryEntry& entry, bool editing,
               Platform& platform, std::filesystem::path portsFile);

  QComboBox* ProtocolList() const { return protocol_; }
  void EditHardware();

 public slots:
  void accept() override;  // Save

 private:
  void ShowHardware();

  std::filesystem::path portsFile_;
  uint32_t comPort_;
  Dcb portSettings_;
  QComboBox* protocol_ = nullptr;
};

class AddEditEntryTelnet final : public EntryEditorBase {
  Q_OBJECT
 public:
  static constexpr int kPortId = 214;

  AddEditEntryTelnet(QWidget* parent, const QString& caption, DialingDirectoryEntry& entry,
                     bool editing, Platform& platform);

 public slots:
  void accept() override;  // Save
};

}  // namespace parlane
