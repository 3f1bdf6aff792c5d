// Scripts in a session: a login against inetutils telnetd with a login
// program that asks for a name and a password (the password prompt split
// across blocks), and bad script files. Stop in the middle: the GUI's
// ScriptMenuTest; requests a host-mode window refuses: HostModeTest.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "keys/keymap.h"
#include "link/link_test_support.h"
#include "link/poll_event_loop.h"
#include "session/session.h"
#include "session/session_fakes.h"

namespace parlane {
namespace {

using namespace std::chrono_literals;

using test::ScreenText;

class ScriptSessionTest : public ::testing::Test {
 protected:
  void Make() {
    SessionSetup setup;
    setup.telnet = true;
    session = std::make_unique<Session>(setup, keys, painter, view);
    auto fake = std::make_unique<test::RecordingLink>();
    link = fake.get();
    session->AttachLink(std::move(fake));
  }
  void Receive(std::string_view s) { test::Receive(*session, s); }
  std::filesystem::path Write(const std::string& name, const std::string& text) {
    const auto file = dir / name;
    std::ofstream(file, std::ios::binary) << text;
    return file;
  }
  void SetUp() override {
    char tmpl[] = "/tmp/parlane-scripts-XXXXXX";
    dir = mkdtemp(tmpl);
  }
  void TearDown() override {
    session.reset();
    std::filesystem::remove_all(dir);
  }

  KeyTable keys = DefaultKeyTable();
  NullPainter painter;
  test::RecordingView view;
  PollEventLoop loop;  // outlives the session's link
  std::unique_ptr<Session> session;
  test::RecordingLink* link = nullptr;
  std::filesystem::path dir;
};

TEST_F(ScriptSessionTest, BadScriptFilesNeverHangOrCrash) {
  std::string binary(1 << 20, '\0');
  std::mt19937 random(7);
  for (char& c : binary) c = static_cast<char>(random());
  // 100 MB without a line end, then one good line.
  std::string huge(100u << 20, 'A');
  huge += "\nSEND ok^M\n";
  struct Case {
    const char* name;
    std::string text;
    ScriptStatus status;
    std::string sent;
  };
  const Case cases[] = {
      {"binary.csc", binary, ScriptStatus::Ended, ""},
      {"huge.csc", std::move(huge), ScriptStatus::Ended, "ok\r"},
      {"no-line-end.csc", "SEND hello^M", ScriptStatus::Ended, "hello\r"},
      {"crlf.csc", "SEND a^M\r\nWAIT x\r\n", ScriptStatus::Waiting, "a\r"},
      {"empty.csc", "", ScriptStatus::Ended, ""},
  };
  for (const Case& c : cases) {
    Make();
    link->data.clear();
    const auto file = Write(c.name, c.text);
    const ScriptStatus status = session->RunScript(file.string());
    // A binary file may hold stray SEND or WAIT lines: only the outcome matters.
    if (std::string(c.name) != "binary.csc") {
      EXPECT_EQ(status, c.status) << c.name;
      EXPECT_EQ(link->data, c.sent) << c.name;
    }
    Receive("x");
    std::filesystem::remove(file);
  }
  EXPECT_EQ(session->RunScript((dir / "missing.csc").string()), ScriptStatus::OpenFailed);
  EXPECT_EQ(session->RunScript(dir.string()), ScriptStatus::OpenFailed);
}

TEST_F(ScriptSessionTest, AScriptDeletedWhileItRunsRunsToItsEnd) {
  Make();
  const auto file = Write("gone.csc", "WAIT one\nSEND 1\nWAIT two\nSEND 2\n");
  ASSERT_EQ(session->RunScript(file.string()), ScriptStatus::Waiting);
  std::filesystem::remove(file);
  Receive("one two");
  EXPECT_EQ(link->data, "12");
  EXPECT_FALSE(session->ScriptIsRunning());
  EXPECT_EQ(view.title, "host");
}

// socat on a free loopback port running telnetd with a login program that
// asks for a name and a password, then starts a shell.
class TelnetdLogin {
 public:
  explicit TelnetdLogin(const std::filesystem::path& dir) {
    const std::string login = (dir / "login.sh").string();
    std::ofstream(login) << "#!/bin/sh\n"
                            "printf 'User name: '\n"
                            "read user\n"
                            "printf 'Pass'; sleep 0.3; printf 'word: '\n"
                            "stty -echo; read pass; stty echo; echo\n"
                            "if [ \"$user\" = guest ] && [ \"$pass\" = secret ]; then\n"
                            "  echo \"Welcome, $user\"\n"
                            "  PS1='parlane$ ' exec /bin/sh -i\n"
                            "fi\n"
                            "echo 'Login incorrect'\n";
    chmod(login.c_str(), 0700);
    port_ = test::UnusedPort();
    const std::string listen = "TCP-LISTEN:" + std::to_string(port_) + ",bind=127.0.0.1,reuseaddr";
    const std::string exec = "EXEC:/usr/sbin/telnetd -h -E " + login + ",nofork";
    pid_ = fork();
    if (pid_ == 0) {
      const int devnull = open("/dev/null", O_RDWR);
      dup2(devnull, 2);
      execl("/usr/bin/socat", "socat", listen.c_str(), exec.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~TelnetdLogin() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  int Port() const { return port_; }
  bool WaitListening() {
    char hexPort[8];
    std::snprintf(hexPort, sizeof hexPort, ":%04X", port_);
    for (int i = 0; i < 100; ++i) {
      std::ifstream tcp("/proc/net/tcp");
      std::string line;
      while (std::getline(tcp, line)) {
        if (line.find(hexPort) != std::string::npos && line.find(" 0A ") != std::string::npos)
          return true;
      }
      usleep(50000);
    }
    return false;
  }

 private:
  int port_ = 0;
  pid_t pid_ = -1;
};

TEST_F(ScriptSessionTest, LogsInToTelnetdAndRunsACommand) {
  if (access("/usr/sbin/telnetd", X_OK) != 0 || access("/usr/bin/socat", X_OK) != 0) {
    GTEST_SKIP() << "inetutils-telnetd and socat are needed";
  }
  TelnetdLogin server(dir);
  ASSERT_TRUE(server.WaitListening());
  SessionSetup setup;
  setup.telnet = true;
  setup.options.Emulation = 1;
  setup.loginScript = Write("login.csc",
                            "// answer the login program\n"
                            "WAIT User name: \n"
                            "SEND guest^M\n"
                            "WAIT Password: \n"
                            "SEND secret^M\n"
                            "WAIT parlane$ \n"
                            "SEND echo scripted-$((6*7))^M\n")
                          .string();
  session = std::make_unique<Session>(setup, keys, painter, view);
  session->AttachTelnet(loop, "127.0.0.1", server.Port(), true);
  session->Start();
  const bool done = loop.RunUntil(
      [&] { return ScreenText(session->Screen()).find("scripted-42") != std::string::npos; },
      20000ms);
  ASSERT_TRUE(done) << ScreenText(session->Screen());
  EXPECT_NE(ScreenText(session->Screen()).find("Welcome, guest"), std::string::npos);
  EXPECT_FALSE(session->ScriptIsRunning());
  EXPECT_EQ(view.title, "host");
}

}  // namespace
}  // namespace parlane
