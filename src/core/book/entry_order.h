// The order the phonebook list shows its entries in (sorted by the text of
// their list lines, without regard to case), and finding the entry that
// `parlane --dial ENTRY` names.
#pragma once

#include <string_view>
#include <vector>

#include "book/phonebook.h"

namespace parlane {

// True when `a`'s list line sorts before `b`'s.
bool ListLineLess(std::string_view a, std::string_view b);

// The entries in list order.
std::vector<const DialingDirectoryEntry*> EntriesAsListed(const Phonebook& book);

// The entry with exactly this name; failing that, when `name` is a number,
// the entry at that 1-based position in list order. nullptr when neither.
const DialingDirectoryEntry* FindStartupEntry(const Phonebook& book, std::string_view name);

}  // namespace parlane
