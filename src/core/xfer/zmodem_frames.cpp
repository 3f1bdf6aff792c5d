#include "xfer/zmodem_frames.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

#include "xfer/crc.h"

namespace parlane {

using namespace zm;

namespace {
// After a good hex header the sender's CR and LF are read with this limit.
constexpr int kHexTrailerSeconds = 1;
// A byte after a CAN before a header is waited for this long.
constexpr int kAfterCancelSeconds = 1;
// The top-bit variants of "*" and CR that a 7-bit line may deliver.
constexpr int kZPADHigh = 170;
constexpr int kCRHigh = 141;

bool IsFlowControl(int c) { return c == 17 || c == 19 || c == 145 || c == 147; }

// Bytes that ReadEscaped does not return as they are (without control
// escaping): ZDLE and the flow-control bytes it skips.
constexpr std::array<bool, 256> MakeStopTable() {
  std::array<bool, 256> t{};
  for (int b : {24, 17, 19, 145, 147}) t[static_cast<size_t>(b)] = true;
  return t;
}
constexpr auto kStopsPlainRun = MakeStopTable();
bool IsData(int c) { return c >= 0 && c <= 255; }
}  // namespace

ZmodemFrames::ZmodemFrames(TransferLink& link, TransferProgress& progress, const ZmodemTiming& timing)
    : link_(link), progress_(progress), timing_(timing) {
  send_.doubleIac = timing.doubleIac;
  out_.reserve(4096);
}

void ZmodemFrames::Flush() {
  if (out_.empty()) return;
  link_.WriteBlock(out_.data(), out_.size(), timing_.write);
  out_.clear();
}

void ZmodemFrames::SendHexHeader(int type, const Header& h) {
  progress_.ShowStatus("Sending %s: 0x%lx", FrameName(type), static_cast<unsigned long>(h.Position()));
  Encoder(out_, send_).HexHeader(type, h);
  Flush();
}

void ZmodemFrames::SendBinaryHeader(int type, const Header& h) {
  progress_.ShowStatus("Sending %s: 0x%lx", FrameName(type), static_cast<unsigned long>(h.Position()));
  Encoder(out_, send_).BinaryHeader(type, h);
  Flush();
}

void ZmodemFrames::SendDataSubpacket(std::span<const uint8_t> data, uint8_t end) {
  Encoder(out_, send_).DataSubpacket(data, end);
  Flush();
}

void ZmodemFrames::SendPlain(std::span<const uint8_t> bytes) {
  Encoder enc(out_, send_);
  for (uint8_t b : bytes) enc.Raw(b);
  Flush();
}

int ZmodemFrames::ReceiveHeader(int seconds) {
  if (link_.CancelRequested()) return kError;
  int result = ParseHeader(seconds);
  if (result == kGotCancel) result = ZCAN;
  ReportHeader(result);
  return result;
}

// Steps 3 to 8 of header reception: hunt for ZPAD ZDLE and a format letter,
// counting garbage and runs of CAN.
int ZmodemFrames::ParseHeader(int seconds) {
  int budget = kGarbageBudget;
  int cancels = 0;
  int c = 0;
  bool redispatch = false;
  for (;;) {
    if (!redispatch) {
      c = link_.ReadByte(seconds);
      if (c < 0) return kTimeout;
    }
    redispatch = false;
    if (c == kCAN) {
      bool done = false;
      const int r = HandleCancelByte(cancels, budget, done);
      if (done) return r;
      continue;
    }
    if (c == kZPAD || c == kZPADHigh) {
      cancels = 0;
      int d;
      do {
        d = ReadSevenBit();
      } while (d == kZPAD);
      if (d == kTimeout) return kTimeout;
      if (d == kZDLE) {
        d = ReadSevenBit();
        if (d == kTimeout) return kTimeout;
        if (d == kCAN) {
          c = kCAN;
          redispatch = true;
          continue;
        }
        if (d == kBin16 || d == kHex || d == kBin32) {
          receiveCrc32_ = (d == kBin32);
          const int r = d == kHex ? ReceiveHexHeaderBody() : ReceiveBinaryHeaderBody(d == kBin32);
          rxPosition_ = rxHeader_.Position();
          return r;
        }
      }
    }
    // Garbage.
    if (--budget <= 0) return kNoFrame;
    cancels = 0;
  }
}

// A CAN outside a frame: five in a row cancel; the byte after one is looked
// at with a short limit.
int ZmodemFrames::HandleCancelByte(int& cancels, int& budget, bool& done) {
  done = true;
  if (++cancels >= kCancelRun) return ZCAN;
  const int d = link_.ReadByte(kAfterCancelSeconds);
  done = false;
  if (d < 0) return 0;
  if (d == kCAN) {
    if (++cancels >= kCancelRun) {
      done = true;
      return ZCAN;
    }
    return 0;
  }
  if (d == ZCRCW && link_.ReadByte(kAfterCancelSeconds) < 0) {
    done = true;
    return kError;
  }
  if (--budget <= 0) {
    done = true;
    return kNoFrame;
  }
  cancels = 0;
  return 0;
}

int ZmodemFrames::ReceiveBinaryHeaderBody(bool crc32) {
  uint8_t bytes[9];
  const size_t count = crc32 ? 9 : 7;
  for (size_t i = 0; i < count; ++i) {
    const int c = ReadEscaped();
    if (!IsData(c)) return c;
    bytes[i] = static_cast<uint8_t>(c);
  }
  for (int i = 0; i < 4; ++i) rxHeader_.b[i] = bytes[1 + i];
  bool good;
  if (crc32) {
    Crc32 crc;
    crc.Update(std::span<const uint8_t>(bytes, count));
    good = crc.Value() == Crc32::kResidue;
  } else {
    Crc16 crc;
    crc.Update(std::span<const uint8_t>(bytes, count));
    good = crc.Value() == 0;
  }
  if (!good) {
    progress_.ShowStatus("Bad CRC");
    return kError;
  }
  return bytes[0];
}

int ZmodemFrames::ReceiveHexHeaderBody() {
  uint8_t bytes[7];
  for (uint8_t& b : bytes) {
    const int c = ReadHexByte();
    if (c < 0) return c;
    b = static_cast<uint8_t>(c);
  }
  for (int i = 0; i < 4; ++i) rxHeader_.b[i] = bytes[1 + i];
  Crc16 crc;
  crc.Update(bytes);
  if (crc.Value() != 0) {
    progress_.ShowStatus("Bad CRC");
    return kError;
  }
  const int c = link_.ReadByte(kHexTrailerSeconds);
  if (c == kCR || c == kCRHigh) link_.ReadByte(kHexTrailerSeconds);
  return bytes[0];
}

void ZmodemFrames::ReportHeader(int result) {
  if (result == kNoFrame || result == kTimeout || result == kError || result == ZNAK || result == ZCAN) {
    progress_.ShowStatus("Got %s", FrameName(result));
  }
  const auto pos = static_cast<unsigned long>(rxPosition_);
  if (const char* name = FrameName(result)) {
    progress_.ShowStatus("Received %s: 0x%lx", name, pos);
  } else {
    progress_.ShowStatus("Received %d: 0x%lx", result, pos);
  }
}

int ZmodemFrames::ReadSevenBit() {
  for (;;) {
    int c = link_.ReadByte(timing_.read);
    if (c < 0) return kTimeout;
    c &= 0x7F;
    if (c == kXON || c == kXOFF) continue;
    if (c == '\n' || c == kCR || c == kZDLE) return c;
    if (send_.escapeControl && (c & 0x60) == 0) continue;
    return c;
  }
}

int ZmodemFrames::ReadHexByte() {
  const int hi = ReadSevenBit();
  if (hi < 0) return hi;
  const int lo = ReadSevenBit();
  if (lo < 0) return lo;
  const int h = HexDigitValue(static_cast<uint8_t>(hi));
  const int l = HexDigitValue(static_cast<uint8_t>(lo));
  if (h < 0 || l < 0) return kError;
  return (h << 4) | l;
}

int ZmodemFrames::ReadEscaped() {
  int c;
  for (;;) {
    c = link_.ReadByte(timing_.read);
    if (c < 0) return kTimeout;
    if (c & 0x60) return c;
    if (IsFlowControl(c)) continue;
    if (c == kZDLE) break;
    if (send_.escapeControl) continue;
    return c;
  }
  for (;;) {
    c = link_.ReadByte(timing_.read);
    if (c < 0) return kTimeout;
    if (c == kCAN) {
      c = ReadCancelRun(c);
      if (c < 0 || c == kGotCancel) return c;
    }
    if (c >= ZCRCE && c <= ZCRCW) return kEndCode + c;
    if (IsFlowControl(c)) continue;
    if (send_.escapeControl && (c & 0x60) == 0) continue;
    return UnescapeByte(static_cast<uint8_t>(c));
  }
}

// After ZDLE CAN: up to three more CAN; the fifth in a row (counting the
// ZDLE) is a cancel. Returns the first byte that is not CAN, kGotCancel or
// a time-out.
int ZmodemFrames::ReadCancelRun(int c) {
  int seen = 2;
  while (c == kCAN) {
    if (seen == kCancelRun) return kGotCancel;
    c = link_.ReadByte(timing_.read);
    if (c < 0) return kTimeout;
    ++seen;
  }
  return c;
}

// Data bytes that ReadEscaped would return are taken straight from the
// link's buffer when it has one, the common case of a data stream: runs of
// plain bytes, and ZDLE pairs that stand for one data byte. Anything else
// (flow control, end codes, cancels, a pair cut by the buffer's end) is left
// for ReadEscaped.
size_t ZmodemFrames::TakePlainBytes(uint8_t* buffer, size_t capacity, size_t length, Crc16& crc16, Crc32& crc32) {
  const std::span<const uint8_t> waiting = link_.Buffered();
  auto cover = [&](std::span<const uint8_t> bytes) {
    if (receiveCrc32_) {
      crc32.Update(bytes);
    } else {
      crc16.Update(bytes);
    }
  };
  size_t in = 0;
  for (;;) {
    const size_t n = PlainRun(waiting.subspan(in), capacity - length);
    if (n > 0) {
      std::memcpy(buffer + length, waiting.data() + in, n);
      cover(waiting.subspan(in, n));
      in += n;
      length += n;
    }
    if (in + 1 >= waiting.size() || length >= capacity || waiting[in] != kZDLE) break;
    const int unescaped = UnescapeByte(waiting[in + 1]);
    if (unescaped < 0) break;
    buffer[length] = static_cast<uint8_t>(unescaped);
    cover({buffer + length, 1});
    ++length;
    in += 2;
  }
  if (in > 0) link_.Consume(in);
  return length;
}

// The length of the plain bytes at the start of `bytes`, at most `limit`.
size_t ZmodemFrames::PlainRun(std::span<const uint8_t> bytes, size_t limit) const {
  limit = std::min(limit, bytes.size());
  size_t n = 0;
  if (send_.escapeControl) {
    // Control bytes are dropped in this mode: only bytes with bit 5 or 6 pass.
    while (n < limit && (bytes[n] & 0x60) != 0) ++n;
  } else {
    while (n < limit && !kStopsPlainRun[bytes[n]]) ++n;
  }
  return n;
}

int ZmodemFrames::ReceiveDataSubpacket(uint8_t* buffer, size_t capacity) {
  Crc16 crc16;
  Crc32 crc32;
  const bool use32 = receiveCrc32_;
  auto cover = [&](uint8_t b) {
    if (use32) {
      crc32.Update(b);
    } else {
      crc16.Update(b);
    }
  };
  // A code that still has to be treated, or kReadNext to read one.
  constexpr int kReadNext = INT32_MIN;
  size_t length = 0;
  int c = kReadNext;
  for (;;) {
    if (c == kReadNext) {
      length = TakePlainBytes(buffer, capacity, length, crc16, crc32);
      c = ReadEscaped();
    }
    if (IsData(c)) {
      if (length >= capacity) {
        progress_.ShowStatus("Data subpacket too long");
        return kError;
      }
      cover(static_cast<uint8_t>(c));
      buffer[length++] = static_cast<uint8_t>(c);
      c = kReadNext;
      continue;
    }
    if (c == kTimeout) {
      progress_.ShowStatus("TIMEOUT");
      return kTimeout;
    }
    if (c == kGotCancel) {
      progress_.ShowStatus("Sender Canceled");
      return ZCAN;
    }
    if (c >= kGotCRCE && c <= kGotCRCW) {
      const int end = c;
      cover(static_cast<uint8_t>(end & 0xFF));
      const int crcBytes = use32 ? 4 : 2;
      bool complete = true;
      for (int i = 0; i < crcBytes && complete; ++i) {
        c = ReadEscaped();
        complete = IsData(c);
        if (complete) cover(static_cast<uint8_t>(c));
      }
      if (!complete) continue;  // what came instead of a CRC byte is treated in its own right
      const bool good = use32 ? crc32.Value() == Crc32::kResidue : crc16.Value() == 0;
      if (!good) {
        progress_.ShowStatus("Bad CRC");
        return kError;
      }
      rxLength_ = length;
      return end;
    }
    progress_.ShowStatus("Garbled data subpacket");
    return c;
  }
}

}  // namespace parlane
