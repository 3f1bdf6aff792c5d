// Parlane's own pictures (SVG, drawn sharp at any size): the emblem (two
// terminals and the line between them) and the title screen's backdrop.
#pragma once

#include <QRectF>
#include <QString>

class QPainter;
class QWidget;

namespace parlane {

// The resource path of a picture: ":/pictures/emblem.svg" for "emblem".
QString PicturePath(const QString& name);
// Draws the picture scaled into `target`.
void PaintPicture(QPainter& painter, const QString& name, const QRectF& target);
// A widget showing the picture at `size`, redrawn at every scale.
QWidget* PictureWidget(const QString& name, const QSize& size, QWidget* parent);

// The licence Parlane is released under, as the About box shows it.
inline constexpr const char* kLicenceName = "proprietary, all rights reserved";

}  // namespace parlane
