// Zmodem receive: the batch start, one file at a time, the ending handshake.
#include <unistd.h>

#include <chrono>
#include <thread>

#include "xfer/zmodem.h"

namespace parlane {

using namespace zm;

namespace {
// What the receiver tells the sender it can do: full duplex, receive while
// writing to disk, receive a break, check CRC-32. Buffer length 0: stream.
constexpr uint8_t kReceiverCaps = CANFDX | CANOVIO | CANBRK | CANFC32;
// Attention-string bytes with a meaning of their own.
constexpr uint8_t kAttnBreak = 221;
constexpr uint8_t kAttnPause = 222;
constexpr int kAttnPauseSeconds = 2;
// The second "O" of the sender's "OO" is waited for this long.
constexpr int kOverAndOutSeconds = 1;
// The attention string waits at most this long for the output to drain.
constexpr int kDrainLimitSeconds = 60;

enum class Phase { AskData, NextHeader, Data };
}  // namespace

int ZmodemReceiver::FailReceive() {
  file_.reset();
  return -1;
}

int ZmodemReceiver::Run() {
  int r = BatchStart();
  for (;;) {
    if (r == ZCOMPL) return 0;
    if (r != ZFILE) return FailReceive();
    r = ReceiveFile();
    if (r != ZEOF && r != ZSKIP) return FailReceive();
    r = BatchStart();
  }
}

int ZmodemReceiver::BatchStart() {
  const int limit = frames_.Timing().header;
  for (int attempt = 0; attempt < kBatchStartAttempts; ++attempt) {
    frames_.SendHexHeader(receiverHeaderType_, Header::FromFlags(kReceiverCaps));
    receiverHeaderType_ = ZRINIT;
    for (;;) {
      const int t = frames_.ReceiveHeader(limit);
      if (t == ZFILE) {
        const int end = frames_.ReceiveDataSubpacket(buffer_.data(), ZmodemFrames::kDataCapacity);
        if (end == kGotCRCW) {
          infoLength_ = frames_.ReceivedLength();
          return ZFILE;
        }
        frames_.SendHexHeader(ZNAK, Header{});
        continue;
      }
      if (t == ZSINIT) {
        attention_.fill(0);
        const int end =
            frames_.ReceiveDataSubpacket(attention_.data(), ZmodemFrames::kAttentionCapacity);
        if (end == kGotCRCW) {
          frames_.SendHexHeader(ZACK, Header::FromPosition(1));
        } else {
          attention_.fill(0);
          frames_.SendHexHeader(ZNAK, Header{});
        }
        continue;
      }
      if (t == ZFIN) {
        EndingHandshake();
        return ZCOMPL;
      }
      if (t == ZCAN) return -1;
      if (t == ZCOMPL) continue;
      if (t == kError && link_.CancelRequested()) return -1;
      break;  // next attempt
    }
  }
  return 0;
}

// Opens the announced file; ZSKIP refuses it (a bad name, or a file that
// cannot be created), after which the next batch start sends ZSKIP.
int ZmodemReceiver::OpenFileForReceive(int64_t& resume) {
  const AnnouncedFile info = ParseAnnouncement({buffer_.data(), infoLength_});
  const std::string dir = DirectoryWithSlash(options_.receiveDir);
  const std::optional<std::string> name = SafeFileName(info.name);
  progress_.ShowFile(dir, name ? *name : info.name, info.size);
  fileSize_ = info.size;
  if (!name) {
    progress_.ShowStatus("Refused file name %.60s", info.name.c_str());
    receiverHeaderType_ = ZSKIP;
    return ZSKIP;
  }
  OpenedFile opened = OpenReceivedFile(dir + *name, OpenMode::MayResume, info.size);
  if (!opened.file) {
    progress_.ShowStatus("Could not create %.60s", name->c_str());
    receiverHeaderType_ = ZSKIP;
    return ZSKIP;
  }
  file_ = std::move(opened.file);
  resume = opened.resumeOffset;
  if (resume > 0 && !SenderHasSamePrefix(dir + *name, resume)) {
    // An older, different file of that name: start it afresh.
    resume = 0;
    if (std::fflush(file_.get()) != 0 || ftruncate(fileno(file_.get()), 0) != 0 ||
        std::fseek(file_.get(), 0, SEEK_SET) != 0) {
      file_.reset();
      progress_.ShowStatus("Could not create %.60s", name->c_str());
      receiverHeaderType_ = ZSKIP;
      return ZSKIP;
    }
  }
  return ZRPOS;
}

// Before a file is resumed at `position` the sender is asked for the CRC-32
// of its first `position` bytes (ZCRC); the kept copy is resumed only when
// its own bytes give the same CRC. A sender that does not answer gets the
// whole file again.
bool ZmodemReceiver::SenderHasSamePrefix(const std::string& fullName, int64_t position) {
  const std::optional<uint32_t> ours = FilePrefixCrc(fullName, position);
  if (!ours) return false;
  for (int attempt = 0; attempt < kCrcAttempts; ++attempt) {
    if (link_.CancelRequested()) return false;
    frames_.SendHexHeader(ZCRC, Header::FromPosition(static_cast<uint32_t>(position)));
    const int t = frames_.ReceiveHeader(frames_.Timing().header);
    if (t == ZCRC) return frames_.ReceivedPosition() == *ours;
    // A sender that missed the question offers the file again.
    if (t == ZFILE) frames_.ReceiveDataSubpacket(buffer_.data(), ZmodemFrames::kDataCapacity);
    if (t == ZCAN) return false;
  }
  return false;
}

// One file: ask for data at the received count, take headers and data until
// ZEOF, ZSKIP or a failure.
int ZmodemReceiver::ReceiveFile() {
  int64_t count = 0;
  if (OpenFileForReceive(count) == ZSKIP) return ZSKIP;
  errors_ = 0;
  Phase phase = Phase::AskData;
  for (;;) {
    int r = 0;
    switch (phase) {
      case Phase::AskData:
        frames_.SendHexHeader(ZRPOS, Header::FromPosition(static_cast<uint32_t>(count)));
        phase = Phase::NextHeader;
        continue;
      case Phase::NextHeader: r = FileHeader(count); break;
      case Phase::Data: r = DataLoop(count); break;
    }
    // r: a result to return, or one of the phase markers below.
    if (r == kGotCRCE) {
      phase = Phase::NextHeader;
    } else if (r == ZRPOS) {
      phase = Phase::AskData;
    } else if (r == ZDATA) {
      phase = Phase::Data;
    } else {
      return r;
    }
  }
}

// Step 3 of a file: the next header. Returns ZDATA to enter the data loop,
// ZRPOS to ask again, kGotCRCE to read another header, or a final result.
int ZmodemReceiver::FileHeader(int64_t& count) {
  if (link_.CancelRequested()) return -1;
  const int t = frames_.ReceiveHeader(kFileHeaderSeconds);
  const int64_t position = frames_.ReceivedPosition();
  switch (t) {
    case ZDATA:
      if (position != count) {
        if (!CountError("Too many errors")) return -1;
        SendAttention();
        return ZRPOS;
      }
      progress_.ShowErrorDetection(frames_.ReceiveCrc32());
      progress_.StartClock();
      return ZDATA;
    case ZEOF:
      if (position != count) return kGotCRCE;  // a stale ZEOF: wait for the next header
      if (std::fflush(file_.get()) != 0 || std::ferror(file_.get()) ||
          std::fclose(file_.release()) != 0) {
        receiverHeaderType_ = ZFERR;
        progress_.SetStatus("Could not close file");
        return -1;
      }
      progress_.FinishFile();
      return ZEOF;
    case ZFILE:
      frames_.ReceiveDataSubpacket(buffer_.data(), ZmodemFrames::kDataCapacity);
      return ZRPOS;
    case ZSKIP:
      file_.reset();
      progress_.SetStatus("Sender SKIPPING file");
      return ZSKIP;
    case ZCAN: progress_.SetStatus("Sender aborted"); return -1;
    case kTimeout:
    case ZNAK: return CountError("Too many errors") ? ZRPOS : -1;
    case kError:
      if (link_.CancelRequested()) return -1;
      if (!CountError("Too many errors")) return -1;
      SendAttention();
      return ZRPOS;
    default: return CountError("Invalid frame type") ? ZRPOS : -1;
  }
}

// Subpackets of one ZDATA frame. Returns ZDATA to stay, kGotCRCE to read
// the next header, ZRPOS to ask again, or -1.
int ZmodemReceiver::DataLoop(int64_t& count) {
  for (;;) {
    if (link_.CancelRequested()) return -1;
    progress_.ShowPacketSize(static_cast<int64_t>(frames_.ReceivedLength()));
    progress_.UpdateTiming(count);
    const int r = frames_.ReceiveDataSubpacket(buffer_.data(), ZmodemFrames::kDataCapacity);
    switch (r) {
      case kGotCRCG:
        if (!KeepData(count)) return -1;
        continue;
      case kGotCRCQ:
        if (!KeepData(count)) return -1;
        frames_.SendHexHeader(ZACK, Header::FromPosition(static_cast<uint32_t>(count)));
        continue;
      case kGotCRCE: return KeepData(count) ? kGotCRCE : -1;
      case kGotCRCW: {
        if (!KeepData(count)) return -1;
        frames_.SendHexHeader(ZACK, Header::FromPosition(static_cast<uint32_t>(count)));
        const uint8_t xon = kXON;
        frames_.SendPlain({&xon, 1});
        return kGotCRCE;
      }
      case kTimeout: return CountError("Too many errors") ? ZRPOS : -1;
      case kError:
        if (!CountError("Too many errors")) return -1;
        SendAttention();
        return ZRPOS;
      case ZCAN: progress_.SetStatus("Sender aborted"); return -1;
      default: return ZRPOS;
    }
  }
}

// A good subpacket: clear the error count and write the data where the file
// stands. A write that fails ends the transfer rather than losing data.
bool ZmodemReceiver::KeepData(int64_t& count) {
  if (errors_ != 0) progress_.ShowErrorCount(0);
  errors_ = 0;
  const size_t n = frames_.ReceivedLength();
  if (count + static_cast<int64_t>(n) > kMaxFileSize) {
    progress_.SetStatus("File too large for Zmodem (4 GiB or more)");
    return false;
  }
  if (n > 0 && std::fwrite(buffer_.data(), 1, n, file_.get()) != n) {
    progress_.SetStatus("Could not write file");
    return false;
  }
  count += static_cast<int64_t>(n);
  progress_.ShowCount(count);
  return true;
}

bool ZmodemReceiver::CountError(const char* limitText) {
  if (++errors_ >= kErrorLimit) {
    progress_.SetStatus(limitText);
    return false;
  }
  progress_.ShowErrorCount(errors_);
  return true;
}

void ZmodemReceiver::WaitForOutputDrain() {
  const long long start = TransferLink::ClockSeconds();
  while (link_.OutputCount() > 0 && TransferLink::ClockSeconds() - start < kDrainLimitSeconds) {
    link_.Pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(TransferLink::kWaitSliceMs));
  }
}

void ZmodemReceiver::SendAttention() {
  WaitForOutputDrain();
  const int writeLimit = frames_.Timing().write;
  for (uint8_t b : attention_) {
    if (b == 0) break;
    if (b == kAttnBreak) {
      link_.SendBreak(1);
    } else if (b == kAttnPause) {
      const long long start = TransferLink::ClockSeconds();
      while (TransferLink::ClockSeconds() - start < kAttnPauseSeconds) {
        link_.Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(TransferLink::kWaitSliceMs));
      }
    } else {
      link_.WriteByte(b, writeLimit);
    }
  }
}

void ZmodemReceiver::EndingHandshake() {
  progress_.SetStatus("Sending ZFIN");
  for (int i = 0; i < kFinTries; ++i) {
    link_.PurgeInput();
    frames_.SendHexHeader(ZFIN, Header{});
    if (link_.ReadByte(frames_.Timing().header) == 'O') {
      link_.ReadByte(kOverAndOutSeconds);
      return;
    }
  }
}

}  // namespace parlane
