#include "ScaledPicture.h"

#include <QFileInfo>
#include <QPaintDevice>

namespace ScaledPicture {

namespace {
QString doubleSizePath(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.isEmpty())
        return path + QStringLiteral("@2x");
    return path.left(path.size() - suffix.size() - 1) + QStringLiteral("@2x.") + suffix;
}
} // namespace

QPixmap load(const QString& path, qreal ratio)
{
    if (ratio > 1.0) {
        QPixmap large(doubleSizePath(path));
        if (!large.isNull()) {
            large.setDevicePixelRatio(2.0);
            return large;
        }
    }
    return QPixmap(path);
}

QPixmap load(const QString& path, const QPaintDevice* device)
{
    return load(path, device ? device->devicePixelRatioF() : 1.0);
}

QSize logicalSize(const QPixmap& picture)
{
    // A picture that failed to load has no usable ratio; dividing by it would
    // turn its size into garbage.
    const qreal ratio = picture.devicePixelRatioF();
    if (picture.isNull() || !(ratio > 0.0))
        return picture.size();
    return picture.size() / ratio;
}

} // namespace ScaledPicture
