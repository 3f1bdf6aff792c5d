// The shell's own behaviour: the clock on timer 1, the status bar rebuild,
// the application commands and their dialogs, child placement.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QStyle>

#include "app/commands.h"
#include "dialogs/ch_color.h"
#include "dialogs/open_telnet.h"
#include "dialogs/terminal_settings.h"
#include "frame_fixture.h"

namespace parlane::test {
namespace {

std::tm At(int hour, int minute) {
  std::tm t{};
  t.tm_year = 126;
  t.tm_mon = 11;
  t.tm_mday = 6;
  t.tm_hour = hour;
  t.tm_min = minute;
  return t;
}

TEST_F(FrameTest, ClockShowsTwelveHourTimeWithoutLeadingZero) {
  Start(true);
  std::tm now = At(9, 5);
  Client()->SetClockSource([&] { return now; });
  Client()->ClockTick();
  EXPECT_EQ(Status()->PaneText(QStringLiteral("clock")), QStringLiteral("9:05 AM"));
  // After the first tick the clock runs every five seconds.
  EXPECT_EQ(Client()->ClockInterval(), 5000);
  now = At(23, 30);
  Client()->ClockTick();
  EXPECT_EQ(Status()->PaneText(QStringLiteral("clock")), QStringLiteral("11:30 PM"));
  now = At(0, 7);
  Client()->ClockTick();
  EXPECT_EQ(Status()->PaneText(QStringLiteral("clock")), QStringLiteral("12:07 AM"));
}

TEST_F(FrameTest, ShowSystemTimeRemovesAndRestoresTheClockPane) {
  Start(true);
  std::tm now = At(9, 5);
  Client()->SetClockSource([&] { return now; });
  Client()->ClockTick();
  Frame()->MenuAction(cmd::kShowSystemTime)->trigger();
  EXPECT_EQ(Config().ClockHidden, 1);
  EXPECT_FALSE(Status()->PaneNames().contains(QStringLiteral("clock")));
  EXPECT_FALSE(Frame()->MenuAction(cmd::kShowSystemTime)->isChecked());

  // The time moves on while the pane is away; the pane comes back after the
  // emulation pane already showing the time of that moment.
  now = At(23, 30);
  Frame()->MenuAction(cmd::kShowSystemTime)->trigger();
  EXPECT_EQ(Config().ClockHidden, 0);
  const QStringList panes = Status()->PaneNames();
  ASSERT_TRUE(panes.contains(QStringLiteral("clock")));
  EXPECT_EQ(panes.indexOf(QStringLiteral("clock")), panes.indexOf(QStringLiteral("emulation")) + 1);
  EXPECT_EQ(Status()->PaneText(QStringLiteral("clock")), QStringLiteral("11:30 PM"));
  EXPECT_TRUE(Frame()->MenuAction(cmd::kShowSystemTime)->isChecked());
}

TEST_F(FrameTest, ShowConnectTimeRemovesAndRestoresItsPane) {
  Start(true);
  Status()->SetConnectTime(QStringLiteral("00:01:02"));
  Frame()->MenuAction(cmd::kShowConnectTime)->trigger();
  EXPECT_EQ(Config().ConnectTimeHidden, 1);
  EXPECT_FALSE(Status()->ConnectTimeShown());
  EXPECT_FALSE(Status()->PaneNames().contains(QStringLiteral("connect")));
  Status()->SetConnectTime(QStringLiteral("00:09:09"));  // ignored while hidden
  Frame()->MenuAction(cmd::kShowConnectTime)->trigger();
  EXPECT_EQ(Status()->PaneNames().at(1), QStringLiteral("connect"));
  EXPECT_EQ(Status()->PaneText(QStringLiteral("connect")), QString());
}

TEST_F(FrameTest, TerminalSettingsGoToTheDefaultsAndTheEmulationPane) {
  Start(true);
  platform_.dialogResponders.push_back([](QDialog& d) {
    auto& dialog = dynamic_cast<TerminalSettings&>(d);
    EXPECT_EQ(dialog.EmulationList()->currentItem()->text(), QStringLiteral("VT100"));
    EXPECT_TRUE(dialog.Delete()->isChecked());
    dialog.EmulationList()->setCurrentRow(3);
    dialog.ControlH()->setChecked(true);
    dialog.LocalEcho()->setChecked(true);
    return int{QDialog::Accepted};
  });
  Frame()->MenuAction(cmd::kTerminalSettings)->trigger();
  EXPECT_EQ(Config().Terminal.Emulation, 3u);
  EXPECT_EQ(Config().Terminal.BackspaceSendsDelete, 0u);
  EXPECT_EQ(Config().Terminal.LocalEcho, 1u);
  EXPECT_EQ(Status()->PaneText(QStringLiteral("emulation")), QStringLiteral("SCO ANSI/ANSI"));

  // Cancel changes nothing.
  platform_.dialogResponders.push_back([](QDialog& d) {
    dynamic_cast<TerminalSettings&>(d).EmulationList()->setCurrentRow(0);
    return int{QDialog::Rejected};
  });
  Frame()->MenuAction(cmd::kTerminalSettings)->trigger();
  EXPECT_EQ(Config().Terminal.Emulation, 3u);
}

TEST_F(FrameTest, ReceiveDirectoryFromTheDirectoryChooser) {
  Start(true);
  const std::string chosen = (dir_ / "Down Load").string() + "/";
  platform_.directoryAnswers.push_back(QString::fromStdString(chosen));
  Frame()->MenuAction(cmd::kReceiveDirectory)->trigger();
  ASSERT_EQ(platform_.fileDialogs.size(), 1u);
  EXPECT_EQ(platform_.fileDialogs[0].title, QStringLiteral("Select Receive Directory"));
  EXPECT_EQ(Config().ReceiveDir, (dir_ / "Down Load").string());

  platform_.directoryAnswers.push_back(QStringLiteral("/"));
  Frame()->MenuAction(cmd::kReceiveDirectory)->trigger();
  EXPECT_EQ(Config().ReceiveDir, "/");
  // Cancel keeps it.
  Frame()->MenuAction(cmd::kReceiveDirectory)->trigger();
  EXPECT_EQ(Config().ReceiveDir, "/");
}

TEST_F(FrameTest, PrinterFontIsKeptAsALogicalFont) {
  Start(true);
  QFont chosen(QStringLiteral("DejaVu Sans Mono"));
  chosen.setPointSize(12);
  chosen.setBold(true);
  platform_.fontAnswers.push_back(chosen);
  Frame()->MenuAction(cmd::kPrinterFont)->trigger();
  const FontChoice& f = Config().PrinterFont;
  EXPECT_EQ(f.Flags, 0x14043u);
  EXPECT_EQ(f.Font.FaceName, "DejaVu Sans Mono");
  EXPECT_EQ(f.Font.Weight, 700);
  EXPECT_EQ(f.PointSize, 120);
  EXPECT_LT(f.Font.Height, 0);
}

TEST_F(FrameTest, NewChildrenCascadeAndStartOver) {
  Start(true);
  Frame()->resize(800, 600);
  const int step = Client()->style()->pixelMetric(QStyle::PM_TitleBarHeight);
  ASSERT_GT(step, 0);
  auto* first = new QMdiSubWindow;
  Client()->PlaceChild(first, false);
  EXPECT_EQ(first->pos(), QPoint(0, 0));
  auto* second = new QMdiSubWindow;
  Client()->PlaceChild(second, false);
  EXPECT_EQ(second->pos(), QPoint(step, step));
  EXPECT_EQ(Client()->CascadeOffset(), 2 * step);
  // Once the offset reaches the client area's size it starts over at 0.
  const int height = Client()->viewport()->height();
  while (Client()->CascadeOffset() < height) Client()->PlaceChild(new QMdiSubWindow, false);
  for (QMdiSubWindow* child : Client()->subWindowList()) child->setAttribute(Qt::WA_DeleteOnClose);
  auto* wrapped = new QMdiSubWindow;
  wrapped->setAttribute(Qt::WA_DeleteOnClose);
  Client()->PlaceChild(wrapped, false);
  EXPECT_EQ(wrapped->pos(), QPoint(0, 0));
  // Window menu: Close All closes them all.
  Frame()->UpdateCommandStates();
  Frame()->MenuAction(cmd::kCloseAll)->trigger();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(Client()->subWindowList().isEmpty());
}

TEST_F(FrameTest, ExitRunsTheShutDown) {
  Start(true);
  Frame()->MenuAction(cmd::kExit)->trigger();
  EXPECT_FALSE(Frame()->isVisible());
  EXPECT_FALSE(Client()->ClockRunning());
  EXPECT_EQ(app_->Placement().FrameMaximized, 0);
}

// ---- the dialogs on their own ----

HostHistory History(std::initializer_list<std::pair<const char*, const char*>> pairs) {
  HostHistory h;
  size_t i = 0;
  for (const auto& [host, port] : pairs) h[i++] = {host, port};
  return h;
}

TEST(OpenTelnetDialog, FirstRunOffersPort23) {
  HostHistory history;
  ScriptedPlatform platform;
  OpenTelnet dialog(nullptr, history, platform);
  EXPECT_EQ(dialog.HostBox()->currentText(), QString());
  EXPECT_EQ(dialog.HostBox()->count(), 0);
  EXPECT_EQ(dialog.PortEdit()->text(), QStringLiteral("23"));
}

TEST(OpenTelnetDialog, PickingAnEntryTakesItsPortAndOkMovesItUp) {
  HostHistory history = History({{"alpha", "23"}, {"beta", "2323"}, {"gamma", "8023"}});
  ScriptedPlatform platform;
  OpenTelnet dialog(nullptr, history, platform);
  EXPECT_EQ(dialog.HostBox()->count(), 3);
  EXPECT_EQ(dialog.HostBox()->currentText(), QStringLiteral("alpha"));
  dialog.HostBox()->setCurrentIndex(2);
  EXPECT_EQ(dialog.PortEdit()->text(), QStringLiteral("8023"));
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Host(), QStringLiteral("gamma"));
  EXPECT_EQ(dialog.Port(), 8023);
  EXPECT_EQ(history[0], (HostHistoryEntry{"gamma", "8023"}));
  EXPECT_EQ(history[1], (HostHistoryEntry{"alpha", "23"}));
  EXPECT_EQ(history[2], (HostHistoryEntry{"beta", "2323"}));
}

TEST(OpenTelnetDialog, PortThatIsNoTcpPortIsRefused) {
  struct Case {
    const char* text;
    bool ok;
  };
  for (const Case& c : {Case{"23", true}, Case{" 2323 ", true}, Case{"65535", true},
                        Case{"0", false}, Case{"65536", false}, Case{"70000", false},
                        Case{"23x", false}, Case{"", false}, Case{"-1", false}}) {
    SCOPED_TRACE(c.text);
    HostHistory history;
    ScriptedPlatform platform;
    OpenTelnet dialog(nullptr, history, platform);
    dialog.HostBox()->setEditText(QStringLiteral("host"));
    dialog.PortEdit()->setText(QString::fromLatin1(c.text));
    dialog.accept();
    EXPECT_EQ(dialog.result() == QDialog::Accepted, c.ok);
    EXPECT_EQ(platform.messages.size(), c.ok ? 0u : 1u);
    EXPECT_EQ(history[0].Free(), !c.ok);
  }
}

TEST(OpenTelnetDialog, EmptyHostClosesWithoutTouchingTheHistory) {
  HostHistory history = History({{"alpha", "23"}});
  ScriptedPlatform platform;
  OpenTelnet dialog(nullptr, history, platform);
  dialog.HostBox()->setEditText(QString());
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Host(), QString());
  EXPECT_EQ(history, History({{"alpha", "23"}}));
}

TEST(ChColorDialog, ChecksTheExactColourOnly) {
  ChColor navy(nullptr, QStringLiteral("Background Color"), Rgb{0, 0, 128});
  EXPECT_EQ(navy.windowTitle(), QStringLiteral("Background Color"));
  for (int i = 0; i < ChColor::kColorCount; ++i) EXPECT_EQ(navy.Radio(i)->isChecked(), i == 4);
  EXPECT_EQ(navy.GetColor(), (Rgb{0, 0, 128}));
  navy.Radio(12)->click();
  EXPECT_FALSE(navy.Radio(4)->isChecked());
  EXPECT_EQ(navy.GetColor(), (Rgb{0, 0, 255}));

  // Orange is none of the sixteen: nothing checked, and OK gives black.
  ChColor orange(nullptr, QStringLiteral("Text Color"), Rgb{255, 165, 0});
  for (int i = 0; i < ChColor::kColorCount; ++i) EXPECT_FALSE(orange.Radio(i)->isChecked());
  EXPECT_EQ(orange.GetColor(), (Rgb{0, 0, 0}));
}

TEST(TerminalSettingsDialog, ShowsAndReturnsTheSixOptions) {
  TerminalOptions in;
  in.Emulation = 2;
  in.InboundCrLf = 1;
  in.WordWrap = 0;
  in.BackspaceSendsDelete = 0;
  TerminalSettings dialog(nullptr, in);
  EXPECT_EQ(dialog.EmulationList()->count(), 4);
  EXPECT_EQ(dialog.EmulationList()->currentItem()->text(), QStringLiteral("PC ANSI"));
  EXPECT_TRUE(dialog.Inbound()->isChecked());
  EXPECT_FALSE(dialog.WordWrap()->isChecked());
  EXPECT_TRUE(dialog.ControlH()->isChecked());
  EXPECT_EQ(dialog.GetValues(), in);
  dialog.Outbound()->setChecked(true);
  dialog.Delete()->setChecked(true);
  TerminalOptions out = in;
  out.OutboundCrLf = 1;
  out.BackspaceSendsDelete = 1;
  EXPECT_EQ(dialog.GetValues(), out);
}

}  // namespace
}  // namespace parlane::test
