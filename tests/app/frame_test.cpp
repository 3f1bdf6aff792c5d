// The shell's own behaviour: the clock and the status bar's panes, the
// application commands and their dialogs, child placement, shut-down, and
// the desktop's dark preference.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QStyle>

#include "app/desktop_palette.h"
#include "dialogs/open_telnet.h"
#include "dialogs/terminal_settings.h"
#include "frame_fixture.h"

namespace parlane::test {
namespace {

TEST_F(FrameTest, ClockAndConnectTimePanesComeAndGo) {
  Start(true);
  std::tm now{};
  now.tm_min = 7;
  Client()->SetClockSource([&] { return now; });
  Client()->ClockTick();
  EXPECT_EQ(Pane("clock"), QStringLiteral("12:07 AM"));
  // After the first tick the clock runs every five seconds.
  EXPECT_EQ(Client()->ClockInterval(), 5000);

  Pick(cmd::kShowSystemTime);
  EXPECT_EQ(Config().ClockHidden, 1);
  EXPECT_FALSE(Status()->PaneNames().contains(QStringLiteral("clock")));
  EXPECT_FALSE(Frame()->MenuAction(cmd::kShowSystemTime)->isChecked());
  // The time moves on while the pane is away; the pane comes back after the
  // emulation pane already showing the time of that moment.
  now.tm_hour = 9;
  Pick(cmd::kShowSystemTime);
  EXPECT_EQ(Config().ClockHidden, 0);
  const QStringList panes = Status()->PaneNames();
  EXPECT_EQ(panes.indexOf(QStringLiteral("clock")), panes.indexOf(QStringLiteral("emulation")) + 1);
  EXPECT_EQ(Pane("clock"), QStringLiteral("9:07 AM"));
  EXPECT_TRUE(Frame()->MenuAction(cmd::kShowSystemTime)->isChecked());

  Status()->SetConnectTime(QStringLiteral("00:01:02"));
  Pick(cmd::kShowConnectTime);
  EXPECT_EQ(Config().ConnectTimeHidden, 1);
  EXPECT_FALSE(Status()->ConnectTimeShown());
  EXPECT_FALSE(Status()->PaneNames().contains(QStringLiteral("connect")));
  Status()->SetConnectTime(QStringLiteral("00:09:09"));  // ignored while hidden
  Pick(cmd::kShowConnectTime);
  EXPECT_EQ(Status()->PaneNames().at(1), QStringLiteral("connect"));
  EXPECT_EQ(Pane("connect"), QString());
}

TEST_F(FrameTest, TerminalSettingsGoToTheDefaultsAndTheEmulationPane) {
  Start(true);
  platform_.dialogResponders.push_back([](QDialog& d) {
    auto& dialog = dynamic_cast<TerminalSettings&>(d);
    EXPECT_EQ(dialog.EmulationList()->count(), 4);
    EXPECT_EQ(dialog.EmulationList()->currentItem()->text(), QStringLiteral("VT100"));
    EXPECT_TRUE(dialog.Delete()->isChecked());
    dialog.EmulationList()->setCurrentRow(3);
    dialog.ControlH()->setChecked(true);
    dialog.LocalEcho()->setChecked(true);
    dialog.Inbound()->setChecked(true);
    dialog.Outbound()->setChecked(false);
    dialog.WordWrap()->setChecked(false);
    return int{QDialog::Accepted};
  });
  Pick(cmd::kTerminalSettings);
  const TerminalOptions& t = Config().Terminal;
  EXPECT_EQ(t.Emulation, 3u);
  EXPECT_EQ(t.BackspaceSendsDelete, 0u);
  EXPECT_EQ(t.LocalEcho, 1u);
  EXPECT_EQ(t.InboundCrLf, 1u);
  EXPECT_EQ(t.OutboundCrLf, 0u);
  EXPECT_EQ(t.WordWrap, 0u);
  EXPECT_EQ(Pane("emulation"), QStringLiteral("SCO ANSI/ANSI"));

  // Cancel changes nothing.
  platform_.dialogResponders.push_back([](QDialog& d) {
    dynamic_cast<TerminalSettings&>(d).EmulationList()->setCurrentRow(0);
    return int{QDialog::Rejected};
  });
  Pick(cmd::kTerminalSettings);
  EXPECT_EQ(Config().Terminal.Emulation, 3u);
}

TEST_F(FrameTest, ReceiveDirectoryAndPrinterFont) {
  Start(true);
  platform_.directoryAnswers.push_back(QString::fromStdString((dir_ / "Down Load").string() + "/"));
  Pick(cmd::kReceiveDirectory);
  ASSERT_EQ(platform_.fileDialogs.size(), 1u);
  EXPECT_EQ(platform_.fileDialogs[0].title, QStringLiteral("Select Receive Directory"));
  EXPECT_EQ(Config().ReceiveDir, (dir_ / "Down Load").string());
  Pick(cmd::kReceiveDirectory);  // cancelled: kept
  EXPECT_EQ(Config().ReceiveDir, (dir_ / "Down Load").string());

  // The printer font is kept as a logical font.
  QFont chosen(QStringLiteral("DejaVu Sans Mono"));
  chosen.setPointSize(12);
  chosen.setBold(true);
  platform_.fontAnswers.push_back(chosen);
  Pick(cmd::kPrinterFont);
  const FontChoice& f = Config().PrinterFont;
  EXPECT_EQ(f.Flags, 0x14043u);
  EXPECT_EQ(f.Font.FaceName, "DejaVu Sans Mono");
  EXPECT_EQ(f.Font.Weight, 700);
  EXPECT_EQ(f.PointSize, 120);
  EXPECT_LT(f.Font.Height, 0);
}

TEST_F(FrameTest, NewChildrenCascadeAndStartOverAndExitShutsDown) {
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
  auto* wrapped = new QMdiSubWindow;
  Client()->PlaceChild(wrapped, false);
  EXPECT_EQ(wrapped->pos(), QPoint(0, 0));
  // Window menu: Close All closes them all.
  for (QMdiSubWindow* child : Client()->subWindowList()) child->setAttribute(Qt::WA_DeleteOnClose);
  Pick(cmd::kCloseAll);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(Client()->subWindowList().isEmpty());

  Pick(cmd::kExit);
  EXPECT_FALSE(Frame()->isVisible());
  EXPECT_FALSE(Client()->ClockRunning());
  EXPECT_EQ(app_->Placement().FrameMaximized, 0);
}

// ---- the dialogs on their own ----

TEST(OpenTelnetDialog, HistoryPortsAndRefusedPorts) {
  ScriptedPlatform platform;
  HostHistory history;
  history[0] = {"alpha", "23"};
  history[1] = {"beta", "2323"};
  history[2] = {"gamma", "8023"};
  {
    // Picking an entry takes its port; OK puts it first.
    OpenTelnet dialog(nullptr, history, platform);
    EXPECT_EQ(dialog.HostBox()->currentText(), QStringLiteral("alpha"));
    dialog.HostBox()->setCurrentIndex(2);
    EXPECT_EQ(dialog.PortEdit()->text(), QStringLiteral("8023"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Host(), QStringLiteral("gamma"));
    EXPECT_EQ(dialog.Port(), 8023);
  }
  EXPECT_EQ(history[0], (HostHistoryEntry{"gamma", "8023"}));
  {
    // An empty host closes the dialog without touching the history.
    const HostHistory before = history;
    OpenTelnet dialog(nullptr, history, platform);
    dialog.HostBox()->setEditText(QString());
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Host(), QString());
    EXPECT_EQ(history, before);
  }

  const std::pair<const char*, bool> ports[] = {
      {"23", true},     {" 2323 ", true}, {"65535", true}, {"0", false}, {"65536", false},
      {"70000", false}, {"23x", false},   {"", false},     {"-1", false}};
  for (const auto& [text, ok] : ports) {
    SCOPED_TRACE(text);
    HostHistory h;
    ScriptedPlatform answers;
    OpenTelnet dialog(nullptr, h, answers);
    dialog.HostBox()->setEditText(QStringLiteral("host"));
    dialog.PortEdit()->setText(QString::fromLatin1(text));
    dialog.accept();
    EXPECT_EQ(dialog.result() == QDialog::Accepted, ok);
    EXPECT_EQ(answers.messages.size(), ok ? 0u : 1u);
    EXPECT_EQ(h[0].Free(), !ok);
  }
}

TEST(TerminalSettingsDialog, EmulationListSitsUnderItsLabel) {
  TerminalSettings dialog(nullptr, TerminalOptions{});
  dialog.show();
  QCoreApplication::processEvents();
  const QLabel* label = nullptr;
  for (const QLabel* l : dialog.findChildren<QLabel*>())
    if (l->text() == QLatin1String("Emulation Type")) label = l;
  ASSERT_NE(label, nullptr);
  EXPECT_LE(dialog.EmulationList()->geometry().top() - label->geometry().bottom(), 12);
}

// ---- the desktop's dark preference ----

TEST(DesktopPalette, DarkOnlyWhereTheThemeIsLight) {
  QPalette light;
  light.setColor(QPalette::Window, QColor(239, 239, 239));
  light.setColor(QPalette::WindowText, Qt::black);
  EXPECT_FALSE(IsDarkPalette(light));
  const std::tuple<ColorScheme, QPalette, bool> cases[] = {
      {ColorScheme::Dark, light, true},   {ColorScheme::Dark, DarkPalette(), false},
      {ColorScheme::Light, light, false}, {ColorScheme::Light, DarkPalette(), false},
      {ColorScheme::NoPreference, light, false}};
  for (const auto& [scheme, theme, change] : cases) {
    const std::optional<QPalette> p = PaletteFor(scheme, theme);
    EXPECT_EQ(p.has_value(), change) << static_cast<int>(scheme);
    if (p) {
      EXPECT_TRUE(IsDarkPalette(*p));
    }
  }
}

// The frame and dialogs follow the desktop; the terminal keeps its colours.
TEST_F(FrameTest, DarkDesktopDarkensTheFrameButNotTheTerminal) {
  LoopbackServer server;
  StartWith(server);
  TelnetWindow* w = FirstSession()->Window();
  const auto corner = [w] {  // away from the text and the caret
    w->FlushDamage();
    QCoreApplication::processEvents();
    const QImage image = w->viewport()->grab().toImage();
    return image.pixelColor(image.width() - 3, image.height() - 3);
  };
  const QPalette before = QApplication::palette();
  const QColor terminal = corner();
  ASSERT_FALSE(IsDarkPalette(before)) << "the offscreen theme is light";

  ApplyColorScheme(ColorScheme::Dark);
  QCoreApplication::processEvents();
  EXPECT_TRUE(IsDarkPalette(QApplication::palette()));
  EXPECT_TRUE(IsDarkPalette(Frame()->palette()));
  HostHistory history{};
  OpenTelnet dialog(Frame(), history, platform_);
  EXPECT_TRUE(IsDarkPalette(dialog.palette()));
  EXPECT_EQ(corner(), terminal);
  EXPECT_EQ(w->BackgroundColor(), terminal);
  // The tool buttons are drawn again on the new button face.
  RunUntil([] { return false; }, 50);
  auto* tool = Frame()->findChild<QAction*>(QStringLiteral("toolbar-340"));
  ASSERT_NE(tool, nullptr);
  EXPECT_EQ(tool->icon().pixmap(32, 32).toImage().pixelColor(0, 0),
            QApplication::palette().color(QPalette::Button));

  ApplyColorScheme(ColorScheme::NoPreference);
  EXPECT_EQ(QApplication::palette().color(QPalette::Window), before.color(QPalette::Window));
  EXPECT_EQ(corner(), terminal);
}

}  // namespace
}  // namespace parlane::test
