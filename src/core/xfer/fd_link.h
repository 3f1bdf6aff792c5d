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

#include "telnet/decoder.h"
#include "xfer/buffered_link.h"
#include "xfer/raw_terminal.h"

namespace parlane {

class FdTransferLink final : public BufferedTransferLink {
 public:
  // Bytes read from the descriptor at most per read.
  static constexpr size_t kReadBufferSize = 1 << 16;
  // Gathered output is written once this much has collected.
  static constexpr size_t kGatherLimit = 1 << 15;
  // The same on a terminal. A pty takes only about 20 KiB before the reader
  // catches up; a piece that fits goes out whole, and the next is encoded
  // while the line drains instead of waiting for room for the rest.
  static constexpr size_t kTerminalGatherLimit = 1 << 13;
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

 private:
  long ReadSome(uint8_t* buffer, size_t capacity) override;
  long WriteSome(const uint8_t* bytes, size_t count) override;
  int WaitDescriptor(short events) const override;
  size_t DecodeInput(uint8_t* bytes, size_t count) override;
  telnet::EncodeRules ByteFraming() const override { return {telnet_, false}; }
  void ResetDecoder() override { decoder_.Reset(); }
  void Break(bool on) override;
  void InputRanDry() override { terminal_.Reassert(); }
  // Not on terminals: a pty holds only about 20 KiB, and a pause there
  // stalls the sender instead.
  bool NapWhenDry() const override { return !terminal_.Active(); }

  int in_;
  int out_;
  bool telnet_;
  bool outIsSocket_ = false;
  int inFlags_ = -1;
  int outFlags_ = -1;
  telnet::Decoder decoder_;
  // Declared last: restored after the destructor has flushed the output.
  RawTerminal terminal_;
};

}  // namespace parlane
