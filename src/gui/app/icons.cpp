#include "app/icons.h"

#include "app/desktop_programs.h"

#include <QApplication>
#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QProcess>

#include "app/commands.h"

namespace parlane {

namespace {

constexpr int kIconSize = 32;    // drawn large, scaled down by the tool bar
constexpr int kToolBitmap = 32;  // the tool buttons' bitmap
constexpr int kLampSize = 10;

const QColor kInk(40, 40, 48);
const QColor kPaper(250, 250, 245);

using Painter = void (*)(QPainter&);

void PaintBook(QPainter& p) {
  p.setBrush(QColor(150, 40, 40));
  p.drawRoundedRect(6, 3, 21, 26, 2, 2);
  p.setBrush(kPaper);
  p.drawRect(9, 6, 15, 6);
  p.setPen(QPen(QColor(230, 200, 120), 2));
  p.drawLine(8, 4, 8, 28);
}

void PaintModem(QPainter& p) {
  p.setBrush(QColor(70, 70, 80));
  p.drawRoundedRect(3, 16, 26, 11, 3, 3);
  p.setBrush(QColor(80, 220, 80));
  for (int i = 0; i < 4; ++i) p.drawEllipse(QPointF(8 + i * 5, 23), 1.5, 1.5);
  QPainterPath handset;
  handset.moveTo(6, 12);
  handset.cubicTo(10, 2, 22, 2, 26, 12);
  p.setPen(QPen(kInk, 4, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawPath(handset);
}

void PaintGlobe(QPainter& p) {
  p.setBrush(QColor(90, 160, 230));
  p.drawEllipse(4, 4, 24, 24);
  p.setPen(QPen(QColor(20, 60, 120), 1.5));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(11, 4, 10, 24);
  p.drawLine(4, 16, 28, 16);
  p.drawLine(16, 4, 16, 28);
  p.drawArc(6, 8, 20, 6, 0, 180 * 16);
  p.drawArc(6, 18, 20, 6, 180 * 16, 180 * 16);
}

void PaintPrinter(QPainter& p) {
  p.setBrush(kPaper);
  p.drawRect(9, 3, 14, 10);
  p.setBrush(QColor(160, 160, 170));
  p.drawRoundedRect(3, 12, 26, 12, 2, 2);
  p.setBrush(kPaper);
  p.drawRect(9, 20, 14, 9);
  p.setPen(QPen(kInk, 1));
  for (int y = 23; y < 29; y += 2) p.drawLine(11, y, 21, y);
}

void PaintPage(QPainter& p, int x, int y) {
  p.setBrush(kPaper);
  p.drawRect(x, y, 15, 19);
  for (int row = y + 4; row < y + 17; row += 3) p.drawLine(x + 3, row, x + 12, row);
}

void PaintCopy(QPainter& p) {
  PaintPage(p, 4, 3);
  PaintPage(p, 13, 10);
}

void PaintPaste(QPainter& p) {
  p.setBrush(QColor(170, 120, 60));
  p.drawRoundedRect(4, 5, 19, 24, 2, 2);
  p.setBrush(QColor(200, 200, 200));
  p.drawRect(9, 2, 9, 5);
  PaintPage(p, 14, 11);
}

void PaintTray(QPainter& p) {
  p.setBrush(QColor(200, 200, 210));
  p.drawRect(4, 22, 24, 7);
}

void PaintArrow(QPainter& p, bool down) {
  QPolygonF arrow;
  if (down) {
    arrow << QPointF(12, 3) << QPointF(20, 3) << QPointF(20, 12) << QPointF(26, 12)
          << QPointF(16, 22) << QPointF(6, 12) << QPointF(12, 12);
  } else {
    arrow << QPointF(12, 22) << QPointF(20, 22) << QPointF(20, 13) << QPointF(26, 13)
          << QPointF(16, 3) << QPointF(6, 13) << QPointF(12, 13);
  }
  p.setBrush(down ? QColor(40, 160, 60) : QColor(200, 90, 30));
  p.drawPolygon(arrow);
}

void PaintReceive(QPainter& p) {
  PaintTray(p);
  PaintArrow(p, true);
}

void PaintSend(QPainter& p) {
  PaintTray(p);
  PaintArrow(p, false);
}

void PaintConsole(QPainter& p) {
  p.setBrush(Qt::black);
  p.drawRoundedRect(2, 4, 28, 23, 2, 2);
  p.setPen(QPen(QColor(200, 200, 200), 2));
  p.drawLine(7, 11, 12, 15);
  p.drawLine(12, 15, 7, 19);
  p.drawLine(15, 21, 23, 21);
}

void PaintProgram(QPainter& p) {
  p.setBrush(QColor(60, 60, 70));
  p.drawRoundedRect(2, 3, 28, 21, 3, 3);
  p.setBrush(QColor(0, 0, 128));
  p.drawRect(5, 6, 22, 15);
  p.setPen(QPen(QColor(255, 255, 85), 1.5));
  p.drawLine(8, 10, 18, 10);
  p.drawLine(8, 14, 22, 14);
  p.setPen(QPen(QColor(85, 255, 255), 1.5));
  p.drawLine(8, 18, 14, 18);
  p.setPen(QPen(kInk, 1));
  p.setBrush(QColor(160, 160, 170));
  p.drawRect(10, 24, 12, 3);
  p.drawRect(6, 27, 20, 3);
}

// The picture of a program without an icon of its own: a plain window.
void PaintApplication(QPainter& p) {
  p.setBrush(kPaper);
  p.drawRect(3, 5, 26, 22);
  p.setBrush(QColor(0, 0, 128));
  p.drawRect(3, 5, 26, 5);
  p.setBrush(QColor(192, 192, 192));
  p.drawRect(24, 6, 3, 3);
}

Painter PainterFor(int id) {
  switch (id) {
    case cmd::kPhonebook: return PaintBook;
    case cmd::kOpenDialup: return PaintModem;
    case cmd::kOpenTelnet: return PaintGlobe;
    case cmd::kPrintPage: return PaintPrinter;
    case cmd::kCopy: return PaintCopy;
    case cmd::kPaste: return PaintPaste;
    case cmd::kReceiveFiles: return PaintReceive;
    case cmd::kSendFiles: return PaintSend;
    case cmd::kDosSession: return PaintConsole;
    default: return nullptr;
  }
}

// The pictures are drawn on a 32-unit grid and scaled to `size` pixels.
QPixmap Paint(Painter painter, int size = kIconSize) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(double(size) / kIconSize, double(size) / kIconSize);
  p.setPen(QPen(kInk, 1));
  painter(p);
  return pixmap;
}

QIcon PaintedIcon(Painter painter) {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(Paint(painter, size));
  return icon;
}

// The icon of a tool: that of the program's desktop entry (for the three
// stored defaults the file manager, text editor and word processor of the
// desktop), else the theme icon named like the program's file.
QIcon ThemeIconFor(const std::string& commandLine) {
  const ToolLaunch launch = ResolveTool(QString::fromLocal8Bit(commandLine.c_str()), QString());
  if (launch.iconName.isEmpty()) return {};
  if (QFileInfo(launch.iconName).isAbsolute()) return QIcon(launch.iconName);
  return QIcon::fromTheme(launch.iconName);
}

}  // namespace

QIcon CommandIcon(int id) {
  const Painter painter = PainterFor(id);
  if (painter == nullptr) return {};
  return PaintedIcon(painter);
}

QIcon ToolIcon(const std::string& commandLine) {
  QIcon icon = ThemeIconFor(commandLine);
  if (icon.isNull()) icon = QIcon::fromTheme(QStringLiteral("application-x-executable"));
  if (icon.isNull()) icon = QIcon(Paint(PaintApplication));
  const QColor face = QApplication::palette().color(QPalette::Button);
  QPixmap bitmap(kToolBitmap, kToolBitmap);
  bitmap.fill(face);
  QPainter p(&bitmap);
  constexpr int kInner = kToolBitmap - 2;  // inside the one-pixel frame
  p.drawPixmap(1, 1, icon.pixmap(kInner, kInner));
  p.setPen(face);
  p.drawRect(0, 0, kToolBitmap - 1, kToolBitmap - 1);
  return QIcon(bitmap);
}

QPixmap IndicatorPixmap(bool on) {
  QPixmap pixmap(kLampSize, kLampSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(30, 30, 30), 1));
  p.setBrush(on ? QColor(40, 230, 40) : QColor(20, 70, 20));
  p.drawEllipse(QRectF(0.5, 0.5, kLampSize - 1, kLampSize - 1));
  return pixmap;
}

QIcon ProgramIcon() { return PaintedIcon(PaintProgram); }

}  // namespace parlane
