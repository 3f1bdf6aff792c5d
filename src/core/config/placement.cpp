#include "config/placement.h"

#include <algorithm>
#include <array>

#include "config/binary_file.h"
#include "config/record_layout.h"

namespace parlane {

const RecordField& WindowPlacementRecord::Layout() {
  using namespace layout;
  using P = WindowPlacementRecord;
  static const RecordField layout =
      Group("", 0, kSize,
            {Int("X", 0, &P::X), Int("Y", 2, &P::Y), Int("Width", 4, &P::Width),
             Int("Height", 6, &P::Height), Flag(Int("FrameMaximized", 8, &P::FrameMaximized)),
             Flag(Int("SessionsMaximized", 10, &P::SessionsMaximized))});
  return layout;
}

WindowPlacementRecord WindowPlacementRecord::Decode(std::span<const uint8_t> in) {
  std::array<uint8_t, kSize> b{};  // a shorter span reads as zero-padded
  std::copy_n(in.begin(), std::min(in.size(), kSize), b.begin());
  WindowPlacementRecord r;
  DecodeFields(Layout(), b, &r);
  return r;
}

void WindowPlacementRecord::Encode(std::span<uint8_t> b) const { EncodeFields(Layout(), this, b); }

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
