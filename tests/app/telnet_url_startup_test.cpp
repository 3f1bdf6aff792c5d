// parlane telnet://HOST[:PORT]: the link a browser or the desktop passes.
#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>

#include "app/command_line.h"
#include "frame_fixture.h"
#include "loopback_server.h"

namespace parlane::test {
namespace {

const QString kProgram = QStringLiteral(PARLANE_BUILD_DIR "/src/gui/parlane");

TEST(TelnetUrlCommandLine, UrlStandsForHostAndPort) {
  struct Case {
    std::vector<std::string> args;
    std::string host;  // empty: refused
    int port;
    bool usage;  // a refusal shows the usage text too
  };
  const Case cases[] = {
      {{"telnet://bbs.example.org"}, "bbs.example.org", 23, false},
      {{"--home", "/tmp/p", "telnet://[::1]:2323/"}, "::1", 2323, false},
      {{"telnet://h:24", "25"}, "", 0, true},
      {{"telnet://h/menu"}, "", 0, false},
      {{"telnet://h:99999"}, "", 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const CommandLine line = ParseCommandLine(c.args);
    if (c.host.empty()) {
      EXPECT_NE(line.error, "");
      EXPECT_EQ(line.showUsage, c.usage);
      continue;
    }
    ASSERT_TRUE(line.host.has_value()) << line.error;
    EXPECT_EQ(line.host->host, c.host);
    EXPECT_EQ(line.host->port, c.port);
  }
  // A control character in the URL cannot break the complaint's line.
  EXPECT_EQ(ParseCommandLine({"telnet://a\nb"}).error.find('\n'), std::string::npos);
}

class TelnetUrlProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kProgram.toStdString())) {
      GTEST_SKIP() << "the program is not built: " << kProgram.toStdString();
    }
    ASSERT_TRUE(home_.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process_.setProcessEnvironment(env);
  }
  void Run(const QString& url) {
    process_.start(kProgram, {QStringLiteral("--home"), home_.path() + "/p", url});
    ASSERT_TRUE(process_.waitForStarted());
  }

  QTemporaryDir home_;
  QProcess process_;
};

TEST_F(TelnetUrlProgram, BadUrlIsOneLineAndStatusTwo) {
  Run(QStringLiteral("telnet://host/some/path"));
  ASSERT_TRUE(process_.waitForFinished(10000));
  EXPECT_EQ(process_.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(process_.exitCode(), 2);
  const QString err = QString::fromUtf8(process_.readAllStandardError());
  EXPECT_TRUE(err.startsWith("parlane: invalid URL telnet://host/some/path")) << err.toStdString();
  EXPECT_EQ(err.count('\n'), 1) << err.toStdString();
}

TEST_F(TelnetUrlProgram, UrlSessionEndsTheProgramWhenTheHostCloses) {
  LoopbackServer server;
  Run(QStringLiteral("telnet://127.0.0.1:%1/").arg(server.Port()));
  ASSERT_TRUE(RunUntil(
      [&] {
        server.Poll();
        return server.HasClient();
      },
      15000))
      << process_.readAllStandardError().toStdString();
  server.CloseClient();
  ASSERT_TRUE(process_.waitForFinished(15000));
  EXPECT_EQ(process_.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(process_.exitCode(), 0) << process_.readAllStandardError().toStdString();
  // It ran as a program of its own, with its own settings written at exit.
  EXPECT_TRUE(std::filesystem::exists(home_.path().toStdString() + "/p/MAIN.CFG"));
}

}  // namespace
}  // namespace parlane::test
