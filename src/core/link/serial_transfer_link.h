// The timed link operations on the serial port, for Zmodem and Ymodem-G
// over the dial-up line. Single bytes written are gathered and go out
// together before any read, wait, purge or queue count, so that a fast line
// is not held back by one write per byte; input is read ahead in blocks.
//
// A line that hangs up (carrier lost, the adapter unplugged) ends every
// wait at once; the user's cancel ends any wait, a write held up by flow
// control included, within a slice.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/serial_port.h"
#include "xfer/buffered_link.h"

namespace parlane {

class SerialTransferLink final : public BufferedTransferLink {
 public:
  // The longest the end of the link waits to write out what is gathered.
  static constexpr int kCloseFlushSeconds = 5;
  // Gathered bytes go out once this many have collected.
  static constexpr size_t kGatherLimit = 1024;
  // Input is read from the driver in blocks of up to this size.
  static constexpr size_t kReadAhead = 1024;

  explicit SerialTransferLink(SerialPort& port);
  ~SerialTransferLink() override;

  // True once the port has been closed or the line has hung up.
  bool InputEnded() const override { return !port_.IsOpen() || BufferedTransferLink::InputEnded(); }

 private:
  long ReadSome(uint8_t* buffer, size_t capacity) override {
    return port_.ReadWaiting(buffer, capacity);
  }
  long WriteSome(const uint8_t* bytes, size_t count) override {
    return port_.WriteSome({bytes, count});
  }
  int WaitDescriptor(short /*events*/) const override { return port_.Fd(); }
  int DriverInputCount() const override { return port_.InputCount(); }
  int DriverOutputCount() override { return port_.OutputCount(); }
  bool PurgeDriverInput() override { return port_.PurgeInput(); }
  bool PurgeDriverOutput() override { return port_.PurgeOutput(); }
  void Break(bool on) override { port_.SetBreak(on); }

  SerialPort& port_;
};

}  // namespace parlane
