// The timed link operations over a pair of plain descriptors: a pipe, a
// socketpair, a pty or standard input and output. Output is gathered and
// written in large pieces before any read, wait, purge or output count, so a
// stream of subpackets costs few system calls. With Telnet framing a byte 255
// travels doubled, as the Telnet variant of Zmodem expects. An input that is a
// terminal is kept raw while the link lives (see RawTerminal).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "xfer/raw_terminal.h"
#include "xfer/transfer_link.h"

namespace parlane {

class FdTransferLink final : public TransferLink {
 public:
  // Bytes read from the descriptor at most per read.
  static constexpr size_t kReadBufferSize = 1 << 16;
  // Gathered output is written once this much has collected.
  static constexpr size_t kGatherLimit = 1 << 15;
  // The same on a terminal. A pty takes only about 20 KiB before the reader
  // catches up; a piece that fits goes out whole, and the next is encoded
  // while the line drains instead of waiting for room for the rest.
  static constexpr size_t kTerminalGatherLimit = 1 << 13;
  // When a peer streams to us (data came with the last read and we have
  // written nothing since) and the input runs dry, the link naps this long
  // before it polls: the peer's small writes gather in the socket or pipe
  // buffer, so one read takes many of them and neither side is woken for
  // each. Not on terminals: a pty holds only about 20 KiB, and a pause there
  // stalls the sender instead. A peer that waits for our reply is never
  // kept waiting by it, since we have written since its last data.
  static constexpr std::chrono::microseconds kStreamNap{200};
  // InputCount() finding nothing waiting is trusted this long: a sender
  // that asks after every subpacket costs one system call per interval, and
  // a receiver's answer is seen at most this much later.
  static constexpr std::chrono::milliseconds kInputProbeInterval{1};
  // Gathered output that must go out before a read waits at most this long.
  static constexpr int kFlushSeconds = 60;

  // The descriptors are not owned; they are made non-blocking (and a
  // terminal raw) for the life of the link and restored afterwards. `in` and
  // `out` may be the same.
  FdTransferLink(int in, int out, bool telnet = false);
  ~FdTransferLink() override;
  FdTransferLink(const FdTransferLink&) = delete;
  FdTransferLink& operator=(const FdTransferLink&) = delete;

  int ReadByte(int seconds) override;
  int ReadAnyByte(uint8_t* place, int seconds) override;
  int InputCount() override;
  int WaitForInput(int seconds) override;
  int WriteBlock(const uint8_t* bytes, size_t count, int seconds) override;
  int WriteByte(uint8_t byte, int seconds) override;
  int OutputCount() override;
  int SendBreak(int seconds) override;
  int PurgeInput() override;
  int PurgeOutput() override;
  int Flush() override;
  std::span<const uint8_t> Buffered() const override;
  void Consume(size_t count) override;

  // True once the input has ended (end of file, a closed pty or an error).
  bool InputEnded() const override { return inputClosed_ && readPos_ == endPos_; }

 private:
  enum class Fill { Data, Nothing, Closed };

  Fill FillOnce(int waitMs);
  bool TakeByte(uint8_t& byte);
  bool WaitForData(int seconds);
  int FlushWithin(int seconds);
  ssize_t WriteSome(const uint8_t* bytes, size_t count);

  int in_;
  int out_;
  bool telnet_;
  bool outIsSocket_ = false;
  size_t gatherLimit_ = kGatherLimit;
  int inFlags_ = -1;
  int outFlags_ = -1;
  bool inputClosed_ = false;
  bool outputBroken_ = false;
  // A doubled 255 whose second half has not arrived yet.
  bool skipNext_ = false;
  // The last read brought data and nothing has been written since.
  bool flowing_ = false;
  std::chrono::steady_clock::time_point lastEmptyProbe_{};
  std::vector<uint8_t> input_;
  size_t readPos_ = 0;
  size_t endPos_ = 0;
  std::vector<uint8_t> output_;
  size_t outPos_ = 0;
  // Declared last: restored after the destructor has flushed the output.
  RawTerminal terminal_;
};

}  // namespace parlane
