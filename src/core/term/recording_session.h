// A SessionHooks that records every side effect: for tests, parlane-render's
// json and bug reports. Attached printing ends on ESC [ 4 i or CSI 4 i, as
// the printer's filter does; the bytes of that end sequence are recorded too.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "term/session_hooks.h"

namespace parlane {

class Interpreter;

struct RecordedSend {
  bool raw = false;
  std::vector<uint8_t> bytes;
  bool operator==(const RecordedSend&) const = default;
};

class RecordingSession : public SessionHooks {
 public:
  // With local echo on, SendData passes the bytes to the interpreter given
  // here (as the session windows do).
  void SetEcho(Interpreter* interpreter) { echo_ = interpreter; }

  void SendData(std::span<const uint8_t> bytes) override;
  void SendRaw(std::span<const uint8_t> bytes) override;
  void Bell() override { ++bells; }
  void RequestDownload() override { ++downloadRequests; }
  void StartAttachedPrinting() override { ++printJobs; }
  bool PrintByte(uint8_t byte) override;
  void CaptureWrite(std::span<const uint8_t> bytes) override {
    capture.insert(capture.end(), bytes.begin(), bytes.end());
  }

  // All sends joined (raw or not).
  std::vector<uint8_t> AllSent() const;

  std::vector<RecordedSend> sent;
  int bells = 0;
  int downloadRequests = 0;
  int printJobs = 0;
  std::vector<uint8_t> printed;
  std::vector<uint8_t> capture;

 private:
  Interpreter* echo_ = nullptr;
  int printState_ = 0;  // 0 normal, 1 after ESC, 2 after ESC [ or CSI, 3 after "4"
};

}  // namespace parlane
