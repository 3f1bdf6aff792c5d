#include <gtest/gtest.h>

#include "config/placement.h"
#include "config/window_prefs.h"
#include "support/temp_dir.h"

namespace parlane {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

TEST(Placement, SignedFieldsInOrder) {
  WindowPlacementRecord r{-8, 20, 1024, 700, 1, 0};
  std::array<uint8_t, 12> b{};
  r.Encode(b);
  EXPECT_EQ(b, (std::array<uint8_t, 12>{0xF8, 0xFF, 20, 0, 0, 4, 0xBC, 2, 1, 0, 0, 0}));
  EXPECT_EQ(WindowPlacementRecord::Decode(b), r);
}

TEST(Placement, MissingShortAndSavedFiles) {
  TempDir dir;
  auto file = dir / "INITWIND.CFG";
  EXPECT_FALSE(LoadPlacement(file).has_value());

  WriteBytes(file, {100, 0, 50, 0, 0, 0, 0, 0, 0, 0, 0});  // 11 bytes: no size at all
  EXPECT_FALSE(LoadPlacement(file).has_value());
  std::filesystem::create_directory(dir / "dir");
  EXPECT_FALSE(LoadPlacement(dir / "dir").has_value());

  WriteBytes(file, std::vector<uint8_t>(40, 1));
  ASSERT_TRUE(SavePlacement(file, {1, 2, 3, 4, 1, 1}));
  EXPECT_EQ(ReadBytes(file).size(), 12u);
  EXPECT_EQ(LoadPlacement(file), (WindowPlacementRecord{1, 2, 3, 4, 1, 1}));
}

TEST(WindowPrefs, LayoutAndColourByteOrder) {
  WindowPreferences p = DefaultWindowPreferences(96);
  p.Background = {1, 2, 3};
  p.Text = {200, 201, 202};
  std::array<uint8_t, 102> b{};
  p.Encode(b);
  EXPECT_EQ(b[94], 1);
  EXPECT_EQ(b[95], 2);
  EXPECT_EQ(b[96], 3);
  EXPECT_EQ(b[97], 0);
  EXPECT_EQ(b[98], 200);
  EXPECT_EQ(b[100], 202);
  EXPECT_EQ(le::str(b, 12 + 28, 32), kDefaultTerminalFace);
  EXPECT_EQ(WindowPreferences::Decode(b), p);
}

// White on dark blue, and the damaged file's message: the GUI's
// SessionWindowTest.DamagedPreferencesFileGivesTheMessageAndDefaults.
TEST(WindowPrefs, DefaultsAreNinePoint) {
  EXPECT_EQ(DefaultWindowPreferences(96).Font.Font.Height, -12);
  EXPECT_EQ(DefaultWindowPreferences(120).Font.Font.Height, -15);
}

TEST(WindowPrefs, LoadMissingShortAndWhole) {
  TempDir dir;
  auto file = dir / "WINDPREF.CFG";
  const auto defaults = DefaultWindowPreferences(96);
  RecordingMessageSink messages;
  EXPECT_EQ(LoadWindowPreferences(file, defaults, messages), defaults);
  EXPECT_TRUE(messages.entries.empty());

  WriteBytes(file, std::vector<uint8_t>(50, 7));
  EXPECT_EQ(LoadWindowPreferences(file, defaults, messages), defaults);
  EXPECT_EQ(messages.entries.size(), 1u);

  auto changed = defaults;
  changed.Background = {0, 128, 128};
  ASSERT_TRUE(SaveWindowPreferences(file, changed, messages));
  EXPECT_EQ(ReadBytes(file).size(), 102u);
  EXPECT_EQ(LoadWindowPreferences(file, defaults, messages), changed);
  EXPECT_EQ(messages.entries.size(), 1u);

  EXPECT_FALSE(SaveWindowPreferences(dir / "none" / "WINDPREF.CFG", changed, messages));
  ASSERT_EQ(messages.entries.size(), 2u);
  EXPECT_EQ(messages.entries[1].text, "Error saving Window Preferences file");
}

}  // namespace
}  // namespace parlane
