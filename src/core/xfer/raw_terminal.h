// Raw mode for a terminal that a transfer runs on, kept for the life of the
// transfer. On a pty the program at the other end can change our side's
// modes at any time (termios calls on a pty master act on the slave): a
// sender that turns on XON/XOFF or CR translation there would make the line
// discipline eat or change data bytes, and take every byte through its slow
// per-character path. Reassert() puts raw mode back when that happened.
#pragma once

#include <termios.h>

namespace parlane {

class RawTerminal {
 public:
  // Makes `fd` raw when it is a terminal; does nothing otherwise.
  explicit RawTerminal(int fd);
  // Restores the modes found at construction.
  ~RawTerminal();
  RawTerminal(const RawTerminal&) = delete;
  RawTerminal& operator=(const RawTerminal&) = delete;

  bool Active() const { return active_; }
  // Puts raw mode back if someone changed the modes since; true if it did.
  // On a pty master the modes are the peer's terminal, which that peer sets
  // for itself, so a master is made raw once and then left alone.
  bool Reassert();

 private:
  int fd_;
  bool active_ = false;
  bool master_ = false;
  termios saved_{};
};

}  // namespace parlane
