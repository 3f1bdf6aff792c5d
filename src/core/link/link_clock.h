// Whole-second time limits of the links, and waiting with the window alive.
#pragma once

#include <poll.h>

#include <functional>

#include "xfer/transfer_link.h"

namespace parlane {

// A wait of `seconds` that began at clock second `start` is over once the
// clock has gone past start + seconds. A limit of 0 or less allows the one
// look only.
inline bool LimitExpired(long long start, int seconds) {
  if (seconds <= 0) return true;
  return TransferLink::ClockSeconds() - start > seconds;
}

// Waits until the clock has advanced by `seconds`, calling `pump` between
// short sleeps.
inline void WaitSecondsPumping(int seconds, const std::function<void()>& pump) {
  const long long start = TransferLink::ClockSeconds();
  while (TransferLink::ClockSeconds() - start < seconds) {
    poll(nullptr, 0, TransferLink::kWaitSliceMs);
    if (pump) pump();
  }
}

}  // namespace parlane
