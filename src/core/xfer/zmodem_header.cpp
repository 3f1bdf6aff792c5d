#include "xfer/zmodem_header.h"

#include "xfer/crc.h"

namespace parlane::zm {

namespace {

// The top-bit variants of "*" and CR that a 7-bit line may deliver.
constexpr uint8_t kZPADHigh = 170;
constexpr uint8_t kCRHigh = 141;

bool IsFlowControl(uint8_t c) { return c == 17 || c == 19 || c == 145 || c == 147; }

}  // namespace

// --- escaped bytes -----------------------------------------------------------

EscapedReader::Result EscapedReader::Feed(uint8_t c) {
  switch (state_) {
    case State::Plain:
      if (c & 0x60) return {Result::Kind::Data, c};
      if (IsFlowControl(c)) return {};
      if (c == kZDLE) {
        state_ = State::AfterZdle;
        return {};
      }
      if (escapeControl_) return {};
      return {Result::Kind::Data, c};
    case State::CancelRun:
      if (c == kCAN) {
        if (++cancelsSeen_ >= 5) {
          state_ = State::Plain;
          return {Result::Kind::Cancel, 0};
        }
        return {};
      }
      return AfterZdle(c);
    case State::AfterZdle:
      if (c == kCAN) {
        cancelsSeen_ = 2;
        state_ = State::CancelRun;
        return {};
      }
      return AfterZdle(c);
  }
  return {};
}

// The byte after a ZDLE (or after the CANs that followed one).
EscapedReader::Result EscapedReader::AfterZdle(uint8_t c) {
  state_ = State::AfterZdle;
  if (c >= ZCRCE && c <= ZCRCW) {
    state_ = State::Plain;
    return {Result::Kind::End, c};
  }
  if (IsFlowControl(c)) return {};
  if (escapeControl_ && (c & 0x60) == 0) return {};
  state_ = State::Plain;
  const int value = UnescapeByte(c);
  if (value < 0) return {Result::Kind::BadEscape, c};
  return {Result::Kind::Data, static_cast<uint8_t>(value)};
}

int EscapedReader::Code(Result r) {
  switch (r.kind) {
    case Result::Kind::Data: return r.value;
    case Result::Kind::End: return kEndCode + r.value;
    case Result::Kind::Cancel: return kGotCancel;
    case Result::Kind::More:
    case Result::Kind::BadEscape: break;
  }
  return kError;
}

// --- headers -----------------------------------------------------------------

HeaderReader::Wait HeaderReader::NextWait() const {
  switch (state_) {
    case State::Hunt: return Wait::Hunt;
    case State::AfterCancel:
    case State::AfterCancelCrcw: return Wait::AfterCancel;
    case State::Trailer:
    case State::TrailerLf: return Wait::Trailer;
    case State::Pad:
    case State::PadZdle:
    case State::Binary:
    case State::Hex: break;
  }
  return Wait::Frame;
}

int HeaderReader::SevenBit(uint8_t byte) const {
  const int c = byte & 0x7F;
  if (c == kXON || c == kXOFF) return -1;
  if (c == '\n' || c == kCR || c == kZDLE) return c;
  if (escapeControl_ && (c & 0x60) == 0) return -1;
  return c;
}

HeaderReader::Result HeaderReader::Garbage() {
  state_ = State::Hunt;
  if (--budget_ <= 0) return {Result::Kind::NoFrame};
  cancels_ = 0;
  return {};
}

HeaderReader::Result HeaderReader::Hunt(uint8_t c) {
  state_ = State::Hunt;
  if (c == kCAN) {
    if (++cancels_ >= kCancelRun) return {Result::Kind::Cancelled};
    state_ = State::AfterCancel;
    return {};
  }
  if (c == kZPAD || c == kZPADHigh) {
    cancels_ = 0;
    state_ = State::Pad;
    return {};
  }
  return Garbage();
}

HeaderReader::Result HeaderReader::Feed(uint8_t byte) {
  switch (state_) {
    case State::Hunt: return Hunt(byte);
    case State::AfterCancel:
      // The byte after a CAN is looked at, not hunted in.
      if (byte == kCAN) {
        state_ = State::Hunt;
        if (++cancels_ >= kCancelRun) return {Result::Kind::Cancelled};
        return {};
      }
      if (byte == ZCRCW) {
        state_ = State::AfterCancelCrcw;
        return {};
      }
      return Garbage();
    case State::AfterCancelCrcw: return Garbage();
    case State::Pad: {
      const int d = SevenBit(byte);
      if (d < 0 || d == kZPAD) return {};
      if (d == kZDLE) {
        state_ = State::PadZdle;
        return {};
      }
      return Garbage();
    }
    case State::PadZdle: {
      const int d = SevenBit(byte);
      if (d < 0) return {};
      if (d == kCAN) return Hunt(kCAN);  // ZDLE is CAN: a run may be starting
      if (d == kBin16 || d == kBin32) {
        crc32_ = d == kBin32;
        bodyStarted_ = true;
        bodyLength_ = 0;
        escaped_.Reset();
        state_ = State::Binary;
        return {};
      }
      if (d == kHex) {
        crc32_ = false;
        bodyStarted_ = true;
        bodyLength_ = 0;
        hexHigh_ = -1;
        state_ = State::Hex;
        return {};
      }
      return Garbage();
    }
    case State::Binary:
    case State::Hex: return BodyByte(byte);
    case State::Trailer:
      if (byte == kCR || byte == kCRHigh) {
        state_ = State::TrailerLf;
        return {};
      }
      [[fallthrough]];
    case State::TrailerLf: state_ = State::Hunt; return frame_;
  }
  return {};
}

HeaderReader::Result HeaderReader::BodyByte(uint8_t byte) {
  if (state_ == State::Binary) {
    const EscapedReader::Result r = escaped_.Feed(byte);
    switch (r.kind) {
      case EscapedReader::Result::Kind::More: return {};
      case EscapedReader::Result::Kind::Data:
        body_[bodyLength_++] = r.value;
        return bodyLength_ == (crc32_ ? 9u : 7u) ? Finish() : Result{};
      case EscapedReader::Result::Kind::Cancel:
        state_ = State::Hunt;
        return {Result::Kind::Cancelled};
      case EscapedReader::Result::Kind::End:
      case EscapedReader::Result::Kind::BadEscape:
        state_ = State::Hunt;
        return {Result::Kind::Garbled, EscapedReader::Code(r)};
    }
    return {};
  }
  const int d = SevenBit(byte);
  if (d < 0) return {};
  if (hexHigh_ < 0) {
    hexHigh_ = d;
    return {};
  }
  const int h = HexDigitValue(static_cast<uint8_t>(hexHigh_));
  const int l = HexDigitValue(static_cast<uint8_t>(d));
  hexHigh_ = -1;
  if (h < 0 || l < 0) {
    state_ = State::Hunt;
    return {Result::Kind::Garbled, kError};
  }
  body_[bodyLength_++] = static_cast<uint8_t>((h << 4) | l);
  return bodyLength_ == 7 ? Finish() : Result{};
}

// A complete body: its CRC, then the frame (a hex header after its trailer).
HeaderReader::Result HeaderReader::Finish() {
  const bool hex = state_ == State::Hex;
  state_ = State::Hunt;
  bool good;
  if (crc32_) {
    Crc32 crc;
    crc.Update(std::span<const uint8_t>(body_, bodyLength_));
    good = crc.Value() == Crc32::kResidue;
  } else {
    Crc16 crc;
    crc.Update(std::span<const uint8_t>(body_, bodyLength_));
    good = crc.Value() == 0;
  }
  Result frame{good ? Result::Kind::Frame : Result::Kind::BadCrc, body_[0], {}, crc32_};
  for (int i = 0; i < 4; ++i) frame.header.b[static_cast<size_t>(i)] = body_[1 + i];
  if (!good || !hex) return frame;
  frame_ = frame;
  state_ = State::Trailer;
  return {};
}

HeaderReader::Result HeaderReader::TimedOut() {
  switch (state_) {
    case State::AfterCancel:
      state_ = State::Hunt;  // nothing after the CAN: keep hunting
      return {};
    case State::AfterCancelCrcw: state_ = State::Hunt; return {Result::Kind::Garbled, kError};
    case State::Trailer:
    case State::TrailerLf: state_ = State::Hunt; return frame_;
    case State::Hunt:
    case State::Pad:
    case State::PadZdle:
    case State::Binary:
    case State::Hex: break;
  }
  state_ = State::Hunt;
  return {Result::Kind::TimedOut};
}

}  // namespace parlane::zm
