// Why a serial device would not open, and which devices are present.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "link/serial_diagnosis.h"
#include "link/serial_test_support.h"
#include "support/temp_dir.h"

extern char** environ;

namespace parlane {
namespace {

TEST(SerialDiagnosisTest, ExplainsTheCommonFailures) {
  test::TempDir dir;
  std::ofstream(dir / "plain") << "not a device";
  std::filesystem::create_directory(dir / "sub");
  test::Pty pty;
  ASSERT_TRUE(pty.Ok());
  struct Case {
    std::string device;
    const char* expected;  // a piece of the explanation; "" for none
  };
  const Case cases[] = {
      {"", "No device is set"},
      {(dir / "ttyUSB7").string(), "The adapter may be unplugged"},
      {(dir / "plain").string(), "is not a serial device (it is not a terminal)"},
      {(dir / "sub").string(), "is a directory"},
      {pty.Device(), ""},  // opens fine now: nothing to say
  };
  for (const Case& c : cases) {
    const std::string text = ExplainSerialOpenFailure(c.device);
    if (*c.expected == '\0') {
      EXPECT_EQ(text, "") << c.device;
    } else {
      EXPECT_NE(text.find(c.expected), std::string::npos) << c.device << ": " << text;
    }
  }
}

// Another program holding the device with a lock is named, through /proc.
TEST(SerialDiagnosisTest, NamesTheProgramHoldingTheDevice) {
  test::Pty pty;
  ASSERT_TRUE(pty.Ok());
  if (access("/usr/bin/flock", X_OK) != 0) GTEST_SKIP() << "flock(1) is not installed";
  pid_t pid = 0;
  const char* argv[] = {"flock", "--nonblock", "--no-fork", pty.Device().c_str(),
                        "sleep", "30",         nullptr};
  ASSERT_EQ(
      posix_spawn(&pid, "/usr/bin/flock", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
  std::string text;
  for (int i = 0; i < 100 && text.find("in use by") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    text = ExplainSerialOpenFailure(pty.Device());
  }
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  EXPECT_NE(text.find("in use by \"sleep\""), std::string::npos) << text;
}

TEST(SerialDiagnosisTest, LockFileNamesALiveOwnerOnly) {
  test::TempDir dir;
  test::Pty pty;
  ASSERT_TRUE(pty.Ok());
  const std::string base = std::filesystem::path(pty.Device()).filename().string();
  SerialSystemPaths paths;
  paths.lockDirs = {dir.path()};
  std::ofstream(dir / ("LCK.." + base)) << "      " << getppid() << "\n";
  EXPECT_EQ(FindDeviceHolder(pty.Device(), paths).pid, getppid());
  std::ofstream(dir / ("LCK.." + base), std::ios::trunc) << "999999999\n";  // a stale lock
  EXPECT_EQ(FindDeviceHolder(pty.Device(), paths).pid, 0);
}

TEST(SerialDiagnosisTest, ListsSerialDevicesInNaturalOrder) {
  test::TempDir dir;
  for (const char* name : {"ttyS10", "ttyS2", "ttyUSB0", "ttyACM1", "tty1", "ttySX", "null"}) {
    std::ofstream(dir / name) << "";
  }
  std::filesystem::create_directories(dir / "serial" / "by-id");
  std::ofstream(dir / "serial" / "by-id" / "usb-FTDI_1") << "";
  const auto d = dir.path().string();
  EXPECT_EQ(ListSerialDevices(dir.path()),
            (std::vector<std::string>{d + "/ttyS2", d + "/ttyS10", d + "/ttyUSB0", d + "/ttyACM1",
                                      d + "/serial/by-id/usb-FTDI_1"}));
}

}  // namespace
}  // namespace parlane
