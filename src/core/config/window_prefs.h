// WINDPREF.CFG: the terminal font and the two window colours of a session
// window class. 102 bytes: the font chooser's data (94) then background and
// text colour as red-green-blue-zero bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

#include "config/font_record.h"
#include "config/messages.h"
#include "config/value_rules.h"

namespace parlane {

struct RecordField;

inline constexpr std::string_view kWindowPrefsFile = "WINDPREF.CFG";

struct WindowPreferences {
  static constexpr size_t kSize = 102;
  static constexpr size_t kBackgroundOffset = 94;
  static constexpr size_t kTextOffset = 98;

  FontChoice Font;
  Rgb Background{0, 0, 128};
  Rgb Text{255, 255, 255};
  uint8_t BackgroundPad = 0;  // the fourth colour byte, kept as read
  uint8_t TextPad = 0;

  // The record's fields, for its codec and its JSON form.
  static const RecordField& Layout();
  static WindowPreferences Decode(std::span<const uint8_t> b);  // short spans: zero-padded
  void Encode(std::span<uint8_t> b) const;
  bool operator==(const WindowPreferences&) const = default;
};

// The face the terminal font defaults to on this platform.
inline constexpr std::string_view kDefaultTerminalFace = "DejaVu Sans Mono";

// Defaults: white on dark blue, a 9-point fixed-pitch font for a screen of
// `dpiY` vertical pixels per inch.
WindowPreferences DefaultWindowPreferences(int dpiY);

inline constexpr std::string_view kMsgWindowPrefsBad =
    "Error in %s window preferences file\n\tDefaults will be used";
inline constexpr std::string_view kMsgWindowPrefsSaveFailed =
    "Error saving Window Preferences file";

// A missing file gives `defaults` silently; a file from which 102 bytes
// cannot be read gives `defaults` and the error message.
WindowPreferences LoadWindowPreferences(const std::filesystem::path& file,
                                        const WindowPreferences& defaults, MessageSink& messages);

// Writes the 102 bytes, replacing the file; on failure shows the message and
// returns false.
bool SaveWindowPreferences(const std::filesystem::path& file, const WindowPreferences& prefs,
                           MessageSink& messages);

}  // namespace parlane
