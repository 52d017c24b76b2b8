// Draws every picture the widget library serves under ":/images/" with
// QPainter, so that they can be remade and changed in code; the PNGs committed
// under widgets/images/ are this program's output, each also "@2x" for screens
// with two pixels per point.
#include "ClientPictures.h"
#include "MainWindowPictures.h"
#include "PictureDrawing.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cstdio>
#include <functional>

namespace {

const QColor kPrimary(88, 187, 228);
const QColor kIdleGrey(153, 169, 191);

using StateDrawing = std::function<void(QPainter&, const QColor&)>;

// The drawings of a state drawing, one per look's colour.
std::function<Drawing(const QColor&)> byColour(const StateDrawing& drawing)
{
    return [drawing](const QColor& colour) -> Drawing {
        return [drawing, colour](QPainter& p, const QRectF&) { drawing(p, colour); };
    };
}

void calendar(QPainter& p, const QColor& colour)
{
    p.setPen(QPen(colour, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(3.5, 5.5, 13, 11), 1.5, 1.5);
    p.drawLine(QPointF(3.5, 9), QPointF(16.5, 9));
    p.drawLine(QPointF(7, 3.5), QPointF(7, 7));
    p.drawLine(QPointF(13, 3.5), QPointF(13, 7));
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 3; ++column)
            p.drawRect(QRectF(6 + column * 3, 10.5 + row * 3, 2, 2));
}

// One or two chevrons pointing left (`towardsLeft`) or right.
StateDrawing chevrons(int count, bool towardsLeft)
{
    return [count, towardsLeft](QPainter& p, const QColor& colour) {
        p.setPen(QPen(colour, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
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
// the bottom margin; drawn at the picker's own size so nothing stretches.
void timeBorder(QPainter& p, const QRectF& r)
{
    const QRectF card(0.5, 0.5, r.width() - 1, r.height() - 12);
    for (int i = 6; i > 0; --i) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 6));
        p.drawRoundedRect(card.adjusted(i / 2.0, i, -i / 2.0, i), 4, 4);
    }
    p.setPen(QColor(0xD1, 0xD1, 0xD1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(card, 4, 4);
}

void cross(QPainter& p, const QRectF& r, const QPen& pen, qreal inset)
{
    p.setPen(pen);
    p.drawLine(QPointF(inset, inset), QPointF(r.width() - inset, r.height() - inset));
    p.drawLine(QPointF(r.width() - inset, inset), QPointF(inset, r.height() - inset));
}

// A close button as a composite picture: the four states as bands, top to bottom.
Drawing compositeClose(const StateColours& colours, qreal penWidth, qreal inset)
{
    return [colours, penWidth, inset](QPainter& p, const QRectF& r) {
        const QRectF band(0, 0, r.width(), r.height() / 4);
        for (int i = 0; i < 4; ++i) {
            p.save();
            p.translate(0, band.height() * i);
            cross(p, band, QPen(colours[i], penWidth, Qt::SolidLine, Qt::RoundCap), inset);
            p.restore();
        }
    };
}

// A filled triangle for the current order over a faint one for the other.
Drawing sortArrow(bool descending)
{
    return [descending](QPainter& p, const QRectF& r) {
        const QPolygonF up(
            QVector<QPointF>{{r.center().x(), 1}, {r.right() - 1, r.center().y() - 1}, {1, r.center().y() - 1}});
        const QPolygonF down(QVector<QPointF>{
            {1, r.center().y() + 1}, {r.right() - 1, r.center().y() + 1}, {r.center().x(), r.bottom() - 1}});
        const QColor faint(200, 200, 210);
        p.setPen(Qt::NoPen);
        p.setBrush(descending ? faint : kPrimary);
        p.drawPolygon(up);
        p.setBrush(descending ? kPrimary : faint);
        p.drawPolygon(down);
    };
}

Drawing magnifier(const QColor& colour)
{
    return [colour](QPainter& p, const QRectF& r) {
        p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        const QRectF lens(2, 2, r.width() * 0.55, r.height() * 0.55);
        p.drawEllipse(lens);
        p.drawLine(lens.center() + QPointF(lens.width() * 0.36, lens.height() * 0.36), r.bottomRight() - QPointF(2, 2));
    };
}

void tick(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(QColor(63, 186, 63), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF(QVector<QPointF>{{r.width() * 0.18, r.height() * 0.52},
                                              {r.width() * 0.42, r.height() * 0.76},
                                              {r.width() * 0.84, r.height() * 0.26}}));
}

void wrong(QPainter& p, const QRectF& r)
{
    cross(p, r, QPen(QColor(234, 84, 89), 2, Qt::SolidLine, Qt::RoundCap), 3);
}

void roundSymbol(QPainter& p, const QRectF& circle, const QColor& colour, const QString& glyph)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(circle);
    QFont font;
    font.setBold(true);
    font.setPixelSize(int(circle.height() * 0.7));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(circle, Qt::AlignCenter, glyph);
}

// Background of the floating tip: a white card with a soft border, the type's
// symbol in the 55-pixel band on the left that the tip's layout leaves free.
Drawing promptBackground(const QColor& colour, const QString& glyph)
{
    return [colour, glyph](QPainter& p, const QRectF& r) {
        p.setPen(QPen(QColor(209, 209, 209), 1));
        p.setBrush(Qt::white);
        p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawRect(QRectF(1, 4, 3, r.height() - 8));
        roundSymbol(p, QRectF(17, (r.height() - 22) / 2 - 5, 22, 22), colour, glyph);
    };
}

// Widget-box icons of Qt Designer.
void pictureButtonIcon(QPainter& p, const QRectF& r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kPrimary);
    p.drawRoundedRect(r.adjusted(1, 5, -1, -5), 3, 3);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(5, r.center().y() - 3, 6, 6));
    p.drawRect(QRectF(13, r.center().y() - 1, 8, 2));
}

void switchButtonIcon(QPainter& p, const QRectF& r)
{
    const QRectF track = r.adjusted(1, 6, -1, -6);
    p.setPen(Qt::NoPen);
    p.setBrush(kPrimary);
    p.drawRoundedRect(track, track.height() / 2, track.height() / 2);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(track.right() - track.height() + 1, track.top() + 1, track.height() - 2, track.height() - 2));
}

void topNavigationIcon(QPainter& p, const QRectF& r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(64, 71, 83));
    p.drawRect(r.adjusted(0, 4, 0, -4));
    p.setBrush(kPrimary);
    p.drawRect(QRectF(2, r.bottom() - 8, 8, 2));
    p.setBrush(Qt::white);
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(2 + i * 7, 9, 5, 2));
}

bool drawCalendarPictures(const QDir& calendarDir)
{
    bool ok = drawStates(calendarDir, QStringLiteral("calendar"), {20, 20}, byColour(calendar));
    ok = drawStates(calendarDir, QStringLiteral("yp"), {16, 16}, byColour(chevrons(2, true))) && ok;
    ok = drawStates(calendarDir, QStringLiteral("mp"), {16, 16}, byColour(chevrons(1, true))) && ok;
    ok = drawStates(calendarDir, QStringLiteral("mn"), {16, 16}, byColour(chevrons(1, false))) && ok;
    ok = drawStates(calendarDir, QStringLiteral("yn"), {16, 16}, byColour(chevrons(2, false))) && ok;
    return draw(calendarDir, QStringLiteral("timeBorder.png"), {156, 256}, timeBorder) && ok;
}

bool drawPictures(const QDir& dir)
{
    const StateColours tipClose = {kIdleGrey, kPrimary, QColor(70, 149, 182), QColor(210, 210, 210)};
    bool ok = draw(dir, QStringLiteral("close.png"), {16, 64}, compositeClose(kButtonStates, 1.8, 4));
    ok = draw(dir, QStringLiteral("feedback_close.png"), {12, 48}, compositeClose(tipClose, 2, 3)) && ok;
    ok = draw(dir, QStringLiteral("HeaderAscendingOrder.png"), {8, 12}, sortArrow(false)) && ok;
    ok = draw(dir, QStringLiteral("HeaderDescendingOrder.png"), {8, 12}, sortArrow(true)) && ok;
    ok = draw(dir, QStringLiteral("search_normal.png"), {16, 16}, magnifier(kIdleGrey)) && ok;
    ok = draw(dir, QStringLiteral("search_click.png"), {16, 16}, magnifier(kPrimary)) && ok;
    ok = draw(dir, QStringLiteral("correct.png"), {14, 14}, tick) && ok;
    ok = draw(dir, QStringLiteral("wrong.png"), {14, 14}, wrong) && ok;
    ok = draw(dir, QStringLiteral("prompt_tips.png"), {320, 60}, promptBackground(kPrimary, QStringLiteral("i"))) && ok;
    ok = draw(dir, QStringLiteral("prompt_warm.png"), {320, 60},
              promptBackground(QColor(255, 170, 60), QStringLiteral("!"))) &&
         ok;
    ok = draw(dir, QStringLiteral("prompt_fail.png"), {320, 60},
              promptBackground(QColor(234, 84, 89), QStringLiteral("\u00d7"))) &&
         ok;
    ok = draw(dir, QStringLiteral("prompt_succ.png"), {320, 60},
              promptBackground(QColor(63, 186, 63), QStringLiteral("\u2713"))) &&
         ok;
    ok = draw(dir, QStringLiteral("picturebutton.png"), {24, 24}, pictureButtonIcon) && ok;
    ok = draw(dir, QStringLiteral("switchbutton.png"), {24, 24}, switchButtonIcon) && ok;
    return draw(dir, QStringLiteral("TopSlideNavigation.png"), {24, 24}, topNavigationIcon) && ok;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s <widgets/images folder> [<client/resources/images folder>]\n", argv[0]);
        return 2;
    }
    const QDir images(QString::fromLocal8Bit(argv[1]));
    if (!images.mkpath(QStringLiteral("Calendar"))) {
        std::fprintf(stderr, "cannot create %s/Calendar\n", argv[1]);
        return 1;
    }
    const bool pictures = drawPictures(images);
    const bool calendarPictures = drawCalendarPictures(QDir(images.filePath(QStringLiteral("Calendar"))));
    const bool clientPictures = argc < 3 || (drawClientPictures(QDir(QString::fromLocal8Bit(argv[2]))) &
                                             drawMainWindowPictures(QDir(QString::fromLocal8Bit(argv[2]))));
    return pictures && calendarPictures && clientPictures ? 0 : 1;
}
