#include "session/window_prefs_store.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>
#include <string>

#include "app/app_context.h"
#include "config/window_prefs.h"
#include "platform/platform.h"

namespace parlane {

namespace {

// Logical-font weights of the file.
constexpr int kWeightNormal = 400;
constexpr int kWeightBold = 700;
constexpr int kPointsPerInch = 72;
constexpr int kDefaultPixelHeight = 12;  // 9 points at 96 dots per inch

class PlatformMessages final : public MessageSink {
 public:
  PlatformMessages(Platform& platform, QWidget* parent) : platform_(platform), parent_(parent) {}
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override {
    platform_.Message(parent_, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                      QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())),
                      icon == MessageIcon::Stop ? MsgIcon::Stop : MsgIcon::Exclamation,
                      MsgButtons::Ok);
  }

 private:
  Platform& platform_;
  QWidget* parent_;
};

int ScreenDpiY() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int dpi = screen ? static_cast<int>(std::lround(screen->logicalDotsPerInchY())) : 0;
  return dpi > 0 ? dpi : 96;
}

QColor ToQColor(Rgb c) { return QColor(c.r, c.g, c.b); }
Rgb ToRgb(const QColor& c) {
  return Rgb{static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
             static_cast<uint8_t>(c.blue())};
}

QString ObjectNameFor(const QString& className) {
  return QStringLiteral("WindowPrefs:") + className;
}

}  // namespace

QFont FontFromRecord(const QString& face, int height, int weight, bool italic) {
  QFont font(face.isEmpty() ? QString::fromUtf8(kDefaultTerminalFace.data()) : face);
  if (!QFontInfo(font).fixedPitch()) {
    const QString family = font.family();
    font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (!face.isEmpty() && QFontDatabase::families().contains(family)) font.setFamily(family);
  }
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  const int pixels = height < 0 ? -height : height;
  font.setPixelSize(pixels > 0 ? pixels : kDefaultPixelHeight);
  font.setBold(weight >= kWeightBold);
  font.setItalic(italic);
  font.setKerning(false);
  return font;
}

WindowPrefsStore& WindowPrefsStore::For(AppContext& app, const QString& className) {
  QObject* owner = app.mainWindow ? static_cast<QObject*>(app.mainWindow) : qApp;
  if (auto* found = owner->findChild<WindowPrefsStore*>(ObjectNameFor(className),
                                                        Qt::FindDirectChildrenOnly)) {
    return *found;
  }
  auto* store = new WindowPrefsStore(app, owner);  // owned by `owner`
  store->setObjectName(ObjectNameFor(className));
  store->Load();
  return *store;
}

WindowPrefsStore::WindowPrefsStore(AppContext& app, QObject* parent)
    : QObject(parent), app_(app), prefs_(std::make_unique<WindowPreferences>()) {}

WindowPrefsStore::~WindowPrefsStore() = default;

QString WindowPrefsStore::FilePath() const {
  return QDir(app_.programDir).filePath(QString::fromUtf8(kWindowPrefsFile.data()));
}

void WindowPrefsStore::Load() {
  PlatformMessages messages(app_.platform, app_.mainWindow);
  *prefs_ = LoadWindowPreferences(FilePath().toStdString(), DefaultWindowPreferences(ScreenDpiY()),
                                  messages);
}

bool WindowPrefsStore::Save() {
  PlatformMessages messages(app_.platform, app_.mainWindow);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool ok = SaveWindowPreferences(FilePath().toStdString(), *prefs_, messages);
  QApplication::restoreOverrideCursor();
  return ok;
}

QFont WindowPrefsStore::Font() const {
  const LogFont& f = prefs_->Font.Font;
  return FontFromRecord(QString::fromStdString(f.FaceName), f.Height, f.Weight, f.Italic != 0);
}

QColor WindowPrefsStore::Background() const { return ToQColor(prefs_->Background); }
QColor WindowPrefsStore::Text() const { return ToQColor(prefs_->Text); }

bool WindowPrefsStore::SetFont(const QFont& font) {
  LogFont& f = prefs_->Font.Font;
  const QFontInfo info(font);
  int pixels = font.pixelSize();
  if (pixels <= 0)
    pixels = static_cast<int>(std::lround(font.pointSizeF() * ScreenDpiY() / kPointsPerInch));
  f.Height = -std::max(pixels, 1);
  f.Width = 0;
  f.Weight = font.bold() ? kWeightBold : kWeightNormal;
  f.Italic = font.italic() ? 1 : 0;
  f.FaceName = info.family().toStdString().substr(0, LogFont::kFaceSize - 1);
  const double points =
      font.pointSizeF() > 0 ? font.pointSizeF() : pixels * double(kPointsPerInch) / ScreenDpiY();
  prefs_->Font.PointSize = static_cast<int32_t>(std::lround(points * 10));
  return Save();
}

bool WindowPrefsStore::SetBackground(const QColor& color) {
  prefs_->Background = ToRgb(color);
  return Save();
}

bool WindowPrefsStore::SetText(const QColor& color) {
  prefs_->Text = ToRgb(color);
  return Save();
}

}  // namespace parlane
