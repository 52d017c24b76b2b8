#pragma once
// Road-scene JPEGs drawn with Qt once at start-up, handed out to alarms. Text
// (time, place, plate) is drawn only when a QGuiApplication exists, as fonts
// need one.

#include <QByteArray>
#include <QString>

#include <vector>

namespace devsim {

class PictureBank
{
public:
    // With `minimumBytes` each picture is padded to at least that size with JPEG
    // comment segments, which decoders skip (load tests with camera-sized pictures).
    explicit PictureBank(const QString& caption, int count = 8, size_t minimumBytes = 0);
    const QByteArray& picture(size_t index) const { return pictures_[index % pictures_.size()]; }
    size_t size() const { return pictures_.size(); }

private:
    std::vector<QByteArray> pictures_;
};

} // namespace devsim
