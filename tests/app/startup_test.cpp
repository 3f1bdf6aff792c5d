// Start-up and shut-down: the files read and written, and when.
#include <QFontDatabase>
#include <QSignalSpy>
#include <csignal>
#include <QStandardPaths>
#include <QToolBar>

#include "config/dcb.h"
#include "config/placement.h"
#include "config/program_dir.h"
#include "frame_fixture.h"
#include "keys/keymap.h"
#include "platform/quit_signals.h"

namespace parlane::test {
namespace {

TEST_F(FrameTest, FirstRunInstallsShippedDataWithoutMessages) {
  Start(true);
  EXPECT_TRUE(platform_.messages.empty());
  // The default key maps, so that the keys work at once.
  ASSERT_TRUE(std::filesystem::exists(File("KEYMAP.DAT")));
  EXPECT_EQ(app_->Keys(), DefaultKeyTable());
  EXPECT_FALSE(app_->Keys().KeyMaps[1][6].empty());  // VT100 Up Arrow
  // An empty phonebook, private to the user.
  ASSERT_TRUE(std::filesystem::exists(File("PHONBOOK.DAT")));
  EXPECT_EQ(std::filesystem::file_size(File("PHONBOOK.DAT")), 0u);
  const auto perms = std::filesystem::status(File("PHONBOOK.DAT")).permissions();
  EXPECT_EQ(perms & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_TRUE(app_->Book().Empty());

  // The defaults, with the port settings the shell fills in: COM1 at 9600 8N1.
  Main_Configuration_Struct expected = Main_Configuration_Struct::Defaults(Config().ReceiveDir);
  expected.ComPort = Config().ComPort;
  expected.PortSettings = Config().PortSettings;
  EXPECT_EQ(Config(), expected);
  EXPECT_EQ(Config().ComPort, 0u);
  EXPECT_EQ(Config().PortSettings.BaudRate, 9600u);
  EXPECT_EQ(Config().PortSettings.ByteSize, 8);

  // The panes after start-up, the emulation named, the clock running.
  EXPECT_EQ(Status()->PaneNames(),
            (QStringList{"message", "connect", "link", "emulation", "clock", "cd", "rd", "sd"}));
  EXPECT_EQ(Status()->PaneText(QStringLiteral("emulation")), QStringLiteral("VT100"));
  EXPECT_EQ(Status()->PaneText(QStringLiteral("link")), QString());
  EXPECT_FALSE(Status()->PaneText(QStringLiteral("clock")).isEmpty());
  EXPECT_TRUE(Client()->ClockRunning());
  EXPECT_EQ(Client()->ClockInterval(), 250);
  EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("Parlane"));
  EXPECT_TRUE(Frame()->ToolBar()->isVisibleTo(Frame()));
}

// Start-up as main() runs it: the shipped data goes wherever no earlier run
// has been, beside the files already there, which are never replaced; a
// directory a run has used says when its phonebook is gone.
TEST_F(FrameTest, ShippedDataGoesWhereNoEarlierRunHasBeen) {
  DialingDirectoryEntry entry;
  entry.Name = "Mine";
  const auto book = entry.Bytes();
  std::vector<uint8_t> keys(KeyTable::kSize, 0);
  keys[0] = 'x';
  const auto shipped = DefaultKeyTable().Encode();
  struct Case {
    const char* name;
    bool exists;
    const char* file;  // put there before the start, or none
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"missing", false, nullptr, {}},
      {"empty", true, nullptr, {}},
      {"phonebook only", true, "PHONBOOK.DAT", {book.begin(), book.end()}},
      {"used before", true, "KEYMAP.DAT", keys},
  };
  const std::filesystem::path base = dir_;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir_ = base / c.name;
    if (c.exists) std::filesystem::create_directories(dir_);
    if (c.file) WriteAll(File(c.file), c.bytes);
    std::error_code error;
    const auto prepared = PrepareProgramDir(dir_, error);
    ASSERT_TRUE(prepared);
    const bool firstRun = TMyApp::IsFirstRun(prepared->Path);
    EXPECT_EQ(firstRun, c.file == nullptr || c.file == std::string_view("PHONBOOK.DAT"));
    platform_.messages.clear();
    app_ = std::make_unique<TMyApp>(platform_, prepared->Path, firstRun);
    app_->InitMainWindow();
    QCoreApplication::processEvents();
    if (c.file) {
      EXPECT_EQ(ReadAll(File(c.file)), c.bytes);
    }
    if (firstRun) {
      EXPECT_TRUE(platform_.messages.empty());
      EXPECT_EQ(ReadAll(File("KEYMAP.DAT")), std::vector<uint8_t>(shipped.begin(), shipped.end()));
      EXPECT_EQ(app_->Book().Empty(), c.file == nullptr);
    } else {
      ASSERT_EQ(platform_.messages.size(), 1u);
      EXPECT_EQ(platform_.messages[0].text,
                QStringLiteral("Could not open phonebook file PHONBOOK.DAT"));
      EXPECT_FALSE(std::filesystem::exists(File("PHONBOOK.DAT")));
      EXPECT_EQ(app_->Keys().FunctionKeys[0], "x");
    }
    Shutdown();
  }
}

TEST_F(FrameTest, ShutDownWritesTheThreeFilesWhole) {
  Start(true);
  Frame()->MenuAction(7608)->trigger();  // 35x132
  Shutdown();
  EXPECT_EQ(std::filesystem::file_size(File("MAIN.CFG")), 3510u);
  EXPECT_EQ(std::filesystem::file_size(File("INITWIND.CFG")), 12u);
  EXPECT_EQ(std::filesystem::file_size(File("KEYMAP.DAT")), 6208u);
  const std::vector<uint8_t> main = ReadAll(File("MAIN.CFG"));
  const Main_Configuration_Struct saved = Main_Configuration_Struct::Decode(main);
  EXPECT_EQ(saved.Rows, 35);
  EXPECT_EQ(saved.Columns, 132);
  EXPECT_EQ(saved.ComPort, 0u);
  const auto keys = DefaultKeyTable().Encode();
  EXPECT_EQ(ReadAll(File("KEYMAP.DAT")), std::vector<uint8_t>(keys.begin(), keys.end()));
}

TEST_F(FrameTest, PlacementRoundTripsAndMaximizedWins) {
  std::filesystem::create_directories(dir_);
  WindowPlacementRecord rec;
  rec.X = 40;
  rec.Y = 30;
  rec.Width = 700;
  rec.Height = 500;
  rec.SessionsMaximized = 1;
  SavePlacement(File("INITWIND.CFG"), rec);
  Start(false);
  EXPECT_EQ(Frame()->size(), QSize(700, 500));
  EXPECT_FALSE(Frame()->isMaximized());
  Shutdown();
  WindowPlacementRecord back = *LoadPlacement(File("INITWIND.CFG"));
  EXPECT_EQ(back.Width, 700);
  EXPECT_EQ(back.Height, 500);
  EXPECT_EQ(back.FrameMaximized, 0);
  EXPECT_EQ(back.SessionsMaximized, 1);

  back.FrameMaximized = 1;
  back.Width = 10;
  SavePlacement(File("INITWIND.CFG"), back);
  Start(false);
  EXPECT_TRUE(Frame()->isMaximized());
  Shutdown();
  EXPECT_EQ(LoadPlacement(File("INITWIND.CFG"))->FrameMaximized, 1);
}

TEST_F(FrameTest, SettingsFromMainCfgShapeTheWindow) {
  std::filesystem::create_directories(dir_);
  Main_Configuration_Struct cfg = Main_Configuration_Struct::Defaults("/tmp");
  cfg.ComPort = 255;  // the last port failed to open
  cfg.ToolbarHidden = 1;
  cfg.ClockHidden = 1;
  cfg.Terminal.Emulation = 2;
  SaveMainConfig(File("MAIN.CFG"), cfg);
  Start(false);
  EXPECT_FALSE(Frame()->ToolBar()->isVisibleTo(Frame()));
  EXPECT_EQ(Status()->PaneNames(),
            (QStringList{"message", "connect", "link", "emulation", "cd", "rd", "sd"}));
  EXPECT_EQ(Status()->PaneText(QStringLiteral("emulation")), QStringLiteral("PC ANSI"));
  // COM1 at 9600 bits per second again.
  EXPECT_EQ(Config().ComPort, 0u);
  EXPECT_EQ(Config().PortSettings.BaudRate, 9600u);
}

TEST_F(FrameTest, FontFilesAreRegisteredWhilePresent) {
  std::filesystem::create_directories(dir_);
  // Any font file Qt can load serves under the old names.
  const QString mono = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf");
  ASSERT_TRUE(QFile::exists(mono)) << "fonts-dejavu-core is needed";
  std::filesystem::copy_file(mono.toStdString(), File("TERMFONT.FON"));
  Start(false);
  ASSERT_EQ(app_->FontIds().size(), 1u);
  const int id = app_->FontIds()[0];
  EXPECT_FALSE(QFontDatabase::applicationFontFamilies(id).isEmpty());
  Frame()->close();
  app_.reset();
  EXPECT_TRUE(QFontDatabase::applicationFontFamilies(id).isEmpty());
}

TEST_F(FrameTest, TitleAndExitSoundsFollowTheRules) {
  std::filesystem::create_directories(dir_);
  Main_Configuration_Struct cfg = Main_Configuration_Struct::Defaults("/tmp");
  cfg.SoundFiles[0] = "title.wav";
  cfg.SoundFiles[6] = "exit.wav";
  SaveMainConfig(File("MAIN.CFG"), cfg);
  Start(false);
  ASSERT_EQ(platform_.sounds.size(), 1u);
  EXPECT_EQ(platform_.sounds[0].file, QStringLiteral("title.wav"));
  EXPECT_FALSE(platform_.sounds[0].synchronous);
  Shutdown();
  ASSERT_EQ(platform_.sounds.size(), 2u);
  EXPECT_EQ(platform_.sounds[1].file, QStringLiteral("exit.wav"));
  EXPECT_TRUE(platform_.sounds[1].synchronous);
  EXPECT_TRUE(platform_.sounds[1].noDefault);
}

TEST_F(FrameTest, TerminationSignalShutsDownLikeExit) {
  Start(true);
  CloseOnQuitSignals(Frame());
  QSignalSpy closed(Frame(), &TMainMDIDecoratedFrame::Closed);
  ::raise(SIGTERM);
  for (int i = 0; i < 100 && closed.count() == 0; ++i) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  ASSERT_EQ(closed.count(), 1);
  app_.reset();
  EXPECT_EQ(std::filesystem::file_size(File("MAIN.CFG")), 3510u);
}

}  // namespace
}  // namespace parlane::test
