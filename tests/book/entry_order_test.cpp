// The phonebook list's order and the entry `--dial` names.
#include <gtest/gtest.h>

#include "book/entry_order.h"

namespace parlane {
namespace {

Phonebook Book(std::initializer_list<const char*> names) {
  Phonebook book;
  for (const char* name : names) {
    DialingDirectoryEntry e;
    e.Name = name;
    e.Address = "host";
    book.Add(e);
  }
  return book;
}

TEST(EntryOrderTest, ListedByLineWithoutRegardToCase) {
  const Phonebook book = Book({"beta", "Alpha", "gamma", "ALPHA2"});
  std::vector<std::string> names;
  for (const auto* e : EntriesAsListed(book)) names.push_back(e->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "ALPHA2", "beta", "gamma"}));
}

TEST(EntryOrderTest, StartupEntryByExactNameThenPosition) {
  const Phonebook book = Book({"beta", "Alpha", "2", "gamma"});
  struct Case {
    const char* asked;
    const char* found;  // nullptr: none
  };
  for (const Case& c : std::initializer_list<Case>{{"gamma", "gamma"},
                                                   {"GAMMA", nullptr},
                                                   {"2", "2"},  // a name wins over a position
                                                   {"1", "2"},  // "2" sorts first
                                                   {"3", "beta"},
                                                   {"0", nullptr},
                                                   {"5", nullptr},
                                                   {"1x", nullptr},
                                                   {"", nullptr}}) {
    const DialingDirectoryEntry* e = FindStartupEntry(book, c.asked);
    if (c.found == nullptr) {
      EXPECT_EQ(e, nullptr) << c.asked;
    } else {
      ASSERT_NE(e, nullptr) << c.asked;
      EXPECT_EQ(e->Name, c.found) << c.asked;
    }
  }
}

}  // namespace
}  // namespace parlane
