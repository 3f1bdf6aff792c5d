#include "book/phonebook.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "config/binary_file.h"
#include "config/record_layout.h"
#include "util/le.h"

namespace parlane {
namespace {

using E = DialingDirectoryEntry;
using O = DialingDirectoryEntry::Off;

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string WithName(std::string_view pattern, const std::filesystem::path& file) {
  std::string s(pattern);
  auto at = s.find("%s");
  if (at != std::string::npos) s.replace(at, 2, file.filename().string());
  return s;
}

std::string Format(const char* pattern, const std::tm& t) {
  char buf[32];
  size_t n = std::strftime(buf, sizeof buf, pattern, &t);
  return std::string(buf, n);
}

}  // namespace

const RecordField& E::Layout() {
  using namespace layout;
  static const RecordField layout =
      Group("", 0, kSize,
            {Flag(Int("Type", O::Type, &E::Type)), Str("Name", O::Name, kNameSize, &E::Name),
             Str("Address", O::Address, kAddressSize, &E::Address),
             Str("Port", O::Port, kPortSize, &E::Port),
             Str("UserName", O::UserName, kUserNameSize, &E::UserName),
             Str("Password", O::Password, kPasswordSize, &E::Password),
             Int("Connects", O::Connects, &E::Connects),
             Str("LastConnectDate", O::LastConnectDate, kDateSize, &E::LastConnectDate),
             Str("LastConnectTime", O::LastConnectTime, kTimeSize, &E::LastConnectTime),
             Ranged(Int("ComPort", O::ComPort, &E::ComPort), {{0, 3}}),
             DcbField("PortSettings", O::PortSettings, &E::PortSettings),
             TerminalOptionsField("Terminal", O::Terminal, Bind(&E::Terminal)),
             Flag(Int("Protocol", O::Protocol, &E::Protocol)),
             Str("LoginScript", O::LoginScript, kScriptSize, &E::LoginScript),
             // Never read; always written as zeros.
             Unkept("Reserved", O::Reserved, kReservedSize)});
  return layout;
}

E E::Decode(std::span<const uint8_t> in, size_t off) {
  // A record cut short by the end of the span reads as zero-padded.
  std::array<uint8_t, kSize> b{};
  if (off < in.size())
    std::copy_n(in.begin() + static_cast<long>(off), std::min(in.size() - off, kSize), b.begin());
  E e;
  DecodeFields(Layout(), b, &e);
  return e;
}

void E::Encode(std::span<uint8_t> b, size_t off) const { EncodeFields(Layout(), this, b, off); }

std::array<uint8_t, E::kSize> E::Bytes() const {
  std::array<uint8_t, kSize> b{};
  Encode(b);
  return b;
}

E NewTelnetEntry(const Main_Configuration_Struct& cfg) {
  E e;
  e.Type = static_cast<uint32_t>(EntryType::Telnet);
  e.Terminal = cfg.Terminal;
  e.Protocol = cfg.Protocol;
  return e;
}

E NewDialupEntry(const Main_Configuration_Struct& cfg, const Dcb& portSettings) {
  E e = NewTelnetEntry(cfg);
  e.Type = static_cast<uint32_t>(EntryType::Dialup);
  e.PortSettings = portSettings;
  return e;
}

std::string ListLine(const E& e) {
  // The count is shown as a signed decimal ("%d"), as the dial dialog shows it.
  return e.Name + "\t" + e.Address + "\t" + std::to_string(static_cast<int32_t>(e.Connects)) +
         "\t" + e.LastConnectDate;
}

std::string ConnectDateText(const std::tm& local) { return Format("%m/%d/%y", local); }

std::string ConnectTimeText(const std::tm& local) {
  // The C locale's AM/PM, whatever the user's locale.
  char buf[16];
  int hour = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d %s", hour, local.tm_min % 60, local.tm_sec % 62,
                local.tm_hour < 12 ? "AM" : "PM");
  return buf;
}

void RecordConnection(E& e, const std::tm& local) {
  ++e.Connects;
  e.LastConnectDate = ConnectDateText(local);
  if (!e.IsTelnet()) e.LastConnectTime = ConnectTimeText(local);
}

bool CheckEntryFields(const E& e, MessageSink& messages) {
  if (!e.Name.empty() && !e.Address.empty()) return true;
  messages.ShowMessage(e.IsTelnet() ? kMsgTelnetEntryIncomplete : kMsgDialupEntryIncomplete,
                       kEntryEditorCaption, MessageIcon::Exclamation);
  return false;
}

DialingDirectoryEntry* Phonebook::AddUnique(const E& e, MessageSink& messages) {
  if (FindByName(e.Name) != nullptr) {
    messages.ShowMessage(kMsgDuplicateEntry, kEntryEditorCaption, MessageIcon::Exclamation);
    return nullptr;
  }
  return &Add(e);
}

DialingDirectoryEntry& Phonebook::Add(const E& e) {
  entries_.push_front(e);
  return entries_.front();
}

bool Phonebook::Remove(const E* e) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (&*it == e) {
      entries_.erase(it);
      return true;
    }
  }
  return false;
}

E* Phonebook::FindByName(std::string_view name) {
  for (auto& e : entries_)
    if (EqualNoCase(e.Name, name)) return &e;
  return nullptr;
}

E* Phonebook::FindByLine(std::string_view line) {
  for (auto& e : entries_)
    if (EqualNoCase(ListLine(e), line)) return &e;
  return nullptr;
}

void Phonebook::Load(const std::filesystem::path& file, MessageSink& messages) {
  entries_.clear();
  RecordReader reader(file);
  if (reader.status() != ReadStatus::Ok) {
    messages.ShowMessage(WithName(kMsgPhonebookOpen, file), kShellCaption,
                         MessageIcon::Exclamation);
    return;
  }
  std::array<uint8_t, E::kSize> record{};
  for (;;) {
    long n = reader.Read(record);
    if (n < 0) {
      messages.ShowMessage(WithName(kMsgPhonebookCorrupt, file), kShellCaption,
                           MessageIcon::Exclamation);
      return;
    }
    // A trailing piece shorter than a record ends the load silently.
    if (static_cast<size_t>(n) < E::kSize) return;
    entries_.push_front(E::Decode(record));
  }
}

std::vector<uint8_t> Phonebook::Bytes() const {
  std::vector<uint8_t> out(entries_.size() * E::kSize);
  size_t off = 0;
  for (const auto& e : entries_) {
    e.Encode(out, off);
    off += E::kSize;
  }
  return out;
}

bool Phonebook::Save(const std::filesystem::path& file, MessageSink& messages) const {
  if (WriteWhole(file, Bytes(), kPrivateFileMode)) return true;
  messages.ShowMessage(kMsgPhonebookSave, kShellCaption, MessageIcon::Exclamation);
  return false;
}

}  // namespace parlane
