// Session windows in the frame as a Linux user meets them: every key typed
// in a session reaches its host, the Window menu lists the windows, the work
// area scrolls to an oversized window, the menus' and tool bar's hints, and
// sessions of a program started with a host.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "app/commands.h"
#include "app/menu_table.h"
#include "dialogs/terminal_settings.h"
#include "frame_fixture.h"
#include "keys/keymap.h"
#include "loopback_server.h"
#include "session/telnet_window.h"
#include "session/terminal_view.h"

namespace parlane::test {
namespace {

class MdiFrameTest : public FrameTest {
 protected:
  // A connected session window on `server`.
  TelnetWindowMDIChild* OpenSession(LoopbackServer& server, const char* title = nullptr) {
    TelnetSessionParams params;
    params.host = "127.0.0.1";
    params.port = static_cast<uint16_t>(server.Port());
    params.terminal = Config().Terminal;
    if (title) params.title = QString::fromLatin1(title);
    TelnetWindowMDIChild* child = Client()->OpenTelnetSession(params);
    EXPECT_TRUE(RunUntil([&] {
      server.Poll();
      return server.HasClient() && child->IsConnected();
    }));
    return child;
  }
  bool ServerGets(LoopbackServer& server, const std::string& bytes) {
    const bool got = RunUntil([&] {
      server.Poll();
      return server.received.find(bytes) != std::string::npos;
    });
    server.received.clear();
    return got;
  }
  QMenu* WindowMenu() {
    for (QAction* a : Frame()->menuBar()->actions())
      if (a->text() == QLatin1String("&Window")) return a->menu();
    return nullptr;
  }
};

TEST_F(MdiFrameTest, KeysTypedInASessionReachTheHost) {
  LoopbackServer server;
  Start(true);
  app_->Keys().FunctionKeys[3] = "<F4>";
  app_->Keys().FunctionKeys[5] = "<F6>";
  TelnetWindowMDIChild* first = OpenSession(server);
  LoopbackServer other;
  TelnetWindowMDIChild* second = OpenSession(other);
  Client()->setActiveSubWindow(first);
  Frame()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
  struct Key {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    std::string sent;  // empty: the host gets nothing, the window just stays
  };
  const Key keys[] = {
      {"Ctrl+W", Qt::Key_W, Qt::ControlModifier, "\x17"},
      {"Ctrl+F4", Qt::Key_F4, Qt::ControlModifier, "<F4>"},
      {"Ctrl+F6", Qt::Key_F6, Qt::ControlModifier, "<F6>"},
      {"Ctrl+Tab", Qt::Key_Tab, Qt::ControlModifier, "\t"},
      {"Alt+-", Qt::Key_Minus, Qt::AltModifier, ""},
  };
  for (bool onSubWindow : {false, true}) {
    for (const Key& k : keys) {
      SCOPED_TRACE(std::string(k.name) + (onSubWindow ? " on the sub-window" : " on the view"));
      QWidget* target = first->Window();
      if (onSubWindow) {
        // Keys that reach the sub-window itself, the view not focused.
        first->Window()->clearFocus();
        ASSERT_FALSE(first->Window()->hasFocus());
        target = first;
      } else {
        first->Window()->setFocus();
        ASSERT_TRUE(RunUntil([&] { return first->Window()->hasFocus(); }));
      }
      QTest::keyClick(target, k.key, k.mods);
      QCoreApplication::processEvents();
      if (!k.sent.empty()) {
        EXPECT_TRUE(ServerGets(server, k.sent));
      }
      ASSERT_EQ(Client()->subWindowList().size(), 2);
      EXPECT_EQ(Client()->activeSubWindow(), first);
      EXPECT_TRUE(first->isVisible());
    }
  }
  EXPECT_TRUE(other.received.find('\x17') == std::string::npos);
  // Alt and a menu's letter stays with the frame: it opens that menu.
  first->Window()->setFocus();
  ASSERT_TRUE(RunUntil([&] { return first->Window()->hasFocus(); }));
  QTest::keyClick(first->Window(), Qt::Key_F, Qt::AltModifier);
  QCoreApplication::processEvents();
  ASSERT_NE(Frame()->menuBar()->activeAction(), nullptr);
  EXPECT_EQ(Frame()->menuBar()->activeAction()->text(), QStringLiteral("&File"));
  (void)second;
}

TEST_F(MdiFrameTest, WindowMenuListsTheOpenWindows) {
  LoopbackServer a, b;
  Start(true);
  QMenu* menu = WindowMenu();
  ASSERT_NE(menu, nullptr);
  const qsizetype fixed = menu->actions().size();
  TelnetWindowMDIChild* first = OpenSession(a, "alpha & co");
  TelnetWindowMDIChild* second = OpenSession(b, "beta");
  Client()->setActiveSubWindow(second);
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

TEST_F(MdiFrameTest, WorkAreaScrollsToAnOversizedWindow) {
  LoopbackServer server;
  Start(true);
  Frame()->resize(500, 400);
  QCoreApplication::processEvents();
  TelnetWindowMDIChild* child = OpenSession(server);
  child->resize(1400, 1100);  // 50 x 132 on a small screen
  QCoreApplication::processEvents();
  EXPECT_GT(Client()->horizontalScrollBar()->maximum(), 0);
  EXPECT_GT(Client()->verticalScrollBar()->maximum(), 0);
  EXPECT_TRUE(Client()->horizontalScrollBar()->isVisible());
}

TEST_F(MdiFrameTest, HintsOfGreyedItemsAndToolButtons) {
  Start(true);
  Frame()->activateWindow();
  // Copy is greyed without a session; its hint still shows.
  QAction* copy = Frame()->MenuAction(cmd::kCopy);
  ASSERT_FALSE(copy->isEnabled());
  QMenu* edit = Frame()->EditMenu();
  edit->popup(QPoint(0, 0));
  ASSERT_TRUE(RunUntil([&] { return edit->isVisible(); }));
  QMouseEvent move(QEvent::MouseMove, edit->actionGeometry(copy).center(),
                   edit->mapToGlobal(edit->actionGeometry(copy).center()), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(edit, &move);
  EXPECT_EQ(Status()->PaneText(QStringLiteral("message")),
            QString::fromLatin1(HintFor(cmd::kCopy)));
  edit->hide();

  // Every tool button has a hint, shown while the pointer is on it.
  Status()->SetMessage(QStringLiteral("session text"));
  int buttons = 0;
  for (QAction* action : Frame()->ToolBar()->actions()) {
    auto* button = qobject_cast<QToolButton*>(Frame()->ToolBar()->widgetForAction(action));
    if (button == nullptr) continue;  // the gaps between groups
    ++buttons;
    SCOPED_TRACE(action->text().toStdString());
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(button, &enter);
    const QString hint = Status()->PaneText(QStringLiteral("message"));
    EXPECT_FALSE(hint.isEmpty());
    EXPECT_NE(hint, QStringLiteral("session text"));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    EXPECT_EQ(Status()->PaneText(QStringLiteral("message")), QStringLiteral("session text"));
    // A greyed button is drawn greyed.
    if (!action->isEnabled()) {
      const QSize size = button->iconSize();
      EXPECT_NE(button->icon().pixmap(size, QIcon::Disabled).toImage(),
                button->icon().pixmap(size, QIcon::Normal).toImage());
    }
  }
  EXPECT_EQ(buttons, 13);  // nine commands and four tools
}

TEST_F(MdiFrameTest, EmulationListSitsUnderItsLabel) {
  TerminalSettings dialog(nullptr, TerminalOptions{});
  dialog.show();
  QCoreApplication::processEvents();
  const QLabel* label = nullptr;
  for (const QLabel* l : dialog.findChildren<QLabel*>())
    if (l->text() == QLatin1String("Emulation Type")) label = l;
  ASSERT_NE(label, nullptr);
  const int gap = dialog.EmulationList()->geometry().top() - label->geometry().bottom();
  EXPECT_LE(gap, 12);
}

// Started with a host, every Telnet window goes without a question when its
// connection closes; only the command line's own session ends the program.
TEST_F(MdiFrameTest, EveryTelnetWindowOfAHostStartClosesWithoutAsking) {
  LoopbackServer first;
  StartupHost host;
  host.host = "127.0.0.1";
  host.port = static_cast<uint16_t>(first.Port());
  host.portText = std::to_string(first.Port());
  Start(true, host);
  ASSERT_TRUE(RunUntil([&] {
    first.Poll();
    return first.HasClient();
  }));
  LoopbackServer second;
  QPointer<TelnetWindowMDIChild> child = OpenSession(second);
  second.CloseClient();
  EXPECT_TRUE(RunUntil([&] { return child.isNull(); }));
  EXPECT_TRUE(platform_.messages.empty());
  EXPECT_TRUE(Frame()->isVisible());
}

}  // namespace
}  // namespace parlane::test
