// A Telnet session window against a loopback server run by the test: the
// negotiation answers, text in the window, the cursor report, typed keys,
// paste, NAWS after a resize, selection and Copy, the closing question, and
// `parlane HOST PORT` ending by itself when the server closes.
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QMdiArea>
#include <QMouseEvent>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QFile>
#include <QListWidget>
#include <QRadioButton>
#include <QFileInfo>
#include <QFontInfo>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <functional>
#include <string>

#include "app/app_context.h"
#include "app/commands.h"
#include "book/phonebook.h"
#include "config/main_config.h"
#include "config/placement.h"
#include "keys/keymap.h"
#include "platform/qt_event_loop.h"
#include "platform/scripted_platform.h"
#include "session/session.h"
#include "dialogs/terminal_settings.h"
#include "loopback_server.h"
#include "session/telnet_window.h"
#include "session/terminal_view.h"

namespace parlane {
namespace {

using test::LoopbackServer;

class RecordingStatus final : public StatusPanes {
 public:
  void SetMessage(const QString& t) override { message = t; }
  bool ConnectTimeShown() const override { return true; }
  void SetConnectTime(const QString& t) override { connectTime = t; }
  void SetLink(const QString& t) override { link = t; }
  void SetEmulation(const QString& t) override { emulation = t; }
  void SetIndicator(StatusIndicator which, bool on) override {
    if (which == StatusIndicator::Cd) cd = on;
  }
  QString message, connectTime, link, emulation;
  bool cd = false;
};

class SessionWindowTest : public ::testing::Test {
 protected:
  SessionWindowTest()
      : config(LoadMainConfig(std::filesystem::path("/nonexistent/MAIN.CFG"), "/tmp")),
        keys(DefaultKeyTable()),
        context{config,
                placement,
                keys,
                phonebook,
                platform,
                status,
                loop,
                dir.path(),
                &mainWindow,
                nullptr,
                [this](SoundEvent s) { sounds.push_back(s); }} {
    mainWindow.resize(1000, 800);
    area = new QMdiArea(&mainWindow);
    area->resize(1000, 800);
    mainWindow.show();
  }

  TelnetWindowMDIChild* Open(bool closeWithoutAsking = false) {
    TelnetSessionParams params;
    params.host = "127.0.0.1";
    params.port = static_cast<uint16_t>(server.Port());
    params.terminal = config.Terminal;
    params.closeWithoutAsking = closeWithoutAsking;
    auto* child = new TelnetWindowMDIChild(context, params);
    child->setAttribute(Qt::WA_DeleteOnClose);
    area->addSubWindow(child);
    child->show();
    child->Window()->setFocus();
    return child;
  }

  bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
      if (t.elapsed() > ms) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      server.Poll();
    }
    return true;
  }
  bool Received(const std::string& s) {
    if (WaitFor([&] { return server.received.find(s) != std::string::npos; })) return true;
    std::string hex;
    for (unsigned char c : server.received) hex += QString::asprintf("%02x ", c).toStdString();
    ADD_FAILURE() << "the server received: " << hex;
    return false;
  }
  // Connects and answers the host's first requests.
  TelnetWindowMDIChild* Connected() {
    TelnetWindowMDIChild* child = Open();
    EXPECT_TRUE(WaitFor([&] { return server.HasClient() && child->IsConnected(); }));
    return child;
  }
  // The host prints "row 0" to "row 99"; true once all are shown.
  bool SendHundredRows(TelnetWindow* w) {
    std::string lines;
    for (int i = 0; i < 100; ++i) lines += "row " + std::to_string(i) + "\r\n";
    server.Send(lines);
    const TerminalScreen& s = w->GetSession().Screen();
    const bool shown = WaitFor([&] { return s.RowText(s.Cursor().row - 1) == "row 99"; });
    w->FlushDamage();
    return shown;
  }
  std::string Row(TelnetWindowMDIChild* child, int row) {
    return std::string(child->Window()->GetSession().Screen().RowText(row));
  }

  QTemporaryDir dir;
  LoopbackServer server;
  Main_Configuration_Struct config;
  WindowPlacementRecord placement;
  KeyTable keys;
  Phonebook phonebook;
  ScriptedPlatform platform;
  RecordingStatus status;
  QtEventLoop loop;
  QWidget mainWindow;
  QMdiArea* area = nullptr;
  std::vector<SoundEvent> sounds;
  AppContext context;
};

TEST_F(SessionWindowTest, NegotiatesShowsTextAndAnswersTheCursorReport) {
  TelnetWindowMDIChild* child = Connected();
  EXPECT_EQ(child->windowTitle(), "127.0.0.1");
  ASSERT_EQ(sounds.size(), 1u);
  EXPECT_EQ(sounds[0], sound::kConnect);
  EXPECT_TRUE(status.cd);
  EXPECT_EQ(status.link, "TELNET");
  EXPECT_EQ(status.connectTime, "00:00:00");
  EXPECT_EQ(status.emulation, "VT100");

  server.Send("\xff\xfd\x18\xff\xfd\x1f\xff\xfb\x01");  // DO TTYPE, DO NAWS, WILL ECHO
  ASSERT_TRUE(Received("\xff\xfb\x18"));
  ASSERT_TRUE(Received(std::string("\xff\xfb\x1f\xff\xfa\x1f\x00\x50\x00\x18\xff\xf0", 12)));
  ASSERT_TRUE(Received("\xff\xfd\x01"));
  server.Send("\xff\xfa\x18\x01\xff\xf0");
  ASSERT_TRUE(Received(std::string("\xff\xfa\x18\x00VT100\xff\xf0", 10)));

  server.Send("\x1b[1;33mHello\x1b[0m world\r\n\x1b[6n");
  ASSERT_TRUE(Received("\x1b[4;1R"));
  // "Trying ...", "Connection established", an empty line, then our text.
  EXPECT_EQ(Row(child, 0), "Trying 127.0.0.1...Connection established");
  EXPECT_EQ(Row(child, 2), "Hello world");

  // The text is painted: bold VT100 text is yellow on the window's blue.
  TelnetWindow* w = child->Window();
  w->FlushDamage();
  const QImage shot = w->viewport()->grab().toImage();
  bool yellow = false;
  for (int x = 0; x < 5 * w->CellWidth(); ++x) {
    for (int y = 2 * w->LineHeight(); y < 3 * w->LineHeight(); ++y) {
      if (shot.pixelColor(x, y) == QColor(255, 255, 0)) yellow = true;
    }
  }
  EXPECT_TRUE(yellow);
  EXPECT_EQ(shot.pixelColor(w->viewport()->width() - 2, w->viewport()->height() - 2),
            QColor(0, 0, 128));
}

// What the display shows (the backing store, with the blitted scrolls and
// the partial repaints) must equal a full repaint from the buffer.
TEST_F(SessionWindowTest, IncrementalPaintingMatchesAFullRepaint) {
  TelnetWindowMDIChild* child = Connected();
  TelnetWindow* w = child->Window();
  // Small bursts with a display tick between them: each paint blits a few
  // lines of scroll and repaints only what changed.
  for (int i = 0; i < 120; ++i) {
    std::string lines = i % 2 ? "\x1b[1m" : "";
    for (int j = 0; j < 1 + i % 5; ++j) {
      lines +=
          "line " + std::to_string(i) + (j % 2 ? " \x1b[7mreverse\x1b[0m tail" : " plain") + "\r\n";
    }
    if (i % 17 == 0) lines += "\x1b[5;10Hedit\x1b[K\x1b[24;1H";
    if (i == 119) lines += "line 499\r\n";
    server.Send(lines);
    WaitFor([&] { return false; }, 5 + i % 20);
  }
  ASSERT_TRUE(WaitFor([&] {
    const auto& s = w->GetSession().Screen();
    return s.RowText(s.Cursor().row - 1).find("line 499") != std::string::npos;
  }));
  for (int i = 0; i < 5; ++i) {
    w->FlushDamage();
    QTest::qWait(30);
  }
  QWidget* vp = w->viewport();
  const QPoint origin = vp->mapTo(vp->window(), QPoint(0, 0));
  const QImage shown =
      vp->window()
          ->screen()
          ->grabWindow(vp->window()->winId(), origin.x(), origin.y(), vp->width(), vp->height())
          .toImage()
          .convertToFormat(QImage::Format_RGB32);
  const QImage full = vp->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shown.size(), full.size());
  int differing = 0;
  for (int y = 0; y < full.height(); ++y) {
    for (int x = 0; x < full.width(); ++x) {
      if (shown.pixel(x, y) != full.pixel(x, y)) ++differing;
    }
  }
  EXPECT_EQ(differing, 0);
}

TEST_F(SessionWindowTest, TypedKeysAndPasteAreSent) {
  TelnetWindowMDIChild* child = Connected();
  TelnetWindow* w = child->Window();
  QTest::keyClicks(w, "ls -l");
  QTest::keyClick(w, Qt::Key_Return);
  ASSERT_TRUE(Received("ls -l\r"));
  QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
  ASSERT_TRUE(Received("\x03"));
  QTest::keyClick(w, Qt::Key_Up);  // VT100 key map
  ASSERT_TRUE(Received("\x1b[A"));
  QTest::keyClick(w, Qt::Key_Backspace);  // sends DEL by default
  ASSERT_TRUE(Received("\x7f"));
  QTest::keyClick(w, Qt::Key_Tab);
  ASSERT_TRUE(Received("\x7f\t"));

  server.received.clear();
  QApplication::clipboard()->setText("echo one\r\necho two\r\n");
  EXPECT_TRUE(child->CommandEnabled(cmd::kPaste));
  EXPECT_TRUE(child->HandleCommand(cmd::kPaste));
  ASSERT_TRUE(Received("echo one\recho two\r"));
  EXPECT_EQ(server.received.find('\n'), std::string::npos);
  // Text from Linux programs has LF line ends: each still runs a command.
  server.received.clear();
  QApplication::clipboard()->setText("cd /\nls\n");
  EXPECT_TRUE(child->HandleCommand(cmd::kPaste));
  ASSERT_TRUE(Received("cd /\rls\r"));

  // Copy and Paste without a selection: nothing is copied, the clipboard's
  // text is pasted.
  server.received.clear();
  QApplication::clipboard()->setText("pwd\r\n");
  ASSERT_FALSE(child->HasSelection());
  EXPECT_FALSE(child->CommandEnabled(cmd::kCopy));
  EXPECT_TRUE(child->CommandEnabled(cmd::kCopyAndPaste));
  EXPECT_TRUE(child->HandleCommand(cmd::kCopyAndPaste));
  ASSERT_TRUE(Received("pwd\r"));
  EXPECT_EQ(QApplication::clipboard()->text(), "pwd\r\n");
}

TEST_F(SessionWindowTest, ScrollBarMovesTheViewAndAKeyBringsItBack) {
  TelnetWindowMDIChild* child = Connected();
  TelnetWindow* w = child->Window();
  const TerminalScreen& s = w->GetSession().Screen();
  ASSERT_TRUE(SendHundredRows(w));
  const int top = s.ScreenTop();
  EXPECT_EQ(w->verticalScrollBar()->value(), top);
  EXPECT_EQ(w->verticalScrollBar()->maximum(), s.VerticalRange());
  w->verticalScrollBar()->setValue(top - 10);  // the user scrolls back
  EXPECT_EQ(s.ScreenTop(), top - 10);
  QTest::keyClick(w, Qt::Key_X);
  EXPECT_EQ(s.ScreenTop(), top);
  EXPECT_EQ(w->verticalScrollBar()->value(), top);
  ASSERT_TRUE(Received("x"));
}

// A sideways scroll is a scroll-back too: the next key brings the view back
// to column 0. A view too far back for the cursor stays where it is, sideways
// as well.
TEST_F(SessionWindowTest, KeyAfterASidewaysScrollReturnsToColumnZero) {
  TelnetWindowMDIChild* child = Connected();
  TelnetWindow* w = child->Window();
  child->resize(child->width() / 2, child->height());
  ASSERT_GT(w->horizontalScrollBar()->maximum(), 5);
  w->horizontalScrollBar()->setValue(5);
  EXPECT_TRUE(w->GetSession().Scroll().Kept());
  QTest::keyClick(w, Qt::Key_X);
  EXPECT_EQ(w->horizontalScrollBar()->value(), 0);
  ASSERT_TRUE(Received("x"));

  const TerminalScreen& s = w->GetSession().Screen();
  ASSERT_TRUE(SendHundredRows(w));
  // Kept at the very top, far above the cursor: the key leaves the view.
  w->GetSession().Scroll().UserScrolls(0);
  w->verticalScrollBar()->setValue(1);
  w->horizontalScrollBar()->setValue(5);
  QTest::keyClick(w, Qt::Key_Y);
  EXPECT_EQ(s.ScreenTop(), 1);
  EXPECT_EQ(w->horizontalScrollBar()->value(), 5);
  EXPECT_FALSE(w->GetSession().Scroll().Kept());
  ASSERT_TRUE(Received("xy"));
}

TEST_F(SessionWindowTest, ResizeSendsTheNewSizeWhileNawsIsOn) {
  TelnetWindowMDIChild* child = Connected();
  server.Send("\xff\xfd\x1f");
  ASSERT_TRUE(Received(std::string("\xff\xfa\x1f\x00\x50\x00\x18\xff\xf0", 9)));
  TelnetWindow* w = child->Window();
  server.received.clear();
  child->resize(child->width(), child->height() + 10 * w->LineHeight());
  ASSERT_TRUE(Received(std::string("\xff\xfa\x1f\x00\x50\x00\x22\xff\xf0", 9)));
  EXPECT_EQ(w->GetSession().Screen().Height(), 34);

  // A smaller window: fewer rows reported, the column count stays 80.
  server.received.clear();
  child->resize(child->width() / 2, child->height() - 20 * w->LineHeight());
  ASSERT_TRUE(Received(std::string("\xff\xfa\x1f\x00\x50\x00\x0e\xff\xf0", 9)));
}

TEST_F(SessionWindowTest, MouseSelectionIsCopiedAsDescribed) {
  TelnetWindowMDIChild* child = Connected();
  server.Send("\x1b[H\x1b[2Jalpha beta\r\ngamma\r\ndelta epsilon\r\n");
  TelnetWindow* w = child->Window();
  ASSERT_TRUE(WaitFor([&] { return Row(child, 2) == "delta epsilon"; }));
  const int cw = w->CellWidth();
  const int lh = w->LineHeight();
  QWidget* vp = w->viewport();
  const auto send = [&](QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
    QMouseEvent e(type, pos, vp->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(vp, &e);
  };
  // From the middle of "beta" (left half of 'b') to the middle of "delta".
  send(QEvent::MouseButtonPress, QPoint(6 * cw + 1, lh / 2), Qt::LeftButton);
  send(QEvent::MouseMove, QPoint(3 * cw + 1, 2 * lh + lh / 2), Qt::LeftButton);
  send(QEvent::MouseButtonRelease, QPoint(3 * cw + 1, 2 * lh + lh / 2), Qt::NoButton);
  EXPECT_TRUE(child->HasSelection());
  EXPECT_TRUE(child->CommandEnabled(cmd::kCopy));
  // The selection is the primary selection at once; Copy puts it on the
  // clipboard, both with LF line ends.
  EXPECT_EQ(platform.primary, "beta\ngamma\ndel");
  child->HandleCommand(cmd::kCopy);
  EXPECT_EQ(QApplication::clipboard()->text(), "beta\ngamma\ndel");
  // The middle button types the primary selection.
  server.received.clear();
  platform.primary = "uname\n";
  QMouseEvent middle(QEvent::MouseButtonPress, QPoint(1, 1), vp->mapToGlobal(QPoint(1, 1)),
                     Qt::MiddleButton, Qt::MiddleButton, Qt::NoModifier);
  QApplication::sendEvent(vp, &middle);
  ASSERT_TRUE(Received("uname\r"));
  EXPECT_TRUE(child->HasSelection());  // the middle button leaves the selection

  // Right to left on one row copies the same as left to right.
  send(QEvent::MouseButtonPress, QPoint(5 * cw + 1, lh / 2), Qt::LeftButton);
  send(QEvent::MouseButtonRelease, QPoint(0, lh / 2), Qt::NoButton);
  child->HandleCommand(cmd::kCopy);
  EXPECT_EQ(QApplication::clipboard()->text(), "alpha");

  // Arriving data clears the selection.
  server.Send("x");
  ASSERT_TRUE(WaitFor([&] { return !child->HasSelection(); }));
  EXPECT_FALSE(child->CommandEnabled(cmd::kCopy));
}

struct CloseCase {
  const char* name;
  MsgResult answer;
  bool closes;
};

class ClosingTest : public SessionWindowTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(ClosingTest, AsksOnceWhenTheHostCloses) {
  QPointer<TelnetWindowMDIChild> child = Connected();
  bool ended = false;
  QObject::connect(child, &TelnetWindowMDIChild::ConnectionEnded, [&] { ended = true; });
  platform.messageAnswers.push_back(GetParam().answer);
  server.CloseClient();
  ASSERT_TRUE(WaitFor([&] { return ended; }));
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].text, "Connection closed.  Close window?");
  EXPECT_EQ(platform.messages[0].caption, "127.0.0.1");
  EXPECT_EQ(platform.messages[0].icon, MsgIcon::Question);
  EXPECT_EQ(platform.messages[0].buttons, MsgButtons::YesNo);
  if (GetParam().closes) {
    EXPECT_TRUE(WaitFor([&] { return child.isNull(); }));
  } else {
    QTest::qWait(50);
    ASSERT_FALSE(child.isNull());
    EXPECT_FALSE(child->IsConnected());
    EXPECT_FALSE(status.cd);
    delete child.data();
  }
  EXPECT_EQ(platform.messages.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Answers, ClosingTest,
                         ::testing::Values(CloseCase{"Yes", MsgResult::Yes, true},
                                           CloseCase{"No", MsgResult::No, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A loopback port on which nothing listens.
int UnusedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  close(fd);
  return ntohs(a.sin_port);
}

TEST_F(SessionWindowTest, RefusedConnectionIsReportedAndCloses) {
  TelnetSessionParams params;
  params.host = "127.0.0.1";
  params.port = static_cast<uint16_t>(UnusedPort());
  params.title = "refused";
  QPointer<TelnetWindowMDIChild> child = new TelnetWindowMDIChild(context, params);
  child->setAttribute(Qt::WA_DeleteOnClose);
  area->addSubWindow(child);
  child->show();
  ASSERT_TRUE(WaitFor([&] { return child.isNull(); }));
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].text, "Could not connect to remote host");
  EXPECT_EQ(platform.messages[0].caption, "refused");
  EXPECT_EQ(platform.messages[0].icon, MsgIcon::Exclamation);
}

// Closing the active, connected session puts out its lamp and clears its
// connect time: no pane goes on describing a session that is gone.
TEST_F(SessionWindowTest, ClosingTheActiveSessionClearsItsConnectionPanes) {
  TelnetWindowMDIChild* child = Connected();
  ASSERT_TRUE(status.cd);
  ASSERT_EQ(status.connectTime, "00:00:00");
  child->close();
  EXPECT_FALSE(status.cd);
  EXPECT_EQ(status.connectTime, "");
}

TEST_F(SessionWindowTest, ClosingRecordsWhetherTheSessionWasMaximized) {
  TelnetWindowMDIChild* child = Open();
  child->showMaximized();
  QPointer<TelnetWindowMDIChild> guard = child;
  child->close();
  EXPECT_TRUE(guard.isNull() || !guard->isVisible());
  EXPECT_EQ(placement.SessionsMaximized, 1);
  TelnetWindowMDIChild* second = Open();
  second->showNormal();
  second->close();
  EXPECT_EQ(placement.SessionsMaximized, 0);
  EXPECT_TRUE(platform.messages.empty());  // closing while connected asks nothing
}

TEST_F(SessionWindowTest, ColoursAreAppliedAndSavedForNewWindows) {
  TelnetWindowMDIChild* first = Open();
  platform.dialogResponders.push_back([](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Background Color");
    const auto radios = d.findChildren<QRadioButton*>();
    EXPECT_EQ(radios.size(), 16);
    if (radios.size() > 1) radios[1]->setChecked(true);  // the second colour, dark red
    return static_cast<int>(QDialog::Accepted);
  });
  first->HandleCommand(cmd::kBackgroundColor);
  const QColor chosen = first->Window()->BackgroundColor();
  EXPECT_NE(chosen, QColor(0, 0, 128));
  const QString file = dir.filePath("WINDPREF.CFG");
  ASSERT_TRUE(QFileInfo::exists(file));
  EXPECT_EQ(QFileInfo(file).size(), 102);
  TelnetWindowMDIChild* second = Open();
  EXPECT_EQ(second->Window()->BackgroundColor(), chosen);
}

TEST_F(SessionWindowTest, FontChangeResizesThisWindowAndIsKeptForNewOnes) {
  TelnetWindowMDIChild* first = Open();
  QTest::qWait(20);
  TelnetWindowMDIChild* second = Open();
  QTest::qWait(20);
  const int oldLine = second->Window()->LineHeight();
  const QSize oldFrame = first->size();
  QFont big(QStringLiteral("DejaVu Sans Mono"));
  big.setPixelSize(24);
  platform.fontAnswers.push_back(big);
  first->HandleCommand(cmd::kFont);
  TelnetWindow* w = first->Window();
  EXPECT_GT(w->LineHeight(), oldLine);
  // The frame grew by as much as the terminal: still 24 rows of 80 columns.
  EXPECT_GT(first->width(), oldFrame.width());
  QTest::qWait(20);
  EXPECT_EQ(w->GetSession().Screen().Height(), 24);
  EXPECT_EQ(w->VisibleColumns(), 80);
  // The other open window keeps its font; a new one takes the saved font.
  EXPECT_EQ(second->Window()->LineHeight(), oldLine);
  EXPECT_EQ(QFileInfo(dir.filePath("WINDPREF.CFG")).size(), 102);
  TelnetWindowMDIChild* third = Open();
  EXPECT_EQ(third->Window()->LineHeight(), w->LineHeight());
  EXPECT_TRUE(platform.messages.empty());
}

// The font dialog opens on the window's font as it is; OK without a change
// leaves the preferences file byte for byte as it was.
TEST_F(SessionWindowTest, FontDialogOpensOnTheCurrentFontAndOkWithoutChangeKeepsTheFile) {
  TelnetWindowMDIChild* child = Open();
  QFont chosen(QStringLiteral("DejaVu Sans Mono"));
  chosen.setPixelSize(15);
  platform.fontAnswers.push_back(chosen);
  child->HandleCommand(cmd::kFont);
  const QString file = dir.filePath("WINDPREF.CFG");
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray before = f.readAll();
  f.close();
  for (int i = 0; i < 2; ++i) {
    platform.unchangedFontAnswers = 1;
    child->HandleCommand(cmd::kFont);
    const QFont& opened = platform.fontDialogsOpenedOn.back();
    EXPECT_FALSE(opened.italic());
    EXPECT_FALSE(opened.bold());
    EXPECT_EQ(QFontInfo(opened).pixelSize(), 15);
    EXPECT_EQ(opened.letterSpacingType(), QFont::PercentageSpacing);
    const QString style = MatchingStyleName(opened);
    EXPECT_FALSE(style.contains(QStringLiteral("Oblique")) ||
                 style.contains(QStringLiteral("Italic")))
        << style.toStdString();
  }
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), before);
  // A new window is not italic either.
  EXPECT_FALSE(Open()->Window()->TerminalFont().italic());
}

TEST_F(SessionWindowTest, DamagedPreferencesFileGivesTheMessageAndDefaults) {
  QFile file(dir.filePath("WINDPREF.CFG"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(50, '\x11'));
  file.close();
  TelnetWindowMDIChild* child = Open();
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].text,
            "Error in WINDPREF.CFG window preferences file\n\tDefaults will be used");
  EXPECT_EQ(platform.messages[0].caption, "Parlane");
  EXPECT_EQ(platform.messages[0].icon, MsgIcon::Exclamation);
  EXPECT_EQ(child->Window()->BackgroundColor(), QColor(0, 0, 128));
  EXPECT_EQ(child->Window()->TextColor(), QColor(255, 255, 255));
  Open();  // read once per run and class: no second message
  EXPECT_EQ(platform.messages.size(), 1u);
}

TEST_F(SessionWindowTest, TerminalSettingsChangeTheWindowAndTheDefaults) {
  TelnetWindowMDIChild* child = Connected();
  platform.dialogResponders.push_back([](QDialog& d) {
    auto* dialog = dynamic_cast<TerminalSettings*>(&d);
    EXPECT_NE(dialog, nullptr);
    if (dialog) dialog->EmulationList()->setCurrentRow(2);  // PC ANSI
    return static_cast<int>(QDialog::Accepted);
  });
  child->HandleCommand(cmd::kTerminalSettings);
  EXPECT_EQ(child->Window()->GetSession().Options().Emulation, 2u);
  EXPECT_EQ(config.Terminal.Emulation, 2u);
  EXPECT_EQ(status.emulation, "PC ANSI");
  // The emulation takes effect for the bytes that follow: PC ANSI colours.
  server.Send("\x1b[31mred");
  ASSERT_TRUE(WaitFor([&] { return Row(child, 2).find("red") != std::string::npos; }));
  const auto& screen = child->Window()->GetSession().Screen();
  EXPECT_EQ(screen.Row(2).Attrs()[0], 0x10);  // red on black
}

TEST_F(SessionWindowTest, CommandLineSessionExitsWhenTheServerCloses) {
  const QString program = QStringLiteral(PARLANE_BUILD_DIR "/src/gui/parlane");
  ASSERT_TRUE(QFileInfo::exists(program)) << "build the parlane target first";
  QProcess parlane;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  parlane.setProcessEnvironment(env);
  // A home that does not exist yet: a first run, which asks nothing.
  parlane.start(program,
                {"--home", dir.filePath("home"), "127.0.0.1", QString::number(server.Port())});
  ASSERT_TRUE(parlane.waitForStarted(5000));
  ASSERT_TRUE(WaitFor([&] { return server.HasClient(); }, 10000));
  server.Send("bye\r\n");
  server.CloseClient();
  ASSERT_TRUE(parlane.waitForFinished(10000)) << "Parlane kept running";
  EXPECT_EQ(parlane.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(parlane.exitCode(), 0);
}

}  // namespace
}  // namespace parlane
