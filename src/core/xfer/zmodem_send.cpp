// Zmodem send: ZRQINIT and the receiver's ZRINIT, then for each file the
// offer, the data phase and ZEOF, then the ZFIN exchange.
#include <sys/stat.h>

#include <cstdio>

#include "xfer/crc.h"
#include "xfer/zmodem.h"

namespace parlane {

using namespace zm;

namespace {
// A byte the receiver sends while data flows is read with this limit.
constexpr int kInputByteSeconds = 1;
// After XOFF the sender waits this long for the XON.
constexpr int kXoffSeconds = 10;
bool IsXoff(int c) { return c == 19 || c == 147; }
// The subpacket that closes a frame before an answer is handled.
constexpr std::span<const uint8_t> kNoData{};

enum class Phase { Restart, Block, EndOfFile };
}  // namespace

int ZmodemSender::Run(const std::vector<std::string>& files) {
  link_.PurgeInput();
  frames_.SendHexHeader(ZRQINIT, Header{});
  // Without an answer the files are still offered with the defaults
  // (CRC-16, no control escaping, a 16384-byte receiver buffer).
  WaitForReceiverInit();
  blockStart_ = -1;
  for (const std::string& name : files) {
    if (SendFile(name) == -1) return -1;
    FileDone(name);
  }
  EndBatch();
  return 0;
}

int ZmodemSender::WaitForReceiverInit() {
  for (int i = 0; i < kInitHeaders; ++i) {
    const int t = frames_.ReceiveHeader(frames_.Timing().header);
    const Header& h = frames_.ReceivedHeader();
    switch (t) {
      case kTimeout:
      case kError:
      case ZCAN: return -1;
      case ZRINIT:
        frames_.SetSendCrc32((h.ZF0() & CANFC32) != 0);
        frames_.SetEscapeControl((h.ZF0() & ESCCTL) != 0);
        progress_.ShowErrorDetection(frames_.SendCrc32());
        receiverBuffer_ = h.ZP0() + 256u * h.ZP1();
        return 0;
      case ZRQINIT:
        if (h.ZF0() != ZCOMMAND) frames_.SendHexHeader(ZNAK, Header{});
        break;
      case ZCHALLENGE:
        frames_.SendHexHeader(ZACK, Header::FromPosition(frames_.ReceivedPosition()));
        break;
      case ZCOMMAND: frames_.SendHexHeader(ZRQINIT, Header{}); break;
      default: frames_.SendHexHeader(ZNAK, Header{}); break;
    }
  }
  return -1;
}

void ZmodemSender::EndBatch() {
  frames_.SendHexHeader(ZFIN, Header{});
  for (int i = 0; i < kSenderFinTries; ++i) {
    const int t = frames_.ReceiveHeader(frames_.Timing().header);
    if (t == kTimeout || t == ZCAN) return;
    if (t == ZFIN) {
      static constexpr uint8_t kOverAndOut[] = {'O', 'O'};
      frames_.SendPlain(kOverAndOut);
      return;
    }
    if (link_.CancelRequested()) return;
    frames_.SendHexHeader(ZFIN, Header{});
  }
}

int ZmodemSender::CloseAndFail() {
  file_.reset();
  return -1;
}

int ZmodemSender::SendFile(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    progress_.ShowStatus("Failed to open %s", path.c_str());
    return -1;
  }
  file_ = BufferedFile(f);
  struct stat st {};
  fileSize_ = fstat(fileno(f), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
  endOfFile_ = false;
  junk_ = 0;
  lastCrcPosition_ = -1;
  auto [dir, name] = SplitPath(path);
  progress_.ShowFile(dir, name, fileSize_);
  if (fileSize_ > kMaxFileSize) {
    progress_.ShowStatus("Too large for Zmodem (4 GiB or more): %.40s", name.c_str());
    return CloseAndFail();
  }
  return OfferFile(name);
}

// The file information and the receiver's answer to it.
int ZmodemSender::OfferFile(const std::string& name) {
  char info[ZmodemFrames::kDataCapacity];
  const int written = std::snprintf(info, sizeof info, "%s%c%lld 0 0 0 0 0", name.c_str(), 0,
                                    static_cast<long long>(fileSize_));
  const size_t length = std::min(sizeof info, static_cast<size_t>(std::max(written, 0)));
  const int limit = frames_.Timing().header;
  for (;;) {
    frames_.SendBinaryHeader(ZFILE, Header::FromFlags(0, ZMCLOB));
    frames_.SendDataSubpacket({reinterpret_cast<const uint8_t*>(info), length}, ZCRCW);
    for (bool reread = true; reread;) {
      reread = false;
      const int t = frames_.ReceiveHeader(limit);
      switch (t) {
        case ZRINIT:
          // A ZRINIT sent before our offer arrived: skip to the next header.
          for (;;) {
            const int c = link_.ReadByte(limit);
            if (c == '*') {
              reread = true;
              break;
            }
            if (c <= 0) break;
          }
          break;
        case ZSKIP: file_.reset(); return 0;
        case ZRPOS: {
          if (SeekTo(frames_.ReceivedPosition()) != 0) return CloseAndFail();
          lastSync_ = sendPosition_ - 1;
          return DataPhase();
        }
        case ZCRC: {
          const uint32_t crc = FileCrc(frames_.ReceivedPosition());
          frames_.SendBinaryHeader(ZCRC, Header::FromPosition(crc));
          reread = true;
          break;
        }
        case kTimeout:
        case kError:
        case ZABORT:
        case ZFIN:
        case ZCAN: return CloseAndFail();
        default: break;
      }
    }
  }
}

// Positions the file for a restart; send, acknowledged and block start
// positions all follow.
int ZmodemSender::SeekTo(uint32_t position) {
  if (std::fseek(file_.get(), static_cast<long>(position), SEEK_SET) != 0) return -1;
  sendPosition_ = lastAck_ = blockStart_ = position;
  return 0;
}

// CRC-32 of the file's first `position` bytes (all of it for 0), asked by
// a receiver that holds a copy; the same position asked twice is answered
// from the last computation.
uint32_t ZmodemSender::FileCrc(uint32_t position) {
  if (static_cast<int64_t>(position) == lastCrcPosition_) return lastCrc_;
  std::rewind(file_.get());
  int64_t remaining = position == 0 ? INT64_MAX : static_cast<int64_t>(position);
  Crc32 crc;
  while (remaining > 0) {
    const size_t want =
        static_cast<size_t>(std::min<int64_t>(remaining, static_cast<int64_t>(buffer_.size())));
    const size_t got = std::fread(buffer_.data(), 1, want, file_.get());
    crc.Update({buffer_.data(), got});
    remaining -= static_cast<int64_t>(got);
    if (got < want) break;
  }
  std::rewind(file_.get());
  lastCrcPosition_ = position;
  lastCrc_ = crc.Finish();
  return lastCrc_;
}

int ZmodemSender::DataPhase() {
  Phase phase = Phase::Restart;
  for (;;) {
    switch (phase) {
      case Phase::Restart:
        window_ = receiverBuffer_;
        frames_.SendBinaryHeader(ZDATA, Header::FromPosition(static_cast<uint32_t>(sendPosition_)));
        progress_.StartClock();
        phase = Phase::Block;
        break;
      case Phase::Block: {
        const size_t n = std::fread(buffer_.data(), 1, kBlockSize, file_.get());
        if (n < kBlockSize) endOfFile_ = true;
        uint8_t end = ZCRCG;
        if (endOfFile_) {
          end = ZCRCE;
        } else if (junk_ > kJunkLimit || blockStart_ == lastSync_) {
          end = ZCRCW;
        } else if (receiverBuffer_ != 0) {
          window_ -= static_cast<int64_t>(n);
          if (window_ <= 0) end = ZCRCW;
        }
        frames_.SendDataSubpacket({buffer_.data(), n}, end);
        sendPosition_ += static_cast<int64_t>(n);
        blockStart_ = sendPosition_;
        if (link_.CancelRequested()) return CloseAndFail();
        progress_.ShowPacketSize(static_cast<int64_t>(n));
        progress_.ShowCount(sendPosition_);
        progress_.UpdateTiming(sendPosition_);
        int r = 1;  // 1: go on with the next block
        if (end == ZCRCW) {
          junk_ = 0;
          r = HandleAnswer(WaitAnswer(false));
        } else {
          r = CheckInputDuringData();
        }
        if (r == 0 || r == -1) return r;
        if (r == ZRPOS) {
          phase = Phase::Restart;
        } else if (endOfFile_) {
          phase = Phase::EndOfFile;
        }
        break;
      }
      case Phase::EndOfFile: {
        frames_.SendBinaryHeader(ZEOF, Header::FromPosition(static_cast<uint32_t>(sendPosition_)));
        int answer = WaitAnswer(false);
        while (answer == ZACK) {
          frames_.SendBinaryHeader(ZEOF,
                                   Header::FromPosition(static_cast<uint32_t>(sendPosition_)));
          answer = WaitAnswer(false);
        }
        if (answer == ZRINIT) {
          progress_.FinishFile();
          return 0;
        }
        if (answer == ZRPOS) {
          phase = Phase::Restart;
          break;
        }
        if (answer == ZSKIP) return 0;
        return CloseAndFail();
      }
    }
  }
}

// Bytes the receiver sent while data streamed: flow control, junk, or the
// start of an answer. Returns 1 to go on, ZRPOS to restart, 0 or -1 to end.
int ZmodemSender::CheckInputDuringData() {
  while (link_.InputCount() > 0) {
    const int c = link_.ReadByte(kInputByteSeconds);
    if (IsXoff(c)) {
      link_.ReadByte(kXoffSeconds);
      ++junk_;
    } else if (c == kCAN || c == kZPAD) {
      const int answer = WaitAnswer(true);
      if (answer == ZACK) continue;
      frames_.SendDataSubpacket(kNoData, ZCRCE);
      return HandleAnswer(answer);
    } else {
      ++junk_;
    }
  }
  return 1;
}

// An answer during the data phase: 0 when the file is done, ZRPOS to restart
// at the send position, -1 on failure.
int ZmodemSender::HandleAnswer(int answer) {
  switch (answer) {
    case ZRINIT:
    case ZSKIP: return 0;
    case ZACK:
    case ZRPOS:
      while (link_.InputCount() > 0) {
        const int c = link_.ReadByte(kInputByteSeconds);
        if (IsXoff(c)) {
          link_.ReadByte(kXoffSeconds);
        } else if (c == kCAN || c == kZPAD) {
          return HandleAnswer(WaitAnswer(true));
        }
      }
      return ZRPOS;
    default: return CloseAndFail();
  }
}

int ZmodemSender::WaitAnswer(bool any) {
  for (;;) {
    const int t = frames_.ReceiveHeader(kAnswerSeconds);
    switch (t) {
      case kTimeout:
      case ZABORT:
      case ZFIN:
      case ZCAN: return -1;
      case ZRINIT:
      case ZSKIP: file_.reset(); return t;
      case ZACK:
        lastAck_ = frames_.ReceivedPosition();
        if (any || sendPosition_ == lastAck_) return ZACK;
        break;
      case ZRPOS:
        if (SeekTo(frames_.ReceivedPosition()) != 0) return -1;
        endOfFile_ = false;
        lastSync_ = sendPosition_;
        return ZRPOS;
      default:
        if (link_.CancelRequested()) return -1;
        frames_.SendBinaryHeader(ZNAK, Header::FromPosition(static_cast<uint32_t>(sendPosition_)));
        break;
    }
  }
}

}  // namespace parlane
