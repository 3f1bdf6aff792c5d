// A pseudo-terminal standing in for a serial device, and fake modem lines.
#pragma once

#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include <memory>

#include "config/messages.h"
#include "link/modem_lines.h"
#include "link/serial_port.h"

namespace parlane::test {

class Pty {
 public:
  Pty() {
    int slave = -1;
    if (openpty(&master_, &slave, nullptr, nullptr, nullptr) == 0) {
      device_ = ttyname(slave);
      close(slave);  // the port under test opens the device by its name
    }
  }
  ~Pty() {
    if (master_ >= 0) close(master_);
  }
  // Hangs the line up: the far side goes away.
  static void CloseMaster(Pty& pty) {
    close(pty.master_);
    pty.master_ = -1;
  }
  bool Ok() const { return master_ >= 0 && !device_.empty(); }
  const std::string& Device() const { return device_; }
  void Write(std::string_view bytes) const {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
      if (n <= 0) return;
      done += static_cast<size_t>(n);
    }
  }
  // What the port wrote, collected until the line stays quiet for `quiet`.
  std::string Read(std::chrono::milliseconds quiet = std::chrono::milliseconds(200)) const {
    std::string out;
    char buf[4096];
    pollfd p{master_, POLLIN, 0};
    while (poll(&p, 1, static_cast<int>(quiet.count())) > 0) {
      const ssize_t n = read(master_, buf, sizeof buf);
      if (n <= 0) break;
      out.append(buf, static_cast<size_t>(n));
    }
    return out;
  }

 private:
  int master_ = -1;
  std::string device_;
};

// Records DTR changes and answers carrier as told.
class FakeModemLines final : public ModemLines {
 public:
  struct State {
    std::vector<bool> dtr;  // every change, in order
    bool carrier = false;
  };
  explicit FakeModemLines(State& state) : state_(state) {}
  bool SetDtr(int, bool on) override {
    state_.dtr.push_back(on);
    return true;
  }
  bool Carrier(int) override { return state_.carrier; }

 private:
  State& state_;
};

// A port open on a pty at 115200 bits a second, its modem lines faked.
struct PortOnPtyLine : ::testing::Test {
  void SetUp() override {
    ASSERT_TRUE(pty.Ok());
    Dcb dcb;
    dcb.BaudRate = 115200;
    dcb.ByteSize = 8;
    ASSERT_TRUE(port.OpenDevice(pty.Device(), "COM1", dcb, false));
  }
  Pty pty;
  RecordingMessageSink messages;
  FakeModemLines::State lines;
  SerialPort port{messages, std::make_unique<FakeModemLines>(lines)};
};

}  // namespace parlane::test
