// INITWIND.CFG: the main window's placement and whether session windows open
// maximized. Twelve bytes, six little-endian signed 16-bit values.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

namespace parlane {

struct RecordField;

inline constexpr std::string_view kPlacementFile = "INITWIND.CFG";

struct WindowPlacementRecord {
  static constexpr size_t kSize = 12;

  int16_t X = 0;                  // 0: main window left, pixels
  int16_t Y = 0;                  // 2: top
  int16_t Width = 0;              // 4
  int16_t Height = 0;             // 6
  int16_t FrameMaximized = 0;     // 8: main window was maximized at the last close
  int16_t SessionsMaximized = 0;  // 10: new session windows open maximized

  // The record's fields, for its codec and its JSON form.
  static const RecordField& Layout();
  static WindowPlacementRecord Decode(std::span<const uint8_t> b);  // short spans: zero-padded
  void Encode(std::span<uint8_t> b) const;
  bool operator==(const WindowPlacementRecord&) const = default;
};

// Reads the record. Empty when the file is missing, unreadable or shorter
// than 12 bytes: the platform's default placement then applies (a short
// file would otherwise give a window of no size).
std::optional<WindowPlacementRecord> LoadPlacement(const std::filesystem::path& file);

// Writes exactly 12 bytes; false when it could not (ignored at shut-down).
bool SavePlacement(const std::filesystem::path& file, const WindowPlacementRecord& rec);

}  // namespace parlane
