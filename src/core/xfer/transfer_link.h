// The timed link operations that the transfer protocols run on. A protocol is
// written blocking-style against this interface; every wait inside an
// implementation polls its descriptor in short slices and calls the pump
// between slices so that the program's window stays alive.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <span>

namespace parlane {

class TransferLink {
 public:
  virtual ~TransferLink() = default;

  // The ten operations, in this order. Time limits are whole seconds of the
  // system clock.
  // The next byte (0 to 255), or -1 when none arrives in time or the read fails.
  virtual int ReadByte(int seconds) = 0;
  // Stores one byte at `place`: 0 when a byte arrived in time, -1 otherwise.
  virtual int ReadAnyByte(uint8_t* place, int seconds) = 0;
  // Number of bytes waiting in the input queue.
  virtual int InputCount() = 0;
  // 1 as soon as input is waiting, 0 when the time runs out.
  virtual int WaitForInput(int seconds) = 0;
  // 0 when every byte was written, -1 when the time ran out first.
  virtual int WriteBlock(const uint8_t* bytes, size_t count, int seconds) = 0;
  // 0 when the byte was written, -1 when the time ran out first.
  virtual int WriteByte(uint8_t byte, int seconds) = 0;
  // Number of bytes waiting in the output queue.
  virtual int OutputCount() = 0;
  // Sends a break of `seconds` (Telnet only waits); 0.
  virtual int SendBreak(int seconds) = 0;
  // Drop what waits in the input queue; 0, or -1 if the purge fails.
  virtual int PurgeInput() = 0;
  // Drop what waits in the output queue; 0, or -1 if the purge fails.
  virtual int PurgeOutput() = 0;

  // Writes out whatever the link still gathers (links that gather single
  // bytes or small blocks); 0, or -1 if it could not be sent in time.
  virtual int Flush() { return 0; }

  // Input that has already arrived and can be taken without waiting, for
  // links that keep it in a buffer of plain data bytes (no framing left to
  // undo); Consume() takes the first `count` of them. Links without such a
  // buffer keep the defaults, and the protocols read byte by byte.
  virtual std::span<const uint8_t> Buffered() const { return {}; }
  virtual void Consume(size_t count) { (void)count; }

  // True once the input has ended for good (the peer closed the connection
  // or the line hung up): no later read can bring a byte.
  virtual bool InputEnded() const { return false; }

  // The cancel check: true once the user has asked to cancel the transfer.
  // Links consult it in every wait, their destructor's final flush included,
  // so what it refers to must outlive the link.
  bool CancelRequested() const { return cancelCheck_ ? cancelCheck_() : false; }
  void SetCancelCheck(std::function<bool()> check) { cancelCheck_ = std::move(check); }
  // Whether the link's own waits end at once when the user has cancelled
  // (on by default). The drain after a cancelled receive turns it off, as it
  // reads on until the sender has been quiet for a while.
  void SetWaitsEndOnCancel(bool on) { waitsEndOnCancel_ = on; }
  bool WaitCancelled() const { return waitsEndOnCancel_ && CancelRequested(); }

  // The display hook: called between the slices of every wait (the GUI
  // processes its pending events there). Implementations call Pump(), which
  // rate-limits the hook so that bytes already buffered cost no event
  // processing per byte.
  void SetPump(std::function<void()> pump) { pump_ = std::move(pump); }
  void Pump(bool force = false) {
    if (!pump_) return;
    const auto now = std::chrono::steady_clock::now();
    if (force || now - lastPump_ >= kPumpInterval) {
      lastPump_ = now;
      pump_();
    }
  }

  // Whole seconds of the system clock, the unit of every time limit.
  static long long ClockSeconds() { return static_cast<long long>(std::time(nullptr)); }

  // How often the pump runs at most while bytes keep flowing.
  static constexpr std::chrono::milliseconds kPumpInterval{20};
  // How long one slice of a wait polls its descriptor before pumping again.
  static constexpr int kWaitSliceMs = 20;

 private:
  std::function<bool()> cancelCheck_;
  bool waitsEndOnCancel_ = true;
  std::function<void()> pump_;
  std::chrono::steady_clock::time_point lastPump_{};
};

}  // namespace parlane
