#include "book/phonebook.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/temp_dir.h"
#include "util/le.h"

namespace parlane {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;
using O = DialingDirectoryEntry::Off;

DialingDirectoryEntry Named(std::string name, EntryType type = EntryType::Telnet) {
  DialingDirectoryEntry e = NewTelnetEntry(Main_Configuration_Struct::Defaults("/"));
  e.Type = static_cast<uint32_t>(type);
  e.Name = std::move(name);
  e.Address = e.Name + ".example";
  return e;
}

std::vector<uint8_t> FileOf(const std::vector<DialingDirectoryEntry>& entries) {
  std::vector<uint8_t> b;
  for (const auto& e : entries) {
    auto r = e.Bytes();
    b.insert(b.end(), r.begin(), r.end());
  }
  return b;
}

std::vector<std::string> Names(const Phonebook& book) {
  std::vector<std::string> out;
  for (const auto& e : book.Entries()) out.push_back(e.Name);
  return out;
}

TEST(PhonebookEntry, NewEntriesAtTheirOffsets) {
  auto cfg = Main_Configuration_Struct::Defaults("/");
  cfg.Terminal.Emulation = 2;
  cfg.Protocol = 0;
  RecordingMessageSink sink;
  ApplyDefaultPortSettings(cfg, sink);
  auto e = NewDialupEntry(cfg, cfg.PortSettings);
  e.Name = "Board";
  e.Password = "secret";
  auto b = e.Bytes();
  EXPECT_EQ(le::u32(b, O::Type), 1u);
  EXPECT_EQ(le::str(b, O::Name, 25), "Board");
  EXPECT_EQ(le::str(b, O::Port, 7), "23");
  EXPECT_EQ(le::str(b, O::Password, 25), "secret");
  EXPECT_EQ(le::str(b, O::LastConnectDate, 9), "None");
  EXPECT_EQ(le::str(b, O::LastConnectTime, 12), "None");
  EXPECT_EQ(le::u32(b, O::ComPort), 0u);
  EXPECT_EQ(le::u32(b, O::PortSettings + 4), 9600u);
  EXPECT_EQ(le::u32(b, O::Terminal), 2u);
  EXPECT_EQ(le::u32(b, O::Protocol), 0u);
  EXPECT_EQ(DialingDirectoryEntry::Decode(b), e);
  EXPECT_EQ(FormatPortSettings(e.PortSettings), "9600,N,8,1");
  EXPECT_EQ(FlowControlText(e.PortSettings), "None");
}

TEST(PhonebookEntry, ReservedBytesAreWrittenAsZeros) {
  auto raw = Named("a").Bytes();
  std::fill(raw.begin() + O::Reserved, raw.end(), 0xEE);
  auto e = DialingDirectoryEntry::Decode(raw);
  auto again = e.Bytes();
  for (size_t i = O::Reserved; i < 519; ++i) ASSERT_EQ(again[i], 0);
}

// The count, date and time a connection records, for both kinds of entry:
// DialNumberTest.ConnectUpdatesTheEntryAndTheSettings and the GUI's dial-up tests.
TEST(PhonebookEntry, ListLineShowsTheCountAsSigned) {
  auto e = Named("Unix box");
  e.Connects = 3;
  EXPECT_EQ(ListLine(e), "Unix box\tUnix box.example\t3\tNone");
  e.Connects = 0x80000000u;  // shown as "%d" shows it, like the dial dialog's count
  EXPECT_EQ(ListLine(e), "Unix box\tUnix box.example\t-2147483648\tNone");
  std::tm t{};
  t.tm_min = 4;
  t.tm_sec = 9;
  EXPECT_EQ(ConnectTimeText(t), "12:04:09 AM");
}

TEST(Phonebook, FindsByNameAndLineWithoutRegardToCase) {
  Phonebook book;
  book.Add(Named("Alpha"));
  auto& beta = book.Add(Named("Beta"));
  EXPECT_EQ(book.FindByName("BETA"), &beta);
  EXPECT_EQ(book.FindByName("Gamma"), nullptr);
  EXPECT_EQ(book.FindByLine("beta\tbeta.EXAMPLE\t0\tnone"), &beta);
  EXPECT_EQ(book.FindByLine("beta\tbeta.example\t1\tNone"), nullptr);
  EXPECT_TRUE(book.Remove(&beta));
  EXPECT_FALSE(book.Remove(&beta));
  EXPECT_EQ(Names(book), std::vector<std::string>{"Alpha"});
}

TEST(Phonebook, AddRefusesANameThatDiffersOnlyInCase) {
  Phonebook book;
  RecordingMessageSink messages;
  ASSERT_NE(book.AddUnique(Named("Home BBS"), messages), nullptr);
  EXPECT_EQ(book.AddUnique(Named("home bbs"), messages), nullptr);
  EXPECT_EQ(book.Size(), 1u);
  ASSERT_EQ(messages.entries.size(), 1u);
  EXPECT_EQ(messages.entries[0].text, "Entry already exists.  Use a different name.");
  EXPECT_EQ(messages.entries[0].caption, "Error");
  auto* added = book.AddUnique(Named("Other"), messages);
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(&book.Entries().front(), added);  // newest first
}

TEST(Phonebook, LoadReversesAndSaveKeepsTheReversedOrder) {
  TempDir dir;
  auto file = dir / "PHONBOOK.DAT";
  WriteBytes(file, FileOf({Named("A"), Named("B"), Named("C")}));
  Phonebook book;
  RecordingMessageSink messages;
  book.Load(file, messages);
  EXPECT_EQ(Names(book), (std::vector<std::string>{"C", "B", "A"}));
  ASSERT_TRUE(book.Save(file, messages));
  EXPECT_EQ(ReadBytes(file), FileOf({Named("C"), Named("B"), Named("A")}));
  EXPECT_TRUE(messages.entries.empty());
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);  // it holds passwords
}

TEST(Phonebook, FileSizes) {
  struct Case {
    size_t bytes;
    size_t entries;
  } cases[] = {{0, 0}, {518, 0}, {519, 1}, {1000, 1}, {1038, 2}, {1557, 3}, {1558, 3}};
  TempDir dir;
  auto file = dir / "PHONBOOK.DAT";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    auto b = FileOf({Named("x"), Named("y"), Named("z"), Named("w")});
    b.resize(c.bytes);
    WriteBytes(file, b);
    Phonebook book;
    book.Add(Named("left over"));
    RecordingMessageSink messages;
    book.Load(file, messages);
    EXPECT_EQ(book.Size(), c.entries);
    EXPECT_TRUE(messages.entries.empty());
  }
}

TEST(Phonebook, MissingOrUnreadableFileIsReportedAndGivesAnEmptyBook) {
  struct Case {
    bool directory;  // a directory opens, but every read fails
    std::string_view text;
  } cases[] = {
      {false, "Could not open phonebook file PHONBOOK.DAT"},
      {true,
       "Phonebook file PHONBOOK.DAT is corrupted!  Please delete and reconfigure to be safe..."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TempDir dir;
    if (c.directory) std::filesystem::create_directory(dir / "PHONBOOK.DAT");
    Phonebook book;
    RecordingMessageSink messages;
    book.Load(dir / "PHONBOOK.DAT", messages);
    EXPECT_TRUE(book.Empty());
    ASSERT_EQ(messages.entries.size(), 1u);
    EXPECT_EQ(messages.entries[0].text, c.text);
    EXPECT_EQ(messages.entries[0].caption, "Parlane");
    EXPECT_EQ(messages.entries[0].icon, MessageIcon::Exclamation);
  }
}

TEST(Phonebook, SaveFailureIsReportedAndTheListKept) {
  TempDir dir;
  Phonebook book;
  book.Add(Named("keep"));
  RecordingMessageSink messages;
  EXPECT_FALSE(book.Save(dir / "missing" / "PHONBOOK.DAT", messages));
  ASSERT_EQ(messages.entries.size(), 1u);
  EXPECT_EQ(messages.entries[0].text, "Error saving Phonebook file");
  EXPECT_EQ(book.Size(), 1u);
}

TEST(Phonebook, StringsWithoutTerminatorStayInTheirField) {
  auto raw = Named("n").Bytes();
  std::fill_n(raw.begin() + O::Name, 25, 'N');
  std::fill_n(raw.begin() + O::Port, 7, '7');
  auto e = DialingDirectoryEntry::Decode(raw);
  EXPECT_EQ(e.Name, std::string(25, 'N'));
  EXPECT_EQ(e.Address, "n.example");
  EXPECT_EQ(e.Port, "7777777");
  auto again = e.Bytes();
  EXPECT_EQ(again[O::Name + 24], 0);
  EXPECT_EQ(le::str(again, O::Address, 40), "n.example");
}

}  // namespace
}  // namespace parlane
