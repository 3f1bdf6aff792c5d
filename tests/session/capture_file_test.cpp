// A capture file in a directory the user may not write to cannot be opened.
// As root the check runs in a child that has dropped to an unprivileged user.
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "session/capture.h"

namespace parlane {
namespace {

constexpr uid_t kNobody = 65534;

TEST(CaptureFileTest, AReadOnlyDirectoryRefusesTheFile) {
  char tmpl[] = "/tmp/parlane-readonly-XXXXXX";
  const std::filesystem::path dir = mkdtemp(tmpl);
  ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
  const auto file = dir / "capture.txt";
  bool refused = false;
  if (geteuid() != 0) {
    refused = CaptureFile::Open(file, true) == nullptr;
  } else {
    const pid_t child = fork();
    if (child == 0) {
      if (setgroups(0, nullptr) != 0 || setresgid(kNobody, kNobody, kNobody) != 0 ||
          setresuid(kNobody, kNobody, kNobody) != 0) {
        _exit(2);
      }
      _exit(CaptureFile::Open(file, true) == nullptr ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    chmod(dir.c_str(), 0755);
    std::filesystem::remove_all(dir);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 2) {
      GTEST_SKIP() << "cannot drop root privileges to test a read-only directory";
    }
    refused = WEXITSTATUS(status) == 0;
  }
  chmod(dir.c_str(), 0755);
  std::filesystem::remove_all(dir);
  EXPECT_TRUE(refused);
  EXPECT_FALSE(std::filesystem::exists(file));
}

}  // namespace
}  // namespace parlane
