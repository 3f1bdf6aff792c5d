#include "term/parser.h"

#include "term/emulation.h"

#include <algorithm>
#include <cstring>

namespace parlane {

namespace {

constexpr uint8_t kNul = 0, kBel = 7, kBs = 8, kHt = 9, kLf = 10, kFf = 12, kCr = 13;
constexpr uint8_t kSo = 14, kSi = 15, kCan = 24, kEsc = 27, kDel = 127, kCsi = 155, kIac = 255;

constexpr ByteClassTable MakeTable(Emulation emulation, bool telnet) {
  ByteClassTable t{};
  for (auto& c : t) c = ByteClass::Print;
  t[kNul] = ByteClass::Ignore;
  t[kBel] = ByteClass::Bell;
  t[kBs] = ByteClass::Backspace;
  t[kDel] = ByteClass::Backspace;
  t[kHt] = ByteClass::Tab;
  t[kLf] = ByteClass::LineFeed;
  t[kFf] = ByteClass::FormFeed;
  t[kCr] = ByteClass::Return;
  const EmulationTraits& traits = TraitsOf(emulation);
  const bool charsets = traits.charsets;
  t[kSo] = charsets ? ByteClass::ShiftOut : ByteClass::Ignore;
  t[kSi] = charsets ? ByteClass::ShiftIn : ByteClass::Ignore;
  t[kCan] = ByteClass::Cancel;
  if (traits.escapes) {
    t[kEsc] = ByteClass::Escape;
    t[kCsi] = ByteClass::Csi;
  }
  if (telnet) t[kIac] = ByteClass::Iac;
  return t;
}

// Two tables (plain and Telnet) per emulation, in the order of its code.
constexpr std::array<ByteClassTable, kEmulationCount * 2> MakeTables() {
  std::array<ByteClassTable, kEmulationCount * 2> tables{};
  for (size_t i = 0; i < kEmulationCount; ++i) {
    tables[i * 2] = MakeTable(kEmulationTraits[i].id, false);
    tables[i * 2 + 1] = MakeTable(kEmulationTraits[i].id, true);
  }
  return tables;
}

constexpr auto kTables = MakeTables();

bool IsIntermediate(uint8_t b) {
  return b == '[' || b == '?' || b == '#' || b == '=' || b == '(' || b == ')';
}

}  // namespace

const ByteClassTable& GroundTable(Emulation emulation, bool telnet) {
  // An unknown code behaves as VT100.
  const auto index = static_cast<size_t>(TraitsOf(emulation).id);
  return kTables[index * 2 + (telnet ? 1 : 0)];
}

void EscapeCollector::Start(bool csi) {
  whole_ = false;
  std::memset(slots_.data(), 0, static_cast<size_t>(touched_) * sizeof slots_[0]);
  touched_ = 0;
  slotCount_ = 0;
  digitCount_ = 0;
  final_ = 0;
  if (csi) {
    slots_[0][0] = '[';
    slotCount_ = 1;
    touched_ = 1;
  }
}

EscapeCollector::Step EscapeCollector::FeedSlow(uint8_t b, bool designation) {
  if (slotCount_ >= kMaxSlots) return Step::Abandon;
  auto& slot = slots_[static_cast<size_t>(slotCount_)];
  if (IsIntermediate(b)) {
    if (b == '=' && slotCount_ == 0) return Step::Abandon;
    slot[0] = static_cast<char>(b);
    ++slotCount_;
    touched_ = std::max(touched_, slotCount_);
    return Step::Continue;
  }
  if (designation && IsDesignation()) {
    final_ = b;
    return Step::Designate;
  }
  if (b >= '0' && b <= '9') {
    slot[static_cast<size_t>(digitCount_)] = static_cast<char>(b);
    if (++digitCount_ == kMaxDigits) digitCount_ = kMaxDigits - 1;
    touched_ = std::max(touched_, slotCount_ + 1);
    if (slotCount_ != 0) return Step::Continue;
    final_ = b;
    if (b == '7') return Step::SaveCursor;
    if (b == '8') return Step::RestoreCursor;
    return Step::DigitIgnored;
  }
  if (b == ';') {
    ++slotCount_;
    digitCount_ = 0;
    return Step::Continue;
  }
  if (digitCount_ != 0) ++slotCount_;
  final_ = b;
  return Step::Final;
}

void EscapeCollector::TakeParameters(const uint8_t*& p, const uint8_t* end, bool designation) {
  if (slotCount_ == 0 || (designation && IsDesignation())) return;
  // The counters live in locals: the slots are chars, and every store to them
  // would otherwise make the compiler reload the counters.
  int slots = slotCount_;
  int digits = digitCount_;
  int touched = touched_;
  for (; p < end && slots < kMaxSlots; ++p) {
    const uint8_t b = *p;
    if (b >= '0' && b <= '9') {
      slots_[static_cast<size_t>(slots)][static_cast<size_t>(digits)] = static_cast<char>(b);
      if (++digits == kMaxDigits) digits = kMaxDigits - 1;
      if (touched <= slots) touched = slots + 1;
    } else if (b == ';') {
      ++slots;
      digits = 0;
    } else {
      break;
    }
  }
  slotCount_ = slots;
  digitCount_ = digits;
  touched_ = touched;
}

EscapeCollector::Step EscapeCollector::Collect(const uint8_t*& p, const uint8_t* end,
                                               bool designation) {
  while (p < end) {
    TakeParameters(p, end, designation);
    if (p == end) break;
    const Step step = Feed(*p++, designation);
    if (step != Step::Continue) return step;
  }
  return Step::Continue;
}

size_t EscapeCollector::TakeWholeCsi(const uint8_t* p, const uint8_t* end) {
  // Slot 0 holds the "[".
  values_[0] = 0;
  firsts_[0] = '[';
  int slots = 1;
  int digits = 0;
  int value = 0;
  char first = 0;
  for (const uint8_t* q = p; q < end; ++q) {
    const uint8_t b = *q;
    if (b >= '0' && b <= '9') {
      // A fifth digit replaces the fourth: left to the byte-by-byte path.
      if (digits == kMaxDigits) return 0;
      if (digits++ == 0) first = static_cast<char>(b);
      value = value * 10 + (b - '0');
      continue;
    }
    if (IsIntermediate(b)) return 0;
    // The slot is stored even when empty, so that every slot up to the
    // last one opened reads as it would from its text.
    values_[static_cast<size_t>(slots)] = value;
    firsts_[static_cast<size_t>(slots)] = first;
    if (b == ';') {
      // A twenty-first slot abandons the sequence: left to the byte-by-byte path.
      if (++slots == kMaxSlots) return 0;
      digits = 0;
      value = 0;
      first = 0;
      continue;
    }
    filled_ = slots + 1;
    slotCount_ = digits != 0 ? slots + 1 : slots;
    digitCount_ = digits;
    final_ = b;
    whole_ = true;
    return static_cast<size_t>(q - p) + 1;
  }
  return 0;
}

int EscapeCollector::SlotValue(int slot) const {
  if (slot < 0 || slot >= kMaxSlots) return 0;
  int value = 0;
  for (char c : slots_[static_cast<size_t>(slot)]) {
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace parlane
