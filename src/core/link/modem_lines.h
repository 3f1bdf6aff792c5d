// The modem status and control lines of a serial port. A pseudo-terminal has
// none, so the port reaches them through this interface and tests fake it.
#pragma once

namespace parlane {

class ModemLines {
 public:
  virtual ~ModemLines() = default;
  // Raises or drops DTR; false when the driver refuses.
  virtual bool SetDtr(int fd, bool on) = 0;
  // True while the modem asserts carrier detect (DCD).
  virtual bool Carrier(int fd) = 0;
};

// The real lines, through TIOCMBIS, TIOCMBIC and TIOCMGET.
class TiocmModemLines final : public ModemLines {
 public:
  bool SetDtr(int fd, bool on) override;
  bool Carrier(int fd) override;
};

}  // namespace parlane
