#pragma once

#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <vector>

// A short test-pattern clip that ffmpeg encodes at test time, with its
// decoded frames as the reference.
class TestClip
{
public:
    enum class Codec { H264, H265 };
    enum class Container { TransportStream, AnnexB };

    static constexpr int kWidth = 320;
    static constexpr int kHeight = 240;
    static constexpr int kFrameRate = 25;
    static constexpr int kKeyInterval = 25;

    // seconds of video; an empty path() means ffmpeg failed.
    TestClip(Codec codec, Container container, int seconds, const QString& fileName);

    QString path() const { return m_path; }
    std::vector<uint8_t> bytes() const;
    // Frame `index` of the clip as B, G, R, A bytes, decoded by ffmpeg itself.
    std::vector<uint8_t> referenceFrame(int index);
    int frameCount();

    // Mean absolute difference of the colour bytes of two BGRA pictures.
    static double meanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);
    static bool runFfmpeg(const QStringList& arguments);

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::vector<uint8_t> m_reference;
};
