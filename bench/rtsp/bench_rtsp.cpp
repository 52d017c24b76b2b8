// Pellmar next to ffmpeg and gst-launch on GStreamer's RTSP server, all over
// RTP interleaved in the RTSP connection:
//   - time from start to the first media packet (ffmpeg and gst-launch are
//     timed as processes that stop after their first frame or buffer, so
//     their figure includes starting the program);
//   - CPU seconds per megabyte received from a 20 Mbit/s clip;
//   - 16 and 64 sessions of the live mount in one process: threads, memory
//     and packets lost (RTP sequence gaps).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <spawn.h>
#include <string>
#include <thread>
#include <vector>

#include "PeerProcess.h"
#include "ProcessCounts.h"
#include "TestPortPool.h"
#include "Pellmar.h"
#include "wexl.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Counter {
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

STREAM_PARAM_T Param(const std::string& url, Counter& counter)
{
    STREAM_PARAM_T param{};
    param.pszUrl = url.c_str();
    param.bRtpPack = 1;
    param.iTransCode = PELLMAR_TRANS_RTSP;
    param.pfnDataCB = &Counter::OnData;
    param.pUser = &counter;
    param.stPlayBack.dScale = 1.0;
    return param;
}

double FirstPacketMs(const std::string& url)
{
    Counter counter;
    const int session = Pellmar_CreateSession();
    STREAM_PARAM_T param = Param(url, counter);
    const auto started = Clock::now();
    double ms = -1;
    if (Pellmar_StartStream(session, &param) == 0) {
        while (counter.firstAt == 0 && Clock::now() - started < std::chrono::seconds(10))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        if (counter.firstAt != 0)
            ms = std::chrono::duration<double, std::milli>(Clock::time_point(Clock::duration(counter.firstAt)) - started)
                     .count();
    }
    Pellmar_DestroySession(session);
    return ms;
}

// Bytes and CPU seconds of the library playing the whole clip.
std::pair<long, double> PlayClip(const std::string& url)
{
    Counter counter;
    const int session = Pellmar_CreateSession();
    STREAM_PARAM_T param = Param(url, counter);
    const double cpuBefore = CpuSeconds(RUSAGE_SELF);
    if (Pellmar_StartStream(session, &param) != 0) {
        Pellmar_DestroySession(session);
        return {0, 0};
    }
    long last = -1;
    // The clip ends with BYE; stop once no packet came for a second.
    while (counter.packets != last) {
        last = counter.packets;
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    Pellmar_DestroySession(session);
    return {counter.bytes.load(), CpuSeconds(RUSAGE_SELF) - cpuBefore};
}

void ManySessions(const std::string& url, int count, int seconds)
{
    const long threadsBefore = static_cast<long>(ProcessThreads());
    const double memoryBefore = ResidentMiB();
    std::vector<std::unique_ptr<Counter>> counters;
    std::vector<int> sessions;
    int started = 0;
    for (int i = 0; i < count; ++i) {
        counters.push_back(std::make_unique<Counter>());
        sessions.push_back(Pellmar_CreateSession());
        STREAM_PARAM_T param = Param(url, *counters.back());
        started += Pellmar_StartStream(sessions.back(), &param) == 0;
    }
    const double cpuBefore = CpuSeconds(RUSAGE_SELF);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = CpuSeconds(RUSAGE_SELF) - cpuBefore;
    long packets = 0, lost = 0, bytes = 0;
    for (const auto& counter : counters) {
        packets += counter->packets;
        lost += counter->lost;
        bytes += counter->bytes;
    }
    std::printf("%2d sessions: %d started, %+ld threads, %+.1f MiB resident, %ld packets, %ld lost, "
                "%.3f CPU s/MB\n",
                count, started, static_cast<long>(ProcessThreads()) - threadsBefore, ResidentMiB() - memoryBefore, packets, lost,
                bytes ? cpu / (bytes / 1e6) : 0.0);
    for (int session : sessions)
        Pellmar_DestroySession(session);
}

std::string MakeClip()
{
    const std::string file = "/tmp/corvane-bench-clip-" + std::to_string(getpid()) + ".ts";
    const std::string command = "ffmpeg -v error -y -f lavfi -i testsrc2=size=1280x720:rate=25 -t 10 "
                                "-c:v libx264 -preset ultrafast -b:v 20M -maxrate 20M -bufsize 4M -g 25 "
                                "-pix_fmt yuv420p -f mpegts " + file;
    return std::system(command.c_str()) == 0 ? file : std::string();
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    Wexl_SetStderrLevel(WEXL_LEVEL_ERROR + 1);
    const std::string clip = MakeClip();
    if (clip.empty()) {
        std::fprintf(stderr, "cannot make the clip with ffmpeg\n");
        return 1;
    }
    PeerProcess server;
    if (!server.Start({GSTREAMER_SERVER, "--clip", clip})) {
        std::fprintf(stderr, "cannot start the RTSP server\n");
        return 1;
    }
    const std::string base = server.Url("");
    const PORT_POOL_T pool = TestPortPool();
    if (Pellmar_InitLib(&pool) != 0)
        return 1;

    std::printf("== time to first media packet (live mount, median of 5)\n");
    std::vector<double> ours, ffmpeg, gst;
    for (int i = 0; i < 5; ++i) {
        ours.push_back(FirstPacketMs(base + "/live"));
        ffmpeg.push_back(1000 * RunProgram({"ffmpeg", "-rtsp_transport", "tcp", "-i", base + "/live", "-c", "copy",
                                            "-frames:v", "1", "-f", "null", "-"},
                                           std::chrono::seconds(20)).first);
        gst.push_back(1000 * RunProgram({"gst-launch-1.0", "-q", "rtspsrc", "location=" + base + "/live",
                                         "protocols=tcp", "!", "fakesink", "num-buffers=1"},
                                        std::chrono::seconds(20)).first);
    }
    for (auto* values : {&ours, &ffmpeg, &gst})
        std::sort(values->begin(), values->end());
    std::printf("Pellmar     %8.1f ms (in process)\nffmpeg      %8.1f ms (process, first frame)\n"
                "gst-launch  %8.1f ms (process, first buffer)\n",
                ours[2], ffmpeg[2], gst[2]);

    std::printf("== CPU per megabyte (10 s clip at 20 Mbit/s)\n");
    const auto [bytes, cpu] = PlayClip(base + "/clip");
    const double megabytes = bytes / 1e6;
    const auto ffmpegRun = RunProgram({"ffmpeg", "-rtsp_transport", "tcp", "-i", base + "/clip", "-c", "copy", "-f",
                                       "null", "-"},
                                      std::chrono::seconds(60));
    const auto gstRun = RunProgram({"gst-launch-1.0", "-q", "rtspsrc", "location=" + base + "/clip", "protocols=tcp",
                                    "!", "fakesink"},
                                   std::chrono::seconds(20));
    std::printf("Pellmar     %.4f CPU s/MB (%.1f MB)\nffmpeg      %.4f CPU s/MB\ngst-launch  %.4f CPU s/MB "
                "(stopped after 20 s if the clip's end does not stop it)\n",
                cpu / megabytes, megabytes, ffmpegRun.second / megabytes, gstRun.second / megabytes);

    std::printf("== sessions in one process (live mount, %d s)\n", seconds);
    ManySessions(base + "/live", 16, seconds);
    ManySessions(base + "/live", 64, seconds);
    std::printf("goals: first packet no later than ffmpeg; CPU/MB at most half of ffmpeg's; 64 sessions, 0 lost\n");

    Pellmar_FiniLib();
    server.Stop();
    unlink(clip.c_str());
    return 0;
}
