// The main menu and the tool bar: accelerators, hints, enabling, check
// marks, the tool bar's buttons and the Window menu's list of windows.
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QToolBar>
#include <QToolButton>
#include <map>
#include <set>

#include "app/menu_table.h"
#include "frame_fixture.h"

namespace parlane::test {
namespace {

std::set<int> AllMenuIds(const QMenuBar* bar) {
  std::set<int> ids;
  std::function<void(const QMenu*)> walk = [&](const QMenu* menu) {
    for (const QAction* a : menu->actions()) {
      if (a->menu()) {
        walk(a->menu());
      } else if (!a->isSeparator()) {
        ids.insert(a->data().toInt());
      }
    }
  };
  for (const QAction* top : bar->actions()) walk(top->menu());
  return ids;
}

TEST_F(FrameTest, EveryAcceleratorTriggersItsCommand) {
  // Alt plus the key, and the command it stands for.
  const std::map<char, int> expected = {
      {'K', 173}, {'P', 172}, {'C', 24323}, {'V', 24324}, {'D', 158},   {'R', 154},   {'S', 198},
      {'X', 160}, {'T', 166}, {'Q', 24331}, {'O', 7101},  {'B', 20001}, {'A', 20005}, {'Z', 20006}};
  std::map<char, int> table;
  for (const Accelerator& a : Accelerators()) table[a.key] = a.id;
  EXPECT_EQ(table, expected);

  Start(true);
  // Alt+T runs Open Telnet Connection: its dialog appears (and is cancelled).
  Frame()->activateWindow();
  QTest::keyClick(Frame()->menuBar(), Qt::Key_T, Qt::AltModifier);
  ASSERT_EQ(platform_.dialogTitles.size(), 1u);
  EXPECT_EQ(platform_.dialogTitles[0], QStringLiteral("Open Telnet Connection"));
  // Alt+S (Send Files) is greyed without a session: nothing runs, and the
  // "&Script" menu's mnemonic does not take the key either.
  EXPECT_TRUE(Frame()->TranslateAccelerator(Qt::Key_S, Qt::AltModifier));
  // Alt with a letter that is no accelerator, and Alt+Shift+T, are left alone.
  EXPECT_FALSE(Frame()->TranslateAccelerator(Qt::Key_F, Qt::AltModifier));
  EXPECT_FALSE(Frame()->TranslateAccelerator(Qt::Key_T, Qt::AltModifier | Qt::ShiftModifier));
  EXPECT_EQ(platform_.dialogTitles.size(), 1u);
  // Alt+X closes the main window.
  QSignalSpy closed(Frame(), &TMainMDIDecoratedFrame::Closed);
  EXPECT_TRUE(Frame()->TranslateAccelerator(Qt::Key_X, Qt::AltModifier));
  EXPECT_EQ(closed.count(), 1);
}

TEST_F(FrameTest, HintsForEveryCommandButTwoAndEveryToolButton) {
  Start(true);
  for (int id : AllMenuIds(Frame()->menuBar())) {
    SCOPED_TRACE(id);
    if (id == cmd::kPrintSession || id == cmd::kTerminalSettings) {
      EXPECT_EQ(HintFor(id), nullptr);
    } else {
      ASSERT_NE(HintFor(id), nullptr);
      EXPECT_GT(std::string(HintFor(id)).size(), 5u);
    }
  }
  // Commands that are in no menu have hints too.
  EXPECT_STREQ(HintFor(24321), "Undo last operation");
  EXPECT_STREQ(HintFor(24322), "Cut selected text to clipboard");

  // Highlighting an item shows its hint; closing the menu gives the
  // message area back to the session text.
  Status()->SetMessage(QStringLiteral("session text"));
  QMenu* file = Frame()->menuBar()->actions().front()->menu();
  emit file->hovered(Frame()->MenuAction(cmd::kExit));
  EXPECT_EQ(Pane("message"), QStringLiteral("Quit Parlane"));
  emit file->hovered(Frame()->MenuAction(cmd::kPrintSession));
  EXPECT_EQ(Pane("message"), QString());
  emit file->aboutToHide();
  EXPECT_EQ(Pane("message"), QStringLiteral("session text"));

  // Copy is greyed without a session; the pointer on it still shows its hint.
  Frame()->activateWindow();
  QAction* copy = Frame()->MenuAction(cmd::kCopy);
  ASSERT_FALSE(copy->isEnabled());
  QMenu* edit = Frame()->EditMenu();
  edit->popup(QPoint(0, 0));
  ASSERT_TRUE(RunUntil([&] { return edit->isVisible(); }));
  const QPoint at = edit->actionGeometry(copy).center();
  QMouseEvent move(QEvent::MouseMove, at, edit->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(edit, &move);
  EXPECT_EQ(Pane("message"), QString::fromLatin1(HintFor(cmd::kCopy)));
  edit->hide();

  // The tool bar: nine commands and four tools in their groups, each button
  // with a hint while the pointer is on it, greyed ones drawn greyed.
  Status()->SetMessage(QStringLiteral("session text"));
  std::vector<int> ids;
  int gaps = 0;
  for (QAction* action : Frame()->ToolBar()->actions()) {
    auto* button = qobject_cast<QToolButton*>(Frame()->ToolBar()->widgetForAction(action));
    if (!action->data().isValid() || button == nullptr) {
      ++gaps;
      continue;
    }
    ids.push_back(action->data().toInt());
    SCOPED_TRACE(ids.back());
    EXPECT_FALSE(action->icon().isNull());
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(button, &enter);
    EXPECT_FALSE(Pane("message").isEmpty());
    EXPECT_NE(Pane("message"), QStringLiteral("session text"));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    EXPECT_EQ(Pane("message"), QStringLiteral("session text"));
    if (!action->isEnabled()) {
      const QSize size = button->iconSize();
      EXPECT_NE(button->icon().pixmap(size, QIcon::Disabled).toImage(),
                button->icon().pixmap(size, QIcon::Normal).toImage());
    }
  }
  EXPECT_EQ(ids, (std::vector<int>{172, 158, 166, 7101, 24323, 24324, 154, 198, 107, 340, 330, 320,
                                   310}));
  EXPECT_EQ(gaps, 3);
}

// Enabled items with no session window open. Session commands are greyed;
// commands whose work is not in the program yet are greyed.
const std::set<int> kEnabledWithoutSessions = {
    24338, 160, 167, 168, 169, 166, 173, 102, 103, 199, 159, 7505, 7404, 7707, 7606, 7607, 7608,
    7909, 7908, 7303, 7202, 24346, 20002, 20003, 20004, 172, 158, 120, 122,
    // printer set-up, sounds, keys, shell, tools and help
    24337, 165, 20007, 164, 107, 340, 341, 330, 331, 320, 321, 310, 311, 24343, 24345};

std::set<int> EnabledIds(TMainMDIDecoratedFrame* frame) {
  frame->UpdateCommandStates();
  std::set<int> enabled;
  for (int id : AllMenuIds(frame->menuBar())) {
    if (frame->MenuAction(id)->isEnabled()) enabled.insert(id);
  }
  return enabled;
}

TEST_F(FrameTest, EnablingInBothStatesOfTheDialupPointer) {
  Start(true);
  ASSERT_EQ(Client()->DialupWindow(), nullptr);
  EXPECT_EQ(EnabledIds(Frame()), kEnabledWithoutSessions);

  // A dial-up window exists: Open Dial-up Window stays greyed, and the
  // Window menu now has a window to act on.
  auto* dialup = new QMdiSubWindow;
  Client()->addSubWindow(dialup);
  dialup->show();
  Client()->SetDialupWindow(dialup);
  std::set<int> expected = kEnabledWithoutSessions;
  expected.insert({24361, 24362, 24364, 24365});
  expected.erase(158);
  EXPECT_EQ(EnabledIds(Frame()), expected);

  // The may-close query destroys the dial-up window and clears the pointer.
  EXPECT_TRUE(Client()->CanClose());
  EXPECT_EQ(Client()->DialupWindow(), nullptr);
  QCoreApplication::processEvents();
  EXPECT_EQ(EnabledIds(Frame()), kEnabledWithoutSessions);
}

TEST_F(FrameTest, CheckMarksFollowTheSettings) {
  Start(true);
  auto checked = [&](int id) {
    Frame()->UpdateCommandStates();
    return Frame()->MenuAction(id)->isChecked();
  };
  EXPECT_TRUE(checked(cmd::kSize24x80));
  EXPECT_TRUE(checked(cmd::kZmodem));
  EXPECT_FALSE(checked(cmd::kYmodemG));
  EXPECT_TRUE(checked(cmd::kKeypadNumeric));
  EXPECT_TRUE(checked(cmd::kShowToolbar));

  Frame()->MenuAction(cmd::kSize35x132)->trigger();
  EXPECT_EQ(Config().Rows, 35);
  EXPECT_EQ(Config().Columns, 132);
  for (const SessionSize& size : SessionSizes()) {
    EXPECT_EQ(checked(size.id), size.id == cmd::kSize35x132) << size.id;
  }
  Frame()->MenuAction(cmd::kYmodemG)->trigger();
  EXPECT_EQ(Config().Protocol, 0u);
  EXPECT_TRUE(checked(cmd::kYmodemG));
  EXPECT_FALSE(checked(cmd::kZmodem));
  Frame()->MenuAction(cmd::kKeypadApplication)->trigger();
  EXPECT_EQ(Config().KeypadNumeric, 0);
  EXPECT_TRUE(checked(cmd::kKeypadApplication));
  EXPECT_FALSE(checked(cmd::kKeypadNumeric));

  Frame()->MenuAction(cmd::kShowToolbar)->trigger();
  EXPECT_EQ(Config().ToolbarHidden, 1);
  EXPECT_FALSE(checked(cmd::kShowToolbar));
  EXPECT_FALSE(Frame()->ToolBar()->isVisibleTo(Frame()));
  Frame()->MenuAction(cmd::kShowToolbar)->trigger();
  EXPECT_EQ(Config().ToolbarHidden, 0);
  EXPECT_TRUE(Frame()->ToolBar()->isVisibleTo(Frame()));
}

TEST_F(FrameTest, WindowMenuListsTheOpenWindows) {
  LoopbackServer a, b;
  Start(true);
  QMenu* menu = nullptr;
  for (QAction* top : Frame()->menuBar()->actions())
    if (top->text() == QLatin1String("&Window")) menu = top->menu();
  ASSERT_NE(menu, nullptr);
  const qsizetype fixed = menu->actions().size();
  TelnetWindowMDIChild* first = OpenSession(a, "alpha & co");
  TelnetWindowMDIChild* second = OpenSession(b, "beta");
  for (int round = 0; round < 2; ++round) {  // filled again, never twice
    emit menu->aboutToShow();
    const QList<QAction*> items = menu->actions().mid(fixed);
    ASSERT_EQ(items.size(), 3);
    EXPECT_TRUE(items[0]->isSeparator());
    EXPECT_EQ(items[1]->text(), QStringLiteral("&1 alpha && co"));
    EXPECT_EQ(items[2]->text(), QStringLiteral("&2 beta"));
    EXPECT_FALSE(items[1]->isChecked());
    EXPECT_TRUE(items[2]->isChecked());
  }
  menu->actions().mid(fixed)[1]->trigger();
  EXPECT_EQ(Client()->activeSubWindow(), first);
  delete second;
  emit menu->aboutToShow();
  EXPECT_EQ(menu->actions().size(), fixed + 2);
}

}  // namespace
}  // namespace parlane::test
