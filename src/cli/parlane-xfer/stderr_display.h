// The transfer display of parlane-xfer: status texts as lines on standard
// error, a progress line a few times a second, and a closing summary.
#pragma once

#include <chrono>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <string>

#include "xfer/transfer_display.h"

namespace parlane {

class StderrDisplay final : public TransferDisplay {
 public:
  // Progress lines are written at most this often.
  static constexpr std::chrono::milliseconds kProgressInterval{250};

  StderrDisplay(std::FILE* out, bool quiet);

  void SetCaption(std::string_view caption) override;
  void SetField(TransferField field, std::string_view text) override;
  void SetGauge(int percent) override { percent_ = percent; }

  // The last line: files, bytes, time, rate and the final status.
  void Summary(bool success, const std::string& status);

 private:
  void Progress(bool force);
  void EndProgressLine();

  std::FILE* out_;
  bool quiet_;
  bool tty_;
  bool progressShown_ = false;
  std::string name_;
  std::string lastStatus_;
  int64_t count_ = 0;
  int64_t fileBase_ = 0;  // bytes of the files before the current one
  int files_ = 0;
  int percent_ = 0;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastProgress_{};
};

}  // namespace parlane
