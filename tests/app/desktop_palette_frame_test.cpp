// The frame and dialogs follow the desktop's dark preference; the terminal
// keeps its own colours.
#include <QAction>
#include <QApplication>
#include <QImage>

#include "app/desktop_palette.h"
#include "dialogs/open_telnet.h"
#include "frame_fixture.h"
#include "loopback_server.h"
#include "session/telnet_window.h"
#include "session/terminal_view.h"

namespace parlane::test {
namespace {

QPalette LightPalette() {
  QPalette p;
  p.setColor(QPalette::Window, QColor(239, 239, 239));
  p.setColor(QPalette::WindowText, Qt::black);
  return p;
}

TEST(DesktopPalette, DarkOnlyWhereTheThemeIsLight) {
  struct Case {
    ColorScheme scheme;
    QPalette theme;
    bool change;
  };
  const Case cases[] = {
      {ColorScheme::Dark, LightPalette(), true},
      {ColorScheme::Dark, DarkPalette(), false},
      {ColorScheme::Light, LightPalette(), false},
      {ColorScheme::Light, DarkPalette(), false},
      {ColorScheme::NoPreference, LightPalette(), false},
  };
  for (const Case& c : cases) {
    const std::optional<QPalette> p = PaletteFor(c.scheme, c.theme);
    EXPECT_EQ(p.has_value(), c.change) << static_cast<int>(c.scheme);
    if (p) {
      EXPECT_TRUE(IsDarkPalette(*p));
    }
  }
  EXPECT_FALSE(IsDarkPalette(LightPalette()));
}

QColor CornerOf(TelnetWindow* w) {
  w->FlushDamage();
  QCoreApplication::processEvents();
  // The bottom right corner: away from the text and the caret.
  const QImage image = w->viewport()->grab().toImage();
  return image.pixelColor(image.width() - 3, image.height() - 3);
}

TEST_F(FrameTest, DarkDesktopDarkensTheFrameButNotTheTerminal) {
  LoopbackServer server;
  Start(true, StartupHost{"127.0.0.1", static_cast<uint16_t>(server.Port()),
                          std::to_string(server.Port())});
  auto* child = qobject_cast<TelnetWindowMDIChild*>(Client()->subWindowList().front());
  ASSERT_NE(child, nullptr);
  TelnetWindow* w = child->Window();
  const QPalette before = QApplication::palette();
  const QColor terminal = CornerOf(w);
  ASSERT_FALSE(IsDarkPalette(before)) << "the offscreen theme is light";

  ApplyColorScheme(ColorScheme::Dark);
  QCoreApplication::processEvents();
  EXPECT_TRUE(IsDarkPalette(QApplication::palette()));
  EXPECT_TRUE(IsDarkPalette(Frame()->palette()));
  HostHistory history{};
  OpenTelnet dialog(Frame(), history, platform_);
  EXPECT_TRUE(IsDarkPalette(dialog.palette()));
  EXPECT_EQ(CornerOf(w), terminal);
  EXPECT_EQ(w->BackgroundColor(), terminal);
  // The tool buttons are drawn again on the new button face.
  RunUntil([] { return false; }, 50);
  auto* tool = Frame()->findChild<QAction*>(QStringLiteral("toolbar-340"));
  ASSERT_NE(tool, nullptr);
  EXPECT_EQ(tool->icon().pixmap(32, 32).toImage().pixelColor(0, 0),
            QApplication::palette().color(QPalette::Button));

  ApplyColorScheme(ColorScheme::NoPreference);
  EXPECT_EQ(QApplication::palette().color(QPalette::Window), before.color(QPalette::Window));
  EXPECT_EQ(CornerOf(w), terminal);
}

}  // namespace
}  // namespace parlane::test
