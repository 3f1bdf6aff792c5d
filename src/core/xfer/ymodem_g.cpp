#include "xfer/ymodem_g.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "xfer/crc.h"

namespace parlane {

namespace {
// Time limits, in seconds, of the single steps.
constexpr int kBlockWriteSeconds = 25;
constexpr int kReplySeconds = 10;
constexpr int kDataReplySeconds = 4;
constexpr int kEotWriteSeconds = 5;
constexpr int kEotReplySeconds = 25;
constexpr int kGWriteSeconds = 3;
constexpr int kAckSeconds = 5;
constexpr int kStartByteSeconds = 4;
constexpr int kBodyByteSeconds = 35;
constexpr int kDataStartSeconds = 70;
constexpr int kDrainLimitSeconds = 60;
}  // namespace

std::string_view YmodemG::Caption(TransferDirection direction) const {
  return direction == TransferDirection::Receive ? "Ymodem-G Download" : "Ymodem-G Upload";
}

std::array<uint8_t, YmodemG::kShortBlock> YmodemG::MakeHeaderData(const std::string& name,
                                                                  int64_t size) {
  std::array<uint8_t, kShortBlock> data{};
  char text[kShortBlock];
  const int n =
      std::snprintf(text, sizeof text, "%s%c%lld", name.c_str(), 0, static_cast<long long>(size));
  std::memcpy(data.data(), text, std::min(static_cast<size_t>(std::max(n, 0)), kShortBlock - 1));
  return data;
}

int YmodemG::ReadReply(int seconds) {
  bool lastWasCan = false;
  for (;;) {
    if (link_.CancelRequested()) return kReplyCancelled;
    const int c = link_.ReadByte(seconds);
    if (c < 0) return kReplyTimeout;
    if (c == kWantG || c == NAK || c == ACK || c == EOT) return c;
    if (c == CAN) {
      if (lastWasCan) return kReplyAborted;
      lastWasCan = true;
    } else {
      lastWasCan = false;
    }
  }
}

// The block in block_ with its start byte, number and `length` data bytes;
// the CRC-16 of the data follows, high byte first.
void YmodemG::SendBlock(uint8_t start, uint8_t number, size_t length) {
  block_[0] = start;
  block_[1] = number;
  block_[2] = static_cast<uint8_t>(255 - number);
  Crc16 crc;
  crc.Update({block_.data() + 3, length});
  const uint16_t v = crc.Finish();
  block_[3 + length] = static_cast<uint8_t>(v >> 8);
  block_[4 + length] = static_cast<uint8_t>(v);
  link_.WriteBlock(block_.data(), length + 5, kBlockWriteSeconds);
}

int YmodemG::CloseAndFail() {
  file_.reset();
  return kFailed;
}

int YmodemG::SendFiles(const std::vector<std::string>& files) {
  for (const std::string& name : files) {
    if (SendFile(name) == kFailed) return kFailed;
    FileDone(name);
  }
  progress_.SetStatus("Sending EOT block");
  std::fill(block_.begin(), block_.end(), uint8_t{0});
  SendBlock(SOH, 0, kShortBlock);
  const long long start = TransferLink::ClockSeconds();
  while (link_.OutputCount() > 0 && TransferLink::ClockSeconds() - start < kDrainLimitSeconds) {
    link_.Pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(TransferLink::kWaitSliceMs));
  }
  return 0;
}

// Reads replies until a "G": 0, or kFailed after the tries with `failText`.
int YmodemG::WaitForG(const char* waitingText, const char* failText, bool showWaiting) {
  for (int i = 0; i < kSenderTries; ++i) {
    if (showWaiting) progress_.SetStatus(waitingText);
    const int r = ReadReply(kReplySeconds);
    if (r == kWantG) return 0;
    if (r == kReplyAborted) {
      progress_.SetStatus("Receiver aborted");
      return kFailed;
    }
    if (r == kReplyCancelled) return kFailed;
  }
  progress_.SetStatus(failText);
  return kFailed;
}

int YmodemG::SendFile(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    progress_.ShowStatus("Failed to open %s", path.c_str());
    return kFailed;
  }
  file_ = BufferedFile(f);
  endOfFile_ = false;
  struct stat st {};
  fileSize_ = fstat(fileno(f), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
  auto [dir, name] = SplitPath(path);
  progress_.ShowFile(dir, name, fileSize_);
  const auto header = MakeHeaderData(name, fileSize_);
  if (WaitForG("Waiting for receiver...", "No receiver", true) != 0) return CloseAndFail();
  std::copy(header.begin(), header.end(), block_.begin() + 3);
  SendBlock(SOH, 0, kShortBlock);
  if (WaitForG("", "No response from sender", false) != 0) return CloseAndFail();
  const int r = SendData();
  if (r != 0) return r;
  file_.reset();
  return SendEot();
}

int YmodemG::SendData() {
  progress_.SetStatus("Sending data");
  uint8_t number = 1;
  count_ = 0;
  progress_.StartClock();
  while (!endOfFile_) {
    uint8_t start = STX;
    size_t length = kLongBlock;
    size_t got;
    if (fileSize_ - count_ < static_cast<int64_t>(kLongBlock)) {
      start = SOH;
      length = kShortBlock;
      got = std::fread(block_.data() + 3, 1, kShortBlock, file_.get());
      if (got < kShortBlock) {
        std::memset(block_.data() + 3 + got, SUB, kShortBlock - got);
        endOfFile_ = true;
      }
    } else {
      got = std::fread(block_.data() + 3, 1, kLongBlock, file_.get());
      if (got < kLongBlock) {
        progress_.SetStatus("File read error");
        return CloseAndFail();
      }
    }
    SendBlock(start, number, length);
    count_ += static_cast<int64_t>(got);
    if (link_.CancelRequested()) return CloseAndFail();
    progress_.ShowPacketSize(static_cast<int64_t>(length));
    progress_.ShowCount(count_);
    progress_.UpdateTiming(count_);
    if (link_.InputCount() > 0 && ReadReply(kDataReplySeconds) == kReplyAborted) {
      progress_.SetStatus("Receiver aborted");
      link_.PurgeOutput();
      return CloseAndFail();
    }
    ++number;
  }
  return 0;
}

int YmodemG::SendEot() {
  progress_.SetStatus("Sending EOT");
  for (int i = 0; i < kSenderTries; ++i) {
    link_.WriteByte(EOT, kEotWriteSeconds);
    const int r = ReadReply(kEotReplySeconds);
    if (r == ACK) {
      progress_.SetStatus("File transferred OK");
      progress_.FinishFile();
      return 0;
    }
    if (r == kReplyAborted) {
      progress_.SetStatus("Receiver aborted");
      return kFailed;
    }
    if (r == kReplyCancelled) return kFailed;
  }
  progress_.SetStatus("No EOT response");
  return kFailed;
}

// The rest of a block after its start byte: number, complement, `length`
// data bytes and the CRC. 0, kReplyTimeout, or kFailed for a bad CRC.
int YmodemG::ReceiveBody(size_t length) {
  for (size_t i = 1; i < length + 5; ++i) {
    if (link_.ReadAnyByte(&block_[i], kBodyByteSeconds) != 0) {
      progress_.SetStatus("TIMEOUT");
      return kReplyTimeout;
    }
  }
  Crc16 crc;
  crc.Update({block_.data() + 3, length + 2});
  if (crc.Value() != 0) {
    progress_.ShowStatus("Bad CRC");
    return kFailed;
  }
  return 0;
}

int YmodemG::ReceiveFiles() {
  link_.WriteByte(kWantG, kGWriteSeconds);
  int attempts = 0;
  int filesReceived = 0;
  for (;;) {
    if (attempts > kReceiverAttempts) {
      progress_.ShowStatus("No sender detected");
      return kFailed;
    }
    progress_.SetStatus("Waiting for sender...");
    if (link_.ReadAnyByte(&block_[0], kStartByteSeconds) != 0) {
      if (link_.CancelRequested()) return kFailed;
      // A sender on a pty may flush its closing block away as it exits; when
      // the line has ended after a complete file, the batch is complete.
      if (filesReceived > 0 && link_.InputEnded()) return 0;
      link_.WriteByte(kWantG, kGWriteSeconds);
      ++attempts;
      continue;
    }
    const int r = ReceiveBody(kShortBlock);
    if (link_.CancelRequested()) return kFailed;
    if (r != 0) {
      link_.WriteByte(r == kFailed ? NAK : kWantG, r == kFailed ? kAckSeconds : kGWriteSeconds);
      ++attempts;
      continue;
    }
    if (block_[0] != SOH || block_[1] != 0 || block_[2] != 255) {
      progress_.SetStatus("Invalid block 0");
      link_.WriteByte(NAK, kGWriteSeconds);
      ++attempts;
      continue;
    }
    // An empty name ends the batch, whatever follows it: some senders put a
    // file count in the last bytes of that block.
    if (block_[3] == 0) {
      link_.WriteByte(ACK, kAckSeconds);
      return 0;
    }
    if (ReceiveFile() == kFailed) {
      progress_.ShowErrorCount(1);
      return kFailed;
    }
    attempts = 0;
    ++filesReceived;
    link_.WriteByte(kWantG, kGWriteSeconds);
  }
}

int YmodemG::ReceiveFile() {
  const AnnouncedFile info = ParseAnnouncement({block_.data() + 3, kShortBlock});
  const std::string dir = DirectoryWithSlash(options_.receiveDir);
  const std::optional<std::string> name = SafeFileName(info.name);
  progress_.ShowFile(dir, name ? *name : info.name, info.size);
  fileSize_ = info.size;
  if (name) file_ = OpenReceivedFile(dir + *name, OpenMode::Replace, info.size).file;
  if (!file_) {
    progress_.SetStatus("Could not create file");
    return kFailed;
  }
  link_.PurgeInput();
  link_.WriteByte(ACK, kAckSeconds);
  while (!link_.CancelRequested()) {
    link_.WriteByte(kWantG, kGWriteSeconds);
    if (link_.WaitForInput(kStartByteSeconds)) return ReceiveData();
  }
  return CloseAndFail();
}

int YmodemG::ReceiveData() {
  progress_.SetStatus("Receiving data");
  progress_.StartClock();
  count_ = 0;
  uint8_t expected = 1;
  do {
    if (link_.ReadAnyByte(&block_[0], kDataStartSeconds) != 0) {
      progress_.SetStatus("No block header from sender");
      return CloseAndFail();
    }
    size_t length = 0;
    if (block_[0] == SOH) {
      length = kShortBlock;
    } else if (block_[0] == STX) {
      length = kLongBlock;
    } else if (block_[0] == EOT) {
      progress_.SetStatus("File received OK");
      progress_.FinishFile();
      const bool closed = std::fclose(file_.release()) == 0;
      if (!closed) {
        progress_.SetStatus("Could not close file");
        return kFailed;
      }
      link_.WriteByte(ACK, kAckSeconds);
      return 0;
    } else {
      progress_.SetStatus("Synchronization error");
      return CloseAndFail();
    }
    const int r = ReceiveBody(length);
    if (r == kReplyTimeout) progress_.SetStatus("Sender took too long");
    if (r != 0) return CloseAndFail();
    if (block_[1] != expected || block_[2] != static_cast<uint8_t>(255 - expected)) {
      progress_.SetStatus("Invalid block number");
      return CloseAndFail();
    }
    ++expected;
    if (!StoreBlock(length)) return CloseAndFail();
  } while (!link_.CancelRequested());
  return CloseAndFail();
}

// Writes a block's data; the padding after the announced size is not part
// of the file.
bool YmodemG::StoreBlock(size_t length) {
  size_t keep = length;
  if (fileSize_ >= 0)
    keep = static_cast<size_t>(
        std::clamp<int64_t>(fileSize_ - count_, 0, static_cast<int64_t>(length)));
  if (keep > 0 && std::fwrite(block_.data() + 3, 1, keep, file_.get()) != keep) {
    progress_.SetStatus("Could not write file");
    return false;
  }
  count_ += static_cast<int64_t>(fileSize_ >= 0 ? keep : length);
  progress_.ShowPacketSize(static_cast<int64_t>(length));
  progress_.ShowCount(count_);
  progress_.UpdateTiming(count_);
  return true;
}

}  // namespace parlane
