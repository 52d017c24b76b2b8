#include "MainWindowPictures.h"

#include "PictureDrawing.h"

namespace {

const QColor kWhite(255, 255, 255);
// Normal, hover, pressed and disabled looks on the dark title bar.
const StateColours kTitleStates = {QColor(0xE6, 0xEE, 0xF5), QColor(0xFF, 0xFF, 0xFF), QColor(0xB8, 0xD8, 0xEC),
                                   QColor(0x8A, 0x97, 0xA8)};

QPen pen(const QColor& colour, qreal width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

Drawing palette(const QColor& c)
{
    return [c](QPainter& p, const QRectF& r) {
        const QRectF box = r.adjusted(4, 4, -4, -4);
        p.setPen(pen(c, 1.6));
        p.drawRoundedRect(box, 3, 3);
        p.fillRect(QRectF(box.left() + 3, box.top() + 3, box.width() / 2 - 3, box.height() / 2 - 3), c);
    };
}

// The main window's close button: white, for the dark title bar.
void closeCross(QPainter& p, const QRectF& r)
{
    p.setPen(pen(kWhite, 1.6));
    p.drawLine(r.topLeft() + QPointF(7, 7), r.bottomRight() - QPointF(7, 7));
    p.drawLine(QPointF(r.right() - 7, 7), QPointF(7, r.bottom() - 7));
}

} // namespace

bool drawMainWindowPictures(const QDir& clientImages)
{
    const QDir title(clientImages.filePath(QStringLiteral("preview/title")));
    const bool close = draw(title, QStringLiteral("close.png"), {24, 24}, closeCross);
    return drawStates(title, QStringLiteral("skin"), {24, 24}, palette, kTitleStates) && close;
}
