// The main menu against the command table: every item's text, id,
// separators, accelerator, hint, enabling and check marks.
#include <QAction>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <map>
#include <set>
#include <string>

#include "app/commands.h"
#include "app/menu_table.h"
#include "frame_fixture.h"

namespace parlane::test {
namespace {

// The menu as the program describes it: pop-ups indented by two spaces per
// level, items as "text = id", separators as "-".
constexpr const char* kExpectedMenu = R"(&File
  Begin &Capture\tAlt+Q = 24331
  Tr&ansmit File = 20000
  -
  &Save Current Session = 24333
  Save Se&lected Text = 24334
  -
  Print Current &Page\tAlt+O = 7101
  Print Current S&ession = 24335
  Print Selected &Text = 24336
  Printer &Font = 24338
  P&rinter Setup... = 24337
  -
  E&xit\tAlt+X = 160
&Edit
  &Copy\tAlt+C = 24323
  &Paste\tAlt+V = 24324
  Copy &and Paste\tAlt+B = 20001
V&iew
  &Font = 157
  &Background Color = 121
  &Text Color = 156
  -
  Show T&oolbar = 167
  Show &Connect Time = 168
  Show &System Time = 169
Co&mmunications
  &Phonebook\tAlt+P = 172
  -
  Open &Dial-up Window\tAlt+D = 158
  Open &Telnet Connection\tAlt+T = 166
  Start Telnet Host Mode &Server = 20002
  -
  &Hangup Modem\tAlt+K = 173
Tr&ansfers
  &Receive Files\tAlt+R = 154
  &Send Files\tAlt+S = 198
  -
  &Ymodem-G Protocol = 102
  &Zmodem Protocol = 103
  -
  Set Receive &Directory = 199
&Script
  &Create = 20003
  &Edit = 20004
  -
  &Run\tAlt+A = 20005
  Sto&p\tAlt+Z = 20006
Set&up
  Modem &Hardware = 120
  Modem &Commands = 122
  -
  &Terminal Settings = 159
  &Default session rows/columns
    24x80 = 7505
    24x132 = 7404
    25x80 = 7707
    25x132 = 7606
    35x80 = 7607
    35x132 = 7608
    50x80 = 7909
    50x132 = 7908
  &Sound Effects = 165
  -
  &Keyboard Mapping = 20007
  Keypad &Mode
    &Numeric = 7303
    &Application = 7202
  &Function Keys = 164
Too&ls
  DOS Session = 107
  Tool 1
    Run = 340
    Change = 341
  Tool 2
    Run = 330
    Change = 331
  Tool 3
    Run = 320
    Change = 321
  Tool 4
    Run = 310
    Change = 311
&Window
  &Cascade = 24361
  &Tile = 24362
  Arrange &Icons = 24364
  C&lose All = 24365
&Help
  &Contents = 24343
  &Using help = 24345
  -
  &About... = 24346
)";

void Describe(const QMenu* menu, int depth, std::string& out) {
  const std::string indent(static_cast<size_t>(depth) * 2, ' ');
  for (const QAction* action : menu->actions()) {
    if (action->isSeparator()) {
      out += indent + "-\n";
    } else if (action->menu() != nullptr) {
      out += indent + action->text().toStdString() + "\n";
      Describe(action->menu(), depth + 1, out);
    } else {
      QString text = action->text();
      text.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
      out += indent + text.toStdString() + " = " + std::to_string(action->data().toInt()) + "\n";
    }
  }
}

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

TEST_F(FrameTest, MenuMatchesTheCommandTable) {
  Start(true);
  std::string actual;
  for (const QAction* top : Frame()->menuBar()->actions()) {
    actual += top->text().toStdString() + "\n";
    Describe(top->menu(), 1, actual);
  }
  EXPECT_EQ(actual, kExpectedMenu);
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

TEST_F(FrameTest, HintsForEveryCommandButTwo) {
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
  QAction* exit = Frame()->MenuAction(cmd::kExit);
  QMenu* file = Frame()->menuBar()->actions().front()->menu();
  emit file->hovered(exit);
  EXPECT_EQ(Status()->PaneText(QStringLiteral("message")), QStringLiteral("Quit Parlane"));
  emit file->hovered(Frame()->MenuAction(cmd::kPrintSession));
  EXPECT_EQ(Status()->PaneText(QStringLiteral("message")), QString());
  emit file->aboutToHide();
  EXPECT_EQ(Status()->PaneText(QStringLiteral("message")), QStringLiteral("session text"));
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

TEST_F(FrameTest, ToolBarButtonsInTheirGroups) {
  Start(true);
  std::vector<int> ids;
  int gaps = 0;
  for (const QAction* action : Frame()->ToolBar()->actions()) {
    if (action->data().isValid()) {
      ids.push_back(action->data().toInt());
      EXPECT_FALSE(action->icon().isNull()) << action->data().toInt();
    } else {
      ++gaps;
    }
  }
  EXPECT_EQ(ids, (std::vector<int>{172, 158, 166, 7101, 24323, 24324, 154, 198, 107, 340, 330, 320,
                                   310}));
  EXPECT_EQ(gaps, 3);
  // Filling it again (a tool's program changed) gives the same buttons.
  Frame()->FillToolBar();
  EXPECT_EQ(Frame()->ToolBar()->actions().size(), qsizetype(ids.size()) + gaps);
}

}  // namespace
}  // namespace parlane::test
