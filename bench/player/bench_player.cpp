// Figures of the player layer, each next to its anchor measured in the same
// run and process with libav itself: decode rate, time to the first drawn
// frame from the open call (what a user waits for), and the CPU that 16 live
// 720p ports take. It checks its work: the frame it shows is compared with
// libav's, every frame fed to the 16 ports must be drawn; a failed check
// makes it exit non-zero. Drawing needs xcb (X11 or Xvfb).
//
//   bench_player [--quick]     (--quick: shorter clips, for a smoke run)

#include "../BenchExit.h"
#include "../AfterPaint.h"
#include "Vendaro.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGridLayout>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

namespace {

int g_failedChecks = 0;
int g_missedGoals = 0;

// Prints whether a goal was met and counts the misses for the exit status.
const char* Judge(bool met)
{
    if (!met)
        ++g_missedGoals;
    return met ? "met" : "MISSED";
}

void Check(bool ok, const char* what)
{
    if (ok)
        return;
    ++g_failedChecks;
    std::printf("CHECK FAILED: %s\n", what);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// libav on its own: reads the stream information of an opened input, opens
// the decoder (one thread, as the layer's) and decodes frames, handing each
// to `onFrame` until it returns false. False when it cannot be decoded.
bool LibavDecodeInput(AVFormatContext* format, const std::function<bool(const AVFrame*)>& onFrame)
{
    bool ok = avformat_find_stream_info(format, nullptr) >= 0;
    const AVCodec* codec = nullptr;
    const int stream = ok ? av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0) : -1;
    AVCodecContext* context = stream >= 0 ? avcodec_alloc_context3(codec) : nullptr;
    ok = context && avcodec_parameters_to_context(context, format->streams[stream]->codecpar) >= 0;
    if (ok) {
        context->thread_count = 1;
        ok = avcodec_open2(context, codec, nullptr) == 0;
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    bool more = ok;
    while (more && av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == stream && avcodec_send_packet(context, packet) == 0)
            while (more && avcodec_receive_frame(context, frame) == 0)
                more = onFrame(frame);
        av_packet_unref(packet);
    }
    if (more && ok && avcodec_send_packet(context, nullptr) == 0)
        while (more && avcodec_receive_frame(context, frame) == 0)
            more = onFrame(frame);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&context);
    return ok;
}

// The same from a file, opened by name.
bool LibavDecode(const QString& path, const std::function<bool(const AVFrame*)>& onFrame)
{
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.toLocal8Bit().constData(), nullptr, nullptr) != 0)
        return false;
    const bool ok = LibavDecodeInput(format, onFrame);
    avformat_close_input(&format);
    return ok;
}

// Bytes in memory read as a stream, the way a live source hands them over.
struct MemoryStream
{
    const QByteArray& bytes;
    int offset = 0;

    static int read(void* opaque, uint8_t* buffer, int size)
    {
        auto* self = static_cast<MemoryStream*>(opaque);
        const int count = std::min(size, self->bytes.size() - self->offset);
        if (count <= 0)
            return AVERROR_EOF;
        std::memcpy(buffer, self->bytes.constData() + self->offset, size_t(count));
        self->offset += count;
        return count;
    }
};

// Milliseconds for libav to take a live stream from memory (probe, stream
// information) to its first decoded picture.
double LibavLiveFirstFrameMs(const QByteArray& bytes)
{
    constexpr int kReadSize = 64 * 1024;
    QElapsedTimer timer;
    timer.start();
    MemoryStream source{bytes};
    AVFormatContext* format = avformat_alloc_context();
    auto* buffer = static_cast<uint8_t*>(av_malloc(kReadSize));
    AVIOContext* io = avio_alloc_context(buffer, kReadSize, 0, &source, MemoryStream::read, nullptr, nullptr);
    format->pb = io;
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    bool decoded = false;
    if (avformat_open_input(&format, nullptr, nullptr, nullptr) == 0) {
        LibavDecodeInput(format, [&](const AVFrame*) { return !(decoded = true); });
        avformat_close_input(&format);
    }
    av_freep(&io->buffer);
    avio_context_free(&io);
    const double ms = timer.nsecsElapsed() / 1e6;
    Check(decoded, "libav decodes the first frame of the live stream");
    return ms;
}

// Milliseconds from opening the file to its first decoded picture, by libav.
double LibavFirstFrameMs(const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    bool decoded = false;
    LibavDecode(path, [&](const AVFrame*) { return !(decoded = true); });
    const double ms = timer.nsecsElapsed() / 1e6;
    Check(decoded, "libav decodes the first frame");
    return ms;
}

// The frame as 32-bit pixels of the given size, in the layout of the layer's
// images (B, G, R, 255).
QByteArray Bgra(const AVFrame* frame, int width, int height)
{
    QByteArray pixels(width * height * 4, '\0');
    SwsContext* scale = sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), width, height,
                                       AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
    uint8_t* planes[1] = {reinterpret_cast<uint8_t*>(pixels.data())};
    const int strides[1] = {width * 4};
    sws_scale(scale, frame->data, frame->linesize, 0, frame->height, planes, strides);
    sws_freeContext(scale);
    return pixels;
}

// Mean difference per colour byte of two images of the same size.
double MeanDifference(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size() || a.isEmpty())
        return 255;
    double sum = 0;
    for (int i = 0; i < a.size(); i += 4)
        for (int c = 0; c < 3; ++c)
            sum += std::abs(int(uchar(a[i + c])) - int(uchar(b[i + c])));
    return sum / (a.size() / 4 * 3);
}

double Spread(const QByteArray& image)
{
    // How far the picture is from a flat colour: a black or empty frame has none.
    int low = 255, high = 0;
    for (int i = 0; i < image.size(); i += 4) {
        low = std::min(low, int(uchar(image[i])));
        high = std::max(high, int(uchar(image[i])));
    }
    return high - low;
}

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

// Waits, drawing meanwhile, until `done` or `ms` pass; whether `done` came.
bool WaitFor(const std::function<bool()>& done, int ms)
{
    return QTest::qWaitFor(done, ms);
}

// Frames a second libav decodes the whole clip at.
double LibavDecodeRate(const QString& clip, int frames)
{
    int decoded = 0;
    QElapsedTimer timer;
    timer.start();
    LibavDecode(clip, [&](const AVFrame*) { return ++decoded > 0; });
    const double ms = timer.nsecsElapsed() / 1e6;
    Check(decoded == frames, "libav decodes every frame of the clip");
    return 1000.0 * decoded / ms;
}

// Frames a second the layer decodes the clip's bytes at, fed as fast as it takes them.
double LayerDecodeRate(const QByteArray& bytes, int frames)
{
    const long port = openStream();
    Mavro_Play(port, 0);
    QElapsedTimer timer;
    timer.start();
    feed(port, bytes, 64 * 1024, std::chrono::microseconds(0));
    // The live demuxer keeps the last picture until another would start.
    const bool all = WaitFor([&] { return int(Mavro_GetDecodedFrameCount(port)) >= frames - 1; }, 120000);
    const double ms = timer.nsecsElapsed() / 1e6;
    Check(all, "the layer decodes every frame fed to it");
    Mavro_FreePort(port);
    return 1000.0 * (frames - 1) / ms;
}

void decodeRate(const QString& clip)
{
    const int frames = countFrames(clip);
    const QByteArray bytes = readAll(clip);
    Check(frames > 1 && !bytes.isEmpty(), "the 1080p clip has frames");
    // One pass each swung by a fifth between runs on a busy machine: rounds
    // taking turns, so that load falls on both alike.
    constexpr int kRounds = 3;
    std::vector<double> layer, libav;
    for (int round = 0; round < kRounds; ++round) {
        libav.push_back(LibavDecodeRate(clip, frames));
        layer.push_back(LayerDecodeRate(bytes, frames));
    }
    const double ours = Median(layer);
    const double anchor = Median(libav);
    std::printf("decode 1080p H.264, %d frames, median of %d: layer %.1f fps, anchor libav one thread in-process "
                "%.1f fps, ratio %.2f (goal >= 0.90: %s)\n",
                frames, kRounds, ours, anchor, ours / anchor, Judge(ours / anchor >= 0.9));
}

// Milliseconds from Mavro_OpenFile to the first frame drawn into `widget`.
double LayerFirstFrameMs(const QString& clip, QWidget& widget, bool compare)
{
    long port = -1;
    Mavro_GetPort(&port);
    QElapsedTimer timer;
    timer.start();
    const bool opened = Mavro_OpenFile(port, clip.toLocal8Bit().constData()) && Mavro_Play(port, widget.winId());
    const bool shown = opened && WaitForPaint(
                                     widget, [&] { return Mavro_GetShownFrameCount(port) > 0; }, 10000);
    const double ms = timer.nsecsElapsed() / 1e6;
    Check(opened, "the layer opens and plays the clip");
    Check(shown, "the layer draws a frame within 10 s");
    if (shown && compare) {
        Mavro_Pause(port, 1);
        const int decoded = int(Mavro_GetDecodedFrameCount(port));
        int width = 0, height = 0;
        Mavro_GetLastFrameImage(port, nullptr, 0, &width, &height);
        QByteArray image(width * height * 4, '\0');
        const bool got = width > 0 && height > 0 &&
                         Mavro_GetLastFrameImage(port, reinterpret_cast<unsigned char*>(image.data()),
                                                 unsigned(image.size()), &width, &height);
        Check(got, "the layer hands out its last frame");
        // Pausing may let one more frame through: the closest of the frames
        // around the decoded count is the one shown.
        double best = 255;
        int index = 0;
        LibavDecode(clip, [&](const AVFrame* frame) {
            if (std::abs(++index - decoded) <= 2)
                best = std::min(best, MeanDifference(image, Bgra(frame, width, height)));
            return index < decoded + 2;
        });
        std::printf("  frame check: layer's frame %d (%dx%d) against libav's: mean difference %.2f of 255 "
                    "(picture spread %.0f)\n",
                    decoded, width, height, best, Spread(image));
        Check(got && best < 3.0 && Spread(image) > 100, "the layer's frame is libav's frame");
    }
    Mavro_FreePort(port);
    return ms;
}

// Milliseconds from opening a live port and handing it the stream's start to
// the first picture drawn into `widget`.
double LayerLiveFirstFrameMs(const QByteArray& start, QWidget& widget)
{
    QElapsedTimer timer;
    timer.start();
    const long port = openStream();
    const bool playing = port >= 0 && Mavro_Play(port, widget.winId());
    if (playing)
        feed(port, start, 64 * 1024, std::chrono::microseconds(0));
    const bool shown = playing && WaitForPaint(
                                      widget, [&] { return Mavro_GetShownFrameCount(port) > 0; }, 10000);
    const double ms = timer.nsecsElapsed() / 1e6;
    Check(shown, "the layer draws a live frame within 10 s");
    Mavro_FreePort(port);
    return ms;
}

// The same wait for a live stream: its first second, as a device sends it
// on connecting, against libav taking the same bytes from memory.
void liveFirstFrame(const QString& clip)
{
    // A second of the 25 a second holds the first key frame and the pictures after it.
    const QByteArray all = readAll(clip);
    const int seconds = std::max(1, countFrames(clip) / 25);
    const QByteArray start = all.left(all.size() / seconds);
    QWidget widget;
    widget.resize(960, 540);
    widget.show();
    Check(QTest::qWaitForWindowExposed(&widget), "the widget is exposed");
    LibavLiveFirstFrameMs(start);
    LayerLiveFirstFrameMs(start, widget);
    std::vector<double> layer, libav;
    for (int round = 0; round < 7; ++round) {
        libav.push_back(LibavLiveFirstFrameMs(start));
        layer.push_back(LayerLiveFirstFrameMs(start, widget));
    }
    const double ours = Median(layer);
    const double anchor = Median(libav);
    std::printf("live first frame from opening the port and its first second of stream to drawn (1080p into a 960x540 "
                "widget), median of 7: %.1f ms; anchor libav probe + stream info + first decode from memory "
                "in-process: %.1f ms; ratio %.2f (goal <= 1.30: %s)\n",
                ours, anchor, ours / anchor, Judge(ours / anchor <= 1.3));
}

void firstFrame(const QString& clip)
{
    QWidget widget;
    widget.resize(960, 540);
    widget.show();
    Check(QTest::qWaitForWindowExposed(&widget), "the widget is exposed");
    // Both warm alike (file in the page cache, libraries loaded), then take turns.
    LibavFirstFrameMs(clip);
    LayerFirstFrameMs(clip, widget, true);
    std::vector<double> layer, libav;
    for (int round = 0; round < 7; ++round) {
        libav.push_back(LibavFirstFrameMs(clip));
        layer.push_back(LayerFirstFrameMs(clip, widget, false));
    }
    const double ours = Median(layer);
    const double anchor = Median(libav);
    std::printf("first frame from Mavro_OpenFile to drawn (1080p file into a 960x540 widget), median of 7: %.1f ms; "
                "anchor libav open + stream info + first decode in-process: %.1f ms; ratio %.2f "
                "(goal <= 1.30 and < 150 ms: %s)\n",
                ours, anchor, ours / anchor, Judge(ours / anchor <= 1.3 && ours < 150));
}

void sixteenPorts(const QString& clip, int seconds)
{
    constexpr int kPorts = 16;
    const QByteArray bytes = readAll(clip);
    const int frames = countFrames(clip);
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
    Check(QTest::qWaitForWindowExposed(&wall), "the wall is exposed");

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
    // Every frame sent must be drawn; the live demuxer holds the last one back.
    const unsigned int expected = unsigned(kPorts) * unsigned(frames - 1);
    const auto drawn = [&] {
        unsigned int shown = 0;
        for (long port : ports)
            shown += std::min(Mavro_GetShownFrameCount(port), unsigned(frames - 1));
        return shown;
    };
    WaitFor([&] { return drawn() >= expected; }, 10000);
    unsigned int decoded = 0;
    unsigned int shown = 0;
    for (long port : ports) {
        decoded += Mavro_GetDecodedFrameCount(port);
        shown += Mavro_GetShownFrameCount(port);
    }
    const unsigned int drawnOfSent = drawn();
    for (long port : ports)
        Mavro_FreePort(port);
    std::printf("16 ports of 720p at 25 fps into a 4x4 wall for %.1f s: CPU %.0f%% of one core "
                "(%.1f cores of %u), %u frames sent, %u decoded, %u drawn\n",
                wallSeconds, 100.0 * cpu / wallSeconds, cpu / wallSeconds, std::thread::hardware_concurrency(),
                expected, decoded, shown);
    Check(drawnOfSent == expected, "every frame sent to the 16 ports is drawn");
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
    Check(QGuiApplication::platformName() == "xcb", "frames are drawn only on xcb: run on X11 or Xvfb");
    decodeRate(big);
    firstFrame(big);
    liveFirstFrame(big);
    sixteenPorts(medium, quick ? 4 : 10);
    if (g_failedChecks > 0) {
        std::printf("%d checks failed: the figures above do not count\n", g_failedChecks);
        return 1;
    }
    std::printf("checked: libav decodes the clips, the layer's frame matches libav's, every frame sent was drawn\n");
    if (g_missedGoals > 0)
        std::printf("%d goals MISSED\n", g_missedGoals);
    return g_missedGoals > 0 ? kGoalMissed : 0;
}
