// What a running transfer shows: the fields of the transfer dialog, its gauge
// and its caption. The GUI implements this as the transfer dialog; tests use a
// recording fake; parlane-xfer writes to standard error.
#pragma once

#include <string_view>

namespace parlane {

enum class TransferField {
  Path,
  FileName,
  Size,
  ErrorDetection,
  PacketSize,
  BytesTransferred,
  ErrorCount,
  ElapsedTime,
  TimeRemaining,
  Throughput,
  Status,
};

class TransferDisplay {
 public:
  virtual ~TransferDisplay() = default;
  virtual void SetCaption(std::string_view caption) = 0;
  virtual void SetField(TransferField field, std::string_view text) = 0;
  // Percent completed, 0 to 100.
  virtual void SetGauge(int percent) = 0;
  // The dialog is redrawn at once (after the gauge moved or a file ended).
  virtual void Repaint() {}
};

// A display that shows nothing, for callers that only want the result.
class NullTransferDisplay final : public TransferDisplay {
 public:
  void SetCaption(std::string_view) override {}
  void SetField(TransferField, std::string_view) override {}
  void SetGauge(int) override {}
};

}  // namespace parlane
