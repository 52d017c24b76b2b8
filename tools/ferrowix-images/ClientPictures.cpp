// The client program's pictures, drawn with QPainter like the widget
// library's; the PNGs committed under client/resources/images/ are this
// output. Names follow the resource names the client's forms and code use.
#include "ClientPictures.h"
#include "PictureDrawing.h"

#include <QDir>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <cstdio>
#include <functional>

namespace {

using Paint = Drawing;

const QColor kAccent(88, 187, 228);
const QColor kIdle = kButtonStates[0];
const QColor kHover = kButtonStates[1];
const QColor kPressed = kButtonStates[2];
const QColor kDisabled = kButtonStates[3];

// The client's pictures below one folder, drawn by the shared drawing at both
// scales; remembers whether every file was written.
class Painter
{
public:
    explicit Painter(const QDir& dir) : m_dir(dir) { }

    bool ok() const { return m_ok; }

    void draw(const QString& name, const QSize& size, const Paint& paint)
    {
        m_ok = ::draw(m_dir, name, size, paint) && m_ok;
    }

    // One file per state: base, base_hover, base_pressed, base_disabled.
    void drawStates(const QString& base, const QSize& size, const std::function<Paint(const QColor&)>& look)
    {
        m_ok = ::drawStates(m_dir, base, size, look) && m_ok;
    }

    // The four states stacked vertically in one picture.
    void drawComposite(const QString& name, const QSize& band, const std::function<Paint(const QColor&)>& look)
    {
        draw(name, QSize(band.width(), band.height() * 4), [&](QPainter& p, const QRectF&) {
            for (int state = 0; state < 4; ++state) {
                p.save();
                p.translate(0, state * band.height());
                p.setClipRect(QRectF(QPointF(0, 0), QSizeF(band)));
                look(kButtonStates[state])(p, QRectF(QPointF(0, 0), QSizeF(band)));
                p.restore();
            }
        });
    }

    // An icon file holds its own sizes: one picture, at one pixel per point.
    void drawIcon(const QString& name, const QSize& size, const Paint& paint)
    {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        paint(painter, QRectF(QPointF(0, 0), QSizeF(size)));
        painter.end();
        const QString path = m_dir.filePath(name);
        QImageWriter writer(path, "ICO");
        if (!writer.write(image)) {
            std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
            m_ok = false;
        }
    }

private:
    QDir m_dir;
    bool m_ok = true;
};

QPen roundPen(const QColor& colour, qreal width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// --- Shadow of the frameless dialogs: alpha falling off away from the body.

qreal shadowAlpha(qreal distance, qreal depth)
{
    const qreal t = qBound<qreal>(0, distance / depth, 1);
    return 70 * (1 - t) * (1 - t);
}

// `inside` is the body's nearest point for a pixel; the shadow is deeper below.
Paint shadowPiece(const std::function<QPointF(const QPointF&)>& distance)
{
    return [distance](QPainter& p, const QRectF& r) {
        for (int y = 0; y < int(r.height()); ++y)
            for (int x = 0; x < int(r.width()); ++x) {
                const QPointF d = distance(QPointF(x + 0.5, y + 0.5));
                const qreal alpha = shadowAlpha(std::hypot(d.x() / 10, d.y() / (d.y() > 0 ? 15 : 5)) * 10, 10);
                p.fillRect(QRectF(x, y, 1, 1), QColor(0, 0, 0, int(alpha)));
            }
    };
}

void drawShadow(Painter& out)
{
    // Distances from the body edge: x measured over the 10-pixel side margins,
    // y over the 5-pixel top and 15-pixel bottom margins.
    auto piece = [&](const char* name, QSize size, std::function<QPointF(const QPointF&)> d) {
        out.draw(QStringLiteral("shadow/%1.png").arg(QLatin1String(name)), size, shadowPiece(d));
    };
    piece("left_top", {10, 5}, [](QPointF q) { return QPointF(10 - q.x(), -(5 - q.y()) * 2); });
    piece("top", {1, 5}, [](QPointF q) { return QPointF(0, -(5 - q.y()) * 2); });
    piece("right_top", {10, 5}, [](QPointF q) { return QPointF(q.x(), -(5 - q.y()) * 2); });
    piece("left", {10, 1}, [](QPointF q) { return QPointF(10 - q.x(), 0); });
    piece("right", {10, 1}, [](QPointF q) { return QPointF(q.x(), 0); });
    piece("left_bottom", {10, 15}, [](QPointF q) { return QPointF(10 - q.x(), q.y()); });
    piece("bottom", {1, 15}, [](QPointF q) { return QPointF(0, q.y()); });
    piece("right_bottom", {10, 15}, [](QPointF q) { return QPointF(q.x(), q.y()); });
}

// --- Toast kinds: a white card with the kind's round symbol in the square
// (10..50, 6..46) that closes the toast when clicked.

// A disc with a white glyph, the glyph drawn as an outline path centred on its
// own bounds (text metrics would leave it off-centre for symbols).
void roundSymbol(QPainter& p, const QRectF& circle, const QColor& colour, const QString& glyph)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(circle);
    QFont font;
    font.setWeight(QFont::Bold);
    font.setPixelSize(int(circle.height() * 0.62));
    QPainterPath text;
    text.addText(0, 0, font, glyph);
    text.translate(circle.center() - text.boundingRect().center());
    p.fillPath(text, Qt::white);
}

Paint promptCard(const QColor& colour, const QString& glyph)
{
    return [colour, glyph](QPainter& p, const QRectF& r) {
        // A soft shadow in the 10 pixels below the card that the label's padding leaves free.
        for (int i = 0; i < 6; ++i) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0, 0, 0, 10));
            p.drawRoundedRect(QRectF(2 + i * 0.5, 3 + i, r.width() - 4 - i, 46), 6, 6);
        }
        p.setPen(QPen(QColor(214, 222, 230), 1));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(1.5, 1.5, r.width() - 3, 47), 5, 5);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(1.5, 1.5, 4, 47), 2, 2);
        roundSymbol(p, QRectF(18, 13, 24, 24), colour, glyph);
    };
}

// --- Loading animation: a ring of twelve dots whose bright head turns once in 70 frames.

Paint loadingFrame(int frame)
{
    return [frame](QPainter& p, const QRectF& r) {
        const QPointF centre = r.center();
        const qreal head = 360.0 * frame / 70;
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 12; ++i) {
            const qreal angle = i * 30.0;
            qreal behind = std::fmod(head - angle + 720, 360);
            const qreal strength = 1 - behind / 360;
            const qreal radians = qDegreesToRadians(angle - 90);
            const QPointF dot = centre + QPointF(std::cos(radians), std::sin(radians)) * (r.width() / 2 - 6);
            p.setBrush(QColor(255, 255, 255, int(40 + 215 * strength * strength)));
            const qreal size = 3 + 2.5 * strength;
            p.drawEllipse(dot, size, size);
        }
    };
}

// --- Small line icons.

Paint cross(const QColor& colour, qreal inset, qreal width = 1.8)
{
    return [=](QPainter& p, const QRectF& r) {
        p.setPen(roundPen(colour, width));
        const QRectF box = r.adjusted(inset, inset, -inset, -inset);
        p.drawLine(box.topLeft(), box.bottomRight());
        p.drawLine(box.topRight(), box.bottomLeft());
    };
}

Paint magnifier(const QColor& colour)
{
    return [colour](QPainter& p, const QRectF& r) {
        p.setPen(roundPen(colour, 1.8));
        p.setBrush(Qt::NoBrush);
        const QRectF lens(r.left() + r.width() * 0.15, r.top() + r.height() * 0.15, r.width() * 0.5, r.height() * 0.5);
        p.drawEllipse(lens);
        p.drawLine(lens.center() + QPointF(lens.width() * 0.36, lens.height() * 0.36),
                   r.topLeft() + QPointF(r.width() * 0.85, r.height() * 0.85));
    };
}

Paint clearMark(const QColor& colour)
{
    return [colour](QPainter& p, const QRectF& r) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(r.adjusted(2, 2, -2, -2));
        cross(Qt::white, r.width() * 0.36, 1.5)(p, r);
    };
}

// The round outline of the ringed buttons.
void ring(QPainter& p, const QRectF& r, const QColor& colour)
{
    p.setPen(roundPen(colour, 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(r.adjusted(3, 3, -3, -3));
}

Paint plus(const QColor& colour)
{
    return [colour](QPainter& p, const QRectF& r) {
        ring(p, r, colour);
        p.drawLine(QPointF(r.center().x(), 8), QPointF(r.center().x(), r.height() - 8));
        p.drawLine(QPointF(8, r.center().y()), QPointF(r.width() - 8, r.center().y()));
    };
}

Paint minus(const QColor& colour)
{
    return [colour](QPainter& p, const QRectF& r) {
        ring(p, r, colour);
        p.drawLine(QPointF(8, r.center().y()), QPointF(r.width() - 8, r.center().y()));
    };
}

QPolygonF triangle(const QRectF& box)
{
    return QPolygonF(QVector<QPointF>{box.topLeft(), QPointF(box.right(), box.center().y()), box.bottomLeft()});
}

// A filled shape in the button's colour, optionally inside the round outline;
// `shape` gets the picture's side length.
Paint solidShape(const QColor& colour, bool ringed, const std::function<QPainterPath(qreal)>& shape)
{
    return [=](QPainter& p, const QRectF& r) {
        if (ringed)
            ring(p, r, colour);
        p.fillPath(shape(r.width()), colour);
    };
}

Paint playTriangle(const QColor& colour, bool ringed)
{
    return solidShape(colour, ringed, [](qreal s) {
        QPainterPath path;
        path.addPolygon(triangle(QRectF(s * 0.4, s * 0.3, s * 0.3, s * 0.4)));
        return path;
    });
}

Paint stopSquare(const QColor& colour, bool ringed)
{
    return solidShape(colour, ringed, [](qreal s) {
        QPainterPath path;
        path.addRect(QRectF(s * 0.36, s * 0.36, s * 0.28, s * 0.28));
        return path;
    });
}

Paint gear(const QColor& colour)
{
    return [colour](QPainter& p, const QRectF& r) {
        const QPointF c = r.center();
        p.setPen(roundPen(colour, 2.6));
        for (int i = 0; i < 8; ++i) {
            const qreal a = qDegreesToRadians(i * 45.0);
            p.drawLine(c + QPointF(std::cos(a), std::sin(a)) * (r.width() * 0.28),
                       c + QPointF(std::cos(a), std::sin(a)) * (r.width() * 0.40));
        }
        p.setPen(roundPen(colour, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c, r.width() * 0.26, r.width() * 0.26);
        p.drawEllipse(c, r.width() * 0.09, r.width() * 0.09);
    };
}

Paint infoMark(const QColor& colour)
{
    return [colour](QPainter& p, const QRectF& r) {
        p.setPen(roundPen(colour, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(r.adjusted(4, 4, -4, -4));
        p.drawLine(QPointF(r.center().x(), r.height() * 0.45), QPointF(r.center().x(), r.height() * 0.7));
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(QPointF(r.center().x(), r.height() * 0.32), 1.4, 1.4);
    };
}

Paint refreshArrow(const QColor& colour)
{
    return [colour](QPainter& p, const QRectF& r) {
        p.setPen(roundPen(colour, 2));
        p.setBrush(Qt::NoBrush);
        const QRectF ring = r.adjusted(5, 5, -5, -5);
        p.drawArc(ring, 30 * 16, 290 * 16);
        const qreal a = qDegreesToRadians(-30.0);
        const QPointF tip = ring.center() + QPointF(std::cos(a) * ring.width() / 2, std::sin(a) * ring.height() / 2);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawPolygon(QPolygonF(QVector<QPointF>{tip + QPointF(-4, -3), tip + QPointF(3, -4), tip + QPointF(2, 3)}));
    };
}

Paint lightning(const QColor& colour)
{
    return [colour](QPainter& p, const QRectF& r) {
        const qreal s = r.width();
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawPolygon(QPolygonF(QVector<QPointF>{{s * 0.58, s * 0.12},
                                                 {s * 0.28, s * 0.55},
                                                 {s * 0.48, s * 0.55},
                                                 {s * 0.40, s * 0.88},
                                                 {s * 0.72, s * 0.42},
                                                 {s * 0.52, s * 0.42}}));
    };
}

Paint pencil(const QColor& colour)
{
    return [colour](QPainter& p, const QRectF& r) {
        const qreal s = r.width();
        p.setPen(roundPen(colour, 1.8));
        p.setBrush(Qt::NoBrush);
        p.drawPolygon(QPolygonF(QVector<QPointF>{{s * 0.25, s * 0.75},
                                                 {s * 0.3, s * 0.58},
                                                 {s * 0.65, s * 0.23},
                                                 {s * 0.77, s * 0.35},
                                                 {s * 0.42, s * 0.7}}));
    };
}

Paint expandCorners(const QColor& colour)
{
    return [colour](QPainter& p, const QRectF& r) {
        p.setPen(roundPen(colour, 2.2));
        const QRectF b = r.adjusted(r.width() * 0.22, r.height() * 0.22, -r.width() * 0.22, -r.height() * 0.22);
        const qreal l = b.width() * 0.32;
        for (const QPointF& corner : {b.topLeft(), b.topRight(), b.bottomLeft(), b.bottomRight()}) {
            const qreal dx = corner.x() < b.center().x() ? l : -l;
            const qreal dy = corner.y() < b.center().y() ? l : -l;
            p.drawLine(corner, corner + QPointF(dx, 0));
            p.drawLine(corner, corner + QPointF(0, dy));
        }
    };
}

// A sprite of 24-pixel bands: normal, hover, pressed, disabled.
void drawSprite(Painter& out, const QString& name, const std::function<Paint(const QColor&)>& look)
{
    out.drawComposite(name, QSize(24, 24), look);
}

// A camera body; `state` colours the lens.
Paint camera(const QColor& body, const QColor& lens)
{
    return [body, lens](QPainter& p, const QRectF& r) {
        p.setPen(Qt::NoPen);
        p.setBrush(body);
        p.drawRoundedRect(QRectF(1, 4, r.width() * 0.7, r.height() - 8), 2, 2);
        p.drawPolygon(QPolygonF(QVector<QPointF>{
            {r.width() * 0.72, r.height() * 0.5}, {r.width() - 1, 3}, {r.width() - 1, r.height() - 3}}));
        p.setBrush(lens);
        p.drawEllipse(QPointF(r.width() * 0.36, r.height() / 2), 2.5, 2.5);
    };
}

Paint deviceBox(const QColor& colour)
{
    return [colour](QPainter& p, const QRectF& r) {
        p.setPen(roundPen(colour, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r.adjusted(1.5, 3.5, -1.5, -3.5), 2, 2);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        for (int i = 0; i < 3; ++i)
            p.drawEllipse(QPointF(4.5 + i * 3.5, r.height() / 2), 1.2, 1.2);
    };
}

// The five split layouts (1, 4, 6, 9, 16 panes), each 32 x 32, stacked.
Paint splitLayouts()
{
    return [](QPainter& p, const QRectF&) {
        const QColor line(220, 226, 233);
        auto grid = [&](int top, const QVector<QRectF>& cells) {
            for (const QRectF& cell : cells) {
                p.setPen(QPen(line, 1));
                p.setBrush(QColor(120, 130, 143));
                p.drawRect(cell.translated(0, top));
            }
        };
        auto even = [](int n) {
            QVector<QRectF> cells;
            const qreal size = 26.0 / n;
            for (int y = 0; y < n; ++y)
                for (int x = 0; x < n; ++x)
                    cells.append(QRectF(3.5 + x * size, 3.5 + y * size, size, size));
            return cells;
        };
        grid(0, even(1));
        grid(32, even(2));
        const qreal third = 26.0 / 3;
        grid(64, {QRectF(3.5, 3.5, third * 2, third * 2), QRectF(3.5 + third * 2, 3.5, third, third),
                  QRectF(3.5 + third * 2, 3.5 + third, third, third), QRectF(3.5, 3.5 + third * 2, third, third),
                  QRectF(3.5 + third, 3.5 + third * 2, third, third),
                  QRectF(3.5 + third * 2, 3.5 + third * 2, third, third)});
        grid(96, even(3));
        grid(128, even(4));
    };
}

// A placeholder: a pale frame holding a line drawing of a picture or a film.
Paint placeholder(bool film, const QSize& size)
{
    return [film, size](QPainter& p, const QRectF&) {
        const QColor ink(200, 208, 218);
        const QRectF card(size.width() / 2.0 - 50, size.height() / 2.0 - 38, 100, 76);
        p.setPen(QPen(ink, 3));
        p.setBrush(QColor(244, 246, 249));
        p.drawRoundedRect(card, 6, 6);
        if (film) {
            p.setPen(Qt::NoPen);
            p.setBrush(ink);
            p.drawPolygon(triangle(QRectF(card.center().x() - 10, card.center().y() - 14, 26, 28)));
            for (int i = 0; i < 5; ++i) {
                p.drawRect(QRectF(card.left() + 10 + i * 18, card.top() + 6, 8, 6));
                p.drawRect(QRectF(card.left() + 10 + i * 18, card.bottom() - 12, 8, 6));
            }
        } else {
            p.setPen(Qt::NoPen);
            p.setBrush(ink);
            p.drawEllipse(QPointF(card.left() + 28, card.top() + 24), 8, 8);
            p.drawPolygon(QPolygonF(QVector<QPointF>{{card.left() + 12, card.bottom() - 10},
                                                     {card.left() + 42, card.top() + 34},
                                                     {card.left() + 60, card.bottom() - 26},
                                                     {card.left() + 72, card.top() + 40},
                                                     {card.right() - 10, card.bottom() - 10}}));
        }
    };
}

Paint emptyTable()
{
    return [](QPainter& p, const QRectF& r) {
        const QColor ink(205, 213, 223);
        const QRectF sheet(r.center().x() - 70, 40, 140, 150);
        p.setPen(QPen(ink, 3));
        p.setBrush(QColor(246, 248, 251));
        p.drawRoundedRect(sheet, 8, 8);
        p.setPen(roundPen(ink, 6));
        for (int i = 0; i < 4; ++i) {
            const qreal y = sheet.top() + 32 + i * 28;
            p.drawLine(QPointF(sheet.left() + 24, y), QPointF(sheet.right() - 24 - (i % 2) * 30, y));
        }
        magnifier(QColor(170, 182, 197))(p, QRectF(sheet.right() - 40, sheet.bottom() - 50, 70, 70));
    };
}

// The incident type badges: a coloured disc with the type's first character.
struct Badge
{
    const char* file;
    QColor colour;
    const char* glyph;
};

Paint badge(const Badge& b)
{
    return [b](QPainter& p, const QRectF& r) {
        roundSymbol(p, r.adjusted(1, 1, -1, -1), b.colour, QString::fromUtf8(b.glyph));
    };
}

Paint logo()
{
    return [](QPainter& p, const QRectF& r) {
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawRoundedRect(r.adjusted(1, 1, -1, -1), r.width() * 0.2, r.width() * 0.2);
        p.setBrush(Qt::white);
        const qreal s = r.width();
        p.drawEllipse(QPointF(s * 0.42, s * 0.5), s * 0.22, s * 0.22);
        p.setBrush(kAccent);
        p.drawEllipse(QPointF(s * 0.42, s * 0.5), s * 0.1, s * 0.1);
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF(QVector<QPointF>{{s * 0.62, s * 0.5}, {s * 0.86, s * 0.32}, {s * 0.86, s * 0.68}}));
    };
}

// Window buttons of the frameless main window's title bar.
Paint windowButton(const QColor& colour, int kind)
{
    return [colour, kind](QPainter& p, const QRectF& r) {
        p.setPen(roundPen(colour, 1.6));
        p.setBrush(Qt::NoBrush);
        const QRectF box = r.adjusted(7, 7, -7, -7);
        if (kind == 0) {
            p.drawLine(QPointF(box.left(), box.center().y()), QPointF(box.right(), box.center().y()));
        } else if (kind == 1) {
            p.drawRect(box);
        } else {
            p.drawRect(box.adjusted(0, 3, -3, 0));
            p.drawPolyline(
                QPolygonF(QVector<QPointF>{box.topLeft() + QPointF(3, 3), box.topLeft() + QPointF(3, 0), box.topRight(),
                                           box.bottomRight() - QPointF(0, 3), box.bottomRight() - QPointF(3, 3)}));
        }
    };
}

void drawButtons(Painter& out)
{
    out.drawStates(QStringLiteral("close"), {24, 24}, [](const QColor& c) { return cross(c, 7); });
    out.drawStates(QStringLiteral("title/min"), {24, 24}, [](const QColor& c) { return windowButton(c, 0); });
    out.drawStates(QStringLiteral("title/max"), {24, 24}, [](const QColor& c) { return windowButton(c, 1); });
    out.drawStates(QStringLiteral("title/restore"), {24, 24}, [](const QColor& c) { return windowButton(c, 2); });
    out.drawStates(QStringLiteral("preview/button/set"), {24, 24}, gear);
    out.drawStates(QStringLiteral("preview/button/quickConfig"), {24, 24}, lightning);
    out.drawStates(QStringLiteral("preview/button/addDevice"), {24, 24}, plus);
    out.drawStates(QStringLiteral("preview/button/deleteDevice"), {24, 24}, minus);
    out.drawStates(QStringLiteral("preview/button/playAll"), {24, 24},
                   [](const QColor& c) { return playTriangle(c, true); });
    out.drawStates(QStringLiteral("preview/button/closeAll"), {24, 24},
                   [](const QColor& c) { return stopSquare(c, true); });
    out.drawComposite(QStringLiteral("preview/button/version.png"), {24, 24}, infoMark);
    out.drawComposite(QStringLiteral("preview/refreshDevice.png"), {24, 24}, refreshArrow);
    drawSprite(out, QStringLiteral("preview/leftNavigationPlay.png"),
               [](const QColor& c) { return playTriangle(c, false); });
    drawSprite(out, QStringLiteral("preview/closeAll.png"), [](const QColor& c) { return stopSquare(c, false); });
    drawSprite(out, QStringLiteral("preview/leftNavigationEdit.png"), pencil);
    drawSprite(out, QStringLiteral("preview/singleRefreshDevice.png"), refreshArrow);
    out.draw(QStringLiteral("preview/expandScreen.png"), {32, 32}, expandCorners(QColor(220, 226, 233)));
    for (const auto& [name, normal, hover, click] :
         {std::make_tuple("search", magnifier(kIdle), magnifier(kHover), magnifier(kPressed)),
          std::make_tuple("clear", clearMark(kDisabled), clearMark(kHover), clearMark(kPressed))}) {
        out.draw(QStringLiteral("preview/%1_normal.png").arg(QLatin1String(name)), {16, 16}, normal);
        out.draw(QStringLiteral("preview/%1_hover.png").arg(QLatin1String(name)), {16, 16}, hover);
        out.draw(QStringLiteral("preview/%1_click.png").arg(QLatin1String(name)), {16, 16}, click);
    }
}

void drawPlaybackButtons(Painter& out)
{
    const QColor looks[] = {QColor(120, 132, 148), kHover, kPressed};
    const char* const suffixes[] = {"", "hover", "click"};
    auto skipArrows = [](bool back, bool bar) {
        return [back, bar](const QColor& c) -> Paint {
            return [=](QPainter& p, const QRectF& r) {
                p.save();
                if (back) {
                    p.translate(r.width(), 0);
                    p.scale(-1, 1);
                }
                p.setPen(Qt::NoPen);
                p.setBrush(c);
                const qreal s = r.width();
                p.drawPolygon(triangle(QRectF(s * 0.25, s * 0.3, s * 0.26, s * 0.4)));
                if (bar)
                    p.drawRect(QRectF(s * 0.58, s * 0.3, s * 0.08, s * 0.4));
                else
                    p.drawPolygon(triangle(QRectF(s * 0.5, s * 0.3, s * 0.26, s * 0.4)));
                p.restore();
            };
        };
    };
    const std::pair<const char*, std::function<Paint(const QColor&)>> buttons[] = {
        {"play", [](const QColor& c) { return playTriangle(c, true); }},
        {"pause",
         [](const QColor& c) -> Paint {
             return [c](QPainter& p, const QRectF& r) {
                 ring(p, r, c);
                 p.setPen(Qt::NoPen);
                 p.setBrush(c);
                 const qreal s = r.width();
                 p.drawRect(QRectF(s * 0.37, s * 0.32, s * 0.09, s * 0.36));
                 p.drawRect(QRectF(s * 0.54, s * 0.32, s * 0.09, s * 0.36));
             };
         }},
        {"stop", [](const QColor& c) { return stopSquare(c, true); }},
        {"onebyone", skipArrows(false, true)},
        {"onebyoneback", skipArrows(true, true)},
        {"speedup", skipArrows(false, false)},
        {"speeddown", skipArrows(true, false)},
    };
    for (const auto& [name, look] : buttons)
        for (int i = 0; i < 3; ++i)
            out.draw(QStringLiteral("palyVideo/%1%2.png").arg(QLatin1String(name), QLatin1String(suffixes[i])),
                     {36, 36}, look(looks[i]));
}

void drawTreeIcons(Painter& out)
{
    out.draw(QStringLiteral("preview/centreDevice.png"), {16, 16}, deviceBox(kAccent));
    out.draw(QStringLiteral("preview/crossDevice.png"), {16, 16}, deviceBox(QColor(234, 84, 89)));
    out.draw(QStringLiteral("preview/generalChannel.png"), {16, 16}, camera(QColor(120, 132, 148), Qt::white));
    out.draw(QStringLiteral("preview/exceptionChannel.png"), {16, 16},
             camera(QColor(190, 198, 208), QColor(234, 84, 89)));
    out.draw(QStringLiteral("preview/previewChannel.png"), {16, 16}, camera(kAccent, QColor(63, 186, 63)));
    out.draw(QStringLiteral("preview/previewFailed.png"), {16, 16}, camera(QColor(234, 84, 89), Qt::white));
    out.draw(QStringLiteral("preview/titlemark.png"), {4, 16},
             [](QPainter& p, const QRectF& r) { p.fillRect(r, kAccent); });
    out.draw(QStringLiteral("preview/splitscreen.png"), {32, 160}, splitLayouts());
    out.draw(QStringLiteral("preview/timeBg.png"), {120, 24}, [](QPainter& p, const QRectF& r) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 28));
        p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
    });
    out.draw(QStringLiteral("preview/kvorLogo.png"), {120, 120}, [](QPainter& p, const QRectF& r) {
        p.setOpacity(0.25);
        logo()(p, r);
    });
}

void drawIncidentTypes(Painter& out)
{
    const Badge badges[] = {
        {"Congestion", QColor(234, 84, 89), "堵"},
        {"illegallyPark", QColor(255, 140, 0), "停"},
        {"WrongWayDriving", QColor(220, 60, 60), "逆"},
        {"pedestrian", QColor(63, 160, 230), "人"},
        {"ObjectsDroppedDown", QColor(150, 110, 80), "抛"},
        {"smog", QColor(128, 128, 140), "烟"},
        {"LinePressing", QColor(255, 170, 60), "压"},
        {"visibility", QColor(110, 150, 190), "能"},
        {"construction", QColor(240, 150, 30), "施"},
        {"changeLane", QColor(90, 170, 120), "变"},
        {"turnRound", QColor(140, 100, 200), "掉"},
        {"vehicleViolation", QColor(200, 90, 150), "占"},
        {"QueueJumping", QColor(230, 120, 80), "塞"},
        {"roadBlock", QColor(180, 70, 70), "障"},
        {"accident", QColor(210, 40, 40), "事"},
        {"fire", QColor(240, 80, 20), "火"},
        {"lowSpeed", QColor(70, 140, 200), "慢"},
    };
    for (const Badge& b : badges)
        out.draw(QStringLiteral("incidentType/%1.png").arg(QLatin1String(b.file)), {24, 24}, badge(b));
}

} // namespace

// The open arrow of the settings dialog's drop-down list.
Paint chevronDown(const QColor& colour)
{
    return [=](QPainter& p, const QRectF& r) {
        p.setPen(roundPen(colour, 1.6));
        const QPointF c = r.center();
        p.drawPolyline(
            QPolygonF({QPointF(c.x() - 4, c.y() - 2), QPointF(c.x(), c.y() + 2), QPointF(c.x() + 4, c.y() - 2)}));
    };
}

bool drawClientPictures(const QDir& imagesDir)
{
    Painter out(imagesDir);
    drawShadow(out);
    out.draw(QStringLiteral("PromptTip/prompt_tips.png"), {320, 60}, promptCard(kAccent, QStringLiteral("i")));
    out.draw(QStringLiteral("PromptTip/prompt_warm.png"), {320, 60},
             promptCard(QColor(255, 170, 60), QStringLiteral("!")));
    out.draw(QStringLiteral("PromptTip/prompt_fail.png"), {320, 60},
             promptCard(QColor(234, 84, 89), QStringLiteral("\u00d7")));
    out.draw(QStringLiteral("PromptTip/prompt_succ.png"), {320, 60},
             promptCard(QColor(63, 186, 63), QStringLiteral("\u2713")));
    for (int frame = 0; frame < 70; ++frame)
        out.draw(QStringLiteral("loading/loading-white%1.png").arg(frame), {48, 48}, loadingFrame(frame));
    drawButtons(out);
    drawPlaybackButtons(out);
    drawTreeIcons(out);
    drawIncidentTypes(out);
    out.draw(QStringLiteral("default/noPic.png"), {160, 120}, placeholder(false, {160, 120}));
    out.draw(QStringLiteral("default/noVideo.png"), {160, 120}, placeholder(true, {160, 120}));
    out.draw(QStringLiteral("default/noTableData.png"), {300, 240}, emptyTable());
    out.drawIcon(QStringLiteral("mainLogo.ico"), {32, 32}, logo());
    out.draw(QStringLiteral("mainLogo.png"), {24, 24}, logo());
    out.draw(QStringLiteral("settings/comboArrow.png"), {12, 12}, chevronDown(kIdle));
    return out.ok();
}
