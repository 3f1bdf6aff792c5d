// The platform layer and the command line: file filters, every form of the
// command line, the real font dialog, the event loop that the links run on.
#include <QDialog>
#include <QFontInfo>
#include <QTimer>
#include <optional>
#include <thread>

#include "app/command_line.h"
#include "frame_fixture.h"
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

TEST(CommandLine, EveryFormAndItsRefusals) {
  struct Case {
    std::vector<std::string> args;
    bool error = false;
    std::string host;  // "": none
    int port = 0;      // 0: not checked
    std::string home, dial, hostModePort;
    bool hostMode = false;
    std::optional<bool> usage;  // a refusal that shows the usage text too
  };
  const Case cases[] = {
      {{}},
      {{"bbs.example.org"}, false, "bbs.example.org", 23},
      {{"::1", "2323"}, false, "::1", 2323},
      {{"--home", "/tmp/p", "h", "24"}, false, "h", 24, "/tmp/p"},
      {{"--home=/tmp/q"}, false, "", 0, "/tmp/q"},
      {{"-platform", "offscreen", "h"}, false, "h", 23},
      {{"telnet://bbs.example.org"}, false, "bbs.example.org", 23},
      {{"--home", "/tmp/p", "telnet://[::1]:2323/"}, false, "::1", 2323, "/tmp/p"},
      {{"--dial", "My BBS"}, false, "", 0, "", "My BBS"},
      {{"--dial=3"}, false, "", 0, "", "3"},
      {{"--host-mode"}, false, "", 0, "", "", "", true},
      {{"--host-mode", "2323"}, false, "", 0, "", "", "2323", true},
      {{"--host-mode", "example.org"}, false, "example.org", 0, "", "", "", true},
      {{"h", "0"}, true},
      {{"h", "65536"}, true},
      {{"h", "23a"}, true},
      {{"a", "1", "b"}, true},
      {{"--bogus"}, true},
      {{"--home"}, true},
      {{"telnet://h:24", "25"}, true, "", 0, "", "", "", false, true},
      {{"telnet://h/menu"}, true, "", 0, "", "", "", false, false},
      {{"telnet://h:99999"}, true, "", 0, "", "", "", false, false},
      {{"--dial"}, true},
      {{"--dial", "x", "host.example"}, true},
      {{"--host-mode", "70000"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const CommandLine line = ParseCommandLine(c.args);
    EXPECT_EQ(!line.error.empty(), c.error) << line.error;
    if (c.usage) {
      EXPECT_EQ(line.showUsage, *c.usage);
    }
    if (c.error) continue;
    EXPECT_EQ(line.host.has_value(), !c.host.empty());
    if (line.host) {
      EXPECT_EQ(line.host->host, c.host);
      if (c.port) {
        EXPECT_EQ(line.host->port, c.port);
      }
    }
    EXPECT_EQ(line.home.value_or(""), c.home);
    EXPECT_EQ(line.dial.value_or(""), c.dial);
    EXPECT_EQ(line.hostMode, c.hostMode);
    EXPECT_EQ(line.hostModePort.value_or(""), c.hostModePort);
  }
  EXPECT_TRUE(ParseCommandLine({"--help"}).help);
  EXPECT_TRUE(ParseCommandLine({"--version"}).version);
  EXPECT_NE(
      UsageText().find("parlane [--home DIR] [--host-mode [PORT]] [--dial ENTRY | HOST [PORT]]"),
      std::string::npos);
  // A control character in a URL cannot break the complaint's line.
  EXPECT_EQ(ParseCommandLine({"telnet://a\nb"}).error.find('\n'), std::string::npos);
}

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

TEST(QtEventLoop, DescriptorsCallBackUntilUnwatched) {
  QtEventLoop loop;
  int fd[2];
  ASSERT_EQ(::pipe2(fd, O_NONBLOCK | O_CLOEXEC), 0);
  int calls = 0, writes = 0;
  std::string got;
  loop.Watch(fd[0], kIoRead, [&](unsigned events) {
    EXPECT_EQ(events, unsigned{kIoRead});
    char buf[16];
    const ssize_t n = ::read(fd[0], buf, sizeof buf);
    if (n > 0) got.append(buf, size_t(n));
    if (++calls == 2) loop.Unwatch(fd[0]);  // from inside its own callback
  });
  loop.Watch(fd[1], kIoWrite, [&](unsigned events) {
    EXPECT_EQ(events, unsigned{kIoWrite});
    ++writes;
    loop.Watch(fd[1], kIoNone, nullptr);  // kIoNone is Unwatch
  });
  ASSERT_TRUE(RunUntil([&] { return writes == 1; }));
  ASSERT_EQ(::write(fd[1], "ab", 2), 2);
  ASSERT_TRUE(RunUntil([&] { return calls == 1; }));
  ASSERT_EQ(::write(fd[1], "cd", 2), 2);
  ASSERT_TRUE(RunUntil([&] { return calls == 2; }));
  EXPECT_EQ(loop.WatchedCount(), 0u);
  ASSERT_EQ(::write(fd[1], "ef", 2), 2);
  RunUntil([] { return false; }, 100);
  EXPECT_EQ(got, "abcd");
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(writes, 1);
  ::close(fd[0]);
  ::close(fd[1]);
}

TEST(QtEventLoop, TimersAndPostsFromAnotherThread) {
  QtEventLoop loop;
  int once = 0, repeated = 0;
  loop.StartTimer(std::chrono::milliseconds(5), false, [&] { ++once; });
  EventLoop::TimerId id = 0;
  id = loop.StartTimer(std::chrono::milliseconds(5), true, [&] {
    if (++repeated == 3) loop.StopTimer(id);  // stopped from inside its tick
  });
  std::thread::id ranOn;
  std::thread worker([&] { loop.Post([&] { ranOn = std::this_thread::get_id(); }); });
  worker.join();
  ASSERT_TRUE(RunUntil([&] { return repeated == 3 && once == 1 && ranOn != std::thread::id(); }));
  RunUntil([] { return false; }, 60);
  EXPECT_EQ(once, 1);
  EXPECT_EQ(repeated, 3);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  EXPECT_EQ(loop.TimerCount(), 0u);
  loop.StopTimer(12345);  // unknown: nothing happens
}

}  // namespace
}  // namespace parlane::test
