// The timed link operations on the serial port, for Zmodem and Ymodem-G
// over the dial-up line. Single bytes written are gathered and go out
// together before any read, wait, purge or queue count, so that a fast line
// is not held back by one write per byte; input is read ahead in blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/serial_port.h"
#include "xfer/transfer_link.h"

namespace parlane {

class SerialTransferLink final : public TransferLink {
 public:
  // The longest the end of the link waits to write out what is gathered.
  static constexpr int kCloseFlushSeconds = 5;
  // Gathered bytes go out once this many have collected.
  static constexpr size_t kGatherLimit = 1024;
  // Input is read from the driver in blocks of up to this size.
  static constexpr size_t kReadAhead = 1024;

  explicit SerialTransferLink(SerialPort& port);
  ~SerialTransferLink() override;

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

  // Writes out the gathered bytes; 0, or -1 when their time ran out.
  int Flush() override;
  // True once the port has been closed.
  bool InputEnded() const override { return !port_.IsOpen(); }

 private:
  bool ReadAhead();
  bool WaitReadable(long long start, int seconds);
  int WriteAll(const uint8_t* bytes, size_t count, int seconds);

  SerialPort& port_;
  std::vector<uint8_t> gathered_;
  int gatherSeconds_ = 0;  // the time limit the gathered bytes were given
  uint8_t input_[kReadAhead] = {};
  size_t readPos_ = 0;
  size_t endPos_ = 0;
};

}  // namespace parlane
