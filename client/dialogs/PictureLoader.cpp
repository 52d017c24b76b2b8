#include "PictureLoader.h"

#include <QFile>
#include <QImageReader>

namespace {

// A whole JPEG ends with the end-of-image marker; cameras may pad after it.
bool EndsLikeJpeg(const QByteArray& data)
{
    int end = data.size();
    while (end > 0 && (data.at(end - 1) == '\0' || data.at(end - 1) == '\n' || data.at(end - 1) == '\r'))
        --end;
    return end >= 2 && uchar(data.at(end - 2)) == 0xFF && uchar(data.at(end - 1)) == 0xD9;
}

} // namespace

QImage PictureLoader::Load(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    QImageReader probe(&file);
    const QSize size = probe.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > kMaxPixels)
        return {};
    const QByteArray format = probe.format();
    if (format == "jpeg") {
        constexpr qint64 kTail = 64;
        if (!file.seek(qMax<qint64>(0, file.size() - kTail)) || !EndsLikeJpeg(file.read(kTail)))
            return {};
    }
    if (!file.seek(0))
        return {};
    QImageReader reader(&file, format);
    QImage image;
    if (!reader.read(&image))
        return {};
    return image;
}
