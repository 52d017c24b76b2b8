// Pellmar next to ffmpeg and gst-launch on GStreamer's RTSP server, each
// measured the same way:
//   - first media frame on the wire: every client goes through a proxy of
//     ours, which times its connection from accept to the first interleaved
//     frame it passes (program start-up is outside that span);
//   - CPU per megabyte of a 12 s clip at 8 Mbit/s, over TCP interleaved and
//     over UDP: each client's CPU divided by its own bytes (the proxy counts
//     the programs' bytes over TCP), the programs' start-up taken out by
//     subtracting a run of the same program that stops after one frame; each
//     client plays the whole clip in several rounds, taking turns, and the
//     figure is the median of its rounds, as one difference of two process
//     runs swings with the machine's load;
//   - 16 and 64 sessions in one process on that same high-rate mount, with
//     ffmpeg's one-session figure beside them: CPU per megabyte, threads,
//     memory and packets lost (RTP sequence gaps).
// Goals are checked: first frame no later than ffmpeg's, CPU per megabyte
// at most half of ffmpeg's (1 and 16 sessions, TCP and UDP), 64 sessions
// all started with nothing lost.
//
//   bench_rtsp [seconds of each many-session run]
//
// Exit status: 0; 1 when a run did not do its work; 3 when a goal was missed.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <spawn.h>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "PeerProcess.h"
#include "ProcessCounts.h"
#include "TestPortPool.h"
#include "Pellmar.h"
#include "WireProxy.h"
#include "wexl.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Counter
{
    std::atomic<long> packets{0};
    std::atomic<long> bytes{0};
    std::atomic<long> lost{0};
    // Clock ticks of the first packet; 0 until it came.
    std::atomic<Clock::rep> firstAt{0};
    int lastSequence = -1;

    static int OnData(int, int type, STREAM_DATA_T* data, void* user)
    {
        auto* self = static_cast<Counter*>(user);
        if (type != PELLMAR_DATA_RTP || data->uiDataLen < 12)
            return 0;
        Clock::rep none = 0;
        self->firstAt.compare_exchange_strong(none, Clock::now().time_since_epoch().count());
        const int sequence = (data->pData[2] << 8) | data->pData[3];
        if (self->lastSequence >= 0)
            self->lost += (sequence - self->lastSequence - 1 + 65536) % 65536;
        self->lastSequence = sequence;
        self->packets++;
        self->bytes += data->uiDataLen;
        return 0;
    }
};

double CpuSeconds(const rusage& usage)
{
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double CpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return CpuSeconds(usage);
}

double ResidentMiB()
{
    long pages = 0, resident = 0;
    if (FILE* file = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(file, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(file);
    }
    return resident * sysconf(_SC_PAGESIZE) / 1048576.0;
}

// Runs a program to its end (or kills it after `limit`); wall seconds and the
// child's CPU seconds.
std::pair<double, double> RunProgram(const std::vector<std::string>& command, std::chrono::seconds limit)
{
    std::vector<char*> argv;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const auto started = Clock::now();
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        return {-1, -1};
    posix_spawn_file_actions_destroy(&actions);
    rusage usage{};
    int status = 0;
    while (wait4(pid, &status, WNOHANG, &usage) == 0) {
        if (Clock::now() - started > limit)
            kill(pid, SIGINT);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const double wall = std::chrono::duration<double>(Clock::now() - started).count();
    return {wall, CpuSeconds(usage)};
}

STREAM_PARAM_T Param(const std::string& url, Counter& counter, int transCode)
{
    STREAM_PARAM_T param{};
    param.pszUrl = url.c_str();
    param.bRtpPack = 1;
    param.iTransCode = transCode;
    param.pfnDataCB = &Counter::OnData;
    param.pUser = &counter;
    param.stPlayBack.dScale = 1.0;
    return param;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

// The first packet of the library, on the wire: from the proxy's accept of
// its connection to the first media frame the proxy passed it.
double LibraryFirstFrameMs(WireProxy& proxy, const std::string& path)
{
    Counter counter;
    const int session = Pellmar_CreateSession();
    const std::string url = proxy.Url(path);
    STREAM_PARAM_T param = Param(url, counter, PELLMAR_TRANS_RTSP);
    const size_t before = proxy.Connections().size();
    double ms = -1;
    if (Pellmar_StartStream(session, &param) == 0) {
        const auto started = Clock::now();
        while (counter.firstAt == 0 && Clock::now() - started < std::chrono::seconds(10))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        const auto connections = proxy.Connections();
        if (connections.size() > before)
            ms = connections[before]->FirstFrameMs();
    }
    Pellmar_DestroySession(session);
    return ms;
}

// The same for a client program that stops after its first frame.
double ProgramFirstFrameMs(WireProxy& proxy, const std::vector<std::string>& command)
{
    const size_t before = proxy.Connections().size();
    RunProgram(command, std::chrono::seconds(20));
    const auto connections = proxy.Connections();
    return connections.size() > before ? connections[before]->FirstFrameMs() : -1;
}

struct Usage
{
    double cpu = 0; // seconds
    double bytes = 0;
    double PerMegabyte() const { return bytes > 0 ? cpu / (bytes / 1e6) : -1; }
};

// The library playing the clip to its end in this process: its CPU (the
// waiting thread's own left out) and the RTP bytes it received.
Usage LibraryPlays(const std::string& url, int transCode)
{
    Counter counter;
    const int session = Pellmar_CreateSession();
    STREAM_PARAM_T param = Param(url, counter, transCode);
    const double cpuBefore = CpuSeconds(RUSAGE_SELF);
    const double waitingBefore = ThreadCpuSeconds();
    Usage usage;
    if (Pellmar_StartStream(session, &param) == 0) {
        long last = -1;
        // The clip ends with BYE; stop once no packet came for a second.
        while (counter.packets != last) {
            last = counter.packets;
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
        usage = {CpuSeconds(RUSAGE_SELF) - cpuBefore - (ThreadCpuSeconds() - waitingBefore),
                 double(counter.bytes.load())};
    }
    Pellmar_DestroySession(session);
    return usage;
}

// A client program on the clip: its CPU and bytes beyond a run of the same
// program that stops after its first frame, so that starting the program
// (loading libraries, plug-in registries) is not counted. Over TCP the bytes
// are those the proxy passed it; over UDP they cannot be seen and `udpBytes`
// (the clip's RTP bytes) stands in.
Usage ProgramPlays(WireProxy& proxy, const std::vector<std::string>& full, const std::vector<std::string>& first,
                   std::chrono::seconds limit, double udpBytes)
{
    auto measured = [&](const std::vector<std::string>& command, std::chrono::seconds within) {
        const size_t before = proxy.Connections().size();
        const double cpu = RunProgram(command, within).second;
        const auto connections = proxy.Connections();
        const double bytes = connections.size() > before ? double(connections[before]->toClient.load()) : 0;
        return Usage{cpu, bytes};
    };
    const Usage start = measured(first, std::chrono::seconds(20));
    const Usage whole = measured(full, limit);
    if (udpBytes > 0)
        return {whole.cpu - start.cpu, udpBytes};
    return {whole.cpu - start.cpu, whole.bytes - start.bytes};
}

// The median of each client's CPU per megabyte over its rounds; bytes of the
// round with the fewest, so a round that received too little shows.
struct Rounds
{
    std::vector<double> perMegabyte;
    double fewestBytes = -1;

    void Add(const Usage& usage)
    {
        perMegabyte.push_back(usage.PerMegabyte());
        fewestBytes = fewestBytes < 0 ? usage.bytes : std::min(fewestBytes, usage.bytes);
    }
    double MedianPerMegabyte() const { return Median(perMegabyte); }
};

struct ManyResult
{
    int started = 0;
    long lost = 0;
    Usage usage;
};

ManyResult ManySessions(const std::string& url, int count, int seconds, int transCode)
{
    const long threadsBefore = static_cast<long>(ProcessThreads());
    const double memoryBefore = ResidentMiB();
    std::vector<std::unique_ptr<Counter>> counters;
    std::vector<int> sessions;
    ManyResult result;
    for (int i = 0; i < count; ++i) {
        counters.push_back(std::make_unique<Counter>());
        sessions.push_back(Pellmar_CreateSession());
        STREAM_PARAM_T param = Param(url, *counters.back(), transCode);
        result.started += Pellmar_StartStream(sessions.back(), &param) == 0;
    }
    long bytesBefore = 0;
    for (const auto& counter : counters)
        bytesBefore += counter->bytes;
    const double cpuBefore = CpuSeconds(RUSAGE_SELF);
    const double waitingBefore = ThreadCpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    result.usage.cpu = CpuSeconds(RUSAGE_SELF) - cpuBefore - (ThreadCpuSeconds() - waitingBefore);
    long bytes = 0;
    for (const auto& counter : counters) {
        bytes += counter->bytes;
        result.lost += counter->lost;
    }
    result.usage.bytes = double(bytes - bytesBefore);
    std::printf("  %2d sessions %-11s %2d started, %+ld threads, %+.1f MiB resident, %.1f MB, %ld lost, "
                "%.4f CPU s/MB\n",
                count, transCode == PELLMAR_TRANS_UDP ? "(UDP):" : "(TCP):", result.started,
                static_cast<long>(ProcessThreads()) - threadsBefore, ResidentMiB() - memoryBefore,
                result.usage.bytes / 1e6, result.lost, result.usage.PerMegabyte());
    for (int session : sessions)
        Pellmar_DestroySession(session);
    return result;
}

std::string MakeClip(int seconds, int megabits)
{
    const std::string file =
        (std::filesystem::temp_directory_path() / ("corvane-bench-clip-" + std::to_string(getpid()) + ".ts")).string();
    const std::string rate = std::to_string(megabits) + "M";
    const std::string command = "ffmpeg -v error -y -f lavfi -i testsrc2=size=1280x720:rate=25 -t " +
                                std::to_string(seconds) + " -c:v libx264 -preset ultrafast -b:v " + rate +
                                " -maxrate " + rate + " -bufsize 2M -g 25 -pix_fmt yuv420p -f mpegts " + file;
    return std::system(command.c_str()) == 0 ? file : std::string();
}

// One figure against another, without a goal.
void Compare(const char* what, double ours, double other, const char* unit)
{
    std::printf("  %-44s %9.4f %s vs %9.4f: ratio %5.2f\n", what, ours, unit, other,
                ours > 0 && other > 0 ? ours / other : -1.0);
}

// One figure against its anchor, with the goal checked.
bool Check(const char* what, double ours, double anchor, double atMost, const char* unit)
{
    const bool measured = ours > 0 && anchor > 0;
    const bool met = measured && ours <= anchor * atMost;
    std::printf("  %-44s %9.4f %s vs %9.4f: ratio %5.2f (goal <= %.2f: %s)\n", what, ours, unit, anchor,
                measured ? ours / anchor : -1.0, atMost,
                !measured ? "NOT MEASURED"
                : met     ? "met"
                          : "MISSED");
    return met;
}

} // namespace

int main(int argc, char** argv)
{
    // Each figure shows as soon as it is known, also into a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    constexpr int kClipSeconds = 12;
    constexpr int kRounds = 5;
    constexpr int kClipMegabits = 8;
    Wexl_SetStderrLevel(WEXL_LEVEL_ERROR + 1);
    const std::string clip = MakeClip(kClipSeconds, kClipMegabits);
    if (clip.empty()) {
        std::fprintf(stderr, "cannot make the clip with ffmpeg\n");
        return 1;
    }
    PeerProcess server;
    if (!server.Start({GSTREAMER_SERVER, "--clip", clip})) {
        std::fprintf(stderr, "cannot start the RTSP server\n");
        return 1;
    }
    WireProxy proxy(static_cast<uint16_t>(server.Port()));
    const PORT_POOL_T pool = TestPortPool();
    if (Pellmar_InitLib(&pool) != 0)
        return 1;
    bool goals = true;
    bool work = true;

    std::printf("== first media frame on the wire: proxy accept to first '$' frame (live mount, median of 5)\n");
    std::vector<double> ours, ffmpeg, gst;
    for (int i = 0; i < 5; ++i) {
        ours.push_back(LibraryFirstFrameMs(proxy, "/live"));
        ffmpeg.push_back(ProgramFirstFrameMs(proxy, {"ffmpeg", "-rtsp_transport", "tcp", "-i", proxy.Url("/live"), "-c",
                                                     "copy", "-frames:v", "1", "-f", "null", "-"}));
        gst.push_back(ProgramFirstFrameMs(proxy, {"gst-launch-1.0", "-q", "rtspsrc", "location=" + proxy.Url("/live"),
                                                  "protocols=tcp", "!", "fakesink", "num-buffers=1"}));
    }
    std::printf("  Pellmar %.1f ms, ffmpeg %.1f ms, gst-launch %.1f ms\n", Median(ours), Median(ffmpeg), Median(gst));
    goals &= Check("Pellmar first frame / ffmpeg's", Median(ours), Median(ffmpeg), 1.0, "ms");
    Compare("Pellmar first frame / gst-launch's", Median(ours), Median(gst), "ms");

    std::printf("== CPU per megabyte, one session, %d s clip at %d Mbit/s (start-up runs subtracted, median of %d "
                "rounds)\n",
                kClipSeconds, kClipMegabits, kRounds);
    const auto limit = std::chrono::seconds(kClipSeconds + 20);
    for (const int transCode : {PELLMAR_TRANS_RTSP, PELLMAR_TRANS_UDP}) {
        const bool udp = transCode == PELLMAR_TRANS_UDP;
        const std::string transport = udp ? "udp" : "tcp";
        const std::string url = proxy.Url("/clip");
        Rounds library, ff, gstRounds;
        for (int round = 0; round < kRounds; ++round) {
            const Usage ours = LibraryPlays(server.Url("/clip"), transCode);
            const double udpBytes = udp ? ours.bytes : 0;
            library.Add(ours);
            ff.Add(ProgramPlays(
                proxy, {"ffmpeg", "-rtsp_transport", transport, "-i", url, "-c", "copy", "-f", "null", "-"},
                {"ffmpeg", "-rtsp_transport", transport, "-i", url, "-c", "copy", "-frames:v", "1", "-f", "null", "-"},
                limit, udpBytes));
            gstRounds.Add(ProgramPlays(
                proxy,
                {"gst-launch-1.0", "-q", "rtspsrc", "location=" + url, "protocols=" + transport, "!", "fakesink"},
                {"gst-launch-1.0", "-q", "rtspsrc", "location=" + url, "protocols=" + transport, "!", "fakesink",
                 "num-buffers=1"},
                limit, udpBytes));
        }
        std::printf("  %s: Pellmar %.1f MB %.4f CPU s/MB, ffmpeg %.1f MB %.4f, gst-launch %.1f MB %.4f\n",
                    udp ? "UDP" : "TCP interleaved", library.fewestBytes / 1e6, library.MedianPerMegabyte(),
                    ff.fewestBytes / 1e6, ff.MedianPerMegabyte(), gstRounds.fewestBytes / 1e6,
                    gstRounds.MedianPerMegabyte());
        work &= library.fewestBytes > 1e6 * kClipSeconds * kClipMegabits / 8 * 0.8;
        goals &= Check(udp ? "Pellmar CPU/MB over UDP / ffmpeg's" : "Pellmar CPU/MB over TCP / ffmpeg's",
                       library.MedianPerMegabyte(), ff.MedianPerMegabyte(), 0.5, "s/MB");
        Compare("Pellmar CPU/MB / gst-launch's", library.MedianPerMegabyte(), gstRounds.MedianPerMegabyte(), "s/MB");
        if (!udp) {
            std::printf("== sessions in one process on the same %d Mbit/s mount (%d s each)\n", kClipMegabits, seconds);
            const ManyResult sixteen = ManySessions(server.Url("/clip"), 16, seconds, transCode);
            goals &= Check("16 TCP sessions CPU/MB / ffmpeg's (one session)", sixteen.usage.PerMegabyte(),
                           ff.MedianPerMegabyte(), 0.5, "s/MB");
            const ManyResult many = ManySessions(server.Url("/clip"), 64, seconds, transCode);
            const bool complete = many.started == 64 && many.lost == 0;
            std::printf("  64 sessions: %d started, %ld lost (goal all, 0: %s)\n", many.started, many.lost,
                        complete ? "met" : "MISSED");
            goals &= complete;
            work &= sixteen.usage.bytes > 0 && many.usage.bytes > 0;
        } else {
            const ManyResult sixteen = ManySessions(server.Url("/clip"), 16, seconds, transCode);
            goals &= Check("16 UDP sessions CPU/MB / ffmpeg's (one session)", sixteen.usage.PerMegabyte(),
                           ff.MedianPerMegabyte(), 0.5, "s/MB");
            work &= sixteen.usage.bytes > 0;
        }
    }

    Pellmar_FiniLib();
    server.Stop();
    unlink(clip.c_str());
    if (!work) {
        std::printf("FAIL: a run received nothing or too little of the clip\n");
        return 1;
    }
    std::printf("%s\n", goals ? "all goals met" : "GOALS MISSED (see above)");
    return goals ? 0 : 3;
}
