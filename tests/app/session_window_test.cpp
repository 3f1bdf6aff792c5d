// A Telnet session window against a loopback host run by the test: what the
// window adds to the engine's session (tested on its own in tests/session):
// painting, keys, paste, NAWS after a resize, selection and Copy, the
// closing question, colours, fonts and terminal settings.
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>

#include "dialogs/terminal_settings.h"
#include "frame_fixture.h"

namespace parlane::test {
namespace {

class SessionWindowTest : public SessionContextTest {
 protected:
  // The host prints "row 0" to "row 99"; true once all are shown.
  bool SendHundredRows(TelnetWindow* w) {
    std::string lines;
    for (int i = 0; i < 100; ++i) lines += "row " + std::to_string(i) + "\r\n";
    server.Send(lines);
    const TerminalScreen& s = w->GetSession().Screen();
    const bool shown = RunUntil([&] { return s.RowText(s.Cursor().row - 1) == "row 99"; });
    w->FlushDamage();
    return shown;
  }
  std::string Row(TelnetWindowMDIChild* child, int row) {
    return std::string(child->Window()->GetSession().Screen().RowText(row));
  }
  QByteArray Preferences() {
    QFile f(dir.filePath("WINDPREF.CFG"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
};

TEST_F(SessionWindowTest, NegotiatesShowsTextAndAnswersTheCursorReport) {
  TelnetWindowMDIChild* child = Connected();
  EXPECT_EQ(child->windowTitle(), "127.0.0.1");
  EXPECT_EQ(sounds, std::vector<SoundEvent>{sound::kConnect});
  EXPECT_TRUE(status.cd);
  EXPECT_EQ(status.link, "TELNET");
  EXPECT_EQ(status.connectTime, "00:00:00");
  EXPECT_EQ(status.emulation, "VT100");

  // The terminal type is the window's emulation.
  server.Send("\xff\xfd\x18\xff\xfa\x18\x01\xff\xf0");
  ASSERT_TRUE(server.Gets(std::string("\xff\xfa\x18\x00VT100\xff\xf0", 10)));
  server.Send("\x1b[1;33mHello\x1b[0m world\r\n\x1b[6n");
  ASSERT_TRUE(server.Gets("\x1b[4;1R"));
  // "Trying ...", "Connection established", an empty line, then our text.
  EXPECT_EQ(Row(child, 0), "Trying 127.0.0.1...Connection established");
  EXPECT_EQ(Row(child, 2), "Hello world");

  // The text is painted: bold VT100 text is yellow on the window's blue.
  TelnetWindow* w = child->Window();
  w->FlushDamage();
  const QImage shot = w->viewport()->grab().toImage();
  bool yellow = false;
  for (int x = 0; x < 5 * w->CellWidth(); ++x) {
    for (int y = 2 * w->LineHeight(); y < 3 * w->LineHeight(); ++y)
      yellow = yellow || shot.pixelColor(x, y) == QColor(255, 255, 0);
  }
  EXPECT_TRUE(yellow);
  EXPECT_EQ(shot.pixelColor(w->viewport()->width() - 2, w->viewport()->height() - 2),
            QColor(0, 0, 128));
}

// What the display shows (the backing store, with the blitted scrolls and
// the partial repaints) must equal a full repaint from the buffer.
TEST_F(SessionWindowTest, IncrementalPaintingMatchesAFullRepaint) {
  TelnetWindow* w = Connected()->Window();
  // Small bursts with a display tick between them: each paint blits a few
  // lines of scroll and repaints only what changed.
  for (int i = 0; i < 120; ++i) {
    std::string lines = i % 2 ? "\x1b[1m" : "";
    for (int j = 0; j < 1 + i % 5; ++j)
      lines += "line " + std::to_string(i) + (j % 2 ? " \x1b[7mreverse\x1b[0m tail" : " plain") + "\r\n";
    if (i % 17 == 0) lines += "\x1b[5;10Hedit\x1b[K\x1b[24;1H";
    if (i == 119) lines += "line 499\r\n";
    server.Send(lines);
    RunUntil([] { return false; }, 5 + i % 20);
  }
  ASSERT_TRUE(RunUntil([&] { return ScreenText(w).find("line 499") != std::string::npos; }));
  for (int i = 0; i < 5; ++i) {
    w->FlushDamage();
    QTest::qWait(30);
  }
  QWidget* vp = w->viewport();
  const QPoint origin = vp->mapTo(vp->window(), QPoint(0, 0));
  const QImage shown = vp->window()
                           ->screen()
                           ->grabWindow(vp->window()->winId(), origin.x(), origin.y(), vp->width(),
                                        vp->height())
                           .toImage()
                           .convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shown, vp->grab().toImage().convertToFormat(QImage::Format_RGB32));
}

TEST_F(SessionWindowTest, TypedKeysAndPasteAreSent) {
  TelnetWindowMDIChild* child = Connected();
  TelnetWindow* w = child->Window();
  QTest::keyClicks(w, "ls -l");
  QTest::keyClick(w, Qt::Key_Return);
  ASSERT_TRUE(server.Gets("ls -l\r"));
  QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
  ASSERT_TRUE(server.Gets("\x03"));
  QTest::keyClick(w, Qt::Key_Up);  // VT100 key map
  ASSERT_TRUE(server.Gets("\x1b[A"));
  QTest::keyClick(w, Qt::Key_Backspace);  // sends DEL by default
  QTest::keyClick(w, Qt::Key_Tab);
  ASSERT_TRUE(server.Gets("\x7f\t"));

  // CR LF and the LF of Linux programs' text alike run one command a line;
  // no LF goes out.
  for (const char* text : {"echo one\r\necho two\r\n", "echo one\necho two\n"}) {
    QApplication::clipboard()->setText(text);
    EXPECT_TRUE(child->CommandEnabled(cmd::kPaste));
    EXPECT_TRUE(child->HandleCommand(cmd::kPaste));
    ASSERT_TRUE(server.Gets("echo one\recho two\r"));
    EXPECT_EQ(server.received.find('\n'), std::string::npos);
  }

  // Copy and Paste without a selection: nothing is copied, the clipboard's
  // text is pasted.
  QApplication::clipboard()->setText("pwd\r\n");
  ASSERT_FALSE(child->HasSelection());
  EXPECT_FALSE(child->CommandEnabled(cmd::kCopy));
  EXPECT_TRUE(child->CommandEnabled(cmd::kCopyAndPaste));
  EXPECT_TRUE(child->HandleCommand(cmd::kCopyAndPaste));
  ASSERT_TRUE(server.Gets("pwd\r"));
  EXPECT_EQ(QApplication::clipboard()->text(), "pwd\r\n");
}

// A key brings a scrolled-back view (up or sideways) back to the cursor;
// a view too far back for the cursor stays where it is, sideways as well.
TEST_F(SessionWindowTest, AKeyBringsAScrolledViewBack) {
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

  child->resize(child->width() / 2, child->height());
  ASSERT_GT(w->horizontalScrollBar()->maximum(), 5);
  w->horizontalScrollBar()->setValue(5);
  EXPECT_TRUE(w->GetSession().Scroll().Kept());
  QTest::keyClick(w, Qt::Key_Y);
  EXPECT_EQ(w->horizontalScrollBar()->value(), 0);

  // Kept at the very top, far above the cursor: the key leaves the view.
  w->GetSession().Scroll().UserScrolls(0);
  w->verticalScrollBar()->setValue(1);
  w->horizontalScrollBar()->setValue(5);
  QTest::keyClick(w, Qt::Key_Z);
  EXPECT_EQ(s.ScreenTop(), 1);
  EXPECT_EQ(w->horizontalScrollBar()->value(), 5);
  EXPECT_FALSE(w->GetSession().Scroll().Kept());
  ASSERT_TRUE(server.Gets("xyz"));
}

TEST_F(SessionWindowTest, ResizeSendsTheNewSizeWhileNawsIsOn) {
  TelnetWindowMDIChild* child = Connected();
  server.Send("\xff\xfd\x1f");
  ASSERT_TRUE(server.Gets(std::string("\xff\xfa\x1f\x00\x50\x00\x18\xff\xf0", 9)));
  TelnetWindow* w = child->Window();
  child->resize(child->width(), child->height() + 10 * w->LineHeight());
  ASSERT_TRUE(server.Gets(std::string("\xff\xfa\x1f\x00\x50\x00\x22\xff\xf0", 9)));
  EXPECT_EQ(w->GetSession().Screen().Height(), 34);
  // A smaller window: fewer rows reported, the column count stays 80.
  child->resize(child->width() / 2, child->height() - 20 * w->LineHeight());
  ASSERT_TRUE(server.Gets(std::string("\xff\xfa\x1f\x00\x50\x00\x0e\xff\xf0", 9)));
}

TEST_F(SessionWindowTest, MouseSelectionIsCopiedAsDescribed) {
  TelnetWindowMDIChild* child = Connected();
  server.Send("\x1b[H\x1b[2Jalpha beta\r\ngamma\r\ndelta epsilon\r\n");
  TelnetWindow* w = child->Window();
  ASSERT_TRUE(RunUntil([&] { return Row(child, 2) == "delta epsilon"; }));
  const int cw = w->CellWidth();
  const int lh = w->LineHeight();
  QWidget* vp = w->viewport();
  const auto send = [&](QEvent::Type type, QPoint pos, Qt::MouseButton button,
                        Qt::MouseButtons buttons) {
    QMouseEvent e(type, pos, vp->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(vp, &e);
  };
  // From the middle of "beta" (left half of 'b') to the middle of "delta".
  send(QEvent::MouseButtonPress, QPoint(6 * cw + 1, lh / 2), Qt::LeftButton, Qt::LeftButton);
  send(QEvent::MouseMove, QPoint(3 * cw + 1, 2 * lh + lh / 2), Qt::LeftButton, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, QPoint(3 * cw + 1, 2 * lh + lh / 2), Qt::LeftButton,
       Qt::NoButton);
  EXPECT_TRUE(child->CommandEnabled(cmd::kCopy));
  // The selection is the primary selection at once; Copy puts it on the
  // clipboard, both with LF line ends.
  EXPECT_EQ(platform.primary, "beta\ngamma\ndel");
  child->HandleCommand(cmd::kCopy);
  EXPECT_EQ(QApplication::clipboard()->text(), "beta\ngamma\ndel");
  // The middle button types the primary selection and leaves the selection.
  platform.primary = "uname\n";
  send(QEvent::MouseButtonPress, QPoint(1, 1), Qt::MiddleButton, Qt::MiddleButton);
  ASSERT_TRUE(server.Gets("uname\r"));
  EXPECT_TRUE(child->HasSelection());

  // Right to left on one row copies the same as left to right.
  send(QEvent::MouseButtonPress, QPoint(5 * cw + 1, lh / 2), Qt::LeftButton, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, QPoint(0, lh / 2), Qt::LeftButton, Qt::NoButton);
  child->HandleCommand(cmd::kCopy);
  EXPECT_EQ(QApplication::clipboard()->text(), "alpha");

  // Arriving data clears the selection.
  server.Send("x");
  ASSERT_TRUE(RunUntil([&] { return !child->HasSelection(); }));
  EXPECT_FALSE(child->CommandEnabled(cmd::kCopy));
}

TEST_F(SessionWindowTest, AsksOnceWhenTheHostClosesAndClosesOnYes) {
  for (const bool yes : {true, false}) {
    SCOPED_TRACE(yes ? "Yes" : "No");
    platform.messages.clear();
    QPointer<TelnetWindowMDIChild> child = Connected();
    bool ended = false;
    QObject::connect(child, &TelnetWindowMDIChild::ConnectionEnded, [&] { ended = true; });
    platform.messageAnswers.push_back(yes ? MsgResult::Yes : MsgResult::No);
    server.CloseClient();
    ASSERT_TRUE(RunUntil([&] { return ended; }));
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text, "Connection closed.  Close window?");
    EXPECT_EQ(platform.messages[0].caption, "127.0.0.1");
    EXPECT_EQ(platform.messages[0].icon, MsgIcon::Question);
    EXPECT_EQ(platform.messages[0].buttons, MsgButtons::YesNo);
    if (yes) {
      EXPECT_TRUE(RunUntil([&] { return child.isNull(); }));
    } else {
      QTest::qWait(50);
      ASSERT_FALSE(child.isNull());
      EXPECT_FALSE(child->IsConnected());
      EXPECT_FALSE(status.cd);
      delete child.data();
    }
    EXPECT_EQ(platform.messages.size(), 1u);
  }
}

TEST_F(SessionWindowTest, RefusedConnectionIsReportedAndCloses) {
  TelnetSessionParams params = SessionTo(server, config.Terminal);
  params.port = static_cast<uint16_t>(FreePort());
  params.title = "refused";
  QPointer<TelnetWindowMDIChild> child = Open(params);
  ASSERT_TRUE(RunUntil([&] { return child.isNull(); }));
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].text, "Could not connect to remote host");
  EXPECT_EQ(platform.messages[0].caption, "refused");
  EXPECT_EQ(platform.messages[0].icon, MsgIcon::Exclamation);
}

// Closing the active, connected session puts out its lamp, clears its
// connect time, records whether it was maximized and asks nothing.
TEST_F(SessionWindowTest, ClosingClearsTheConnectionPanesAndRecordsMaximized) {
  TelnetWindowMDIChild* child = Connected();
  ASSERT_TRUE(status.cd);
  ASSERT_EQ(status.connectTime, "00:00:00");
  child->showMaximized();
  child->close();
  EXPECT_FALSE(status.cd);
  EXPECT_EQ(status.connectTime, "");
  EXPECT_EQ(placement.SessionsMaximized, 1);
  TelnetWindowMDIChild* second = Open();
  second->showNormal();
  second->close();
  EXPECT_EQ(placement.SessionsMaximized, 0);
  EXPECT_TRUE(platform.messages.empty());
}

// Colour and font: this window changes (the other open one keeps its font),
// a new one takes what WINDPREF.CFG keeps.
TEST_F(SessionWindowTest, ColourAndFontChangeThisWindowAndAreKeptForNewOnes) {
  TelnetWindowMDIChild* first = Open();
  QTest::qWait(20);
  TelnetWindowMDIChild* second = Open();
  QTest::qWait(20);
  platform.dialogResponders.push_back([](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Background Color");
    const auto radios = d.findChildren<QRadioButton*>();
    EXPECT_EQ(radios.size(), 16);
    if (radios.size() > 1) radios[1]->setChecked(true);  // the second colour, dark red
    return int{QDialog::Accepted};
  });
  first->HandleCommand(cmd::kBackgroundColor);
  const QColor chosen = first->Window()->BackgroundColor();
  EXPECT_NE(chosen, QColor(0, 0, 128));
  EXPECT_EQ(Preferences().size(), 102);

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
  EXPECT_EQ(Preferences().size(), 102);
  TelnetWindow* third = Open()->Window();
  EXPECT_EQ(third->LineHeight(), w->LineHeight());
  EXPECT_EQ(third->BackgroundColor(), chosen);
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
  const QByteArray before = Preferences();
  for (int i = 0; i < 2; ++i) {
    platform.unchangedFontAnswers = 1;
    child->HandleCommand(cmd::kFont);
    const QFont& opened = platform.fontDialogsOpenedOn.back();
    EXPECT_FALSE(opened.italic());
    EXPECT_FALSE(opened.bold());
    EXPECT_EQ(QFontInfo(opened).pixelSize(), 15);
    EXPECT_EQ(opened.letterSpacingType(), QFont::PercentageSpacing);
    const QString style = MatchingStyleName(opened);
    EXPECT_FALSE(style.contains("Oblique") || style.contains("Italic")) << style.toStdString();
  }
  EXPECT_EQ(Preferences(), before);
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
    dynamic_cast<TerminalSettings&>(d).EmulationList()->setCurrentRow(2);  // PC ANSI
    return int{QDialog::Accepted};
  });
  child->HandleCommand(cmd::kTerminalSettings);
  EXPECT_EQ(child->Window()->GetSession().Options().Emulation, 2u);
  EXPECT_EQ(config.Terminal.Emulation, 2u);
  EXPECT_EQ(status.emulation, "PC ANSI");
  // The emulation takes effect for the bytes that follow: PC ANSI colours.
  server.Send("\x1b[31mred");
  ASSERT_TRUE(RunUntil([&] { return Row(child, 2).find("red") != std::string::npos; }));
  EXPECT_EQ(child->Window()->GetSession().Screen().Row(2).Attrs()[0], 0x10);  // red on black
}

}  // namespace
}  // namespace parlane::test
