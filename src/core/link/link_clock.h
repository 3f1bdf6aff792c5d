// Waiting whole seconds with the window alive.
#pragma once

#include <poll.h>

#include <functional>

#include "xfer/transfer_link.h"

namespace parlane {

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
