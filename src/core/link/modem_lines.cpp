#include "link/modem_lines.h"

#include <sys/ioctl.h>

namespace parlane {

bool TiocmModemLines::SetDtr(int fd, bool on) {
  int bits = TIOCM_DTR;
  return ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits) == 0;
}

bool TiocmModemLines::Carrier(int fd) {
  int bits = 0;
  if (ioctl(fd, TIOCMGET, &bits) != 0) return false;
  return (bits & TIOCM_CAR) != 0;
}

}  // namespace parlane
