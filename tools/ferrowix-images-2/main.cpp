// Draws the library's pictures with QPainter so that they can be remade and
// changed in code; the committed PNGs are this program's output.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <functional>

namespace {
const QColor kPrimary(88, 187, 228);

using Drawing = std::function<void(QPainter&, const QRectF&)>;

bool save(const QDir& dir, const QString& name, QSize size, const Drawing& draw)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    const QString path = dir.filePath(name);
    if (!image.save(path, "PNG", 0)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

void sortArrow(QPainter& p, const QRectF& r, bool descending)
{
    // A filled triangle for the current order over a faint one for the other.
    const QPolygonF up(QVector<QPointF>{
        {r.center().x(), 1}, {r.right() - 1, r.center().y() - 1}, {1, r.center().y() - 1}});
    const QPolygonF down(QVector<QPointF>{
        {1, r.center().y() + 1}, {r.right() - 1, r.center().y() + 1}, {r.center().x(), r.bottom() - 1}});
    p.setPen(Qt::NoPen);
    p.setBrush(descending ? QColor(200, 200, 210) : kPrimary);
    p.drawPolygon(up);
    p.setBrush(descending ? kPrimary : QColor(200, 200, 210));
    p.drawPolygon(down);
}

void magnifier(QPainter& p, const QRectF& r, const QColor& colour)
{
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const QRectF lens(2, 2, r.width() * 0.55, r.height() * 0.55);
    p.drawEllipse(lens);
    p.drawLine(lens.center() + QPointF(lens.width() * 0.36, lens.height() * 0.36), r.bottomRight() - QPointF(2, 2));
}

void tick(QPainter& p, const QRectF& r, const QColor& colour)
{
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF(QVector<QPointF>{{r.width() * 0.18, r.height() * 0.52},
                                              {r.width() * 0.42, r.height() * 0.76},
                                              {r.width() * 0.84, r.height() * 0.26}}));
}

void cross(QPainter& p, const QRectF& r, const QColor& colour, qreal inset)
{
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(inset, inset), QPointF(r.width() - inset, r.height() - inset));
    p.drawLine(QPointF(r.width() - inset, inset), QPointF(inset, r.height() - inset));
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

// Close button in four stacked bands: normal, hover, pressed, disabled.
void closeBands(QPainter& p, const QRectF& r)
{
    const QColor colours[] = {QColor(153, 169, 191), kPrimary, QColor(70, 149, 182), QColor(210, 210, 210)};
    const qreal band = r.height() / 4;
    for (int i = 0; i < 4; ++i) {
        p.save();
        p.translate(0, band * i);
        cross(p, QRectF(0, 0, r.width(), band), colours[i], 3);
        p.restore();
    }
}

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
} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <widgets/images folder>\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    bool ok = true;
    ok &= save(dir, "HeaderAscendingOrder.png", {8, 12}, [](QPainter& p, const QRectF& r) { sortArrow(p, r, false); });
    ok &= save(dir, "HeaderDescendingOrder.png", {8, 12}, [](QPainter& p, const QRectF& r) { sortArrow(p, r, true); });
    ok &= save(dir, "search_normal.png", {16, 16},
               [](QPainter& p, const QRectF& r) { magnifier(p, r, QColor(153, 169, 191)); });
    ok &= save(dir, "search_click.png", {16, 16}, [](QPainter& p, const QRectF& r) { magnifier(p, r, kPrimary); });
    ok &= save(dir, "correct.png", {14, 14}, [](QPainter& p, const QRectF& r) { tick(p, r, QColor(63, 186, 63)); });
    ok &= save(dir, "wrong.png", {14, 14},
               [](QPainter& p, const QRectF& r) { cross(p, r, QColor(234, 84, 89), 3); });
    ok &= save(dir, "prompt_tips.png", {320, 60}, promptBackground(kPrimary, "i"));
    ok &= save(dir, "prompt_warm.png", {320, 60}, promptBackground(QColor(255, 170, 60), "!"));
    ok &= save(dir, "prompt_fail.png", {320, 60}, promptBackground(QColor(234, 84, 89), QStringLiteral("\u00d7")));
    ok &= save(dir, "prompt_succ.png", {320, 60}, promptBackground(QColor(63, 186, 63), QStringLiteral("\u2713")));
    ok &= save(dir, "feedback_close.png", {12, 48}, closeBands);
    ok &= save(dir, "picturebutton.png", {24, 24}, pictureButtonIcon);
    ok &= save(dir, "switchbutton.png", {24, 24}, switchButtonIcon);
    ok &= save(dir, "TopSlideNavigation.png", {24, 24}, topNavigationIcon);
    return ok ? 0 : 1;
}
