#include "xfer/raw_terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace parlane {

namespace {
// Raw mode derived from `t`, keeping its speed and character size.
termios MakeRaw(termios t) {
  cfmakeraw(&t);
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  return t;
}

// The parts of the modes that decide how bytes pass.
bool SameModes(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_lflag == b.c_lflag &&
         a.c_cflag == b.c_cflag && a.c_cc[VMIN] == b.c_cc[VMIN] && a.c_cc[VTIME] == b.c_cc[VTIME];
}

bool IsPtyMaster(int fd) {
#ifdef TIOCGPTN
  unsigned int number = 0;
  return ioctl(fd, TIOCGPTN, &number) == 0;
#else
  (void)fd;
  return false;
#endif
}
}  // namespace

RawTerminal::RawTerminal(int fd) : fd_(fd) {
  if (!isatty(fd_) || tcgetattr(fd_, &saved_) != 0) return;
  master_ = IsPtyMaster(fd_);
  // TCSANOW: input that has already arrived (a sender's first header) is kept.
  const termios raw = MakeRaw(saved_);
  active_ = tcsetattr(fd_, TCSANOW, &raw) == 0;
}

RawTerminal::~RawTerminal() {
  if (active_) tcsetattr(fd_, TCSADRAIN, &saved_);
}

bool RawTerminal::Reassert() {
  if (!active_ || master_) return false;
  termios now{};
  if (tcgetattr(fd_, &now) != 0) return false;
  const termios raw = MakeRaw(now);
  if (SameModes(now, raw)) return false;
  return tcsetattr(fd_, TCSANOW, &raw) == 0;
}

}  // namespace parlane
