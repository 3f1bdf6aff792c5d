#include "link/serial_transfer_link.h"

namespace parlane {

namespace {

BufferedTransferLink::Policy SerialPolicy() {
  BufferedTransferLink::Policy p;
  p.readBufferSize = SerialTransferLink::kReadAhead;
  p.gatherLimit = SerialTransferLink::kGatherLimit;
  p.flushEachBlock = true;
  p.flushBeforeInputCount = true;
  p.closeFlushSeconds = SerialTransferLink::kCloseFlushSeconds;
  return p;
}

}  // namespace

SerialTransferLink::SerialTransferLink(SerialPort& port)
    : BufferedTransferLink(SerialPolicy()), port_(port) {}

// What is still gathered goes out, but a stuck line does not hold the
// transfer's end for long.
SerialTransferLink::~SerialTransferLink() { FinalFlush(); }

}  // namespace parlane
