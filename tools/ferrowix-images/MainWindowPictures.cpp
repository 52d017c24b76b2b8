#include "MainWindowPictures.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cstdio>
#include <functional>

namespace {

using Paint = std::function<void(QPainter&, const QRectF&)>;

const QColor kWhite(255, 255, 255);
// Normal, hover, pressed and disabled looks on the dark title bar.
const std::array<QColor, 4> kTitleStates = {QColor(0xE6, 0xEE, 0xF5), QColor(0xFF, 0xFF, 0xFF),
                                            QColor(0xB8, 0xD8, 0xEC), QColor(0x8A, 0x97, 0xA8)};
const char* const kSuffixes[] = {"", "_hover", "_pressed", "_disabled"};

QImage paintImage(const QSize& size, const Paint& paint)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

bool save(const QImage& image, const QString& path, const char* format = "PNG")
{
    if (image.save(path, format, format == QByteArray("PNG") ? 0 : -1))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

// base, base_hover, base_pressed, base_disabled (with `extension` after each).
bool saveStates(const QDir& dir, const QString& base, const QString& extension, const QSize& size,
                const std::array<QColor, 4>& colours, const std::function<void(QPainter&, const QRectF&, const QColor&)>& paint)
{
    bool ok = true;
    for (int state = 0; state < 4; ++state) {
        const QColor colour = colours[state];
        ok = save(paintImage(size, [&](QPainter& p, const QRectF& r) { paint(p, r, colour); }),
                  dir.filePath(base + QLatin1String(kSuffixes[state]) + extension))
             && ok;
    }
    return ok;
}

QPen pen(const QColor& colour, qreal width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void palette(QPainter& p, const QRectF& r, const QColor& c)
{
    const QRectF box = r.adjusted(4, 4, -4, -4);
    p.setPen(pen(c, 1.6));
    p.drawRoundedRect(box, 3, 3);
    p.fillRect(QRectF(box.left() + 3, box.top() + 3, box.width() / 2 - 3, box.height() / 2 - 3), c);
}

// The main window's close button: white, for the dark title bar.
bool drawWindowButtons(const QDir& dir)
{
    using Paint24 = std::function<void(QPainter&, const QRectF&)>;
    const std::pair<const char*, Paint24> buttons[] = {
        {"close.png",
         [](QPainter& p, const QRectF& r) {
             p.setPen(pen(kWhite, 1.6));
             p.drawLine(r.topLeft() + QPointF(7, 7), r.bottomRight() - QPointF(7, 7));
             p.drawLine(QPointF(r.right() - 7, 7), QPointF(7, r.bottom() - 7));
         }},
    };
    bool ok = true;
    for (const auto& [file, paint] : buttons)
        ok = save(paintImage({24, 24}, paint), dir.filePath(QString::fromLatin1(file))) && ok;
    return ok;
}

} // namespace

bool drawMainWindowPictures(const QDir& clientImages)
{
    const QDir title(clientImages.filePath(QStringLiteral("preview/title")));
    if (!QDir().mkpath(title.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(title.path()));
        return false;
    }
    const bool buttons = drawWindowButtons(title);
    return saveStates(title, QStringLiteral("skin"), QStringLiteral(".png"), {24, 24}, kTitleStates, palette) && buttons;
}
