// Writing PORTS.CFG keeps the rest of the file and reads back as written.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "config/port_map_file.h"
#include "config/program_dir.h"
#include "support/temp_dir.h"

namespace parlane {
namespace {

struct MappingCase {
  const char* name;
  const char* before;
  uint32_t port;
  const char* device;
  const char* after;
};

class SetPortMappingTest : public ::testing::TestWithParam<MappingCase> {};

TEST_P(SetPortMappingTest, RewritesOnlyThePortsLine) {
  const MappingCase& c = GetParam();
  const std::string out = SetPortMapping(c.before, c.port, c.device);
  EXPECT_EQ(out, c.after);
  EXPECT_EQ(ParsePortMap(out)[c.port], c.device);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetPortMappingTest,
    ::testing::Values(
        MappingCase{"EmptyFile", "", 0, "/dev/ttyUSB0", "COM1=/dev/ttyUSB0\n"},
        MappingCase{"ReplacesInPlace", "# modems\ncom2 = /dev/ttyS1\nCOM3=/dev/ttyS2\n", 1,
                    "/dev/ttyACM0", "# modems\nCOM2=/dev/ttyACM0\nCOM3=/dev/ttyS2\n"},
        MappingCase{"LaterDuplicatesDropped", "COM1=/dev/a\n;x\nCOM1=/dev/b\n", 0, "/dev/c",
                    "COM1=/dev/c\n;x\n"},
        MappingCase{"NonsenseKept", "garbage\nCOM9=/dev/x\nCOM4=\n", 3, "/dev/ttyS9",
                    "garbage\nCOM9=/dev/x\nCOM4=\nCOM4=/dev/ttyS9\n"},
        MappingCase{"NoFinalNewline", "COM2=/dev/x", 0, "/dev/y", "COM2=/dev/x\nCOM1=/dev/y\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SavePortMappingTest, WritesTheFileAndRefusesAnUnwritableDirectory) {
  test::TempDir dir;
  const auto file = dir / "PORTS.CFG";
  ASSERT_TRUE(SavePortMapping(file, 2, "/dev/ttyUSB1"));
  EXPECT_EQ(LoadPortMap(file)[2], "/dev/ttyUSB1");
  EXPECT_FALSE(SavePortMapping(dir / "missing" / "PORTS.CFG", 0, "/dev/x"));
  EXPECT_FALSE(SavePortMapping(file, 4, "/dev/x"));
  EXPECT_EQ(LoadPortMap(file)[2], "/dev/ttyUSB1");
}

}  // namespace
}  // namespace parlane
