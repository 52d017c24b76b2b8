// Draws the pictures the widgets name under ":/images/": the calendar button,
// the calendar's navigation arrows, the time picker's frame and the composite
// close button. Each state picture differs only in colour.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <functional>

namespace {

const QColor kNormal(0x8A, 0x97, 0xA8);
const QColor kHover(0x79, 0xC8, 0xE9);
const QColor kPressed(0x46, 0x95, 0xB6);
const QColor kDisabled(0xCC, 0xCC, 0xCC);

struct State
{
    const char* suffix;
    QColor color;
};
const State kStates[] = {{"", kNormal}, {"_hover", kHover}, {"_pressed", kPressed}, {"_disabled", kDisabled}};

using Drawing = std::function<void(QPainter&, const QColor&)>;

QImage canvas(const QSize& size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

bool save(const QImage& image, const QString& path)
{
    if (image.save(path, "PNG", 9))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

// One file per state: name, name_hover, name_pressed, name_disabled.
bool drawStates(const QString& base, const QSize& size, const Drawing& draw)
{
    bool ok = true;
    for (const State& state : kStates) {
        QImage image = canvas(size);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter, state.color);
        painter.end();
        ok = save(image, base + QLatin1String(state.suffix) + QStringLiteral(".png")) && ok;
    }
    return ok;
}

void drawCalendar(QPainter& p, const QColor& color)
{
    p.setPen(QPen(color, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(3.5, 5.5, 13, 11), 1.5, 1.5);
    p.drawLine(QPointF(3.5, 9), QPointF(16.5, 9));
    p.drawLine(QPointF(7, 3.5), QPointF(7, 7));
    p.drawLine(QPointF(13, 3.5), QPointF(13, 7));
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 3; ++column)
            p.drawRect(QRectF(6 + column * 3, 10.5 + row * 3, 2, 2));
}

// One or two chevrons pointing left (`towardsLeft`) or right.
Drawing chevrons(int count, bool towardsLeft)
{
    return [count, towardsLeft](QPainter& p, const QColor& color) {
        p.setPen(QPen(color, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const qreal width = 4;
        const qreal start = 8 - (count * width + (count - 1) * 1.5) / 2;
        for (int i = 0; i < count; ++i) {
            const qreal left = start + i * (width + 1.5);
            const qreal tip = towardsLeft ? left : left + width;
            const qreal back = towardsLeft ? left + width : left;
            QPainterPath path;
            path.moveTo(back, 4);
            path.lineTo(tip, 8);
            path.lineTo(back, 12);
            p.drawPath(path);
        }
    };
}

// The time picker's frame: white card with a grey border and a soft shadow in
// the 18-pixel bottom margin; drawn at the picker's own size so nothing stretches.
bool drawTimeBorder(const QString& path)
{
    const QSize size(156, 256);
    QImage image = canvas(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF card(0.5, 0.5, size.width() - 1, size.height() - 12);
    for (int i = 6; i > 0; --i) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 6));
        p.drawRoundedRect(card.adjusted(i / 2.0, i, -i / 2.0, i), 4, 4);
    }
    p.setPen(QColor(0xD1, 0xD1, 0xD1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(card, 4, 4);
    p.end();
    return save(image, path);
}

// The four states as bands of one picture, top to bottom.
bool drawCompositeClose(const QString& path)
{
    const int side = 16;
    QImage image = canvas(QSize(side, side * 4));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (int band = 0; band < 4; ++band) {
        const qreal top = band * side;
        p.setPen(QPen(kStates[band].color, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, top + 4), QPointF(12, top + 12));
        p.drawLine(QPointF(12, top + 4), QPointF(4, top + 12));
    }
    p.end();
    return save(image, path);
}

}

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <widgets/images folder>\n", argv[0]);
        return 2;
    }
    const QDir images(QString::fromLocal8Bit(argv[1]));
    if (!images.mkpath(QStringLiteral("Calendar"))) {
        std::fprintf(stderr, "cannot create %s/Calendar\n", argv[1]);
        return 1;
    }
    const QString calendar = images.filePath(QStringLiteral("Calendar/"));
    bool ok = drawStates(calendar + QStringLiteral("calendar"), QSize(20, 20), drawCalendar);
    ok = drawStates(calendar + QStringLiteral("yp"), QSize(16, 16), chevrons(2, true)) && ok;
    ok = drawStates(calendar + QStringLiteral("mp"), QSize(16, 16), chevrons(1, true)) && ok;
    ok = drawStates(calendar + QStringLiteral("mn"), QSize(16, 16), chevrons(1, false)) && ok;
    ok = drawStates(calendar + QStringLiteral("yn"), QSize(16, 16), chevrons(2, false)) && ok;
    ok = drawTimeBorder(calendar + QStringLiteral("timeBorder.png")) && ok;
    ok = drawCompositeClose(images.filePath(QStringLiteral("close.png"))) && ok;
    return ok ? 0 : 1;
}
