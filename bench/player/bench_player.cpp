// Figures of the player layer: decode rate against ffmpeg itself, time to the
// first drawn frame, and the CPU that 16 live 720p ports take.
//
//   bench_player [--quick]     (--quick: shorter clips, for a smoke run)

#include "Vendaro.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGridLayout>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

bool runFfmpeg(const QStringList& arguments, qint64* elapsedMs = nullptr)
{
    QProcess ffmpeg;
    QElapsedTimer timer;
    timer.start();
    ffmpeg.start("ffmpeg", QStringList{"-hide_banner", "-loglevel", "error", "-y"} + arguments);
    const bool ok = ffmpeg.waitForFinished(-1) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
    if (elapsedMs)
        *elapsedMs = timer.elapsed();
    return ok;
}

QString makeClip(const QTemporaryDir& dir, const QString& name, const QString& size, int seconds)
{
    const QString path = dir.filePath(name);
    const bool ok = runFfmpeg({"-f", "lavfi", "-i", QString("testsrc2=size=%1:rate=25").arg(size), "-t",
                               QString::number(seconds), "-pix_fmt", "yuv420p", "-c:v", "libx264", "-preset",
                               "veryfast", "-bf", "0", "-g", "50", "-f", "mpegts", path});
    return ok ? path : QString();
}

int countFrames(const QString& path)
{
    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-count_packets", "-select_streams", "v:0", "-show_entries",
                            "stream=nb_read_packets", "-of", "csv=p=0", path});
    probe.waitForFinished(-1);
    // MPEG-TS lists the stream under its program too: take the first line.
    return probe.readAllStandardOutput().trimmed().split('\n').value(0).trimmed().toInt();
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

long openStream()
{
    long port = -1;
    static const char header[40] = "bench device header";
    MAVRO_SESSION_INFO info{MAVRO_SESSION_HEADER, sizeof header, header};
    if (!Mavro_GetPort(&port) || !Mavro_SetStreamOpenMode(port, MAVRO_STREAM_FILE) ||
        !Mavro_OpenStreamAdvanced(port, 1, &info, 6291456))
        return -1;
    return port;
}

void feed(long port, const QByteArray& bytes, int blockSize, std::chrono::microseconds pause)
{
    for (int offset = 0; offset < bytes.size(); offset += blockSize) {
        const int size = std::min(blockSize, bytes.size() - offset);
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData() + offset);
        while (!Mavro_InputData(port, data, unsigned(size)))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (pause.count() > 0)
            std::this_thread::sleep_for(pause);
    }
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void decodeRate(const QString& clip)
{
    const int frames = countFrames(clip);
    const QByteArray bytes = readAll(clip);
    qint64 ffmpegMs = 0;
    runFfmpeg({"-threads", "1", "-i", clip, "-f", "null", "-"}, &ffmpegMs);

    const long port = openStream();
    Mavro_Play(port, 0);
    QElapsedTimer timer;
    timer.start();
    feed(port, bytes, 64 * 1024, std::chrono::microseconds(0));
    // The live demuxer keeps the last picture until another would start.
    while (int(Mavro_GetDecodedFrameCount(port)) < frames - 1)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const qint64 layerMs = timer.elapsed();
    Mavro_FreePort(port);

    const double layerRate = 1000.0 * (frames - 1) / double(layerMs);
    const double ffmpegRate = 1000.0 * frames / double(ffmpegMs);
    std::printf("decode 1080p H.264, %d frames: layer %.1f fps, ffmpeg -threads 1 %.1f fps, ratio %.2f (goal >= 0.90)\n",
                frames, layerRate, ffmpegRate, layerRate / ffmpegRate);
}

void firstFrame(const QString& clip)
{
    QWidget widget;
    widget.resize(960, 540);
    widget.show();
    if (!QTest::qWaitForWindowExposed(&widget))
        std::fprintf(stderr, "the widget was never exposed\n");
    long port = -1;
    Mavro_GetPort(&port);
    Mavro_OpenFile(port, clip.toLocal8Bit().constData());
    QElapsedTimer timer;
    timer.start();
    Mavro_Play(port, widget.winId());
    const bool shown = QTest::qWaitFor([&] { return Mavro_GetShownFrameCount(port) > 0; }, 10000);
    const qint64 ms = timer.elapsed();
    if (!shown)
        std::printf("first frame: nothing drawn within 10 s\n");
    Mavro_FreePort(port);
    std::printf("first frame drawn after Mavro_Play (1080p file into a 960x540 widget): %lld ms (goal < 200 ms)\n",
                static_cast<long long>(ms));
}

void sixteenPorts(const QString& clip, int seconds)
{
    constexpr int kPorts = 16;
    const QByteArray bytes = readAll(clip);
    QWidget wall;
    auto* grid = new QGridLayout(&wall);
    grid->setSpacing(0);
    std::vector<QWidget*> panes;
    for (int i = 0; i < kPorts; ++i) {
        panes.push_back(new QWidget);
        grid->addWidget(panes.back(), i / 4, i % 4);
    }
    wall.resize(1920, 1080);
    wall.show();
    if (!QTest::qWaitForWindowExposed(&wall))
        std::fprintf(stderr, "the wall was never exposed\n");

    std::vector<long> ports;
    for (int i = 0; i < kPorts; ++i) {
        ports.push_back(openStream());
        Mavro_Play(ports.back(), panes[size_t(i)]->winId());
    }
    // Each feeder hands its port the clip at the clip's own pace.
    const int blockSize = 188 * 7;
    const auto pause = std::chrono::microseconds(qint64(seconds) * 1000000 * blockSize / bytes.size());
    const double cpuBefore = cpuSeconds();
    QElapsedTimer timer;
    timer.start();
    std::vector<std::thread> feeders;
    for (long port : ports)
        feeders.emplace_back([port, &bytes, pause] { feed(port, bytes, blockSize, pause); });
    std::atomic<bool> fed{false};
    std::thread joiner([&] {
        for (auto& feeder : feeders)
            feeder.join();
        fed = true;
    });
    while (!fed)
        QTest::qWait(50); // the GUI thread keeps drawing meanwhile
    joiner.join();
    const double wallSeconds = timer.elapsed() / 1000.0;
    const double cpu = cpuSeconds() - cpuBefore;
    unsigned int decoded = 0;
    unsigned int shown = 0;
    for (long port : ports) {
        decoded += Mavro_GetDecodedFrameCount(port);
        shown += Mavro_GetShownFrameCount(port);
        Mavro_FreePort(port);
    }
    std::printf("16 ports of 720p at 25 fps into a 4x4 wall for %.1f s: CPU %.0f%% of one core "
                "(%.1f cores of %u), %u frames decoded, %u drawn\n",
                wallSeconds, 100.0 * cpu / wallSeconds, cpu / wallSeconds, std::thread::hardware_concurrency(),
                decoded, shown);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const bool quick = app.arguments().contains("--quick");
    QTemporaryDir dir;
    const int seconds = quick ? 4 : 30;
    const QString big = makeClip(dir, "big.mp4", "1920x1080", seconds);
    const QString medium = makeClip(dir, "medium.mp4", "1280x720", quick ? 4 : 10);
    if (big.isEmpty() || medium.isEmpty()) {
        std::fprintf(stderr, "ffmpeg could not make the clips\n");
        return 1;
    }
    std::printf("Qt platform: %s\n", qPrintable(QGuiApplication::platformName()));
    decodeRate(big);
    firstFrame(big);
    sixteenPorts(medium, quick ? 4 : 10);
    return 0;
}
