// Ymodem-G batch send and receive: 128- and 1024-byte blocks with a CRC-16,
// streamed without acknowledgement; any error ends the batch.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "xfer/protocol.h"
#include "xfer/received_file.h"

namespace parlane {

class YmodemG : public TransferProtocol {
 public:
  static constexpr int kFailed = -4;
  static constexpr uint8_t SOH = 1, STX = 2, EOT = 4, ACK = 6, NAK = 21, CAN = 24, SUB = 26;
  static constexpr uint8_t kWantG = 'G';
  static constexpr size_t kShortBlock = 128;
  static constexpr size_t kLongBlock = 1024;
  // Reply results besides the bytes themselves.
  static constexpr int kReplyTimeout = -2;
  static constexpr int kReplyCancelled = -4;
  static constexpr int kReplyAborted = -5;
  // Waits for "G" before block 0 and before the data, and EOT tries.
  static constexpr int kSenderTries = 11;
  // Waits without a block 0 before the receiver gives up.
  static constexpr int kReceiverAttempts = 10;

  YmodemG(TransferLink& link, TransferDisplay& display, TransferOptions options)
      : TransferProtocol(link, display, std::move(options)) {}

  int SendFiles(const std::vector<std::string>& files) override;
  int ReceiveFiles() override;
  int FailureCode() const override { return kFailed; }
  std::string_view Caption(TransferDirection direction) const override;
  void Setup() override { progress_.ShowErrorDetection(false); }

  // Block 0 of a file: name, NUL, size, NUL, zeros (128 data bytes).
  static std::array<uint8_t, kShortBlock> MakeHeaderData(const std::string& name, int64_t size);

 private:
  int ReadReply(int seconds);
  void SendBlock(uint8_t start, uint8_t number, size_t length);
  int SendFile(const std::string& path);
  int WaitForG(const char* waitingText, const char* failText, bool showWaiting);
  int SendData();
  int SendEot();
  int ReceiveBody(size_t length);
  int ReceiveFile();
  int ReceiveData();
  bool StoreBlock(size_t length);
  int CloseAndFail();

  FilePtr file_;
  int64_t fileSize_ = -1;
  int64_t count_ = 0;
  bool endOfFile_ = false;
  // Start byte, block number, complement, data, CRC.
  std::array<uint8_t, 3 + kLongBlock + 2> block_{};
};

}  // namespace parlane
