#include "PictureBank.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>

namespace devsim {
namespace {

QByteArray drawScene(const QString& caption, int index)
{
    QImage image(640, 360, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(image.rect(), QColor(120, 170, 220));         // sky
    p.fillRect(QRect(0, 120, 640, 240), QColor(70, 70, 75)); // road
    p.setPen(QPen(Qt::white, 4, Qt::DashLine));
    for (int lane = 1; lane < 4; ++lane)
        p.drawLine(160 * lane - 40, 360, 300 + 13 * lane, 120);
    static const QColor colours[] = {Qt::red,   Qt::yellow,  Qt::blue, Qt::white,
                                     Qt::green, Qt::darkRed, Qt::cyan, Qt::magenta};
    QColor body = colours[index % 8];
    int x = 60 + (index * 73) % 460, y = 200 + (index * 37) % 100;
    p.setPen(Qt::black);
    p.setBrush(body);
    p.drawRoundedRect(QRect(x, y, 120, 60), 10, 10);
    p.setBrush(Qt::black);
    p.drawEllipse(QPoint(x + 25, y + 60), 12, 12);
    p.drawEllipse(QPoint(x + 95, y + 60), 12, 12);
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        p.setPen(Qt::white);
        QFont font("WenQuanYi Micro Hei", 16);
        p.setFont(font);
        p.drawText(QRect(10, 10, 620, 30), Qt::AlignLeft, caption);
        p.drawText(QRect(10, 40, 620, 30), Qt::AlignLeft, QStringLiteral("场景 %1").arg(index + 1));
    }
    p.end();
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 80);
    return jpeg;
}

// Comment segments right after the start-of-image marker: FF FE, a 16-bit
// length that counts itself, then at most 65533 bytes.
QByteArray padded(QByteArray jpeg, size_t minimumBytes)
{
    QByteArray comments;
    while (static_cast<size_t>(jpeg.size() + comments.size()) < minimumBytes) {
        size_t missing = minimumBytes - static_cast<size_t>(jpeg.size() + comments.size());
        int payload = static_cast<int>(std::min<size_t>(65533, missing));
        comments.append(char(0xFF)).append(char(0xFE));
        comments.append(char((payload + 2) >> 8)).append(char((payload + 2) & 0xFF));
        comments.append(payload, ' ');
    }
    jpeg.insert(2, comments);
    return jpeg;
}

} // namespace

PictureBank::PictureBank(const QString& caption, int count, size_t minimumBytes)
{
    for (int i = 0; i < count; ++i)
        pictures_.push_back(padded(drawScene(caption, i), minimumBytes));
}

} // namespace devsim
