#include "app/desktop_palette.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QPointer>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <QWidget>

namespace parlane {

namespace {

constexpr const char* kPortalService = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kSettingsInterface = "org.freedesktop.portal.Settings";
constexpr const char* kAppearance = "org.freedesktop.appearance";
constexpr const char* kColorSchemeKey = "color-scheme";
// A portal that does not answer in this time is taken as absent.
constexpr int kPortalTimeoutMs = 300;

// The portal's values: 0 no preference, 1 prefer dark, 2 prefer light.
ColorScheme SchemeOf(const QVariant& value) {
  QVariant v = value;
  // Read() wraps the value in a variant, sometimes twice.
  while (v.userType() == qMetaTypeId<QDBusVariant>()) {
    v = v.value<QDBusVariant>().variant();
  }
  bool ok = false;
  const uint code = v.toUInt(&ok);
  if (!ok) return ColorScheme::NoPreference;
  if (code == 1) return ColorScheme::Dark;
  if (code == 2) return ColorScheme::Light;
  return ColorScheme::NoPreference;
}

// The theme's palette and style, from before any change of ours.
struct ThemeState {
  bool saved = false;
  QPalette palette;
  QString styleName;
  bool changed = false;
};

ThemeState& Theme() {
  static ThemeState state;
  return state;
}

class PortalWatcher : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
 public slots:
  void SettingChanged(const QString& group, const QString& key, const QDBusVariant& value) {
    if (group == QLatin1String(kAppearance) && key == QLatin1String(kColorSchemeKey)) {
      ApplyColorScheme(SchemeOf(value.variant()));
    }
  }
};

class PaletteFollower : public QObject {
 public:
  PaletteFollower(QWidget* widget, std::function<void()> redraw)
      : QObject(widget), redraw_(std::move(redraw)) {
    widget->installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::ApplicationPaletteChange && !pending_) {
      pending_ = true;
      QTimer::singleShot(0, this, [this] {
        pending_ = false;
        redraw_();
      });
    }
    return false;
  }

 private:
  std::function<void()> redraw_;
  bool pending_ = false;
};

}  // namespace

void RedrawOnPaletteChange(QWidget* widget, std::function<void()> redraw) {
  new PaletteFollower(widget, std::move(redraw));
}

ColorScheme DesktopColorScheme() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected()) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(QLatin1String(kPortalService), QLatin1String(kPortalPath),
                                       QLatin1String(kSettingsInterface), QStringLiteral("Read"));
    call << QLatin1String(kAppearance) << QLatin1String(kColorSchemeKey);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kPortalTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
      const ColorScheme scheme = SchemeOf(reply.arguments().front());
      if (scheme != ColorScheme::NoPreference) return scheme;
    }
  }
  // GTK_THEME=Adwaita:dark is how a dark GTK theme is asked for by name.
  if (qEnvironmentVariable("GTK_THEME").endsWith(QLatin1String(":dark"))) return ColorScheme::Dark;
  return ColorScheme::NoPreference;
}

bool IsDarkPalette(const QPalette& palette) {
  return palette.color(QPalette::Window).lightness() <
         palette.color(QPalette::WindowText).lightness();
}

QPalette DarkPalette() {
  const QColor window(45, 45, 48);
  const QColor base(30, 30, 32);
  const QColor text(230, 230, 230);
  const QColor disabled(128, 128, 128);
  const QColor highlight(42, 130, 218);
  QPalette p;
  p.setColor(QPalette::Window, window);
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::Base, base);
  p.setColor(QPalette::AlternateBase, window);
  p.setColor(QPalette::ToolTipBase, window);
  p.setColor(QPalette::ToolTipText, text);
  p.setColor(QPalette::PlaceholderText, disabled);
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::Button, window);
  p.setColor(QPalette::ButtonText, text);
  p.setColor(QPalette::BrightText, Qt::red);
  p.setColor(QPalette::Link, highlight.lighter(130));
  p.setColor(QPalette::Highlight, highlight);
  p.setColor(QPalette::HighlightedText, Qt::white);
  p.setColor(QPalette::Light, window.lighter(160));
  p.setColor(QPalette::Midlight, window.lighter(130));
  p.setColor(QPalette::Mid, window.darker(130));
  p.setColor(QPalette::Dark, window.darker(160));
  p.setColor(QPalette::Shadow, Qt::black);
  for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    p.setColor(QPalette::Disabled, role, disabled);
  }
  p.setColor(QPalette::Disabled, QPalette::Highlight, window.lighter(130));
  return p;
}

std::optional<QPalette> PaletteFor(ColorScheme scheme, const QPalette& themePalette) {
  if (scheme == ColorScheme::Dark && !IsDarkPalette(themePalette)) return DarkPalette();
  return std::nullopt;
}

void ApplyColorScheme(ColorScheme scheme) {
  ThemeState& theme = Theme();
  if (!theme.saved) {
    theme.palette = QApplication::palette();
    theme.styleName = QApplication::style()->name();
    theme.saved = true;
  }
  const std::optional<QPalette> palette = PaletteFor(scheme, theme.palette);
  if (palette) {
    // Fusion draws every control from the palette; native-looking styles
    // may not.
    if (!theme.changed) QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(*palette);
    theme.changed = true;
  } else if (theme.changed) {
    QApplication::setStyle(QStyleFactory::create(theme.styleName));
    QApplication::setPalette(theme.palette);
    theme.changed = false;
  }
}

void FollowDesktopColorScheme(QApplication& app) {
  ApplyColorScheme(DesktopColorScheme());
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  auto* watcher = new PortalWatcher(&app);
  bus.connect(QLatin1String(kPortalService), QLatin1String(kPortalPath),
              QLatin1String(kSettingsInterface), QStringLiteral("SettingChanged"), watcher,
              SLOT(SettingChanged(QString, QString, QDBusVariant)));
}

}  // namespace parlane

#include "desktop_palette.moc"
