// The phonebook: DialingDirectoryEntry records (519 bytes each) kept in
// PHONBOOK.DAT one after another with no header, and the in-memory list,
// newest first.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <list>
#include <span>
#include <string>
#include <string_view>

#include "config/dcb.h"
#include "config/main_config.h"
#include "config/messages.h"
#include "config/terminal_options.h"

namespace parlane {

struct RecordField;

inline constexpr std::string_view kPhonebookFile = "PHONBOOK.DAT";

enum class EntryType : uint32_t { Telnet = 0, Dialup = 1 };

struct DialingDirectoryEntry {
  static constexpr size_t kSize = 519;
  static constexpr size_t kNameSize = 25;
  static constexpr size_t kAddressSize = 40;
  static constexpr size_t kPortSize = 7;
  static constexpr size_t kUserNameSize = 25;
  static constexpr size_t kPasswordSize = 25;
  static constexpr size_t kDateSize = 9;
  static constexpr size_t kTimeSize = 12;
  static constexpr size_t kScriptSize = 260;
  static constexpr size_t kReservedSize = 48;

  struct Off {
    static constexpr size_t Type = 0, Name = 4, Address = 29, Port = 69, UserName = 76,
                            Password = 101, Connects = 126, LastConnectDate = 130,
                            LastConnectTime = 139, ComPort = 151, PortSettings = 155,
                            Terminal = 183, Protocol = 207, LoginScript = 211, Reserved = 471;
  };

  uint32_t Type = 0;  // EntryType
  std::string Name;
  std::string Address;  // phone number or host
  std::string Port = "23";
  std::string UserName;  // Ctrl+F1 sends it
  std::string Password;  // Ctrl+F2 sends it
  uint32_t Connects = 0;
  std::string LastConnectDate = "None";  // "mm/dd/yy"
  std::string LastConnectTime = "None";  // "hh:mm:ss AM"
  uint32_t ComPort = 0;
  Dcb PortSettings;
  TerminalOptions Terminal;
  uint32_t Protocol = 1;  // TransferProtocol
  std::string LoginScript;
  // The 48 reserved bytes are never read and always written as zeros.

  bool IsTelnet() const { return Type == static_cast<uint32_t>(EntryType::Telnet); }

  // A record cut short by the end of `b` reads as zero-padded.
  static DialingDirectoryEntry Decode(std::span<const uint8_t> b, size_t off = 0);
  // The entry's fields, for its codec and its JSON form.
  static const RecordField& Layout();
  void Encode(std::span<uint8_t> b, size_t off = 0) const;
  std::array<uint8_t, kSize> Bytes() const;
  bool operator==(const DialingDirectoryEntry&) const = default;
};

// A new entry as the add commands make it: Terminal and Protocol copied
// from the main settings; a dial-up entry also takes `portSettings` (the
// phonebook's copy of the main PortSettings).
DialingDirectoryEntry NewTelnetEntry(const Main_Configuration_Struct& cfg);
DialingDirectoryEntry NewDialupEntry(const Main_Configuration_Struct& cfg, const Dcb& portSettings);

// "%s\t%s\t%d\t%s": Name, Address, Connects, LastConnectDate.
std::string ListLine(const DialingDirectoryEntry& e);

// "mm/dd/yy" and "hh:mm:ss AM" as stored in an entry.
std::string ConnectDateText(const std::tm& local);
std::string ConnectTimeText(const std::tm& local);

// A successful connection: Connects + 1 and today's date; a dial-up
// connection also records the time.
void RecordConnection(DialingDirectoryEntry& e, const std::tm& local);

inline constexpr std::string_view kMsgPhonebookOpen = "Could not open phonebook file %s";
inline constexpr std::string_view kMsgPhonebookCorrupt =
    "Phonebook file %s is corrupted!  Please delete and reconfigure to be safe...";
inline constexpr std::string_view kMsgPhonebookSave = "Error saving Phonebook file";
inline constexpr std::string_view kMsgDuplicateEntry =
    "Entry already exists.  Use a different name.";
inline constexpr std::string_view kMsgDialupEntryIncomplete =
    "Entry must have a valid name and phone number";
inline constexpr std::string_view kMsgTelnetEntryIncomplete =
    "Entry must have a valid name and host name/IP address";
inline constexpr std::string_view kEntryEditorCaption = "Error";

class Phonebook;

// The entry editors' Save check: a name and a number (dial-up) or host
// (Telnet) are needed. Shows the editor's message (caption "Error") and
// returns false when one is empty.
bool CheckEntryFields(const DialingDirectoryEntry& e, MessageSink& messages);

// The list of entries. Entries live in a std::list, so a pointer to one
// stays valid until that entry is removed.
class Phonebook {
 public:
  using List = std::list<DialingDirectoryEntry>;

  const List& Entries() const { return entries_; }
  List& Entries() { return entries_; }
  size_t Size() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }

  // Puts a copy at the front; returns the stored entry.
  DialingDirectoryEntry& Add(const DialingDirectoryEntry& e);
  // Removes the entry the pointer refers to; false when it is not in the list.
  bool Remove(const DialingDirectoryEntry* e);
  void Clear() { entries_.clear(); }

  // Add command: refuses a name that is already used (without regard to
  // case) with "Entry already exists.  Use a different name." and returns
  // nullptr; otherwise adds the entry at the front. Edits never check.
  DialingDirectoryEntry* AddUnique(const DialingDirectoryEntry& e, MessageSink& messages);

  // First entry whose Name equals `name` without regard to case.
  DialingDirectoryEntry* FindByName(std::string_view name);
  // First entry whose ListLine equals `line` without regard to case.
  DialingDirectoryEntry* FindByLine(std::string_view line);

  // Replaces the list with the file's records, each added at the front (so
  // the list is in reverse file order). Missing file: message, empty list.
  // Read error: the "corrupted" message, records read so far kept. A
  // trailing piece shorter than a record is dropped silently.
  void Load(const std::filesystem::path& file, MessageSink& messages);
  // Writes every entry in list order, mode 0600. On failure shows the
  // message and returns false; the list is unchanged either way.
  bool Save(const std::filesystem::path& file, MessageSink& messages) const;

  // The whole file image, in list order.
  std::vector<uint8_t> Bytes() const;

 private:
  List entries_;
};

}  // namespace parlane
