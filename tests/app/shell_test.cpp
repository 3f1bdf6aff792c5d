// The shell's small services through the menu: Keyboard Mapping and Function
// Keys (stored into the key table, saved at exit), the tools and their
// buttons, the shell session, and the help window with its pages.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QToolBar>

#include "app/desktop_programs.h"
#include "app/help_window.h"
#include "app/pictures.h"
#include "app/splash.h"
#include "dialogs/fast_keys.h"
#include "dialogs/keymap.h"
#include "frame_fixture.h"

namespace parlane::test {
namespace {

// Sets an environment variable for the scope.
struct ScopedEnv {
  ScopedEnv(const char* name, const QString& value) : name(name), old(qgetenv(name)) {
    had = qEnvironmentVariableIsSet(name);
    qputenv(name, value.toLocal8Bit());
  }
  ~ScopedEnv() { had ? qputenv(name, old) : qunsetenv(name); }
  const char* name;
  QByteArray old;
  bool had;
};

TEST_F(FrameTest, KeyboardMappingStoresOnSwitchAndDoneAndIsSavedAtExit) {
  Start(true);
  Config().Terminal.Emulation = 1;  // VT100
  const std::string vt100Up = app_->Keys().KeyMaps[1][6];
  platform_.dialogResponders.push_back([&](QDialog& d) {
    auto& map = dynamic_cast<Keymap&>(d);
    EXPECT_EQ(map.windowTitle(), QStringLiteral("Keyboard Mapping"));
    EXPECT_EQ(map.EmulationList()->currentRow(), 1);
    EXPECT_EQ(map.Field(6)->text().toStdString(), vt100Up);
    EXPECT_EQ(map.Field(0)->maxLength(), 40);
    map.Field(6)->setText(QStringLiteral("^[OA"));
    map.EmulationList()->setCurrentRow(2);  // stores VT100, shows PC ANSI
    EXPECT_EQ(app_->Keys().KeyMaps[1][6], "^[OA");
    map.Field(0)->setText(QStringLiteral("\\1B[@"));
    return int(QDialog::Accepted);  // Done
  });
  Frame()->MenuAction(cmd::kKeyboardMapping)->trigger();
  EXPECT_EQ(app_->Keys().KeyMaps[2][0], "\\1B[@");

  // Closed without Done: only what a switch stored stays.
  platform_.dialogResponders.push_back([&](QDialog& d) {
    auto& map = dynamic_cast<Keymap&>(d);
    map.Field(1)->setText(QStringLiteral("lost"));
    return int(QDialog::Rejected);
  });
  Frame()->MenuAction(cmd::kKeyboardMapping)->trigger();
  EXPECT_NE(app_->Keys().KeyMaps[1][1], "lost");

  Shutdown();
  const std::vector<uint8_t> file = ReadAll(File("KEYMAP.DAT"));
  ASSERT_EQ(file.size(), KeyTable::kSize);
  const KeyTable saved = KeyTable::Decode(file);
  EXPECT_EQ(saved.KeyMaps[1][6], "^[OA");
  EXPECT_EQ(saved.KeyMaps[2][0], "\\1B[@");
}

TEST_F(FrameTest, FunctionKeysKeepBothSets) {
  Start(true);
  platform_.dialogResponders.push_back([&](QDialog& d) {
    auto& keys = dynamic_cast<FastKeys&>(d);
    EXPECT_EQ(keys.windowTitle(), QStringLiteral("Function Keys"));
    EXPECT_TRUE(keys.Normal()->isChecked());
    keys.Field(0)->setText(QStringLiteral("plain^M"));
    keys.Shift()->setChecked(true);
    EXPECT_TRUE(keys.Field(0)->text().isEmpty());
    keys.Field(0)->setText(QStringLiteral("shifted"));
    keys.Field(11)->setText(QStringLiteral("f12"));
    return int(QDialog::Accepted);
  });
  Frame()->MenuAction(cmd::kFunctionKeys)->trigger();
  EXPECT_EQ(app_->Keys().FunctionKeys[0], "plain^M");
  EXPECT_EQ(app_->Keys().ShiftFunctionKeys[0], "shifted");
  EXPECT_EQ(app_->Keys().ShiftFunctionKeys[11], "f12");
}

TEST_F(FrameTest, ToolsRunOnThisDesktopAndChangeTheirProgram) {
  // A desktop with one text editor, named the default in mimeapps.list.
  QTemporaryDir desktop;
  const QString data = desktop.filePath(QStringLiteral("share"));
  WriteText(data + QStringLiteral("/applications/other.desktop"),
            QStringLiteral("[Desktop Entry]\nName=Other\nExec=other %F\nMimeType=text/plain;\n"));
  WriteText(data + QStringLiteral("/applications/pad.desktop"),
            QStringLiteral("[Desktop Entry]\nName=Pad\nExec=padedit --new %U\nIcon=pad-icon\n"
                           "MimeType=text/plain;\n"));
  WriteText(desktop.filePath(QStringLiteral("config/mimeapps.list")),
            QStringLiteral("[Default Applications]\ntext/plain=pad.desktop;other.desktop;\n"));
  ScopedEnv dataDirs("XDG_DATA_DIRS", data);
  ScopedEnv dataHome("XDG_DATA_HOME", desktop.filePath(QStringLiteral("none")));
  ScopedEnv configHome("XDG_CONFIG_HOME", desktop.filePath(QStringLiteral("config")));
  ScopedEnv configDirs("XDG_CONFIG_DIRS", desktop.filePath(QStringLiteral("none")));

  Start(true);
  ASSERT_EQ(Config().Tools[0], "winfile.exe");
  ASSERT_EQ(Config().Tools[1], "notepad.exe");
  Config().Tools[2] = "/bin/echo \"two words\"";
  Frame()->MenuAction(cmd::kTool1Run)->trigger();
  Frame()->MenuAction(cmd::kTool2Run)->trigger();
  Frame()->MenuAction(cmd::kTool3Run)->trigger();
  const QString home = QString::fromStdString(dir_.string());
  ASSERT_EQ(platform_.startedPrograms.size(), 3u);
  EXPECT_EQ(platform_.startedPrograms[0], QStringLiteral("xdg-open ") + QuoteWord(home));
  EXPECT_EQ(platform_.startedPrograms[1], QStringLiteral("padedit --new"));
  EXPECT_EQ(platform_.startedPrograms[2], QStringLiteral("/bin/echo \"two words\""));
  EXPECT_EQ(ResolveTool(QStringLiteral("notepad.exe"), home).iconName, QStringLiteral("pad-icon"));
  EXPECT_TRUE(platform_.messages.empty());

  // The empty Tool 4, and a program that does not start.
  Frame()->MenuAction(cmd::kTool4Run)->trigger();
  platform_.startProgramResult = false;
  Frame()->MenuAction(cmd::kTool3Run)->trigger();
  ASSERT_EQ(platform_.messages.size(), 2u);
  for (const auto& m : platform_.messages) {
    EXPECT_EQ(m.text, QStringLiteral("Error loading toolbar application"));
    EXPECT_EQ(m.caption, QStringLiteral("Parlane"));
    EXPECT_EQ(m.icon, MsgIcon::Stop);
  }

  // Change on the empty Tool 4: the program's directory, no file name.
  platform_.openAnswers.push_back({QStringLiteral("/usr/bin/env")});
  Frame()->MenuAction(cmd::kTool4Change)->trigger();
  ASSERT_EQ(platform_.fileDialogs.size(), 1u);
  EXPECT_EQ(platform_.fileDialogs[0].title, QStringLiteral("Select New Program"));
  EXPECT_EQ(platform_.fileDialogs[0].initialDir, home);
  EXPECT_TRUE(platform_.fileDialogs[0].fileName.isEmpty());
  EXPECT_TRUE(platform_.fileDialogs[0].fileMustExist);
  EXPECT_EQ(Config().Tools[3], "/usr/bin/env");
  bool shown = false;
  for (QAction* a : Frame()->ToolBar()->actions())
    shown = shown || a->toolTip() == QStringLiteral("/usr/bin/env");
  EXPECT_TRUE(shown) << "the tool bar was not filled again";
  // Change on a tool with a path starts in that path's directory.
  Frame()->MenuAction(cmd::kTool4Change)->trigger();  // cancelled
  EXPECT_EQ(platform_.fileDialogs[1].initialDir, QStringLiteral("/usr/bin"));
  EXPECT_EQ(platform_.fileDialogs[1].fileName, QStringLiteral("env"));
  EXPECT_EQ(Config().Tools[3], "/usr/bin/env");
}

TEST_F(FrameTest, ShellSessionStartsInTheDesktopsTerminal) {
  QTemporaryDir bin;
  const QString terminal = bin.filePath(QStringLiteral("x-terminal-emulator"));
  WriteText(terminal, QStringLiteral("#!/bin/sh\n"));
  QFile::setPermissions(terminal, QFile::ReadOwner | QFile::ExeOwner);
  {
    ScopedEnv path("PATH", bin.path());
    ScopedEnv shell("SHELL", QStringLiteral("/bin/bash"));
    Start(true);
    Frame()->MenuAction(cmd::kDosSession)->trigger();
    ASSERT_EQ(platform_.startedPrograms.size(), 1u);
    EXPECT_EQ(platform_.startedPrograms[0], terminal + QStringLiteral(" -e /bin/bash"));
  }
  {
    QTemporaryDir empty;
    ScopedEnv path("PATH", empty.path());
    ScopedEnv term("TERMINAL", QString());
    Frame()->MenuAction(cmd::kDosSession)->trigger();
    ASSERT_EQ(platform_.messages.size(), 1u);
    EXPECT_EQ(platform_.messages[0].text,
              QStringLiteral("Error loading shell (x-terminal-emulator)"));
    EXPECT_EQ(platform_.messages[0].icon, MsgIcon::Stop);
  }
}

// The help pages: every link leads to a page that exists, and every menu
// command is described somewhere.
TEST_F(FrameTest, HelpOpensAtItsIndexAndCoversEveryMenuCommand) {
  Start(true);
  const QString dir = HelpDirectory();
  ASSERT_FALSE(dir.isEmpty()) << "no help pages found";
  QString all;
  const QStringList pages = QDir(dir).entryList({QStringLiteral("*.html")}, QDir::Files);
  const QRegularExpression link(QStringLiteral("href=\"([^\"#:]+)(#[^\"]*)?\""));
  for (const QString& page : pages) {
    QFile f(QDir(dir).filePath(page));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(f.readAll());
    all += html;
    for (auto it = link.globalMatch(html); it.hasNext();) {
      const QString target = it.next().captured(1);
      EXPECT_TRUE(QFile::exists(QDir(dir).filePath(target)))
          << page.toStdString() << " links to " << target.toStdString();
    }
  }
  std::function<void(const QMenu*)> walk = [&](const QMenu* menu) {
    for (const QAction* a : menu->actions()) {
      if (a->isSeparator()) continue;
      if (a->menu()) {
        walk(a->menu());
        continue;
      }
      QString text = a->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'));
      text.remove(QStringLiteral("..."));
      EXPECT_TRUE(all.contains(text.toHtmlEscaped())) << "no help for " << text.toStdString();
    }
  };
  for (const QAction* top : Frame()->menuBar()->actions()) walk(top->menu());
  for (const QString& notation : {QStringLiteral("^~"), QStringLiteral("\\xx")}) {
    EXPECT_TRUE(all.contains(notation));
  }

  Frame()->MenuAction(cmd::kHelpContents)->trigger();
  auto* window = Frame()->findChild<HelpWindow*>();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->Browser()->source().toLocalFile().endsWith(QStringLiteral("/index.html")));
  Frame()->MenuAction(cmd::kHelpUsing)->trigger();
  EXPECT_EQ(Frame()->findChildren<HelpWindow*>().size(), 1);  // the same window
  EXPECT_TRUE(
      window->Browser()->source().toLocalFile().endsWith(QStringLiteral("/using-help.html")));
  EXPECT_FALSE(window->Browser()->toPlainText().isEmpty());
}

// The title screen and About box draw Parlane's own pictures with the
// version and the licence.
TEST_F(FrameTest, TitleScreenAndAboutShowThePicturesVersionAndLicence) {
  Start(true);
  SplashScreen* splash = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* s = qobject_cast<SplashScreen*>(w)) splash = s;
  }
  ASSERT_NE(splash, nullptr);
  for (const double scale : {1.0, 2.0}) {
    // Drawn at twice the size the picture keeps its proportions: the
    // wordmark's yellow sits at the same place relative to the window.
    splash->setFixedSize(QSize(int(420 * scale), int(240 * scale)));
    const QImage image = splash->grab().toImage();
    int yellowPixels = 0;
    for (int y = int(60 * scale); y < int(110 * scale); ++y) {
      for (int x = int(148 * scale); x < int(380 * scale); ++x) {
        const QColor c = image.pixelColor(x, y);
        if (c.red() > 200 && c.green() > 200 && c.blue() < 120) ++yellowPixels;
      }
    }
    EXPECT_GT(yellowPixels, 300 * scale * scale) << "scale " << scale;
  }

  platform_.dialogResponders.push_back([](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), QStringLiteral("About Parlane"));
    EXPECT_NE(d.findChild<QWidget*>(QStringLiteral("1100")), nullptr);
    EXPECT_NE(d.findChild<QWidget*>(QStringLiteral("1101")), nullptr);
    const auto* text = d.findChild<QLabel*>(QStringLiteral("AboutText"));
    EXPECT_NE(text, nullptr);
    if (text) {
      EXPECT_TRUE(text->text().contains(QStringLiteral(PARLANE_VERSION)));
      EXPECT_TRUE(text->text().contains(QString::fromLatin1(kLicenceName)));
    }
    return int(QDialog::Accepted);
  });
  Frame()->MenuAction(cmd::kAbout)->trigger();
  EXPECT_TRUE(platform_.dialogResponders.empty());
}

}  // namespace
}  // namespace parlane::test
