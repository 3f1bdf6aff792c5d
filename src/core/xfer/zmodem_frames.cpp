#include "xfer/zmodem_frames.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

#include "xfer/crc.h"
#include "xfer/zmodem_header.h"

namespace parlane {

using namespace zm;

namespace {
// After a good hex header the sender's CR and LF are read with this limit.
constexpr int kHexTrailerSeconds = 1;
// A byte after a CAN before a header is waited for this long.
constexpr int kAfterCancelSeconds = 1;

bool IsData(int c) { return c >= 0 && c <= 255; }
}  // namespace

ZmodemFrames::ZmodemFrames(TransferLink& link, TransferProgress& progress,
                           const ZmodemTiming& timing)
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
  progress_.ShowStatus("Sending %s: 0x%lx", FrameName(type),
                       static_cast<unsigned long>(h.Position()));
  Encoder(out_, send_).HexHeader(type, h);
  Flush();
}

void ZmodemFrames::SendBinaryHeader(int type, const Header& h) {
  progress_.ShowStatus("Sending %s: 0x%lx", FrameName(type),
                       static_cast<unsigned long>(h.Position()));
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

// Reads bytes into the header reader, each with the limit its place in the
// header calls for, and turns what it makes into the frame layer's codes.
int ZmodemFrames::ParseHeader(int seconds) {
  HeaderReader reader(send_.escapeControl);
  HeaderReader::Result r;
  do {
    int limit = seconds;
    switch (reader.NextWait()) {
      case HeaderReader::Wait::Hunt: break;
      case HeaderReader::Wait::Frame: limit = timing_.read; break;
      case HeaderReader::Wait::AfterCancel: limit = kAfterCancelSeconds; break;
      case HeaderReader::Wait::Trailer: limit = kHexTrailerSeconds; break;
    }
    const int c = link_.ReadByte(limit);
    r = c < 0 ? reader.TimedOut() : reader.Feed(static_cast<uint8_t>(c));
  } while (r.kind == HeaderReader::Result::Kind::More);

  if (reader.BodyStarted()) receiveCrc32_ = reader.BodyCrc32();
  using Kind = HeaderReader::Result::Kind;
  if (r.kind == Kind::Frame || r.kind == Kind::BadCrc) {
    rxHeader_ = r.header;
    rxPosition_ = rxHeader_.Position();
  }
  switch (r.kind) {
    case Kind::Frame: return r.type;
    case Kind::Cancelled: return ZCAN;
    case Kind::NoFrame: return kNoFrame;
    case Kind::TimedOut: return kTimeout;
    case Kind::BadCrc: progress_.ShowStatus("Bad CRC"); return kError;
    case Kind::Garbled:
    case Kind::More: break;
  }
  return r.type;
}

void ZmodemFrames::ReportHeader(int result) {
  if (result == kNoFrame || result == kTimeout || result == kError || result == ZNAK ||
      result == ZCAN) {
    progress_.ShowStatus("Got %s", FrameName(result));
  }
  const auto pos = static_cast<unsigned long>(rxPosition_);
  if (const char* name = FrameName(result)) {
    progress_.ShowStatus("Received %s: 0x%lx", name, pos);
  } else {
    progress_.ShowStatus("Received %d: 0x%lx", result, pos);
  }
}

int ZmodemFrames::ReadEscaped() {
  EscapedReader reader(send_.escapeControl);
  for (;;) {
    const int c = link_.ReadByte(timing_.read);
    if (c < 0) return kTimeout;
    const EscapedReader::Result r = reader.Feed(static_cast<uint8_t>(c));
    if (r.kind != EscapedReader::Result::Kind::More) return EscapedReader::Code(r);
  }
}

// Data bytes that ReadEscaped would return are taken straight from the
// link's buffer when it has one, the common case of a data stream: runs of
// plain bytes, and ZDLE pairs that stand for one data byte. Anything else
// (flow control, end codes, cancels, a pair cut by the buffer's end) is left
// for ReadEscaped.
size_t ZmodemFrames::TakePlainBytes(uint8_t* buffer, size_t capacity, size_t length, Crc16& crc16,
                                    Crc32& crc32) {
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

// The length of the plain bytes at the start of `bytes`, at most `limit`:
// the bytes a sender never escapes come through as they are, and control
// bytes are dropped when control escaping is on.
size_t ZmodemFrames::PlainRun(std::span<const uint8_t> bytes, size_t limit) const {
  return PlainPrefix(bytes.data(), std::min(limit, bytes.size()), send_.escapeControl, false);
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
