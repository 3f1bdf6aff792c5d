#include <utility>

#include "script/script.h"

namespace parlane {

WaitMatcher::WaitMatcher(std::string text)
    : text_(std::move(text)), fallback_(text_.size() + 1, 0) {
  // Knuth-Morris-Pratt failure table: fallback_[n] is the length of the
  // longest proper prefix of text_[0, n) that is also its suffix, so a broken
  // partial match resumes where an overlapping occurrence could still begin.
  size_t k = 0;
  for (size_t i = 1; i < text_.size(); ++i) {
    while (k > 0 && text_[i] != text_[k]) k = fallback_[k];
    if (text_[i] == text_[k]) ++k;
    fallback_[i + 1] = k;
  }
}

bool WaitMatcher::Feed(char byte) {
  if (text_.empty()) return true;
  while (matched_ > 0 && byte != text_[matched_]) matched_ = fallback_[matched_];
  if (byte == text_[matched_]) ++matched_;
  if (matched_ < text_.size()) return false;
  matched_ = fallback_[matched_];
  return true;
}

}  // namespace parlane
