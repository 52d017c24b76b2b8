// bench_live_wall: a full video wall. The device simulator, a process of its
// own, serves 16 cameras with a 720p H.264 clip at 25 frames a second and a
// camera's bit rate (4 Mbit/s of moving, grainy picture); the
// main window plays all of them in its 16-pane layout. Over the measured
// seconds it prints:
//   - frames drawn per pane per second (paints of each pane's video frame),
//     against the stream's rate (goal: none skipped), and the player's own
//     decoded and shown counters;
//   - this process's CPU time, against ffmpeg decoding the same clip as 16
//     real-time inputs to a null output for as long, one decoding thread per
//     input as the player has per pane, run once before and once after the
//     wall (goal: at most 1.2x the mean);
//   - the GUI thread's worst stall, the worst lateness of a 10 ms timer
//     (goal: under 50 ms).
// Exits 1 when the wall did not play, 3 when a goal is missed.
//   bench_live_wall [seconds = 30]     (on X11 or Xvfb)

#include "ClientFolder.h"
#include "ConsoleSilencer.h"
#include "TimerLateness.h"

#include "data/ImplementInstance.h"
#include "core/SettingsStore.h"
#include "core/SharedRecords.h"
#include "monitor/ClientStartup.h"
#include "CorvaneParts.h"
#include "monitor/KvorPlayWindow.h"
#include "monitor/KvorSplitWndsCtrl.h"

#include "Vendaro.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QFrame>
#include <QHash>
#include <QProcess>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

constexpr int kPanes = 16;
constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr int kBitRateKbps = 4000;

double CpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Counts the paints of the panes' video frames. Installed on the application,
// it sees each paint before the player's own filter on the frame takes it.
class PaintCounter : public QObject
{
public:
    void Watch(QObject* frame, int pane) { panes.insert(frame, pane); }
    void Reset() { counts.fill(0); }
    const std::array<int, kPanes>& Counts() const { return counts; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            const auto it = panes.constFind(watched);
            if (it != panes.constEnd())
                ++counts[*it];
        }
        return false;
    }

private:
    QHash<QObject*, int> panes;
    std::array<int, kPanes> counts{};
};

// Runs the event loop until `done` holds or `ms` pass.
bool WaitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Decoded and shown frames over every player port in use.
std::pair<unsigned long, unsigned long> PlayerCounters()
{
    unsigned long decoded = 0, shown = 0;
    for (long port = 0; port < 1024; ++port) {
        decoded += Mavro_GetDecodedFrameCount(port);
        shown += Mavro_GetShownFrameCount(port);
    }
    return {decoded, shown};
}

// CPU seconds ffmpeg takes to decode `clip` as 16 real-time looping inputs
// into a null output for `seconds`; negative when it failed.
double FfmpegCpuSeconds(const QString& clip, int seconds)
{
    QStringList args{"-hide_banner", "-loglevel", "error", "-nostdin"};
    for (int i = 0; i < kPanes; ++i)
        args << "-threads"
             << "1"
             << "-re"
             << "-stream_loop"
             << "-1"
             << "-i" << clip;
    for (int i = 0; i < kPanes; ++i)
        args << "-map" << QStringLiteral("%1:v").arg(i);
    args << "-t" << QString::number(seconds) << "-f"
         << "null"
         << "-";
    const double before = CpuSeconds(RUSAGE_CHILDREN);
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), args);
    if (!ffmpeg.waitForFinished((seconds + 60) * 1000) || ffmpeg.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg failed: %s\n", ffmpeg.readAllStandardError().constData());
        return -1;
    }
    return CpuSeconds(RUSAGE_CHILDREN) - before;
}

// A clip as a camera sends it: 720p at a few Mbit/s with grain that changes
// every picture, so decoding costs what it costs on a road, not on a test
// card. Key frames, parameter sets and tables as the simulator's own clips.
// Made once next to the programs.
bool MakeCameraClip(const QString& path, int seconds, std::string& error)
{
    if (QFileInfo::exists(path))
        return true;
    const QString temp = path + QStringLiteral(".%1.part").arg(QCoreApplication::applicationPid());
    const QString rate = QString::number(devsim::VideoClip::kFramesPerSecond);
    const QString bits = QStringLiteral("%1k").arg(kBitRateKbps);
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-v",
                  "error",
                  "-y",
                  "-f",
                  "lavfi",
                  "-i",
                  QStringLiteral("testsrc2=size=%1x%2:rate=%3,noise=alls=16:allf=t").arg(kWidth).arg(kHeight).arg(rate),
                  "-t",
                  QString::number(seconds),
                  "-c:v",
                  "libx264",
                  "-preset",
                  "veryfast",
                  "-pix_fmt",
                  "yuv420p",
                  "-b:v",
                  bits,
                  "-maxrate",
                  bits,
                  "-bufsize",
                  bits,
                  "-g",
                  rate,
                  "-keyint_min",
                  rate,
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
                  temp});
    if (!ffmpeg.waitForFinished(300000) || ffmpeg.exitCode() != 0) {
        error = "ffmpeg failed: " + ffmpeg.readAllStandardError().toStdString();
        QFile::remove(temp);
        return false;
    }
    if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) != 0) {
        error = "cannot move the clip into place";
        QFile::remove(temp);
        return false;
    }
    return true;
}

// Mbit/s of a clip, from its size and length.
double ClipMbps(const QString& path, int seconds)
{
    return QFileInfo(path).size() * 8.0 / seconds / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 30;

    constexpr int kClipSeconds = 10;
    const QString clip = QStringLiteral(CORVANE_BIN_DIR "/devsim-camera-720p-%1k.ts").arg(kBitRateKbps);
    std::string error;
    if (!MakeCameraClip(clip, kClipSeconds, error)) {
        std::fprintf(stderr, "no 720p clip: %s\n", error.c_str());
        return 1;
    }

    ClientFolder folder;
    folder.PrepareApplication();

    // 4 devices with 4 cameras each, served by the simulator's own process so
    // that the CPU measured here is the client's alone.
    const std::vector<devsim::DeviceSpec> devices = SimulatedDevices(4, 4, 0);
    if (!folder.StoreDevices(devices)) {
        std::fprintf(stderr, "database did not start\n");
        return 1;
    }
    QProcess simulator;
    simulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    simulator.start(QStringLiteral(CORVANE_BIN_DIR "/corvane-devsim"),
                    {"--devices", "4", "--cameras", "4", "--port", QString::number(devices[0].port), "--first-subnet",
                     QString::number(testsupport::privateSubnet()), "--alarm-port", "0", "--clip", clip, "--clip-size",
                     QStringLiteral("%1x%2").arg(kWidth).arg(kHeight)});
    if (!simulator.waitForStarted() ||
        !WaitFor([&] { return simulator.readAllStandardOutput().contains("device "); }, 30000)) {
        std::fprintf(stderr, "the simulator did not start\n");
        return 1;
    }

    // The anchor runs before and after the wall, so that a change in the
    // machine's load during the run weighs on both sides alike.
    const double ffmpegBefore = FfmpegCpuSeconds(clip, seconds);

    PaintCounter paints;
    std::array<double, kPanes> perPane{};
    double cpu = 0, guiCpu = 0, wall = 0;
    qint64 stall = 0;
    std::pair<unsigned long, unsigned long> counters{};
    int playing = 0;
    {
        ConsoleSilencer quiet;
        TSR_Init();
        ImplementInstance::CreateInstance();
        ImplementInstance::GetInstance()->InitImplementInstance();
        // The sub stream, which the 16-pane layout asks for.
        ImplementInstance::GetInstance()->GetConfig()->SetValue(QStringLiteral("Param/StreamType"), 1);
        auto window = std::make_unique<Corvane>(nullptr, testsupport::reservePort());
        int passes = 0;
        QObject::connect(window.get(), &Corvane::DeviceLoginFinishedSig, [&passes] { ++passes; });
        window->resize(1280, 800);
        window->show();
        WaitFor([&] { return passes > 0; }, 60000);
        window->ShowSplitScreenSLot(QStringLiteral("16分屏"));
        KvorSplitWndsCtrl* grid = FORM_WIDGET(window, widgetPreview);
        for (unsigned short i = 0; i < kPanes; ++i)
            paints.Watch(grid->GetPlayWindow(i)->findChild<QFrame*>(QStringLiteral("framePlay")), i);
        app.installEventFilter(&paints);
        FORM_WIDGET(window, qIconPBtnPlayAll)->click();
        auto allPlaying = [&] {
            playing = 0;
            for (unsigned short i = 0; i < kPanes; ++i)
                playing += grid->GetPlayWindow(i)->IsPlaying() ? 1 : 0;
            return playing == kPanes;
        };
        WaitFor(allPlaying, 60000);
        WorstTimerLatenessMs(3000); // settle: first key frames, buffers

        paints.Reset();
        const auto countersBefore = PlayerCounters();
        const double cpuBefore = CpuSeconds(RUSAGE_SELF);
        const double guiBefore = CpuSeconds(RUSAGE_THREAD);
        QElapsedTimer clock;
        clock.start();
        stall = WorstTimerLatenessMs(seconds * 1000);
        wall = clock.elapsed() / 1000.0;
        cpu = CpuSeconds(RUSAGE_SELF) - cpuBefore;
        guiCpu = CpuSeconds(RUSAGE_THREAD) - guiBefore;
        const auto countersAfter = PlayerCounters();
        counters = {countersAfter.first - countersBefore.first, countersAfter.second - countersBefore.second};
        for (int i = 0; i < kPanes; ++i)
            perPane[i] = paints.Counts()[i] / wall;
        allPlaying();
        app.removeEventFilter(&paints);
        window->close();
        window.reset();
    }
    simulator.terminate();
    simulator.waitForFinished(10000);

    const double ffmpegAfter = FfmpegCpuSeconds(clip, seconds);
    const double ffmpegCpu = ffmpegBefore > 0 && ffmpegAfter > 0 ? (ffmpegBefore + ffmpegAfter) / 2 : -1;
    const double rate = devsim::VideoClip::kFramesPerSecond;
    const double lowest = *std::min_element(perPane.begin(), perPane.end());
    const double highest = *std::max_element(perPane.begin(), perPane.end());
    double sum = 0;
    for (double value : perPane)
        sum += value;
    const double mean = sum / kPanes;
    const double cpuRatio = ffmpegCpu > 0 ? cpu / ffmpegCpu : 0;

    std::printf("bench_live_wall: %d panes of %dx%d H.264 at %.0f frames/s, %.1f Mbit/s, for %.1f s, %d playing at "
                "the end\n",
                kPanes, kWidth, kHeight, rate, ClipMbps(clip, kClipSeconds), wall, playing);
    std::printf("  frames drawn per pane per second  lowest %.2f, mean %.2f, highest %.2f; stream rate %.0f; "
                "ratio lowest/rate %.3f (goal 1.000, none skipped)\n",
                lowest, mean, highest, rate, lowest / rate);
    std::printf("  per pane:");
    for (double value : perPane)
        std::printf(" %.1f", value);
    std::printf("\n");
    std::printf("  player counters over all panes    decoded %lu, shown %lu (%.2f per pane per second); "
                "not shown %ld\n",
                counters.first, counters.second, counters.second / wall / kPanes,
                static_cast<long>(counters.first) - static_cast<long>(counters.second));
    std::printf(
        "  process CPU                       %.2f s (%.0f%% of a core); anchor ffmpeg -threads 1 -f null "
        "on the same 16 streams %.2f s (%.0f%%; runs before and after %.2f s, %.2f s); ratio %.2f (goal <= 1.2)\n",
        cpu, 100 * cpu / wall, ffmpegCpu, 100 * ffmpegCpu / seconds, ffmpegBefore, ffmpegAfter, cpuRatio);
    std::printf("  of which the GUI thread           %.2f s (drawing the pictures)\n", guiCpu);
    std::printf("  GUI thread worst stall            %lld ms (goal < 50)\n", static_cast<long long>(stall));

    if (playing != kPanes || counters.second == 0 || ffmpegCpu <= 0) {
        std::printf("FAILED: the wall did not play\n");
        return 1;
    }
    const bool goals = lowest >= rate * 0.98 && cpuRatio <= 1.2 && stall < 50;
    if (!goals)
        std::printf("GOAL MISSED\n");
    return goals ? 0 : 3;
}
