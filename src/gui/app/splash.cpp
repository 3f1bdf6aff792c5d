#include "app/splash.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "app/pictures.h"

namespace parlane {

namespace {

constexpr QSize kSplashSize{420, 240};

}  // namespace

SplashScreen::SplashScreen(bool useTimer, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), useTimer_(useTimer) {
  setObjectName(QStringLiteral("SplashScreen"));
  setFixedSize(kSplashSize);
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &SplashScreen::Tick);
}

void SplashScreen::Open() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect desk = screen->availableGeometry();
    move(desk.center() - rect().center());
  }
  show();
  if (useTimer_) timer_.start(kTimeoutMs);
}

void SplashScreen::Tick() {
  timer_.stop();
  close();
}

void SplashScreen::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) Tick();
}

void SplashScreen::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  // The backdrop is drawn for 420 x 240; everything scales with the window.
  const double sx = width() / double(kSplashSize.width());
  const double sy = height() / double(kSplashSize.height());
  PaintPicture(p, QStringLiteral("title"), rect());
  PaintPicture(p, QStringLiteral("emblem"), QRectF(24 * sx, 52 * sy, 104 * sx, 104 * sy));
  QFont small = font();
  small.setPixelSize(std::max(8, int(12 * sy)));
  p.setFont(small);
  p.setPen(QColor(85, 255, 255));
  p.drawText(QRectF(150 * sx, 176 * sy, 260 * sx, 20 * sy), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Version %1").arg(QStringLiteral(PARLANE_VERSION)));
}

}  // namespace parlane
