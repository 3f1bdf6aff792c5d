// The platform layer: file filters, the command line, the event loop that
// the links run on.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QFontInfo>
#include <QTimer>
#include <QTest>
#include <thread>

#include "app/command_line.h"
#include "frame_fixture.h"
#include "platform/platform.h"
#include "platform/qt_event_loop.h"
#include "platform/qt_platform.h"

namespace parlane::test {
namespace {

TEST(QtFilters, PipeFiltersBecomeQtFilters) {
  EXPECT_EQ(QtFilters(QStringLiteral("All files (*.*)|*.*|")), QStringList{"All files (*)"});
  EXPECT_EQ(QtFilters(QStringLiteral("Script files (*.csc)|*.csc|All files (*.*)|*.*|")),
            (QStringList{"Script files (*.csc)", "All files (*)"}));
  EXPECT_EQ(QtFilters(QStringLiteral("Text (*.txt;*.cap)|*.txt;*.cap|")),
            QStringList{"Text (*.txt *.cap)"});
  EXPECT_TRUE(QtFilters(QString()).isEmpty());
}

TEST(CommandLine, Forms) {
  struct Case {
    std::vector<std::string> args;
    std::string host;
    int port;
    std::string home;
    bool error;
  };
  const Case cases[] = {
      {{}, "", 0, "", false},
      {{"bbs.example.org"}, "bbs.example.org", 23, "", false},
      {{"::1", "2323"}, "::1", 2323, "", false},
      {{"--home", "/tmp/p", "h", "24"}, "h", 24, "/tmp/p", false},
      {{"--home=/tmp/q"}, "", 0, "/tmp/q", false},
      {{"-platform", "offscreen", "h"}, "h", 23, "", false},
      {{"h", "0"}, "", 0, "", true},
      {{"h", "65536"}, "", 0, "", true},
      {{"h", "23a"}, "", 0, "", true},
      {{"a", "1", "b"}, "", 0, "", true},
      {{"--bogus"}, "", 0, "", true},
      {{"--home"}, "", 0, "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const CommandLine line = ParseCommandLine(c.args);
    EXPECT_EQ(!line.error.empty(), c.error);
    if (c.error) continue;
    EXPECT_EQ(line.host.has_value(), !c.host.empty());
    if (line.host) {
      EXPECT_EQ(line.host->host, c.host);
      EXPECT_EQ(line.host->port, c.port);
    }
    EXPECT_EQ(line.home.value_or(""), c.home);
  }
  EXPECT_TRUE(ParseCommandLine({"--help"}).help);
  EXPECT_TRUE(ParseCommandLine({"--version"}).version);
  EXPECT_NE(
      UsageText().find("parlane [--home DIR] [--host-mode [PORT]] [--dial ENTRY | HOST [PORT]]"),
      std::string::npos);
}

struct Pipe {
  int fd[2] = {-1, -1};
  Pipe() { EXPECT_EQ(::pipe2(fd, O_NONBLOCK | O_CLOEXEC), 0); }
  ~Pipe() {
    ::close(fd[0]);
    ::close(fd[1]);
  }
};

// The real font dialog opens on the font's own style: OK at once gives the
// plain face back, not its oblique style.
TEST(QtPlatformFont, OkWithoutChangeKeepsTheStyle) {
  QFont initial(QStringLiteral("DejaVu Sans Mono"));
  if (QFontInfo(initial).family() != QLatin1String("DejaVu Sans Mono"))
    GTEST_SKIP() << "DejaVu Sans Mono is not installed";
  initial.setPixelSize(15);
  QTimer ok;
  QObject::connect(&ok, &QTimer::timeout, [] {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->accept();
  });
  ok.start(20);
  QtPlatform platform;
  const auto chosen = platform.ChooseFont(nullptr, initial, true);
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(chosen->style(), QFont::StyleNormal);
  EXPECT_FALSE(chosen->bold());
  EXPECT_EQ(QFontInfo(*chosen).family(), QStringLiteral("DejaVu Sans Mono"));
}

TEST(QtEventLoop, ReadableDescriptorCallsBackUntilUnwatched) {
  QtEventLoop loop;
  Pipe pipe;
  int calls = 0;
  std::string got;
  loop.Watch(pipe.fd[0], kIoRead, [&](unsigned events) {
    EXPECT_EQ(events, unsigned{kIoRead});
    char buf[16];
    const ssize_t n = ::read(pipe.fd[0], buf, sizeof buf);
    if (n > 0) got.append(buf, size_t(n));
    // A callback may unwatch its own descriptor.
    if (++calls == 2) loop.Unwatch(pipe.fd[0]);
  });
  ASSERT_EQ(::write(pipe.fd[1], "ab", 2), 2);
  ASSERT_TRUE(RunUntil([&] { return calls == 1; }));
  ASSERT_EQ(::write(pipe.fd[1], "cd", 2), 2);
  ASSERT_TRUE(RunUntil([&] { return calls == 2; }));
  EXPECT_EQ(got, "abcd");
  EXPECT_EQ(loop.WatchedCount(), 0u);
  ASSERT_EQ(::write(pipe.fd[1], "ef", 2), 2);
  RunUntil([] { return false; }, 100);
  EXPECT_EQ(calls, 2);
}

TEST(QtEventLoop, WritableAndReplacedRegistrations) {
  QtEventLoop loop;
  Pipe pipe;
  int writes = 0;
  loop.Watch(pipe.fd[1], kIoWrite, [&](unsigned events) {
    EXPECT_EQ(events, unsigned{kIoWrite});
    ++writes;
    loop.Watch(pipe.fd[1], kIoNone, nullptr);  // kIoNone is Unwatch
  });
  ASSERT_TRUE(RunUntil([&] { return writes == 1; }));
  EXPECT_EQ(loop.WatchedCount(), 0u);
}

TEST(QtEventLoop, PostFromAnotherThreadRunsOnTheGuiThread) {
  QtEventLoop loop;
  std::thread::id ranOn;
  bool ran = false;
  std::thread worker([&] {
    loop.Post([&] {
      ranOn = std::this_thread::get_id();
      ran = true;
    });
  });
  worker.join();
  ASSERT_TRUE(RunUntil([&] { return ran; }));
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(QtEventLoop, SingleShotAndRepeatingTimers) {
  QtEventLoop loop;
  int once = 0;
  int repeated = 0;
  loop.StartTimer(std::chrono::milliseconds(5), false, [&] { ++once; });
  EventLoop::TimerId id = 0;
  id = loop.StartTimer(std::chrono::milliseconds(5), true, [&] {
    if (++repeated == 3) loop.StopTimer(id);  // stopped from inside its tick
  });
  ASSERT_TRUE(RunUntil([&] { return repeated == 3 && once == 1; }));
  RunUntil([] { return false; }, 60);
  EXPECT_EQ(once, 1);
  EXPECT_EQ(repeated, 3);
  EXPECT_EQ(loop.TimerCount(), 0u);
  loop.StopTimer(12345);  // unknown: nothing happens
}

}  // namespace
}  // namespace parlane::test
