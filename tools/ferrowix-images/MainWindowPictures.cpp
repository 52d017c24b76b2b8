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

const QColor kTitleBlue(88, 187, 228);
const QColor kWhite(255, 255, 255);
// Normal, hover, pressed and disabled looks of the tool buttons on light ground.
const std::array<QColor, 4> kToolStates = {QColor(0x5A, 0x6B, 0x80), QColor(0x3A, 0xA8, 0xDB),
                                           QColor(0x1F, 0x7F, 0xAD), QColor(0xC4, 0xC9, 0xD0)};
// The same on the dark title bar.
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

// The four looks stacked top to bottom in one picture.
bool saveComposite(const QString& path, const QSize& band, const std::array<QColor, 4>& colours,
                   const std::function<void(QPainter&, const QRectF&, const QColor&)>& paint)
{
    return save(paintImage(QSize(band.width(), band.height() * 4), [&](QPainter& p, const QRectF&) {
                    for (int state = 0; state < 4; ++state)
                        paint(p, QRectF(0, state * band.height(), band.width(), band.height()), colours[state]);
                }),
                path);
}

QPen pen(const QColor& colour, qreal width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void glyph(QPainter& p, const QRectF& r, const QColor& colour, const QString& text, qreal scale)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(qMax(6, int(r.height() * scale)));
    p.setFont(font);
    p.setPen(colour);
    p.drawText(r, Qt::AlignCenter, text);
}

// ---- tool-row and title-bar symbols ----

void plusInCircle(QPainter& p, const QRectF& r, const QColor& c)
{
    const QRectF box = r.adjusted(3, 3, -3, -3);
    p.setPen(pen(c, 1.8));
    p.drawEllipse(box);
    p.drawLine(QPointF(box.center().x(), box.top() + 4), QPointF(box.center().x(), box.bottom() - 4));
    p.drawLine(QPointF(box.left() + 4, box.center().y()), QPointF(box.right() - 4, box.center().y()));
}

void minusInCircle(QPainter& p, const QRectF& r, const QColor& c)
{
    const QRectF box = r.adjusted(3, 3, -3, -3);
    p.setPen(pen(c, 1.8));
    p.drawEllipse(box);
    p.drawLine(QPointF(box.left() + 4, box.center().y()), QPointF(box.right() - 4, box.center().y()));
}

void playTriangle(QPainter& p, const QRectF& r, const QColor& c)
{
    const QRectF box = r.adjusted(3, 3, -3, -3);
    p.setPen(pen(c, 1.8));
    p.drawEllipse(box);
    QPainterPath path;
    path.moveTo(box.center() + QPointF(-3, -5));
    path.lineTo(box.center() + QPointF(5, 0));
    path.lineTo(box.center() + QPointF(-3, 5));
    path.closeSubpath();
    p.fillPath(path, c);
}

void stopSquare(QPainter& p, const QRectF& r, const QColor& c)
{
    const QRectF box = r.adjusted(3, 3, -3, -3);
    p.setPen(pen(c, 1.8));
    p.drawEllipse(box);
    p.fillRect(QRectF(box.center() - QPointF(4, 4), QSizeF(8, 8)), c);
}

void gear(QPainter& p, const QRectF& r, const QColor& c)
{
    const QPointF centre = r.center();
    const qreal outer = r.width() * 0.38;
    p.setPen(pen(c, 2.6));
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(centre);
        p.rotate(i * 45);
        p.drawLine(QPointF(0, outer - 2), QPointF(0, outer + 1));
        p.restore();
    }
    p.setPen(pen(c, 2));
    p.drawEllipse(centre, outer - 3, outer - 3);
    p.drawEllipse(centre, 2.2, 2.2);
}

void infoMark(QPainter& p, const QRectF& r, const QColor& c)
{
    const QRectF box = r.adjusted(3, 3, -3, -3);
    p.setPen(pen(c, 1.8));
    p.drawEllipse(box);
    glyph(p, box, c, QStringLiteral("i"), 0.7);
}

void sliders(QPainter& p, const QRectF& r, const QColor& c)
{
    p.setPen(pen(c, 1.6));
    for (int i = 0; i < 3; ++i) {
        const qreal y = r.top() + r.height() * (0.28 + 0.22 * i);
        p.drawLine(QPointF(r.left() + 3, y), QPointF(r.right() - 3, y));
        const qreal knob = r.left() + r.width() * (0.3 + 0.2 * ((i * 2) % 3));
        p.setBrush(kWhite);
        p.drawEllipse(QPointF(knob, y), 2.2, 2.2);
        p.setBrush(Qt::NoBrush);
    }
}

void refreshArrows(QPainter& p, const QRectF& r, const QColor& c)
{
    const QRectF box = r.adjusted(3, 3, -3, -3);
    p.setPen(pen(c, 1.6));
    p.drawArc(box, 30 * 16, 280 * 16);
    QPainterPath head;
    const QPointF tip(box.right() - 0.5, box.top() + box.height() * 0.28);
    head.moveTo(tip + QPointF(-4, -1));
    head.lineTo(tip + QPointF(0.5, 2.5));
    head.lineTo(tip + QPointF(1.5, -3));
    head.closeSubpath();
    p.fillPath(head, c);
}

void palette(QPainter& p, const QRectF& r, const QColor& c)
{
    const QRectF box = r.adjusted(4, 4, -4, -4);
    p.setPen(pen(c, 1.6));
    p.drawRoundedRect(box, 3, 3);
    p.fillRect(QRectF(box.left() + 3, box.top() + 3, box.width() / 2 - 3, box.height() / 2 - 3), c);
}

void expand(QPainter& p, const QRectF& r, const QColor& c)
{
    const QRectF box = r.adjusted(6, 6, -6, -6);
    p.setPen(pen(c, 2.2));
    const qreal k = box.width() * 0.3;
    for (const QPointF& corner : {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()}) {
        const qreal dx = corner.x() < box.center().x() ? k : -k;
        const qreal dy = corner.y() < box.center().y() ? k : -k;
        p.drawLine(corner, corner + QPointF(dx, 0));
        p.drawLine(corner, corner + QPointF(0, dy));
    }
}

// One of the five layouts (1, 4, 6, 9, 16 panes) as a grid.
void splitLayout(QPainter& p, const QRectF& r, int panes)
{
    const QRectF box = r.adjusted(4, 4, -4, -4);
    p.setPen(pen(QColor(220, 226, 232), 1.4));
    p.drawRect(box);
    const int n = panes == 1 ? 1 : panes == 4 ? 2 : panes == 16 ? 4 : 3;
    for (int i = 1; i < n; ++i) {
        const qreal x = box.left() + box.width() * i / n;
        const qreal y = box.top() + box.height() * i / n;
        if (panes == 6 && i == 1) {
            // One large pane over two by two of the small ones.
            p.drawLine(QPointF(x, box.bottom() - box.height() / 3), QPointF(x, box.bottom()));
            p.drawLine(QPointF(box.right() - box.width() / 3, box.top()), QPointF(box.right() - box.width() / 3, box.bottom()));
            continue;
        }
        p.drawLine(QPointF(x, box.top()), QPointF(x, box.bottom()));
        p.drawLine(QPointF(box.left(), y), QPointF(box.right(), y));
    }
}

// ---- tree icons ----

void deviceBox(QPainter& p, const QRectF& r, const QColor& c, bool crossed)
{
    const QRectF box = r.adjusted(1.5, 3.5, -1.5, -3.5);
    p.setPen(pen(c, 1.3));
    p.drawRoundedRect(box, 2, 2);
    p.fillRect(QRectF(box.left() + 2.5, box.center().y() - 1, 2, 2), c);
    p.fillRect(QRectF(box.left() + 6, box.center().y() - 1, 2, 2), c);
    if (crossed) {
        p.setPen(pen(QColor(234, 84, 89), 1.6));
        p.drawLine(r.topLeft() + QPointF(3, 3), r.bottomRight() - QPointF(3, 3));
    }
}

void camera(QPainter& p, const QRectF& r, const QColor& body, const QColor& mark)
{
    p.setPen(pen(body, 1.3));
    p.drawRoundedRect(QRectF(r.left() + 1.5, r.top() + 4.5, r.width() * 0.62, r.height() * 0.5), 1.5, 1.5);
    QPainterPath lens;
    lens.moveTo(r.left() + r.width() * 0.68, r.center().y() - 0.5);
    lens.lineTo(r.right() - 1, r.top() + 4.5);
    lens.lineTo(r.right() - 1, r.top() + 4.5 + r.height() * 0.5);
    lens.closeSubpath();
    p.fillPath(lens, body);
    if (mark.isValid())
        p.fillRect(QRectF(r.left() + 3.5, r.bottom() - 4, 4, 3), mark);
}

// ---- incident types: a coloured disc with a short sign ----

struct IncidentPicture
{
    const char* file;
    QColor colour;
    const char* sign;
};

bool drawIncidentTypes(const QDir& dir)
{
    const IncidentPicture pictures[] = {
        {"Congestion", QColor(234, 84, 89), "\u2261"},     {"illegallyPark", QColor(255, 152, 0), "P"},
        {"WrongWayDriving", QColor(234, 84, 89), "\u21c4"}, {"pedestrian", QColor(63, 186, 63), "\u265f"},
        {"ObjectsDroppedDown", QColor(255, 152, 0), "\u25bc"}, {"smog", QColor(128, 128, 128), "\u2248"},
        {"LinePressing", QColor(88, 187, 228), "\u2502"},  {"visibility", QColor(128, 128, 160), "\u25d0"},
        {"construction", QColor(255, 193, 7), "\u2692"},   {"changeLane", QColor(88, 187, 228), "\u21b1"},
        {"turnRound", QColor(156, 39, 176), "\u21b6"},     {"vehicleViolation", QColor(255, 87, 34), "\u26d4"},
        {"QueueJumping", QColor(255, 87, 34), "\u00bb"},   {"roadBlock", QColor(121, 85, 72), "\u25ac"},
        {"accident", QColor(211, 47, 47), "!"},            {"fire", QColor(244, 67, 54), "\u2668"},
        {"lowSpeed", QColor(0, 150, 136), "\u25be"},
    };
    bool ok = true;
    for (const IncidentPicture& picture : pictures) {
        ok = save(paintImage({24, 24},
                             [&](QPainter& p, const QRectF& r) {
                                 p.setPen(Qt::NoPen);
                                 p.setBrush(picture.colour);
                                 p.drawEllipse(r.adjusted(1, 1, -1, -1));
                                 glyph(p, r, kWhite, QString::fromUtf8(picture.sign), 0.6);
                             }),
                  dir.filePath(QString::fromLatin1(picture.file) + QStringLiteral(".png")))
             && ok;
    }
    return ok;
}

bool drawPreviewPictures(const QDir& dir)
{
    const QString none;
    bool ok = saveStates(dir, QStringLiteral("addDevice"), none, {24, 24}, kToolStates, plusInCircle);
    ok = saveStates(dir, QStringLiteral("deleteDevice"), none, {24, 24}, kToolStates, minusInCircle) && ok;
    ok = saveStates(dir, QStringLiteral("playAll"), none, {24, 24}, kToolStates, playTriangle) && ok;
    ok = saveStates(dir, QStringLiteral("closeAll"), none, {24, 24}, kToolStates, stopSquare) && ok;
    ok = saveStates(dir, QStringLiteral("quickConfig"), none, {20, 20}, kToolStates, sliders) && ok;
    ok = saveStates(dir, QStringLiteral("set"), none, {24, 24}, kTitleStates, gear) && ok;
    ok = saveStates(dir, QStringLiteral("skin"), QStringLiteral(".png"), {24, 24}, kTitleStates, palette) && ok;
    ok = saveComposite(dir.filePath(QStringLiteral("version")), {24, 24}, kTitleStates, infoMark) && ok;
    ok = saveComposite(dir.filePath(QStringLiteral("refreshDevice.png")), {18, 18}, kToolStates, refreshArrows) && ok;
    ok = save(paintImage({32, 32}, [](QPainter& p, const QRectF& r) { expand(p, r, QColor(220, 226, 232)); }),
              dir.filePath(QStringLiteral("expandScreen.png")))
         && ok;
    ok = save(paintImage({32, 160},
                         [](QPainter& p, const QRectF&) {
                             const int panes[] = {1, 4, 6, 9, 16};
                             for (int i = 0; i < 5; ++i)
                                 splitLayout(p, QRectF(0, 32 * i, 32, 32), panes[i]);
                         }),
              dir.filePath(QStringLiteral("splitscreen.png")))
         && ok;
    ok = save(paintImage({4, 16}, [](QPainter& p, const QRectF& r) { p.fillRect(r.adjusted(0, 1, 0, -1), kTitleBlue); }),
              dir.filePath(QStringLiteral("titlemark.png")))
         && ok;
    ok = save(paintImage({120, 24},
                         [](QPainter& p, const QRectF& r) {
                             p.setPen(QPen(QColor(255, 255, 255, 90), 1));
                             p.setBrush(QColor(255, 255, 255, 38));
                             p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
                         }),
              dir.filePath(QStringLiteral("timeBg.png")))
         && ok;

    const QColor treeGrey(0x5A, 0x6B, 0x80);
    const QColor green(63, 186, 63), red(234, 84, 89), blue(88, 187, 228);
    ok = save(paintImage({16, 16}, [&](QPainter& p, const QRectF& r) { deviceBox(p, r, treeGrey, false); }),
              dir.filePath(QStringLiteral("centreDevice.png")))
         && ok;
    ok = save(paintImage({16, 16}, [&](QPainter& p, const QRectF& r) { deviceBox(p, r, treeGrey, true); }),
              dir.filePath(QStringLiteral("crossDevice.png")))
         && ok;
    const std::pair<const char*, QColor> cameras[] = {
        {"generalChannel.png", green}, {"exceptionChannel.png", red}, {"previewChannel.png", blue},
        {"previewFailed.png", QColor(255, 152, 0)}};
    for (const auto& [file, mark] : cameras)
        ok = save(paintImage({16, 16}, [&](QPainter& p, const QRectF& r) { camera(p, r, treeGrey, mark); }),
                  dir.filePath(QString::fromLatin1(file)))
             && ok;

    // The window buttons of the title bar; the style sheet picks them.
    const std::pair<const char*, std::function<void(QPainter&, const QRectF&)>> windowButtons[] = {
        {"min.png", [](QPainter& p, const QRectF& r) { p.setPen(pen(kWhite, 1.6)); p.drawLine(QPointF(7, r.center().y() + 3), QPointF(r.right() - 7, r.center().y() + 3)); }},
        {"max.png", [](QPainter& p, const QRectF& r) { p.setPen(pen(kWhite, 1.6)); p.drawRect(r.adjusted(7, 7, -7, -7)); }},
        {"restore.png", [](QPainter& p, const QRectF& r) {
             p.setPen(pen(kWhite, 1.6));
             p.drawRect(r.adjusted(6, 9, -9, -6));
             p.drawPolyline(QPolygonF({QPointF(9, 8), QPointF(9, 6), QPointF(r.right() - 6, 6), QPointF(r.right() - 6, r.bottom() - 9), QPointF(r.right() - 8, r.bottom() - 9)}));
         }},
        {"close.png", [](QPainter& p, const QRectF& r) {
             p.setPen(pen(kWhite, 1.6));
             p.drawLine(r.topLeft() + QPointF(7, 7), r.bottomRight() - QPointF(7, 7));
             p.drawLine(QPointF(r.right() - 7, 7), QPointF(7, r.bottom() - 7));
         }},
    };
    for (const auto& [file, paint] : windowButtons)
        ok = save(paintImage({24, 24}, paint), dir.filePath(QString::fromLatin1(file))) && ok;
    return ok;
}

void logo(QPainter& p, const QRectF& r)
{
    QLinearGradient fill(r.topLeft(), r.bottomRight());
    fill.setColorAt(0, QColor(88, 187, 228));
    fill.setColorAt(1, QColor(31, 127, 173));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(r.adjusted(1, 1, -1, -1), r.width() * 0.22, r.width() * 0.22);
    // A road vanishing into the distance with its centre line.
    QPainterPath road;
    road.moveTo(r.left() + r.width() * 0.18, r.bottom() - r.height() * 0.14);
    road.lineTo(r.left() + r.width() * 0.44, r.top() + r.height() * 0.22);
    road.lineTo(r.left() + r.width() * 0.56, r.top() + r.height() * 0.22);
    road.lineTo(r.right() - r.width() * 0.18, r.bottom() - r.height() * 0.14);
    road.closeSubpath();
    p.fillPath(road, kWhite);
    p.setPen(QPen(QColor(31, 127, 173), r.width() * 0.05, Qt::DashLine));
    p.drawLine(QPointF(r.center().x(), r.bottom() - r.height() * 0.16), QPointF(r.center().x(), r.top() + r.height() * 0.26));
}

} // namespace

bool drawMainWindowPictures(const QDir& clientResources)
{
    const QDir images(clientResources.filePath(QStringLiteral("images")));
    if (!images.mkpath(QStringLiteral("preview")) || !images.mkpath(QStringLiteral("incidentType"))) {
        std::fprintf(stderr, "cannot create the folders under %s\n", qPrintable(images.path()));
        return false;
    }
    bool ok = save(paintImage({32, 32}, logo), images.filePath(QStringLiteral("mainLogo.ico")), "ICO");
    ok = drawPreviewPictures(QDir(images.filePath(QStringLiteral("preview")))) && ok;
    return drawIncidentTypes(QDir(images.filePath(QStringLiteral("incidentType")))) && ok;
}
