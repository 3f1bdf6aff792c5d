#include "xfer/progress.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "xfer/transfer_link.h"

namespace parlane {

void TransferProgress::ShowStatus(const char* format, ...) {
  char line[kStatusSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  SetStatus(line);
}

void TransferProgress::SetStatus(std::string_view text) {
  status_.assign(text.substr(0, kStatusSize - 1));
  display_.SetField(TransferField::Status, status_);
}

void TransferProgress::ShowFile(std::string_view directory, std::string_view name, int64_t size) {
  display_.SetField(TransferField::Path, directory);
  display_.SetField(TransferField::FileName, name);
  display_.SetField(TransferField::Size, std::to_string(size));
  display_.SetField(TransferField::PacketSize, "-");
  display_.SetField(TransferField::BytesTransferred, "0");
  display_.SetField(TransferField::ErrorCount, "0");
  display_.SetField(TransferField::ElapsedTime, "-");
  display_.SetField(TransferField::TimeRemaining, "-");
  display_.SetField(TransferField::Throughput, "-");
  display_.SetGauge(0);
  size_ = size;
  units_ = PercentUnits(size);
  lastGauge_ = 0;
  lastPacket_ = -1;
  startTime_ = -1;
  lastTiming_ = -1;
}

void TransferProgress::StartClock() {
  if (startTime_ >= 0) return;
  startTime_ = TransferLink::ClockSeconds();
  lastTiming_ = startTime_;
}

void TransferProgress::ShowPacketSize(int64_t length) {
  if (length == lastPacket_) return;
  lastPacket_ = length;
  display_.SetField(TransferField::PacketSize, std::to_string(length));
}

void TransferProgress::ShowCount(int64_t count) {
  display_.SetField(TransferField::BytesTransferred, std::to_string(count));
  const int gauge = GaugeValue(count, units_);
  if (gauge != lastGauge_) {
    lastGauge_ = gauge;
    display_.SetGauge(gauge);
    display_.Repaint();
  }
}

void TransferProgress::UpdateTiming(int64_t count) {
  if (startTime_ < 0) StartClock();
  const long long now = TransferLink::ClockSeconds();
  if (now - lastTiming_ < kTimingPeriodSeconds) return;
  lastTiming_ = now;
  const int64_t elapsed = now - startTime_;
  display_.SetField(TransferField::ElapsedTime, FormatDuration(elapsed));
  const int64_t rate = elapsed > 0 ? count / elapsed : 0;
  display_.SetField(TransferField::Throughput, std::to_string(rate));
  if (rate != 0) {
    // An unknown size (-1) or a file that grew leaves nothing to wait for.
    const int64_t remaining = std::max<int64_t>(0, (size_ - count) / rate);
    display_.SetField(TransferField::TimeRemaining, FormatDuration(remaining));
  }
}

void TransferProgress::ShowErrorCount(int count) {
  display_.SetField(TransferField::ErrorCount, std::to_string(count));
}

void TransferProgress::FinishFile() {
  display_.SetField(TransferField::TimeRemaining, "00:00:00");
  lastGauge_ = 100;
  display_.SetGauge(100);
  display_.Repaint();
}

int64_t TransferProgress::PercentUnits(int64_t size) {
  if (size <= 0) return 1;
  return size / kGaugeUnit + (size % kGaugeUnit != 0 ? 1 : 0);
}

int TransferProgress::GaugeValue(int64_t count, int64_t units) {
  const int64_t value = (count / kGaugeUnit * 100) / std::max<int64_t>(units, 1);
  return static_cast<int>(std::clamp<int64_t>(value, 0, 100));
}

std::string TransferProgress::FormatDuration(int64_t seconds) {
  if (seconds < 0) seconds = 0;
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  return text;
}

}  // namespace parlane
