// The Script menu: Run and Stop in a session window (enabling, the frame's
// title, the script answering the host), Create with its template, and the
// editor chosen for Create and Edit.
#include <QApplication>
#include <QPlainTextEdit>
#include <QProcess>

#include "app/commands.h"
#include "app/script_editor.h"
#include "frame_fixture.h"
#include "loopback_server.h"
#include "platform/text_editor.h"
#include "script/script.h"
#include "session/telnet_window.h"

namespace parlane::test {
namespace {

class ScriptMenuTest : public FrameTest {
 protected:
  void Pick(int id) {
    Frame()->UpdateCommandStates();
    QAction* action = Frame()->MenuAction(id);
    ASSERT_TRUE(action->isEnabled()) << id;
    action->trigger();
  }
  bool Enabled(int id) {
    Frame()->UpdateCommandStates();
    return Frame()->MenuAction(id)->isEnabled();
  }
  std::filesystem::path Temp(const char* name) {
    return std::filesystem::path(tmp_.path().toStdString()) / name;
  }
  ScriptEditorWindow* EditorWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* e = qobject_cast<ScriptEditorWindow*>(w); e && e->isVisible()) return e;
    }
    return nullptr;
  }
};

TEST_F(ScriptMenuTest, RunAnswersTheHostAndStopPutsTheTitleBack) {
  LoopbackServer server;
  Start(false);
  TelnetSessionParams params;
  params.host = "127.0.0.1";
  params.port = static_cast<uint16_t>(server.Port());
  params.terminal = Config().Terminal;
  TelnetWindowMDIChild* child = Client()->OpenTelnetSession(params);
  ASSERT_TRUE(RunUntil([&] {
    server.Poll();
    return server.HasClient() && child->IsConnected();
  }));
  Client()->setActiveSubWindow(child);
  EXPECT_FALSE(Enabled(cmd::kScriptStop));

  const auto script = Temp("login.csc");
  std::ofstream(script) << "WAIT login:\nSEND guest^M\nWAIT word:\nSEND secret^M\nWAIT never\n";
  platform_.openAnswers.push_back({QString::fromStdString(script.string())});
  Pick(cmd::kScriptRun);
  EXPECT_EQ(platform_.fileDialogs.back().title, QStringLiteral("Select Script File To Run"));
  EXPECT_EQ(child->windowTitle().toStdString(),
            "127.0.0.1 - " + script.string() + " script is running");
  EXPECT_FALSE(Enabled(cmd::kScriptRun));
  EXPECT_TRUE(Enabled(cmd::kScriptStop));

  server.Send("Welcome\r\nlog");
  server.Send("in: ");
  ASSERT_TRUE(RunUntil([&] {
    server.Poll();
    return server.received.find("guest\r") != std::string::npos;
  }));
  server.Send("Pass");
  server.Send("word: ");
  ASSERT_TRUE(RunUntil([&] {
    server.Poll();
    return server.received.find("secret\r") != std::string::npos;
  }));
  Pick(cmd::kScriptStop);
  EXPECT_EQ(child->windowTitle(), QStringLiteral("127.0.0.1"));
  EXPECT_TRUE(Enabled(cmd::kScriptRun));
  EXPECT_FALSE(Enabled(cmd::kScriptStop));

  // A file that cannot be opened does not run, and says nothing.
  const size_t messages = platform_.messages.size();
  platform_.openAnswers.push_back({QStringLiteral("/nonexistent/x.csc")});
  Pick(cmd::kScriptRun);
  EXPECT_TRUE(Enabled(cmd::kScriptRun));
  EXPECT_EQ(platform_.messages.size(), messages);
}

TEST_F(ScriptMenuTest, CreateWritesTheTemplateAndFallsBackToTheBuiltInEditor) {
  Start(false);
  // No editor of the desktop can be started.
  platform_.startProgramResult = false;
  const auto file = Temp("new");  // typed without an extension
  platform_.saveAnswers.push_back(QString::fromStdString(file.string()));
  Pick(cmd::kScriptCreate);
  EXPECT_EQ(platform_.fileDialogs.back().title, QStringLiteral("Input Script File To Create"));
  EXPECT_EQ(platform_.fileDialogs.back().filter, QStringLiteral("Script Files (*.csc)|*.csc|"));
  std::string expected;
  for (std::string_view line : kScriptTemplate) expected += std::string(line) + "\n";
  const std::vector<uint8_t> written = ReadAll(Temp("new.csc"));
  EXPECT_EQ(std::string(written.begin(), written.end()), expected);

  ScriptEditorWindow* editor = EditorWindow();
  ASSERT_NE(editor, nullptr);
  editor->Editor()->selectAll();
  editor->Editor()->insertPlainText(QStringLiteral("WAIT login:\nSEND me^M\n"));
  editor->close();  // asks to save; the default answer is Yes
  const std::vector<uint8_t> saved = ReadAll(Temp("new.csc"));
  EXPECT_EQ(std::string(saved.begin(), saved.end()), "WAIT login:\nSEND me^M\n");

  // A file that cannot be written.
  platform_.saveAnswers.push_back(QStringLiteral("/proc/parlane-none.csc"));
  Pick(cmd::kScriptCreate);
  EXPECT_EQ(platform_.messages.back().text, QStringLiteral("Unable to create file"));
  EXPECT_EQ(platform_.messages.back().caption, QStringLiteral("Parlane"));
}

TEST(ScriptEditorChoice, DesktopDefaultThenTerminalEditor) {
  QTemporaryDir dir;
  const QString root = dir.path();
  QDir().mkpath(root + "/config");
  QDir().mkpath(root + "/data/applications");
  QFile list(root + "/config/mimeapps.list");
  ASSERT_TRUE(list.open(QIODevice::WriteOnly));
  list.write(
      "[Added Associations]\ntext/plain=other.desktop;\n"
      "[Default Applications]\ntext/plain=missing.desktop;ted.desktop;vi.desktop\n");
  list.close();
  QFile ted(root + "/data/applications/ted.desktop");
  ASSERT_TRUE(ted.open(QIODevice::WriteOnly));
  ted.write("[Desktop Entry]\nName=Ted\nExec=ted --new-window %F\n");
  ted.close();
  QFile vi(root + "/data/applications/vi.desktop");
  ASSERT_TRUE(vi.open(QIODevice::WriteOnly));
  vi.write("[Desktop Entry]\nExec=vi %f\nTerminal=true\n");
  vi.close();

  DesktopEnvironment desktop;
  std::map<std::string, QString> env = {{"XDG_CONFIG_HOME", root + "/config"},
                                        {"XDG_CONFIG_DIRS", root + "/none"},
                                        {"XDG_DATA_HOME", root + "/data"},
                                        {"XDG_DATA_DIRS", root + "/none"},
                                        {"EDITOR", QStringLiteral("nano -w")}};
  desktop.env = [&](const char* name) { return env.count(name) ? env[name] : QString(); };
  desktop.findProgram = [](const QString& name) {
    return name == QLatin1String("xterm") ? QStringLiteral("/usr/bin/xterm") : QString();
  };
  const QString file = QStringLiteral("/tmp/my \"login\".csc");
  const std::vector<QStringList> commands = EditorCommands(file, desktop);
  ASSERT_EQ(commands.size(), 3u);
  EXPECT_EQ(commands[0], (QStringList{"ted", "--new-window", file}));
  EXPECT_EQ(commands[1], (QStringList{"/usr/bin/xterm", "-e", "vi", file}));
  EXPECT_EQ(commands[2], (QStringList{"/usr/bin/xterm", "-e", "/bin/sh", "-c",
                                      "exec nano -w \"$1\"", "sh", file}));
  // The file stays one word through the command line.
  for (const QStringList& c : commands) EXPECT_EQ(QProcess::splitCommand(JoinCommand(c)), c);

  // No terminal: the desktop entry alone.
  desktop.findProgram = [](const QString&) { return QString(); };
  EXPECT_EQ(EditorCommands(file, desktop).size(), 1u);
}

}  // namespace
}  // namespace parlane::test
