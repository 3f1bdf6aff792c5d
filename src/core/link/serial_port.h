// The serial port: one for the whole program, shared by the dial-up window,
// the dialer and the serial transfers. COM1 to COM4 name devices through
// PORTS.CFG; the device is opened exclusively, in raw mode, non-blocking.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "config/dcb.h"
#include "config/messages.h"
#include "config/program_dir.h"
#include "link/event_loop.h"
#include "link/modem_lines.h"

namespace parlane {

class SerialPort {
 public:
  static constexpr std::string_view kTextOpenFailed = "Could not open COM port";
  static constexpr std::string_view kTextSettingsFailed = "Could not change hardware settings";
  // Every read takes at most this many bytes: one block for Process.
  static constexpr size_t kReadBlock = 1024;
  // How long a write of the window waits for the driver to take its bytes
  // (flow control may hold them); what is left after that is dropped.
  static constexpr int kWriteWaitMs = 2000;
  // HangUp keeps DTR low until the clock has advanced by this many seconds.
  static constexpr int kHangUpSeconds = 2;

  // `messages` shows the failures of OpenPort; `lines` reaches DTR and
  // carrier (the real lines when null).
  explicit SerialPort(MessageSink& messages, std::unique_ptr<ModemLines> lines = nullptr);
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // "Error on %s" with the port name.
  static std::string ErrorCaption(std::string_view portName);

  // Opens COM1..COM4 (`portIndex` 0 to 3) on the device `ports` names, applies
  // `dcb` (first marking it as the port takes it: length 28, binary mode on,
  // abort-on-error off; the caller's stored copy keeps these) and raises DTR;
  // with `sendInit` writes `modemInit` and a carriage return, as two writes.
  // `closeFirst` closes an open port first. Without it, an open port
  // on the same device is kept and given the new settings (the dialer hands
  // its port to the dial-up window so), and one on another device is closed.
  // Failures are shown with the caption "Error on COMn"; returns false.
  bool OpenPort(uint32_t portIndex, const PortMap& ports, Dcb& dcb, bool closeFirst, bool sendInit,
                std::string_view modemInit = "");
  // The same on a device path, with `portName` for the caption.
  bool OpenDevice(const std::string& device, std::string_view portName, Dcb& dcb, bool sendInit,
                  std::string_view modemInit = "");
  // Purges both directions and closes the device.
  void Close();

  bool IsOpen() const { return fd_ >= 0; }
  int Fd() const { return fd_; }
  const std::string& Device() const { return device_; }
  const std::string& PortName() const { return portName_; }

  // Bytes waiting in the driver's input and output queues (0 when closed).
  int InputCount() const;
  int OutputCount() const;
  // Reads what is waiting, at most min(size, 1024) bytes; never waits.
  // Returns the count read, 0 when nothing waits, -1 on failure.
  int ReadWaiting(uint8_t* buf, size_t size);
  // Writes everything it can: waits up to kWriteWaitMs for room. Returns
  // the count written, -1 when closed or the write failed at once.
  int Write(std::span<const uint8_t> bytes);
  int Write(std::string_view text);
  // Writes what the driver takes now, without waiting.
  int WriteSome(std::span<const uint8_t> bytes);

  // The dial-up window's reading without polling: `onInput` runs on `loop`
  // whenever input waits (the window then calls ReadWaiting), until
  // StopWatching, Close or another WatchInput. A transfer stops the watch
  // while it reads the port itself.
  void WatchInput(EventLoop& loop, std::function<void()> onInput);
  void StopWatching();
  bool Watching() const { return watchLoop_ != nullptr; }

  bool SetDtr(bool on);
  bool Carrier();
  bool SetBreak(bool on);
  bool PurgeInput();
  bool PurgeOutput();
  // Break for `seconds` whole seconds, calling `pump` while it waits.
  void SendBreak(int seconds, const std::function<void()>& pump);
  // Drops DTR until the clock has advanced by 2 seconds, calling `pump`
  // while it waits, then raises it again if the port is still open. With no
  // port open it only waits.
  void HangUp(const std::function<void()>& pump);

 private:
  bool Configure(Dcb& dcb);
  bool ConfigureAndRaise(Dcb& dcb, bool sendInit, std::string_view modemInit);
  void Fail(std::string_view text);

  MessageSink& messages_;
  std::unique_ptr<ModemLines> lines_;
  int fd_ = -1;
  EventLoop* watchLoop_ = nullptr;
  std::string device_;
  std::string portName_;
};

}  // namespace parlane
