// The arbitrary-rate interface: termios2 with BOTHER. <asm/termbits.h>
// clashes with <termios.h>, so this file includes only the former.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cstdint>
#include <optional>

namespace parlane {

bool SetArbitraryRate(int fd, uint32_t rate) {
  termios2 t{};
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  t.c_cflag &= ~CBAUD;
  t.c_cflag |= BOTHER;
  t.c_cflag &= ~(CBAUD << IBSHIFT);  // the input rate follows the output rate
  t.c_cflag |= BOTHER << IBSHIFT;
  t.c_ispeed = rate;
  t.c_ospeed = rate;
  return ioctl(fd, TCSETS2, &t) == 0;
}

std::optional<uint32_t> GetArbitraryRate(int fd) {
  termios2 t{};
  if (ioctl(fd, TCGETS2, &t) != 0) return std::nullopt;
  return t.c_ospeed;
}

}  // namespace parlane
