#include "config/placement.h"

#include <algorithm>
#include <array>

#include "config/binary_file.h"
#include "util/le.h"

namespace parlane {
namespace {
int16_t I16(std::span<const uint8_t> b, size_t off) { return static_cast<int16_t>(le::u16(b, off)); }
void PutI16(std::span<uint8_t> b, size_t off, int16_t v) { le::put16(b, off, static_cast<uint16_t>(v)); }
}  // namespace

WindowPlacementRecord WindowPlacementRecord::Decode(std::span<const uint8_t> in) {
  std::array<uint8_t, kSize> b{};  // a shorter span reads as zero-padded
  std::copy_n(in.begin(), std::min(in.size(), kSize), b.begin());
  WindowPlacementRecord r;
  r.X = I16(b, 0);
  r.Y = I16(b, 2);
  r.Width = I16(b, 4);
  r.Height = I16(b, 6);
  r.FrameMaximized = I16(b, 8);
  r.SessionsMaximized = I16(b, 10);
  return r;
}

void WindowPlacementRecord::Encode(std::span<uint8_t> b) const {
  PutI16(b, 0, X);
  PutI16(b, 2, Y);
  PutI16(b, 4, Width);
  PutI16(b, 6, Height);
  PutI16(b, 8, FrameMaximized);
  PutI16(b, 10, SessionsMaximized);
}

std::optional<WindowPlacementRecord> LoadPlacement(const std::filesystem::path& file) {
  std::array<uint8_t, WindowPlacementRecord::kSize> b{};
  ReadResult r = ReadPrefix(file, b);
  if (r.status != ReadStatus::Ok || r.count < WindowPlacementRecord::kSize) return std::nullopt;
  return WindowPlacementRecord::Decode(b);
}

bool SavePlacement(const std::filesystem::path& file, const WindowPlacementRecord& rec) {
  std::array<uint8_t, WindowPlacementRecord::kSize> b{};
  rec.Encode(b);
  return WriteWhole(file, b);
}

}  // namespace parlane
