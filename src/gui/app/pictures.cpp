#include "app/pictures.h"

#include <QPainter>
#include <QSvgRenderer>
#include <QSvgWidget>

// The pictures live in a resource file of this static library; the library
// registers it itself (outside any namespace, as the macro requires).
static void RegisterPictures() { Q_INIT_RESOURCE(pictures); }

namespace parlane {

namespace {

void EnsureRegistered() {
  static const bool done = (RegisterPictures(), true);
  (void)done;
}

}  // namespace

QString PicturePath(const QString& name) {
  EnsureRegistered();
  return QStringLiteral(":/pictures/%1.svg").arg(name);
}

void PaintPicture(QPainter& painter, const QString& name, const QRectF& target) {
  QSvgRenderer renderer(PicturePath(name));
  renderer.render(&painter, target);
}

QWidget* PictureWidget(const QString& name, const QSize& size, QWidget* parent) {
  auto* widget = new QSvgWidget(PicturePath(name), parent);
  widget->setFixedSize(size);
  return widget;
}

}  // namespace parlane
