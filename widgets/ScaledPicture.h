#pragma once

#include <QPixmap>
#include <QString>

class QPaintDevice;

// The library's pictures come in two sizes: "name.png" and, drawn at twice the
// size, "name@2x.png". Painting the small one on a screen with two pixels per
// point scales it up and blurs it; these load the one that matches the screen.
namespace ScaledPicture {

// The picture at `path` (with or without extension) for `ratio` device pixels
// per point: the "@2x" picture, marked with its ratio, where the ratio is above
// 1 and one exists; the plain picture otherwise.
QPixmap load(const QString& path, qreal ratio);

// The same for the screen `device` paints on.
QPixmap load(const QString& path, const QPaintDevice* device);

// The size in points at which `picture` covers its pixels one to one.
QSize logicalSize(const QPixmap& picture);

} // namespace ScaledPicture
