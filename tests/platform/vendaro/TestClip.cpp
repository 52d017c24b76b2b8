#include "TestClip.h"

#include <QFile>
#include <QProcess>

#include <cstdlib>

TestClip::TestClip(Codec codec, Container container, int seconds, const QString& fileName)
{
    const QString path = m_dir.filePath(fileName);
    QStringList arguments{"-f",       "lavfi",
                          "-i",       QString("testsrc=size=%1x%2:rate=%3").arg(kWidth).arg(kHeight).arg(kFrameRate),
                          "-t",       QString::number(seconds),
                          "-pix_fmt", "yuv420p"};
    const QString keyFrames = QString("keyint=%1:min-keyint=%1:scenecut=0").arg(kKeyInterval);
    if (codec == Codec::H264)
        arguments << "-c:v"
                  << "libx264"
                  << "-preset"
                  << "veryfast"
                  << "-bf"
                  << "0"
                  << "-x264-params" << keyFrames;
    else
        arguments << "-c:v"
                  << "libx265"
                  << "-preset"
                  << "veryfast"
                  << "-x265-params" << keyFrames + ":bframes=0:repeat-headers=1:log-level=error";
    if (container == Container::TransportStream)
        arguments << "-f"
                  << "mpegts";
    else
        arguments << "-f" << (codec == Codec::H264 ? "h264" : "hevc");
    arguments << path;
    if (runFfmpeg(arguments))
        m_path = path;
}

bool TestClip::runFfmpeg(const QStringList& arguments)
{
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", QStringList{"-hide_banner", "-loglevel", "error", "-y"} + arguments);
    return ffmpeg.waitForFinished(120000) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}

std::vector<uint8_t> TestClip::bytes() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    return std::vector<uint8_t>(data.begin(), data.end());
}

int TestClip::frameCount()
{
    referenceFrame(0);
    return int(m_reference.size() / (size_t(kWidth) * kHeight * 4));
}

std::vector<uint8_t> TestClip::referenceFrame(int index)
{
    if (m_reference.empty()) {
        const QString raw = m_dir.filePath("reference.bgra");
        if (runFfmpeg({"-i", m_path, "-f", "rawvideo", "-pix_fmt", "bgra", raw})) {
            QFile file(raw);
            if (file.open(QIODevice::ReadOnly)) {
                const QByteArray data = file.readAll();
                m_reference.assign(data.begin(), data.end());
            }
        }
    }
    const size_t frameSize = size_t(kWidth) * kHeight * 4;
    if (index < 0 || (size_t(index) + 1) * frameSize > m_reference.size())
        return {};
    return std::vector<uint8_t>(m_reference.begin() + long(index * frameSize),
                                m_reference.begin() + long((index + 1) * frameSize));
}

double TestClip::meanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    if (a.size() != b.size() || a.empty())
        return 255.0;
    double sum = 0;
    size_t count = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        if (i % 4 == 3)
            continue; // alpha
        sum += std::abs(int(a[i]) - int(b[i]));
        ++count;
    }
    return sum / double(count);
}
