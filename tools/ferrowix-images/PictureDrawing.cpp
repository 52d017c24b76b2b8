#include "PictureDrawing.h"

#include <QFileInfo>
#include <QImage>

#include <cstdio>

const StateColours kButtonStates = {QColor(0x8A, 0x97, 0xA8), QColor(0x79, 0xC8, 0xE9), QColor(0x46, 0x95, 0xB6),
                                    QColor(0xCC, 0xCC, 0xCC)};
const char* const kStateSuffixes[4] = {"", "_hover", "_pressed", "_disabled"};

namespace {

constexpr int kScales[] = {1, 2};

QString scaledName(const QString& name, int scale)
{
    if (scale == 1)
        return name;
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return name.left(dot) + QStringLiteral("@%1x").arg(scale) + name.mid(dot);
}

} // namespace

bool draw(const QDir& dir, const QString& name, const QSize& size, const Drawing& drawing)
{
    for (const int scale : kScales) {
        QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.scale(scale, scale);
        drawing(painter, QRectF(QPointF(0, 0), QSizeF(size)));
        painter.end();
        const QString path = dir.filePath(scaledName(name, scale));
        // Quality 0: the strongest compression, the smallest file.
        if (!QDir().mkpath(QFileInfo(path).path()) || !image.save(path, "PNG", 0)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return false;
        }
    }
    return true;
}

bool drawStates(const QDir& dir, const QString& base, const QSize& size,
                const std::function<Drawing(const QColor&)>& look, const StateColours& colours)
{
    bool ok = true;
    for (int state = 0; state < 4; ++state)
        ok = draw(dir, base + QLatin1String(kStateSuffixes[state]) + QStringLiteral(".png"), size,
                  look(colours[state])) &&
             ok;
    return ok;
}
