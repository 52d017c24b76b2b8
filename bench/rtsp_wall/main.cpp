// A wall of 16 panes pulling 1080p H.264 over RTSP (interleaved TCP) from
// GStreamer's RTSP server, each decoded and drawn by the player. Figures:
// pictures drawn per pane against the stream's 25 a second (goal: none
// skipped), and the client's CPU time against its anchor measured in the
// same run: 16 `ffmpeg -threads 1 -rtsp_transport tcp -i URL -f null -`
// decoding the same stream over the same time, one decoding thread each as
// the player has per pane (goal: at most 1.1 times theirs). A failed
// check exits 1, a missed goal exits 3.
//
//   bench_rtsp_wall [seconds]      (30 by default; on X11 or Xvfb)

#include "RtspPeer.h"

#include "data/ImplementInstance.h"
#include "monitor/KvorPlayWindow.h"
#include "monitor/KvorSplitWndsCtrl.h"
#include "monitor/RtspManager.h"

#include "Vendaro.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <unistd.h>

namespace {

constexpr int kPanes = 16;
constexpr double kStreamRate = 25.0;

// User and system CPU seconds of a process, from /proc.
double CpuSeconds(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0.0;
    const QByteArray text = file.readAll();
    // Fields after the command name in parentheses; utime and stime are 14 and 15.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0.0;
    return (fields.at(11).toDouble() + fields.at(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(50);
    }
    return true;
}

struct WallFigures
{
    std::vector<double> ratePerPane;
    // Pictures decoded but never drawn, over all panes.
    long skipped = 0;
    long decoded = 0;
    double cpuSeconds = 0.0;
    double wallSeconds = 0.0;
};

bool PlayWall(const QString& url, int seconds, WallFigures& figures)
{
    KvorSplitWndsCtrl grid;
    grid.resize(1600, 900);
    grid.SetSplitMode(8); // 4 x 4
    grid.show();
    if (!QTest::qWaitForWindowExposed(&grid))
        return false;
    std::vector<KvorPlayWindow*> panes;
    for (unsigned short i = 0; i < kPanes; ++i) {
        panes.push_back(grid.GetPlayWindow(i));
        panes.back()->StartRtspPlaySlot(url, QStringLiteral("bench"), QStringLiteral("bench"));
    }
    const auto shown = [](KvorPlayWindow* pane) {
        return pane->PlayerPort() >= 0 ? Mavro_GetShownFrameCount(pane->PlayerPort()) : 0u;
    };
    // Warm: every pane has drawn a second's worth of pictures.
    if (!WaitFor([&] { return std::all_of(panes.begin(), panes.end(), [&](auto* p) { return shown(p) >= 25; }); },
                 60000)) {
        std::printf("CHECK FAILED: not every pane drew pictures (pane: playing, decoded, drawn):");
        for (KvorPlayWindow* pane : panes)
            std::printf(" %d/%u/%u", pane->IsRtspPlaying(),
                        pane->PlayerPort() >= 0 ? Mavro_GetDecodedFrameCount(pane->PlayerPort()) : 0u, shown(pane));
        std::printf("\n");
        return false;
    }
    const auto decoded = [](KvorPlayWindow* pane) { return Mavro_GetDecodedFrameCount(pane->PlayerPort()); };
    std::vector<unsigned> before, decodedBefore;
    for (KvorPlayWindow* pane : panes) {
        before.push_back(shown(pane));
        decodedBefore.push_back(decoded(pane));
    }
    const double cpuBefore = CpuSeconds(QCoreApplication::applicationPid());
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(seconds * 1000);
    figures.wallSeconds = clock.elapsed() / 1000.0;
    figures.cpuSeconds = CpuSeconds(QCoreApplication::applicationPid()) - cpuBefore;
    for (int i = 0; i < kPanes; ++i) {
        const long drawn = long(shown(panes[i]) - before[i]);
        const long got = long(decoded(panes[i]) - decodedBefore[i]);
        figures.ratePerPane.push_back(drawn / figures.wallSeconds);
        figures.decoded += got;
        // A picture decoded in the last moment may still be on its way.
        figures.skipped += std::max(0L, got - drawn - 1);
    }
    const bool allPlaying = std::all_of(panes.begin(), panes.end(), [](auto* p) { return p->IsRtspPlaying(); });
    grid.StopAll();
    WaitFor([] { return RtspManager::instance()->BusyWorkers() == 0; }, 10000);
    if (!allPlaying)
        std::printf("CHECK FAILED: a pane stopped playing\n");
    return allPlaying;
}

// CPU seconds of 16 ffmpeg decoders over `seconds`, after each has started decoding.
double FfmpegCpu(const QString& url, int seconds, double& wallSeconds)
{
    std::vector<std::unique_ptr<QProcess>> decoders;
    for (int i = 0; i < kPanes; ++i) {
        auto process = std::make_unique<QProcess>();
        process->setProgram(QStringLiteral("ffmpeg"));
        // One decoding thread per stream, as the player's per pane.
        process->setArguments({"-nostdin", "-loglevel", "error", "-threads", "1", "-rtsp_transport", "tcp", "-i", url,
                               "-f", "null", "-"});
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start();
        decoders.push_back(std::move(process));
    }
    for (auto& process : decoders)
        if (!process->waitForStarted(10000))
            return -1.0;
    // Past their start-up: each has used some CPU on decoding already. A
    // fresh server may turn away some of 16 clients arriving at once; those
    // come again, as a player would.
    for (int attempt = 0; attempt < 3; ++attempt) {
        QTest::qWait(3000);
        for (auto& process : decoders)
            if (process->state() == QProcess::NotRunning) {
                process->start();
                process->waitForStarted(10000);
            }
    }
    QTest::qWait(3000);
    double before = 0.0;
    for (auto& process : decoders)
        before += CpuSeconds(process->processId());
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(seconds * 1000);
    wallSeconds = clock.elapsed() / 1000.0;
    double after = 0.0;
    bool running = true;
    for (auto& process : decoders) {
        after += CpuSeconds(process->processId());
        running = running && process->state() == QProcess::Running;
    }
    for (auto& process : decoders) {
        process->terminate();
        if (!process->waitForFinished(5000))
            process->kill();
    }
    return running ? after - before : -1.0;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 30;
    QTemporaryDir folder;
    qputenv("CORVANE_APP_DIR", QFile::encodeName(folder.path()));
    if (!ImplementInstance::CreateInstance())
        return 1;
    ImplementInstance::GetInstance()->InitImplementInstance();

    RtspPeer server;
    if (!server.Start(QStringLiteral(GSTREAMER_SERVER), {"--live-size", "1920x1080"})) {
        std::printf("CHECK FAILED: cannot start the RTSP server\n");
        return 1;
    }
    const QString url = server.Url(QStringLiteral("/live"));
    std::printf("16 panes, 1080p H.264 at %.0f pictures a second over RTSP (interleaved TCP), %d s\n", kStreamRate,
                seconds);
    WallFigures wall;
    if (!PlayWall(url, seconds, wall))
        return 1;
    const double lowest = *std::min_element(wall.ratePerPane.begin(), wall.ratePerPane.end());
    double sum = 0.0;
    for (const double rate : wall.ratePerPane)
        sum += rate;
    std::printf("pictures drawn per pane a second:");
    for (const double rate : wall.ratePerPane)
        std::printf(" %.1f", rate);
    std::printf("\n");
    std::printf("drawn: lowest pane %.2f/s, mean %.2f/s, stream %.0f/s, ratio lowest/stream %.3f (goal >= 0.98)\n",
                lowest, sum / kPanes, kStreamRate, lowest / kStreamRate);
    std::printf("skipped: %ld of %ld decoded pictures never drawn (goal 0)\n", wall.skipped, wall.decoded);

    // A fresh server for the anchor: the wall's sessions are gone from it.
    RtspPeer anchorServer;
    if (!anchorServer.Start(QStringLiteral(GSTREAMER_SERVER), {"--live-size", "1920x1080"})) {
        std::printf("CHECK FAILED: cannot start the RTSP server\n");
        return 1;
    }
    double ffmpegWall = 0.0;
    const double ffmpegCpu = FfmpegCpu(anchorServer.Url(QStringLiteral("/live")), seconds, ffmpegWall);
    RtspManager::DestroyInstance();
    ImplementInstance::DestroyInstance();
    if (ffmpegCpu <= 0.0) {
        std::printf("CHECK FAILED: the ffmpeg decoders did not run\n");
        return 1;
    }
    const double ours = wall.cpuSeconds / wall.wallSeconds;
    const double anchor = ffmpegCpu / ffmpegWall;
    std::printf("CPU: client %.2f cores, 16 ffmpeg decoders (-threads 1) %.2f cores, ratio %.2f (goal <= 1.1)\n", ours,
                anchor, ours / anchor);
    const bool goals = wall.skipped == 0 && lowest / kStreamRate >= 0.98 && ours / anchor <= 1.1;
    std::printf("%s\n", goals ? "goals met" : "GOAL MISSED");
    return goals ? 0 : 3;
}
