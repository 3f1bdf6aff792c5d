// Incremental readers of the Zmodem receive side: bytes are pushed in one at
// a time and each call says what they have made so far. No I/O and no
// clocks: the caller reads, and tells the reader when a read timed out.
#pragma once

#include <cstddef>
#include <cstdint>

#include "xfer/zmodem_codec.h"

namespace parlane::zm {

// ZDLE-escaped bytes (binary headers and subpackets).
class EscapedReader {
 public:
  struct Result {
    enum class Kind : uint8_t {
      More,       // the byte was taken (flow control, a ZDLE, a CAN of a run)
      Data,       // a data byte in `value`
      End,        // a subpacket end: ZCRCE..ZCRCW in `value`
      Cancel,     // ZDLE and four CAN: five in a row
      BadEscape,  // a ZDLE pair that stands for nothing
    } kind = Kind::More;
    uint8_t value = 0;
  };

  explicit EscapedReader(bool escapeControl = false) : escapeControl_(escapeControl) {}
  void SetEscapeControl(bool on) { escapeControl_ = on; }
  Result Feed(uint8_t byte);
  void Reset() { state_ = State::Plain; }

  // The form the frame layer returns: a data byte, kEndCode + end,
  // kGotCancel or kError; -1 is never More.
  static int Code(Result r);

 private:
  enum class State : uint8_t { Plain, AfterZdle, CancelRun };
  Result AfterZdle(uint8_t byte);

  bool escapeControl_;
  State state_ = State::Plain;
  int cancelsSeen_ = 0;  // ZDLE and the CANs after it
};

// A header: hunts for ZPAD ZDLE and a format letter, counting garbage and
// runs of CAN, then takes a hex or binary header body and checks its CRC.
class HeaderReader {
 public:
  // Which time limit the next byte is read with.
  enum class Wait : uint8_t {
    Hunt,         // the caller's limit for the whole header
    Frame,        // each byte inside the frame
    AfterCancel,  // the byte after a CAN outside a frame
    Trailer,      // the CR LF after a hex header
  };

  struct Result {
    enum class Kind : uint8_t {
      More,       // feed the next byte
      Frame,      // a header with a good CRC: `type`, `header`, `crc32`
      Cancelled,  // five CAN in a row
      NoFrame,    // the garbage budget ran out
      TimedOut,   // a read inside the header timed out
      BadCrc,     // a complete header whose CRC is wrong (`header` as read)
      Garbled,    // something else came instead of a header byte: `type`
                  // holds its code (kError, or a subpacket end code)
    } kind = Kind::More;
    int type = 0;
    Header header{};
    bool crc32 = false;
  };

  // Garbage bytes tolerated before a header start.
  static constexpr int kGarbageBudget = 20600;
  // CAN bytes in a row that cancel the session.
  static constexpr int kCancelRun = 5;

  explicit HeaderReader(bool escapeControl = false)
      : escapeControl_(escapeControl), escaped_(escapeControl) {}

  Result Feed(uint8_t byte);
  // The read for the next byte timed out.
  Result TimedOut();
  Wait NextWait() const;
  // Whether a header body has begun, and whether it carries CRC-32.
  bool BodyStarted() const { return bodyStarted_; }
  bool BodyCrc32() const { return crc32_; }

 private:
  enum class State : uint8_t {
    Hunt,
    AfterCancel,
    AfterCancelCrcw,
    Pad,
    PadZdle,
    Binary,
    Hex,
    Trailer,
    TrailerLf,
  };

  Result Hunt(uint8_t byte);
  Result Garbage();
  Result BodyByte(uint8_t byte);
  Result Finish();
  // The byte as a 7-bit line delivers it, or -1 for one that is skipped.
  int SevenBit(uint8_t byte) const;

  bool escapeControl_;
  State state_ = State::Hunt;
  int budget_ = kGarbageBudget;
  int cancels_ = 0;
  bool crc32_ = false;
  bool bodyStarted_ = false;
  EscapedReader escaped_;
  uint8_t body_[9] = {};
  size_t bodyLength_ = 0;
  int hexHigh_ = -1;  // the first digit of a hex pair
  Result frame_;      // a hex header waiting for its trailer
};

}  // namespace parlane::zm
