// The byte layer of the interpreter: which bytes of normal display are
// printable (and so go to the screen as one run), and the collector that
// gathers an escape sequence's parameter slots.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>

#include "config/terminal_options.h"

namespace parlane {

// What a byte does in the Ground state.
enum class ByteClass : uint8_t {
  Print,      // WriteGlyph
  Ignore,     // NUL
  Bell,       // BEL
  Backspace,  // BS, DEL
  Tab,        // HT
  LineFeed,   // LF
  FormFeed,   // FF
  Return,     // CR
  ShiftOut,   // SO: G1 (VT100, SCO ANSI)
  ShiftIn,    // SI: G0 (VT100, SCO ANSI)
  Cancel,     // CAN: start of a Zmodem request
  Escape,     // ESC (not TTY)
  Csi,        // 155 (not TTY)
  Iac,        // 255 in a Telnet session
};

using ByteClassTable = std::array<ByteClass, 256>;

// The Ground table of an emulation, with or without Telnet.
const ByteClassTable& GroundTable(Emulation emulation, bool telnet);

// A mask with the top bit set in each byte of `word` that is not plain
// ASCII text (0x20..0x7E), at least in its lowest such byte: a borrow may
// also mark bytes above that one.
constexpr uint64_t NonTextBytes(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101;
  constexpr uint64_t kTops = kOnes * 0x80;
  const uint64_t control = (word - kOnes * 0x20) & ~word;  // below 0x20
  const uint64_t del = word ^ (kOnes * 0x7F);
  const uint64_t isDel = (del - kOnes) & ~del;  // 0x7F
  return (control | isDel | word) & kTops;      // the top bit: 0x80 and up
}

// The length of the run of Print bytes at the start of `bytes`.
inline size_t PrintRunLength(const ByteClassTable& table, std::span<const uint8_t> bytes) {
  size_t n = 0;
  if constexpr (std::endian::native == std::endian::little) {
    // Plain ASCII text prints in every emulation: it is passed over eight
    // bytes at a time, up to the first byte that may be something else.
    while (n + sizeof(uint64_t) <= bytes.size()) {
      uint64_t word;
      std::memcpy(&word, bytes.data() + n, sizeof word);
      if (const uint64_t other = NonTextBytes(word)) {
        n += static_cast<size_t>(std::countr_zero(other)) / 8;
        break;
      }
      n += sizeof word;
    }
  }
  while (n < bytes.size() && table[bytes[n]] == ByteClass::Print) ++n;
  return n;
}

// The escape-sequence collector: 20 slots, each holding one intermediate
// character or up to four digits (a fifth digit replaces the fourth).
class EscapeCollector {
 public:
  // A sequence may open this many slots; one more abandons it.
  static constexpr int kMaxSlots = 20;
  // Digits kept per parameter: the first three and the latest.
  static constexpr int kMaxDigits = 4;

  enum class Step {
    Continue,       // the byte was collected
    Abandon,        // the sequence ends without effect (21st slot, ESC =)
    Designate,      // ESC ( x or ESC ) x (only when designation is enabled)
    SaveCursor,     // ESC 7
    RestoreCursor,  // ESC 8
    DigitIgnored,   // ESC and another digit
    Final,          // the byte ends the sequence: dispatch it
  };

  // Starts a sequence; `csi` for byte 155 (slot 0 holds "[").
  void Start(bool csi);
  // Takes one byte. `designation` enables ESC ( / ESC ) character sets.
  Step Feed(uint8_t byte, bool designation) {
    // Digits of a parameter are by far the most frequent bytes.
    if (byte >= '0' && byte <= '9' && slotCount_ != 0 && slotCount_ < kMaxSlots &&
        !(designation && IsDesignation())) {
      slots_[static_cast<size_t>(slotCount_)][static_cast<size_t>(digitCount_)] =
          static_cast<char>(byte);
      if (++digitCount_ == kMaxDigits) digitCount_ = kMaxDigits - 1;
      if (touched_ <= slotCount_) touched_ = slotCount_ + 1;
      return Step::Continue;
    }
    return FeedSlow(byte, designation);
  }

  // Takes bytes from `p` until the sequence ends or the input does; `p` is
  // left after the last byte taken. Returns the step of that byte.
  Step Collect(const uint8_t*& p, const uint8_t* end, bool designation);

  // The common whole sequence in one go: `p` is just after the "[" of a
  // control sequence (ESC [ or 155). When the block holds the whole
  // sequence, with only parameters of at most four digits and ";" before its
  // final byte, takes it, leaves the collector as Feed would have at that
  // final byte and returns the bytes taken (the final byte included).
  // Otherwise takes nothing and returns 0: the caller starts the sequence
  // and collects it byte by byte.
  size_t TakeWholeCsi(const uint8_t* p, const uint8_t* end);

  int SlotCount() const { return slotCount_; }
  // The value a slot's text starts with (0 when it does not start with a digit).
  int Param(int slot) const {
    if (whole_) return slot >= 0 && slot < filled_ ? values_[static_cast<size_t>(slot)] : 0;
    return SlotValue(slot);
  }
  // The first character of a slot (0 when empty).
  char SlotChar(int slot) const {
    if (slot < 0 || slot >= kMaxSlots) return 0;
    if (whole_) return slot < filled_ ? firsts_[static_cast<size_t>(slot)] : 0;
    return slots_[static_cast<size_t>(slot)][0];
  }
  // Whether slot 0 starts with "[".
  bool IsCsi() const { return SlotChar(0) == '['; }
  uint8_t FinalByte() const { return final_; }
  // Designation details after Step::Designate.
  bool DesignatesG1() const { return SlotChar(0) == ')'; }
  bool DesignatesLineDrawing() const { return final_ == '0' || final_ == '2'; }

 private:
  // Digits and ";" of the parameters, as Feed would take them.
  void TakeParameters(const uint8_t*& p, const uint8_t* end, bool designation);
  bool IsDesignation() const { return slots_[0][0] == '(' || slots_[0][0] == ')'; }
  Step FeedSlow(uint8_t byte, bool designation);
  int SlotValue(int slot) const;

  static constexpr int kSlotSize = kMaxDigits + 1;  // digits and a terminating zero
  std::array<std::array<char, kSlotSize>, kMaxSlots> slots_{};
  int slotCount_ = 0;
  int digitCount_ = 0;
  int touched_ = 0;  // slots that may hold text, cleared at the next start
  uint8_t final_ = 0;
  // A sequence taken by TakeWholeCsi keeps its parameters as numbers here
  // instead of in the slot texts: values and first characters of slots
  // 0 .. filled_ - 1 (later slots are empty).
  bool whole_ = false;
  int filled_ = 0;
  std::array<int, kMaxSlots> values_{};
  std::array<char, kMaxSlots> firsts_{};
};

}  // namespace parlane
