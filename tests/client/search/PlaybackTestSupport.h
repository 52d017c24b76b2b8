#pragma once

// Clips made by ffmpeg at test time and a watcher of the playback port's
// file-end notices, for the tests of the playback dialog and the preview.

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QThread>

namespace PlaybackTestSupport {

// A 320x240 test-pattern clip of `seconds` at `rate` frames a second, key
// frame every second: "mpegts" as the device link records it, "mp4" as a
// player writes it. False when ffmpeg fails.
inline bool MakeClip(const QString& path, double seconds, const QString& format, int rate = 10)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), {"-hide_banner",
                                            "-loglevel",
                                            "error",
                                            "-y",
                                            "-f",
                                            "lavfi",
                                            "-i",
                                            QStringLiteral("testsrc=size=320x240:rate=%1").arg(rate),
                                            "-t",
                                            QString::number(seconds),
                                            "-pix_fmt",
                                            "yuv420p",
                                            "-c:v",
                                            "libx264",
                                            "-preset",
                                            "ultrafast",
                                            "-bf",
                                            "0",
                                            "-g",
                                            QString::number(rate),
                                            "-f",
                                            format,
                                            path});
    return ffmpeg.waitForFinished(120000) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}

} // namespace PlaybackTestSupport

// Counts the file-end notices that reach it and the thread they run on.
class FileEndReceiver : public QObject
{
    Q_OBJECT

public:
    int count = 0;
    long lastPort = -1;
    QThread* thread = nullptr;

public slots:
    void slotFileEnd(long lPort)
    {
        ++count;
        lastPort = lPort;
        thread = QThread::currentThread();
    }
};
