// Zmodem batch receive and send over a TransferLink. `Zmodem` runs on the
// serial link; `TelnetZmodem` differs only in its time limits, its captions
// and the doubling of 255 on the wire. A batch is run by a ZmodemReceiver or
// a ZmodemSender, each holding only its own side's state.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "xfer/protocol.h"
#include "xfer/received_file.h"
#include "xfer/zmodem_frames.h"

namespace parlane {

// The limits both sides of Zmodem keep.
struct ZmodemLimits {
  // Consecutive errors while receiving one file that end the transfer.
  static constexpr int kErrorLimit = 20;
  // Attempts of the receiver's batch start before it gives up on the sender.
  static constexpr int kBatchStartAttempts = 16;
  // Headers the sender reads while waiting for the receiver's ZRINIT.
  static constexpr int kInitHeaders = 10;
  // ZFIN tries of the receiver's ending handshake.
  static constexpr int kFinTries = 4;
  // ZFIN tries of the sender's batch end (bounded so a cancel cannot loop).
  static constexpr int kSenderFinTries = 10;
  // How long the sender waits for an answer during the data phase.
  static constexpr int kAnswerSeconds = 40;
  // How long the receiver waits for the next header while receiving a file.
  static constexpr int kFileHeaderSeconds = 15;
  // Data bytes in every subpacket but a file's last one.
  static constexpr size_t kBlockSize = 1024;
  // Junk bytes from the receiver after which every subpacket asks for a ZACK.
  static constexpr int kJunkLimit = 3;
  // ZCRC questions asked before a kept copy is given up and received afresh.
  static constexpr int kCrcAttempts = 3;
  // Zmodem positions are 32 bits on the wire.
  static constexpr int64_t kMaxFileSize = 0xFFFFFFFFll;
};

// What each side works with: the link, the progress display, the options
// and the frame layer of the protocol that runs it.
class ZmodemSide : public ZmodemLimits {
 protected:
  ZmodemSide(TransferLink& link, TransferProgress& progress, const TransferOptions& options,
             ZmodemFrames& frames)
      : link_(link), progress_(progress), options_(options), frames_(frames) {}
  void FileDone(const std::string& name) {
    if (options_.fileDone) options_.fileDone(name);
  }

  TransferLink& link_;
  TransferProgress& progress_;
  const TransferOptions& options_;
  ZmodemFrames& frames_;
  FilePtr file_;
  int64_t fileSize_ = -1;
  std::array<uint8_t, kBlockSize + 6> buffer_{};
};

// The receiving side (zmodem_receive.cpp): the batch start, one file at a
// time, the ending handshake.
class ZmodemReceiver : private ZmodemSide {
 public:
  ZmodemReceiver(TransferLink& link, TransferProgress& progress, const TransferOptions& options,
                 ZmodemFrames& frames)
      : ZmodemSide(link, progress, options, frames) {}
  // 0 when the batch ended well, -1 otherwise.
  int Run();

 private:
  int BatchStart();
  int ReceiveFile();
  int OpenFileForReceive(int64_t& resume);
  bool SenderHasSamePrefix(const std::string& fullName, int64_t position);
  int FileHeader(int64_t& count);
  int DataLoop(int64_t& count);
  bool KeepData(int64_t& count);
  bool CountError(const char* limitText);
  void SendAttention();
  void WaitForOutputDrain();
  void EndingHandshake();
  int FailReceive();

  size_t infoLength_ = 0;
  std::array<uint8_t, ZmodemFrames::kAttentionCapacity + 1> attention_{};
  int receiverHeaderType_ = zm::ZRINIT;
  int errors_ = 0;
};

// The sending side (zmodem_send.cpp): the receiver's ZRINIT, each file's
// offer and data phase, the batch end.
class ZmodemSender : private ZmodemSide {
 public:
  ZmodemSender(TransferLink& link, TransferProgress& progress, const TransferOptions& options,
               ZmodemFrames& frames)
      : ZmodemSide(link, progress, options, frames) {}
  // 0 when every file was sent or skipped, -1 otherwise.
  int Run(const std::vector<std::string>& files);

 private:
  int WaitForReceiverInit();
  int SendFile(const std::string& path);
  int OfferFile(const std::string& name);
  int DataPhase();
  int HandleAnswer(int answer);
  int WaitAnswer(bool any);
  int CheckInputDuringData();
  int SeekTo(uint32_t position);
  uint32_t FileCrc(uint32_t position);
  void EndBatch();
  int CloseAndFail();

  int64_t sendPosition_ = 0;
  int64_t lastSync_ = 0;
  int64_t lastAck_ = 0;
  int64_t blockStart_ = -1;
  uint32_t receiverBuffer_ = 16384;
  bool endOfFile_ = false;
  int junk_ = 0;
  int64_t window_ = 0;
  int64_t lastCrcPosition_ = -1;
  uint32_t lastCrc_ = 0;
};

class Zmodem : public TransferProtocol, public ZmodemLimits {
 public:
  Zmodem(TransferLink& link, TransferDisplay& display, TransferOptions options,
         const ZmodemTiming& timing = kSerialTiming);

  int SendFiles(const std::vector<std::string>& files) override;
  int ReceiveFiles() override;
  int FailureCode() const override { return -1; }
  std::string_view Caption(TransferDirection direction) const override;

  ZmodemFrames& Frames() { return frames_; }

 private:
  ZmodemFrames frames_;
};

class TelnetZmodem : public Zmodem {
 public:
  TelnetZmodem(TransferLink& link, TransferDisplay& display, TransferOptions options)
      : Zmodem(link, display, std::move(options), kTelnetTiming) {}
  std::string_view Caption(TransferDirection direction) const override;
};

}  // namespace parlane
