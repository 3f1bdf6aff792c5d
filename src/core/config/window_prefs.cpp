#include "config/window_prefs.h"

#include <algorithm>
#include <array>
#include <string>

#include "config/binary_file.h"
#include "config/record_layout.h"
#include "util/le.h"

namespace parlane {
namespace {

// Logical-font constants for the default terminal font.
constexpr int32_t kNormalWeight = 400;
constexpr uint8_t kOemCharSet = 255;
constexpr uint8_t kFixedPitchModern = 0x31;  // fixed pitch, modern family
constexpr int kPointsPerInch = 72;
constexpr int kDefaultPoints = 9;
// Font chooser flags: screen and printer fonts, initialise from the logical
// font, fixed pitch only, font must exist.
constexpr uint32_t kTerminalFontChooserFlags = 0x14043;

std::string Format(std::string_view pattern, std::string_view arg) {
  std::string s(pattern);
  auto at = s.find("%s");
  if (at != std::string::npos) s.replace(at, 2, arg);
  return s;
}

}  // namespace

namespace {

// A colour as red, green, blue and the zero byte after them.
RecordField ColorField(std::string name, size_t offset, Rgb WindowPreferences::*color,
                       uint8_t WindowPreferences::*pad) {
  using namespace layout;
  using W = WindowPreferences;
  return Group(std::move(name), offset, 4,
               {Int<W, uint8_t>("Red", 0, [color](W& w) -> uint8_t& { return (w.*color).r; }),
                Int<W, uint8_t>("Green", 1, [color](W& w) -> uint8_t& { return (w.*color).g; }),
                Int<W, uint8_t>("Blue", 2, [color](W& w) -> uint8_t& { return (w.*color).b; }),
                Int("Zero", 3, pad)});
}

}  // namespace

const RecordField& WindowPreferences::Layout() {
  using W = WindowPreferences;
  static const RecordField layout =
      layout::Group("", 0, kSize,
                    {FontChoiceField("Font", 0, layout::Bind(&W::Font)),
                     ColorField("Background", kBackgroundOffset, &W::Background, &W::BackgroundPad),
                     ColorField("Text", kTextOffset, &W::Text, &W::TextPad)});
  return layout;
}

WindowPreferences WindowPreferences::Decode(std::span<const uint8_t> in) {
  std::array<uint8_t, kSize> b{};  // a shorter span reads as zero-padded
  std::copy_n(in.begin(), std::min(in.size(), kSize), b.begin());
  WindowPreferences p;
  DecodeFields(Layout(), b, &p);
  return p;
}

void WindowPreferences::Encode(std::span<uint8_t> b) const { EncodeFields(Layout(), this, b); }

WindowPreferences DefaultWindowPreferences(int dpiY) {
  WindowPreferences p;
  p.Font.Flags = kTerminalFontChooserFlags;
  p.Font.Font.Height = -(kDefaultPoints * dpiY / kPointsPerInch);
  p.Font.Font.Weight = kNormalWeight;
  p.Font.Font.CharSet = kOemCharSet;
  p.Font.Font.PitchAndFamily = kFixedPitchModern;
  p.Font.Font.FaceName = kDefaultTerminalFace;
  p.Font.PointSize = kDefaultPoints * 10;
  return p;
}

WindowPreferences LoadWindowPreferences(const std::filesystem::path& file,
                                        const WindowPreferences& defaults, MessageSink& messages) {
  std::array<uint8_t, WindowPreferences::kSize> b{};
  ReadResult r = ReadPrefix(file, b);
  if (r.status == ReadStatus::Missing) return defaults;
  if (r.status != ReadStatus::Ok || r.count < WindowPreferences::kSize) {
    messages.ShowMessage(Format(kMsgWindowPrefsBad, kWindowPrefsFile), kShellCaption,
                         MessageIcon::Exclamation);
    return defaults;
  }
  return WindowPreferences::Decode(b);
}

bool SaveWindowPreferences(const std::filesystem::path& file, const WindowPreferences& prefs,
                           MessageSink& messages) {
  std::array<uint8_t, WindowPreferences::kSize> b{};
  prefs.Encode(b);
  if (WriteWhole(file, b)) return true;
  messages.ShowMessage(kMsgWindowPrefsSaveFailed, kShellCaption, MessageIcon::Exclamation);
  return false;
}

}  // namespace parlane
