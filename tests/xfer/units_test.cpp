// Received names, announcements, the progress arithmetic and the end texts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <optional>

#include "xfer/progress.h"
#include "xfer/received_file.h"
#include "xfer/transfer_run.h"
#include "xfer/zmodem.h"
#include "xfer_support.h"

namespace parlane {
namespace {

using namespace std::string_literals;

TEST(SafeFileName, OnlyThePlainLastComponent) {
  struct Case {
    std::string in;
    std::optional<std::string> out;
  };
  const Case cases[] = {
      {"report.TXT", "report.TXT"},
      {"dir/Sub/a.txt", "a.txt"},
      {"/etc/passwd", "passwd"},
      {"..\\..\\win.ini", "win.ini"},
      {"", std::nullopt},
      {".", std::nullopt},
      {"..", std::nullopt},
      {"a/..", std::nullopt},
      {"dir/", std::nullopt},
      {std::string(127, 'x'), std::string(127, 'x')},
      {std::string(128, 'x'), std::nullopt},
      {"..hidden", "..hidden"},
  };
  for (const Case& c : cases) EXPECT_EQ(SafeFileName(c.in), c.out) << c.in;
}

TEST(Announcement, NameAndSize) {
  struct Case {
    std::string info;
    std::string name;
    int64_t size;
  };
  const Case cases[] = {
      {"a.txt\0001234 0 0 0 0 0"s, "a.txt", 1234},
      {"a.txt\0"s, "a.txt", -1},
      {"no-terminator", "no-terminator", -1},
      {"x\000  42"s, "x", 42},
      {"x\000abc"s, "x", -1},
      {"x\0005000000000"s, "x", 5000000000},
      {"x\00099999999999999999999999"s, "x", int64_t{1} << 52},
  };
  for (const Case& c : cases) {
    const auto a =
        ParseAnnouncement({reinterpret_cast<const uint8_t*>(c.info.data()), c.info.size()});
    EXPECT_EQ(a.name, c.name);
    EXPECT_EQ(a.size, c.size) << c.info;
  }
}

// Sizes and counts beyond 2 GiB; an unknown or empty size never divides by
// zero or overflows the gauge.
TEST(Progress, GaugeSizesAndStatusLine) {
  EXPECT_EQ(TransferProgress::PercentUnits(-1), 1);
  EXPECT_EQ(TransferProgress::PercentUnits(0), 1);
  const int64_t big = int64_t{5} << 30;
  const int64_t units = TransferProgress::PercentUnits(big);
  // Whole units only: the last part shows when the file ends (FinishFile).
  EXPECT_EQ(TransferProgress::GaugeValue(big, units), 99);
  EXPECT_EQ(TransferProgress::GaugeValue(big / 2, units), 49);
  EXPECT_EQ(TransferProgress::GaugeValue(big, 1), 100);
  EXPECT_EQ(TransferProgress::FormatDuration(3725), "01:02:05");
  EXPECT_EQ(TransferProgress::FormatDuration(-5), "00:00:00");

  test::RecordingDisplay d;
  TransferProgress p(d);
  p.ShowFile("/in/", "Name.Bin", int64_t{3} << 31);
  EXPECT_EQ(d.Field(TransferField::Size), "6442450944");
  EXPECT_EQ(d.Field(TransferField::PacketSize), "-");
  EXPECT_EQ(d.Field(TransferField::BytesTransferred), "0");
  p.ShowStatus("%s", std::string(200, 'x').c_str());
  EXPECT_EQ(p.Status().size(), 79u);
  p.ShowCount(int64_t{3} << 30);
  EXPECT_EQ(d.gauges.back(), 49);
  p.FinishFile();
  EXPECT_EQ(d.Field(TransferField::TimeRemaining), "00:00:00");
  EXPECT_EQ(d.gauges.back(), 100);
}

TEST(EndTexts, CancelledPrefixKeepsSixtyTwoCharacters) {
  EXPECT_EQ(CancelledStatus("Too many errors"), "CANCELLED - Too many errors");
  const std::string s = CancelledStatus(std::string(79, 'y'));
  EXPECT_EQ(s.size(), 12u + 62u);
}

// Zmodem positions are 32 bits: a file of 4 GiB is refused, not sent wrong.
TEST(LargeFiles, ZmodemRefusesFourGigabytes) {
  test::TempDir dir;
  const std::string path = dir / "huge.img";
  const int fd = open(path.c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, int64_t{1} << 32), 0);  // sparse
  close(fd);
  auto pair = test::MakeLinkPair(1);
  test::RecordingDisplay d;
  Zmodem z(*pair.a, d, {});
  const TransferResult r = RunTransfer(z, TransferDirection::Send, {path});
  EXPECT_EQ(r.outcome, TransferOutcome::Failed);
  EXPECT_EQ(r.status, "CANCELLED - Too large for Zmodem (4 GiB or more): huge.img");
}

TEST(ReceivedFile, ResumeReplaceAndNoLinks) {
  test::TempDir dir;
  test::WriteFile(dir / "short", std::vector<uint8_t>(10000, 1));
  test::WriteFile(dir / "long", std::vector<uint8_t>(10000, 1));
  auto resumed = OpenReceivedFile(dir / "short", OpenMode::MayResume, 20000);
  ASSERT_TRUE(resumed.file);
  EXPECT_EQ(resumed.resumeOffset, 10000 - 4096);
  auto replaced = OpenReceivedFile(dir / "long", OpenMode::MayResume, 5000);
  ASSERT_TRUE(replaced.file);
  EXPECT_EQ(replaced.resumeOffset, 0);
  replaced.file.reset();
  EXPECT_TRUE(test::ReadFile(dir / "long").empty());
  auto unknown = OpenReceivedFile(dir / "short", OpenMode::MayResume, -1);
  EXPECT_EQ(unknown.resumeOffset, 0);
  ASSERT_EQ(symlink("/tmp/parlane-never", (dir / "ln").c_str()), 0);
  EXPECT_FALSE(OpenReceivedFile(dir / "ln", OpenMode::Replace, 5).file);
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  EXPECT_FALSE(OpenReceivedFile(dir / "fifo", OpenMode::Replace, 5).file);
}

}  // namespace
}  // namespace parlane
