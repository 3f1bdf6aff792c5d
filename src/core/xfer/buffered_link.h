// The buffered core that every transfer link shares: input read ahead in
// blocks and decoded there (so protocols can take runs of it through
// Buffered()), output gathered and written in large pieces, and one wait
// loop that sleeps in the descriptor in short slices, runs the pump between
// them and gives up at once when the user cancels or the line hangs up.
//
// A link supplies its primitives (read some, write some, the descriptor to
// wait on) and the hooks where links differ: the framing of its bytes,
// queue counts, purges and break, and its policy.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "telnet/encoder.h"
#include "xfer/transfer_link.h"

namespace parlane {

class BufferedTransferLink : public TransferLink {
 public:
  struct Policy {
    size_t readBufferSize = 4096;
    // Gathered output is written once this much has collected.
    size_t gatherLimit = 4096;
    // Each WriteBlock goes out at once (after what was gathered before it).
    bool flushEachBlock = false;
    // Gathered output goes out before the input is counted.
    bool flushBeforeInputCount = false;
    // Every wait lasts this long whatever the protocol asks (0: as asked).
    int fixedWaitSeconds = 0;
    // The limit for writing out gathered output before a read, a purge or
    // Flush() (0: the limit of the write that gathered it).
    int flushSeconds = 0;
    // The longest the end of the link waits to write out what is gathered.
    int closeFlushSeconds = 5;
    // InputCount() finding nothing waiting is trusted this long, so a
    // sender that asks after every subpacket costs few system calls.
    std::chrono::microseconds emptyProbeInterval{0};
  };

  explicit BufferedTransferLink(Policy policy);
  ~BufferedTransferLink() override = default;
  BufferedTransferLink(const BufferedTransferLink&) = delete;
  BufferedTransferLink& operator=(const BufferedTransferLink&) = delete;

  int ReadByte(int seconds) final;
  int ReadAnyByte(uint8_t* place, int seconds) final;
  int InputCount() final;
  int WaitForInput(int seconds) final;
  int WriteBlock(const uint8_t* bytes, size_t count, int seconds) final;
  int WriteByte(uint8_t byte, int seconds) final;
  int OutputCount() final;
  int SendBreak(int seconds) final;
  int PurgeInput() final;
  int PurgeOutput() final;
  int Flush() final;
  std::span<const uint8_t> Buffered() const final {
    return {input_.data() + readPos_, endPos_ - readPos_};
  }
  void Consume(size_t count) final;
  // True once the input has ended (end of file, a closed connection, a
  // hung-up line) and everything read before has been taken.
  bool InputEnded() const override { return inputEnded_ && readPos_ == endPos_; }

  // A wait of `seconds` that began at clock second `start` is over once the
  // clock has gone past start + seconds; a limit of 0 or less allows one look.
  static bool LimitExpired(long long start, int seconds) {
    return seconds <= 0 || ClockSeconds() - start > seconds;
  }

 protected:
  // --- primitives ---
  // Reads what is waiting without blocking: the count read, 0 when nothing
  // waits, -1 when the input has ended for good.
  virtual long ReadSome(uint8_t* buffer, size_t capacity) = 0;
  // Writes without blocking: the count taken (0 when there is no room), or
  // -1 when the output is broken.
  virtual long WriteSome(const uint8_t* bytes, size_t count) = 0;
  // The descriptor to wait on for `events` (POLLIN or POLLOUT), or -1 when
  // the line is closed.
  virtual int WaitDescriptor(short events) const = 0;

  // --- hooks ---
  // Undoes the link's framing of `count` bytes just read, in place; returns
  // how many data bytes remain at the start.
  virtual size_t DecodeInput(uint8_t* /*bytes*/, size_t count) { return count; }
  // The framing of written bytes (a single byte or a block).
  virtual telnet::EncodeRules ByteFraming() const { return {false, false}; }
  virtual telnet::EncodeRules BlockFraming() const { return {false, false}; }
  // Bytes in the driver's queues beyond what this link holds.
  virtual int DriverInputCount() const { return 0; }
  virtual int DriverOutputCount() { return 0; }
  // Drops the driver's queued input (after the buffer has been dropped);
  // the default reads and drops what waits. False when it fails.
  virtual bool PurgeDriverInput();
  virtual bool PurgeDriverOutput() { return true; }
  virtual void ResetDecoder() {}
  // Starts (on) and ends (off) a break; the link waits between, pumping.
  virtual void Break(bool /*on*/) {}
  // The input ran dry during a wait: the moment for a terminal link to
  // check its modes.
  virtual void InputRanDry() {}
  // When a peer streams to us (data came with the last read and we have
  // written nothing since) and the input runs dry, nap kStreamNap before
  // polling: the peer's small writes gather in the kernel, so one read
  // takes many of them and neither side is woken for each. A peer that
  // waits for our reply is never kept waiting by it, since we have written
  // since its last data.
  virtual bool NapWhenDry() const { return false; }
  static constexpr std::chrono::microseconds kStreamNap{200};
  // Writes out what is gathered, for the derived destructor.
  void FinalFlush() { FlushWithin(policy_.closeFlushSeconds); }

 private:
  enum class Fill { Data, Nothing, Ended };
  enum class Ready { Yes, No, HungUp };

  Fill FillOnce();
  Ready WaitReady(short events, int ms);
  bool WaitForData(int seconds);
  int FlushWithin(int seconds);
  int Limit(int seconds) const {
    return policy_.fixedWaitSeconds > 0 ? policy_.fixedWaitSeconds : seconds;
  }
  int FlushLimit() const {
    return policy_.flushSeconds > 0 ? policy_.flushSeconds : lastWriteSeconds_;
  }
  bool Gathered() const { return outPos_ < output_.size(); }
  int Gather(std::span<const uint8_t> bytes, telnet::EncodeRules rules, int seconds, bool flushNow);

  Policy policy_;
  std::vector<uint8_t> input_;
  size_t readPos_ = 0;
  size_t endPos_ = 0;
  bool inputEnded_ = false;
  std::vector<uint8_t> output_;
  size_t outPos_ = 0;
  bool outputBroken_ = false;
  int lastWriteSeconds_ = 0;
  // The last read brought data and nothing has been written since.
  bool flowing_ = false;
  std::chrono::steady_clock::time_point lastEmptyProbe_{};
};

}  // namespace parlane
