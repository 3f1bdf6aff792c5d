#include "book/entry_order.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace parlane {

bool ListLineLess(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) <
           std::tolower(static_cast<unsigned char>(y));
  });
}

std::vector<const DialingDirectoryEntry*> EntriesAsListed(const Phonebook& book) {
  std::vector<const DialingDirectoryEntry*> entries;
  for (const DialingDirectoryEntry& e : book.Entries()) entries.push_back(&e);
  std::stable_sort(entries.begin(), entries.end(), [](const auto* a, const auto* b) {
    return ListLineLess(ListLine(*a), ListLine(*b));
  });
  return entries;
}

const DialingDirectoryEntry* FindStartupEntry(const Phonebook& book, std::string_view name) {
  for (const DialingDirectoryEntry& e : book.Entries()) {
    if (e.Name == name) return &e;
  }
  size_t position = 0;
  const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), position);
  if (ec != std::errc() || end != name.data() + name.size() || position == 0) return nullptr;
  const std::vector<const DialingDirectoryEntry*> listed = EntriesAsListed(book);
  return position <= listed.size() ? listed[position - 1] : nullptr;
}

}  // namespace parlane
