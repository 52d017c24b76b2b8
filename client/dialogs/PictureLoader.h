#pragma once

#include <QImage>
#include <QString>

// Reads the pictures that the client shows (alarm pictures written by the
// devices): refuses what would decode beyond a fixed pixel budget, judged by
// the declared size before anything is decoded, and a JPEG cut short, which
// the decoder would otherwise fill up with grey.
namespace PictureLoader {

// 40 megapixels (160 MB decoded) is far above any camera's picture.
constexpr qint64 kMaxPixels = 40LL * 1000 * 1000;

// The picture, or a null image when the file is missing, empty, not a
// picture, too large or a truncated JPEG.
QImage Load(const QString& path);

} // namespace PictureLoader
