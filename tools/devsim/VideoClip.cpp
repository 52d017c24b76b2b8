#include "VideoClip.h"

#include "TsTimeShift.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#include <cstdio>

namespace devsim {
namespace {

constexpr size_t kPacket = 188;

uint16_t pidOf(const uint8_t* packet)
{
    return static_cast<uint16_t>(((packet[1] & 0x1F) << 8) | packet[2]);
}

// A packet that begins a PES packet; the clip has one picture per PES packet.
bool startsPes(const uint8_t* packet)
{
    if (!(packet[1] & 0x40) || !(packet[3] & 0x10))
        return false; // no unit start, or no payload
    size_t payload = 4;
    if (packet[3] & 0x20)
        payload += 1 + packet[4];
    return payload + 3 <= kPacket && packet[payload] == 0 && packet[payload + 1] == 0 && packet[payload + 2] == 1;
}

std::vector<size_t> pictureStarts(const std::vector<uint8_t>& piece)
{
    std::vector<size_t> starts{0};
    bool first = true;
    for (size_t at = 0; at + kPacket <= piece.size(); at += kPacket) {
        if (!startsPes(piece.data() + at))
            continue;
        if (!first)
            starts.push_back(at);
        first = false;
    }
    return starts;
}

} // namespace

bool VideoClip::make(const std::string& path, int seconds, std::string& error, uint16_t width, uint16_t height)
{
    // A clip left by an earlier run is kept only when it is whole: a run
    // killed mid-write, or another file under the name, is made again.
    if (QFileInfo::exists(QString::fromStdString(path))) {
        VideoClip existing;
        std::string unusable;
        if (existing.load(path, unusable) && existing.pieceCount() == static_cast<size_t>(seconds))
            return true;
    }
    // A name of its own, so parallel test programs never write the same file.
    QString temp = QString::fromStdString(path) + "." + QString::number(QCoreApplication::applicationPid()) + ".part";
    // One key frame a second, parameter sets repeated at each, and the program
    // tables written only with key frames: each piece starts where a player can.
    const QString keyInterval = QString::number(kFramesPerSecond);
    QStringList args{"-v",
                     "error",
                     "-y",
                     "-f",
                     "lavfi",
                     "-i",
                     QString("testsrc=size=%1x%2:rate=%3").arg(width).arg(height).arg(kFramesPerSecond),
                     "-t",
                     QString::number(seconds),
                     "-c:v",
                     "libx264",
                     "-preset",
                     "veryfast",
                     "-pix_fmt",
                     "yuv420p",
                     "-g",
                     keyInterval,
                     "-keyint_min",
                     keyInterval,
                     "-sc_threshold",
                     "0",
                     "-bf",
                     "0",
                     "-x264-params",
                     "repeat-headers=1",
                     "-pat_period",
                     "3600",
                     "-f",
                     "mpegts",
                     temp};
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", args);
    if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0) {
        error = "ffmpeg failed: " + ffmpeg.readAllStandardError().toStdString();
        QFile::remove(temp);
        return false;
    }
    // rename() replaces atomically; another program may have made the clip meanwhile.
    if (std::rename(temp.toLocal8Bit().constData(), path.c_str()) != 0) {
        error = "cannot move the clip into place";
        QFile::remove(temp);
        return false;
    }
    return true;
}

bool VideoClip::load(const std::string& path, std::string& error)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        error = "cannot read the clip " + path;
        return false;
    }
    QByteArray all = file.readAll();
    auto data = reinterpret_cast<const uint8_t*>(all.constData());
    size_t packets = static_cast<size_t>(all.size()) / kPacket;
    pieces_.clear();
    std::vector<uint8_t> piece;
    for (size_t i = 0; i < packets; ++i) {
        const uint8_t* packet = data + i * kPacket;
        if (packet[0] != 0x47) {
            error = "the clip is not MPEG-TS";
            return false;
        }
        // A program association table starts a piece; the leading service table
        // stays with the first piece.
        if (pidOf(packet) == 0 && !piece.empty() && i > 1) {
            pieces_.push_back(std::move(piece));
            piece.clear();
        }
        piece.insert(piece.end(), packet, packet + kPacket);
    }
    if (!piece.empty())
        pieces_.push_back(std::move(piece));
    if (pieces_.size() < 2) {
        error = "the clip has fewer than two key frames";
        return false;
    }
    pictureStarts_.clear();
    for (const auto& each : pieces_)
        pictureStarts_.push_back(pictureStarts(each));
    return true;
}

size_t VideoClip::indexAt(int64_t epochSecond) const
{
    int64_t n = static_cast<int64_t>(pieces_.size());
    return static_cast<size_t>(((epochSecond % n) + n) % n);
}

const std::vector<uint8_t>& VideoClip::pieceAt(int64_t epochSecond) const
{
    return pieces_[indexAt(epochSecond)];
}

const std::vector<size_t>& VideoClip::pictureStartsAt(int64_t epochSecond) const
{
    return pictureStarts_[indexAt(epochSecond)];
}

std::vector<uint8_t> VideoClip::timedPieceAt(int64_t epochSecond) const
{
    const int64_t n = static_cast<int64_t>(pieces_.size());
    const int64_t index = ((epochSecond % n) + n) % n;
    std::vector<uint8_t> piece = pieces_[static_cast<size_t>(index)];
    // Piece k stamps second k of the clip; second s is piece k of loop (s - k) / n.
    shiftTimestamps(piece, (epochSecond - index) * 90000);
    return piece;
}

} // namespace devsim
