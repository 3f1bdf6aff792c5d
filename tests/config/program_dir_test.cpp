#include "config/program_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/temp_dir.h"

namespace parlane {
namespace {

TEST(ProgramDir, Precedence) {
  struct Case {
    ProgramDirSources s;
    std::optional<std::filesystem::path> dir;
  } cases[] = {
      {{"/opt", "/p", "/x", "/h"}, "/opt"},
      {{std::nullopt, "/p", "/x", "/h"}, "/p"},
      {{"", "", "/x", "/h"}, "/x/parlane"},
      {{std::nullopt, std::nullopt, std::nullopt, "/h"}, "/h/.config/parlane"},
      {{std::nullopt, std::nullopt, "", ""}, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ResolveProgramDir(c.s), c.dir);
}

TEST(ProgramDir, CreatedPrivateOnceAndReportedAsAFirstRun) {
  test::TempDir tmp;
  auto dir = tmp / "a" / "parlane";
  std::error_code ec;
  auto first = PrepareProgramDir(dir, ec);
  ASSERT_TRUE(first) << ec.message();
  EXPECT_TRUE(first->Created);
  struct stat st {};
  ASSERT_EQ(::stat(dir.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  auto second = PrepareProgramDir(dir, ec);
  ASSERT_TRUE(second);
  EXPECT_FALSE(second->Created);

  test::WriteBytes(tmp / "file", {1});
  EXPECT_FALSE(PrepareProgramDir(tmp / "file", ec));
  EXPECT_TRUE(ec);
}

TEST(ProgramDir, HomeOptionIsTakenOutOfTheArguments) {
  std::vector<std::string> args = {"host", "--home", "/cfg", "23"};
  EXPECT_EQ(TakeHomeOption(args), "/cfg");
  EXPECT_EQ(args, (std::vector<std::string>{"host", "23"}));
  args = {"--home=/x", "host"};
  EXPECT_EQ(TakeHomeOption(args), "/x");
  EXPECT_EQ(args, (std::vector<std::string>{"host"}));
  args = {"host", "--home"};
  EXPECT_EQ(TakeHomeOption(args), std::nullopt);
}

TEST(Ports, MapLines) {
  auto m = ParsePortMap(
      "# serial ports\n"
      "COM1=/dev/ttyUSB0\n"
      "  com3 =  /dev/ttyACM0  \r\n"
      "COM5=/dev/nothing\n"
      "COM2=\n"
      "garbage\n"
      "; COM4=/dev/commented\n");
  EXPECT_EQ(m, (PortMap{"/dev/ttyUSB0", "/dev/ttyS1", "/dev/ttyACM0", "/dev/ttyS3"}));
  EXPECT_EQ(ParsePortMap(""), DefaultPortMap());
  test::TempDir tmp;
  EXPECT_EQ(LoadPortMap(tmp / "PORTS.CFG"), DefaultPortMap());
  test::WriteBytes(tmp / "PORTS.CFG", {'C', 'O', 'M', '4', '=', '/', 'd'});
  EXPECT_EQ(LoadPortMap(tmp / "PORTS.CFG")[3], "/d");
}

}  // namespace
}  // namespace parlane
