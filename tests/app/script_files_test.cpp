// The Script menu: Run and Stop in a session window (enabling, the frame's
// title, the script answering the host), Create with its template, and the
// editor chosen for Create and Edit.
#include <QPlainTextEdit>
#include <QProcess>

#include "app/script_editor.h"
#include "frame_fixture.h"
#include "platform/text_editor.h"
#include "script/script.h"

namespace parlane::test {
namespace {

using ScriptMenuTest = FrameTest;

TEST_F(ScriptMenuTest, RunAnswersTheHostAndStopPutsTheTitleBack) {
  LoopbackServer server;
  Start(false);
  TelnetWindowMDIChild* child = OpenSession(server);
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

  // Prompts split across blocks.
  server.Send("Welcome\r\nlog");
  server.Send("in: ");
  ASSERT_TRUE(server.Gets("guest\r"));
  server.Send("Pass");
  server.Send("word: ");
  ASSERT_TRUE(server.Gets("secret\r"));
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
  EXPECT_EQ(ReadText(Temp("new.csc")), expected);

  ScriptEditorWindow* editor = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* e = qobject_cast<ScriptEditorWindow*>(w); e && e->isVisible()) editor = e;
  }
  ASSERT_NE(editor, nullptr);
  editor->Editor()->selectAll();
  editor->Editor()->insertPlainText(QStringLiteral("WAIT login:\nSEND me^M\n"));
  editor->close();  // asks to save; the default answer is Yes
  EXPECT_EQ(ReadText(Temp("new.csc")), "WAIT login:\nSEND me^M\n");

  // A file that cannot be written.
  platform_.saveAnswers.push_back(QStringLiteral("/proc/parlane-none.csc"));
  Pick(cmd::kScriptCreate);
  EXPECT_EQ(platform_.messages.back().text, QStringLiteral("Unable to create file"));
  EXPECT_EQ(platform_.messages.back().caption, QStringLiteral("Parlane"));
}

TEST(ScriptEditorChoice, DesktopDefaultThenTerminalEditor) {
  QTemporaryDir dir;
  const QString root = dir.path();
  WriteText(root + "/config/mimeapps.list",
        "[Added Associations]\ntext/plain=other.desktop;\n"
        "[Default Applications]\ntext/plain=missing.desktop;ted.desktop;vi.desktop\n");
  WriteText(root + "/data/applications/ted.desktop",
        "[Desktop Entry]\nName=Ted\nExec=ted --new-window %F\n");
  WriteText(root + "/data/applications/vi.desktop", "[Desktop Entry]\nExec=vi %f\nTerminal=true\n");

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
