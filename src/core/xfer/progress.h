// The progress display shared by the protocols: the status line with its
// printf rules, the file shown at the start of each file, and the counters,
// gauge and timing updated as data moves.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "xfer/transfer_display.h"

namespace parlane {

class TransferProgress {
 public:
  // The gauge counts in units of this many bytes (the dialog's own unit).
  static constexpr int64_t kGaugeUnit = 4196;
  // The status line holds 80 bytes with its terminator.
  static constexpr size_t kStatusSize = 80;
  // Elapsed time, throughput and remaining time are refreshed this often.
  static constexpr int64_t kTimingPeriodSeconds = 5;

  explicit TransferProgress(TransferDisplay& display) : display_(display) {}

  TransferDisplay& Display() { return display_; }

  // Formats with the printf rules into the 80-byte status line.
  void ShowStatus(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void SetStatus(std::string_view text);
  const std::string& Status() const { return status_; }

  void ShowField(TransferField field, std::string_view text) { display_.SetField(field, text); }
  void ShowErrorDetection(bool crc32) {
    ShowField(TransferField::ErrorDetection, crc32 ? "CRC-32" : "CRC-16");
  }

  // A new file: directory, name and size (-1 when unknown); resets the
  // counters, the gauge and the clock.
  void ShowFile(std::string_view directory, std::string_view name, int64_t size);
  // Takes the start time unless this file already has one.
  void StartClock();
  bool ClockStarted() const { return startTime_ >= 0; }
  // Packet size field, written only when it changes.
  void ShowPacketSize(int64_t length);
  // Bytes-transferred field and gauge.
  void ShowCount(int64_t count);
  // Elapsed time, throughput and time remaining, at most every 5 seconds.
  void UpdateTiming(int64_t count);
  void ShowErrorCount(int count);
  // The file is complete: no time remains and the gauge is full.
  void FinishFile();

  static int64_t PercentUnits(int64_t size);
  static int GaugeValue(int64_t count, int64_t units);
  static std::string FormatDuration(int64_t seconds);

 private:
  TransferDisplay& display_;
  std::string status_;
  int64_t size_ = -1;
  int64_t units_ = 1;
  int lastGauge_ = -1;
  int64_t lastPacket_ = -1;
  long long startTime_ = -1;
  long long lastTiming_ = -1;
};

}  // namespace parlane
