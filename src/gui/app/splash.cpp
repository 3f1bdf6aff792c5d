#include "app/splash.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "app/icons.h"

namespace parlane {

namespace {

constexpr QSize kSplashSize{420, 240};
constexpr int kLogoSize = 96;

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
  QLinearGradient sky(0, 0, 0, height());
  sky.setColorAt(0, QColor(0, 0, 128));
  sky.setColorAt(1, QColor(0, 0, 40));
  p.fillRect(rect(), sky);
  p.drawPixmap(24, (height() - kLogoSize) / 2, ProgramIcon().pixmap(kLogoSize, kLogoSize));
  QFont title = font();
  title.setPointSize(28);
  title.setBold(true);
  p.setFont(title);
  p.setPen(QColor(255, 255, 85));
  const int textLeft = 24 + kLogoSize + 24;
  p.drawText(QRect(textLeft, 50, width() - textLeft, 50), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Parlane"));
  QFont small = font();
  small.setPointSize(10);
  p.setFont(small);
  p.setPen(QColor(192, 192, 192));
  p.drawText(QRect(textLeft, 105, width() - textLeft, 80), Qt::AlignLeft | Qt::TextWordWrap,
             QStringLiteral("Telnet and dial-up terminal\nZmodem and Ymodem-G\nVersion %1")
                 .arg(QStringLiteral(PARLANE_VERSION)));
  p.setPen(QColor(85, 255, 255));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace parlane
