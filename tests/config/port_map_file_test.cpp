// Writing PORTS.CFG keeps the rest of the file and reads back as written.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "config/port_map_file.h"
#include "config/program_dir.h"
#include "support/temp_dir.h"

namespace parlane {
namespace {

TEST(SetPortMappingTest, RewritesOnlyThePortsLine) {
  struct Case {
    const char* name;
    const char* before;
    uint32_t port;
    const char* device;
    const char* after;
  };
  const Case cases[] = {
      {"empty file", "", 0, "/dev/ttyUSB0", "COM1=/dev/ttyUSB0\n"},
      {"replaced in place", "# modems\ncom2 = /dev/ttyS1\nCOM3=/dev/ttyS2\n", 1, "/dev/ttyACM0",
       "# modems\nCOM2=/dev/ttyACM0\nCOM3=/dev/ttyS2\n"},
      {"later duplicates dropped", "COM1=/dev/a\n;x\nCOM1=/dev/b\n", 0, "/dev/c",
       "COM1=/dev/c\n;x\n"},
      {"nonsense kept", "garbage\nCOM9=/dev/x\nCOM4=\n", 3, "/dev/ttyS9",
       "garbage\nCOM9=/dev/x\nCOM4=\nCOM4=/dev/ttyS9\n"},
      {"no final newline", "COM2=/dev/x", 0, "/dev/y", "COM2=/dev/x\nCOM1=/dev/y\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string out = SetPortMapping(c.before, c.port, c.device);
    EXPECT_EQ(out, c.after);
    EXPECT_EQ(ParsePortMap(out)[c.port], c.device);
  }
}

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
