// Receive throughput of the library's RTP paths next to a plain receive loop
// on the same loopback stream, over RTP interleaved in an RTSP connection and
// over UDP. A sender of ours writes packets with consecutive sequence numbers
// and a payload of the sequence number's low byte; every receiver, the plain
// loops included, checks both for every packet, so all do the same work.
//
// The UDP loop takes the datagrams in batches (recvmmsg), as a receiver
// written for rate would.
//
// Each path runs several times, alternating with its limit; the figures are
// the minimum and median packet rates, the median receive CPU per packet and
// the ratios of the medians.
//
//   bench_rtp [packets per run] [payload bytes] [runs]
//
// Exit status: 0; 1 when a run was cut short or delivered a wrong packet (the
// figures would mean nothing); 3 when a path stayed below 0.8 of its limit's
// rate or spent more than 1.2 times its limit's CPU per packet.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "rtp/CRtpTransSessionMgr.h"
#include "rtp/CRtpUdpTransSession.h"
#include "rtp/CRtspClientMedia.h"
#include "rtp/CreateTcpConnect.h"
#include "rtp/CRtspTransSession.h"
#include "zmr.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFramesPerWrite = 256;
constexpr double kGoal = 0.8;
constexpr double kCpuGoal = 1.2;
// Datagrams the plain UDP loop takes in one call.
constexpr unsigned int kBatch = 64;
// Datagrams the UDP sender may be ahead of the receiver: well inside the
// socket buffer, so a run measures the receive path rather than loss.
constexpr long kUdpWindow = 64;
constexpr auto kStallLimit = std::chrono::seconds(5);

double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Checks every packet: consecutive sequence numbers from 0, and a payload of
// the right length whose every byte is the sequence number's low byte.
class PacketCheck
{
public:
    explicit PacketCheck(size_t payload) : m_payload(payload), m_patterns(256 * payload)
    {
        for (size_t value = 0; value < 256; ++value)
            std::memset(m_patterns.data() + value * payload, int(value), payload);
    }
    void Reset()
    {
        m_expected = 0;
        m_count.store(0);
        m_errors = 0;
    }
    void Take(const uint8_t* packet, size_t size)
    {
        const uint16_t sequence = uint16_t(packet[2] << 8 | packet[3]);
        if (size != 12 + m_payload || sequence != m_expected ||
            std::memcmp(packet + 12, m_patterns.data() + (sequence & 0xFF) * m_payload, m_payload) != 0)
            ++m_errors;
        m_expected = uint16_t(sequence + 1);
        m_count.fetch_add(1, std::memory_order_release);
    }
    long Count() const { return m_count.load(std::memory_order_acquire); }
    long Errors() const { return m_errors; }

private:
    size_t m_payload;
    std::vector<uint8_t> m_patterns;
    uint16_t m_expected = 0;
    std::atomic<long> m_count{0};
    long m_errors = 0;
};

void FillPacket(uint8_t* packet, uint16_t sequence, size_t payload)
{
    packet[0] = 0x80;
    packet[1] = 96;
    packet[2] = uint8_t(sequence >> 8);
    packet[3] = uint8_t(sequence);
    std::memset(packet + 4, 0, 4);
    packet[8] = 0x12; // SSRC
    std::memset(packet + 9, 0, 3);
    std::memset(packet + 12, sequence & 0xFF, payload);
}

int ListenTcp(uint16_t& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(fd, 4);
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    port = ntohs(address.sin_port);
    return fd;
}

// A UDP socket on loopback: at `port`, or a free one (written back).
int BindUdp(uint16_t& port)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    port = ntohs(address.sin_port);
    return fd;
}

// A free even port whose odd neighbour is free too (RTP and RTCP).
uint16_t FreeUdpPair()
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        uint16_t probe = 0;
        const int fd = BindUdp(probe);
        ::close(fd);
        uint16_t even = uint16_t(probe & ~1u), odd = uint16_t(even + 1);
        const int first = BindUdp(even);
        const int second = first >= 0 ? BindUdp(odd) : -1;
        if (first >= 0)
            ::close(first);
        if (second >= 0) {
            ::close(second);
            return even;
        }
    }
    return 0;
}

// Writes `packets` interleaved frames on channel 0 in writes of
// kFramesPerWrite frames.
void SendFrames(int fd, long packets, size_t payload, double& cpu)
{
    const double cpuStart = ThreadCpuSeconds();
    const size_t frameSize = 4 + 12 + payload;
    std::vector<uint8_t> chunk(frameSize * kFramesPerWrite, 0);
    uint16_t sequence = 0;
    for (long sent = 0; sent < packets;) {
        const int n = int(std::min<long>(kFramesPerWrite, packets - sent));
        for (int i = 0; i < n; ++i) {
            uint8_t* f = chunk.data() + i * frameSize;
            f[0] = '$';
            f[1] = 0;
            f[2] = uint8_t((frameSize - 4) >> 8);
            f[3] = uint8_t(frameSize - 4);
            FillPacket(f + 4, sequence++, payload);
        }
        const uint8_t* p = chunk.data();
        size_t left = frameSize * size_t(n);
        while (left > 0) {
            const ssize_t w = ::send(fd, p, left, MSG_NOSIGNAL);
            if (w <= 0) {
                cpu = ThreadCpuSeconds() - cpuStart;
                return;
            }
            p += w;
            left -= size_t(w);
        }
        sent += n;
    }
    cpu = ThreadCpuSeconds() - cpuStart;
}

// Sends `packets` datagrams to `port`, never more than kUdpWindow ahead of
// what the receiver counted.
void SendDatagrams(int fd, uint16_t port, long packets, size_t payload, const PacketCheck& check, double& cpu)
{
    const double cpuStart = ThreadCpuSeconds();
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(port);
    std::vector<uint8_t> packet(12 + payload);
    auto lastProgress = Clock::now();
    long seen = 0;
    for (long sent = 0; sent < packets; ++sent) {
        while (sent - check.Count() >= kUdpWindow) {
            if (check.Count() != seen) {
                seen = check.Count();
                lastProgress = Clock::now();
            } else if (Clock::now() - lastProgress > kStallLimit) {
                cpu = ThreadCpuSeconds() - cpuStart;
                return; // the receiver stopped: the run is cut short
            }
            std::this_thread::yield();
        }
        FillPacket(packet.data(), uint16_t(sent), payload);
        ::sendto(fd, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
    cpu = ThreadCpuSeconds() - cpuStart;
}

struct Run
{
    long packets = 0;
    long errors = 0;
    double seconds = 0;
    double receiveCpu = 0; // seconds of CPU spent receiving
    double Rate() const { return packets / seconds; }
};

// Waits until `check` counted `packets`, or until nothing arrived for
// kStallLimit; the main thread's own waiting CPU is returned.
double WaitForAll(const PacketCheck& check, long packets)
{
    const double cpuStart = ThreadCpuSeconds();
    long seen = -1;
    auto lastProgress = Clock::now();
    while (check.Count() < packets) {
        if (check.Count() != seen) {
            seen = check.Count();
            lastProgress = Clock::now();
        } else if (Clock::now() - lastProgress > kStallLimit) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return ThreadCpuSeconds() - cpuStart;
}

PacketCheck* g_check = nullptr;

int CountMediaPacket(int, int type, STREAM_DATA_T* data, void*)
{
    if (type == PELLMAR_DATA_RTP)
        g_check->Take(data->pData, data->uiDataLen);
    return 0;
}

int CountDelivery(STREAM_DATA_T* data, void*)
{
    g_check->Take(data->pData, data->uiDataLen);
    return 0;
}

Run PlainTcp(long packets, size_t payload, PacketCheck& check)
{
    uint16_t port = 0;
    const int listener = ListenTcp(port);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    const int size = 524288;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    const int server = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    check.Reset();
    std::vector<uint8_t> buffer(262144);
    size_t fill = 0;
    double senderCpu = 0;
    const double cpuStart = ThreadCpuSeconds();
    const auto start = Clock::now();
    std::thread sender([&] { SendFrames(server, packets, payload, senderCpu); });
    while (check.Count() < packets) {
        const ssize_t n = ::recv(fd, buffer.data() + fill, buffer.size() - fill, 0);
        if (n <= 0)
            break;
        fill += size_t(n);
        size_t offset = 0;
        while (fill - offset >= 4) {
            const size_t length = (size_t(buffer[offset + 2]) << 8) | buffer[offset + 3];
            if (fill - offset < 4 + length)
                break;
            check.Take(buffer.data() + offset + 4, length);
            offset += 4 + length;
        }
        std::memmove(buffer.data(), buffer.data() + offset, fill - offset);
        fill -= offset;
    }
    Run run{check.Count(), check.Errors(), std::chrono::duration<double>(Clock::now() - start).count(),
            ThreadCpuSeconds() - cpuStart};
    sender.join();
    ::close(server);
    ::close(fd);
    ::close(listener);
    return run;
}

Run LibraryTcp(long packets, size_t payload, PacketCheck& check)
{
    uint16_t port = 0;
    const int listener = ListenTcp(port);
    const ZMR_SOCKET socket = CreateTcpConnect(nullptr, "127.0.0.1", 0, port, 4000);
    const int server = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    CRtspTransSession connection;
    CRtspClientMedia track;
    if (connection.Open(socket) != 0 || track.Init(CRtspClientMedia::kRtpOverRtsp, 1, 0) != 0 ||
        track.Open(&connection, 0, "127.0.0.1", 0, 0, nullptr) != 0 || track.RecvData(CountMediaPacket, nullptr) != 0 ||
        connection.StartRecv() != 0) {
        std::fprintf(stderr, "bench_rtp: could not open the interleaved path\n");
        std::exit(1);
    }
    check.Reset();
    double senderCpu = 0;
    const double processStart = ProcessCpuSeconds();
    const auto start = Clock::now();
    std::thread sender([&] { SendFrames(server, packets, payload, senderCpu); });
    const double waiting = WaitForAll(check, packets);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    sender.join();
    const double cpu = ProcessCpuSeconds() - processStart - senderCpu - waiting;
    track.Close();
    connection.Close();
    ::close(server);
    ::close(listener);
    return {check.Count(), check.Errors(), seconds, cpu};
}

Run PlainUdp(long packets, size_t payload, PacketCheck& check)
{
    uint16_t port = 0, from = 0;
    const int fd = BindUdp(port);
    const int sender = BindUdp(from);
    const int size = 524288;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    timeval timeout{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    check.Reset();
    std::vector<uint8_t> buffers(size_t(kBatch) * 65536);
    std::vector<iovec> parts(kBatch);
    std::vector<mmsghdr> messages(kBatch);
    std::vector<sockaddr_in> sources(kBatch);
    double senderCpu = 0;
    const double cpuStart = ThreadCpuSeconds();
    const auto start = Clock::now();
    std::thread sending([&] { SendDatagrams(sender, port, packets, payload, check, senderCpu); });
    while (check.Count() < packets) {
        for (unsigned int i = 0; i < kBatch; ++i) {
            parts[i] = {buffers.data() + size_t(i) * 65536, 65536};
            messages[i] = {};
            messages[i].msg_hdr.msg_iov = &parts[i];
            messages[i].msg_hdr.msg_iovlen = 1;
            messages[i].msg_hdr.msg_name = &sources[i];
            messages[i].msg_hdr.msg_namelen = sizeof sources[i];
        }
        // Blocks for the first datagram, then takes what is queued behind it.
        const int n = ::recvmmsg(fd, messages.data(), kBatch, MSG_WAITFORONE, nullptr);
        if (n <= 0)
            break;
        for (int i = 0; i < n; ++i)
            check.Take(static_cast<const uint8_t*>(parts[size_t(i)].iov_base), messages[size_t(i)].msg_len);
    }
    Run run{check.Count(), check.Errors(), std::chrono::duration<double>(Clock::now() - start).count(),
            ThreadCpuSeconds() - cpuStart};
    sending.join();
    ::close(sender);
    ::close(fd);
    return run;
}

Run LibraryUdp(long packets, size_t payload, PacketCheck& check)
{
    uint16_t serverPort = FreeUdpPair(), from = serverPort;
    const uint16_t clientPort = FreeUdpPair();
    const int sender = BindUdp(from);
    CRtpUdpTransSession session;
    if (sender < 0 || clientPort == 0 || session.OpenUdp(nullptr, clientPort, "127.0.0.1", serverPort) != 0 ||
        session.RecvData(CountDelivery, nullptr, 1) != 0) {
        std::fprintf(stderr, "bench_rtp: could not open the UDP path\n");
        std::exit(1);
    }
    check.Reset();
    double senderCpu = 0;
    const double processStart = ProcessCpuSeconds();
    const auto start = Clock::now();
    std::thread sending([&] { SendDatagrams(sender, clientPort, packets, payload, check, senderCpu); });
    const double waiting = WaitForAll(check, packets);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    sending.join();
    const double cpu = ProcessCpuSeconds() - processStart - senderCpu - waiting;
    session.Close();
    ::close(sender);
    return {check.Count(), check.Errors(), seconds, cpu};
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Figures
{
    double minRate;
    double medianRate;
    double medianCpuNs; // receive CPU per packet
};

Figures Summarise(const std::vector<Run>& runs)
{
    std::vector<double> rates, cpu;
    for (const Run& run : runs) {
        rates.push_back(run.Rate());
        cpu.push_back(run.receiveCpu * 1e9 / double(run.packets));
    }
    return {*std::min_element(rates.begin(), rates.end()), Median(rates), Median(cpu)};
}

void PrintFigures(const char* name, const Figures& figures)
{
    std::printf("  %-26s min %10.0f  median %10.0f packets/s   receive CPU %7.0f ns/packet\n", name, figures.minRate,
                figures.medianRate, figures.medianCpuNs);
}

using Path = std::function<Run(long, size_t, PacketCheck&)>;

// Runs the path and its limit alternately; false when a run was incomplete
// or wrong. `met` tells whether the library kept its rate and CPU goals.
bool Compare(const char* title, const Path& limit, const Path& library, long packets, size_t payload, int runs,
             PacketCheck& check, bool& met)
{
    std::vector<Run> limitRuns, libraryRuns;
    bool complete = true;
    for (int i = 0; i < runs; ++i) {
        for (auto [path, into, name] :
             {std::make_tuple(&limit, &limitRuns, "limit"), std::make_tuple(&library, &libraryRuns, "library")}) {
            const Run run = (*path)(packets, payload, check);
            if (run.packets != packets || run.errors != 0) {
                std::printf("  %s run %d of %s: %ld of %ld packets, %ld wrong: CUT SHORT\n", title, i + 1, name,
                            run.packets, packets, run.errors);
                complete = false;
            }
            into->push_back(run);
        }
    }
    const Figures limitFigures = Summarise(limitRuns);
    const Figures libraryFigures = Summarise(libraryRuns);
    std::printf("%s, %d runs of %ld packets of %zu bytes\n", title, runs, packets, payload);
    PrintFigures("plain loop (anchor)", limitFigures);
    PrintFigures("library path", libraryFigures);
    const double ratio = libraryFigures.medianRate / limitFigures.medianRate;
    const double cpuRatio = libraryFigures.medianCpuNs / limitFigures.medianCpuNs;
    std::printf("  library / anchor rate: median %.2f, worst run %.2f (goal >= %.1f: %s)\n", ratio,
                libraryFigures.minRate / limitFigures.medianRate, kGoal, ratio >= kGoal ? "met" : "MISSED");
    std::printf("  library / anchor receive CPU per packet: %.2f (goal <= %.1f: %s)\n", cpuRatio, kCpuGoal,
                cpuRatio <= kCpuGoal ? "met" : "MISSED");
    met = ratio >= kGoal && cpuRatio <= kCpuGoal;
    return complete;
}

} // namespace

int main(int argc, char** argv)
{
    // Each figure shows as soon as it is known, also into a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const long packets = argc > 1 ? std::atol(argv[1]) : 200000;
    const size_t payload = argc > 2 ? size_t(std::atol(argv[2])) : 1400;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 5;
    if (packets <= 0 || payload < 1 || payload > 8000 || runs < 1) {
        std::fprintf(stderr, "usage: bench_rtp [packets per run] [payload bytes, 1..8000] [runs]\n");
        return 1;
    }
    if (ZMR_InitEx() != 0 || CRtpTransSessionMgr::Instance().Init() != 0) {
        std::fprintf(stderr, "bench_rtp: runtime start failed\n");
        return 1;
    }
    PacketCheck check(payload);
    g_check = &check;
    bool tcpMet = false, udpMet = false;
    const bool tcpComplete =
        Compare("RTP interleaved in RTSP (TCP)", PlainTcp, LibraryTcp, packets, payload, runs, check, tcpMet);
    const bool udpComplete = Compare("RTP over UDP", PlainUdp, LibraryUdp, packets, payload, runs, check, udpMet);
    CRtpTransSessionMgr::Instance().Fini();
    ZMR_FiniEx();
    if (!tcpComplete || !udpComplete) {
        std::printf("FAIL: a run was cut short or delivered wrong packets\n");
        return 1;
    }
    if (!tcpMet || !udpMet)
        std::printf("GOAL MISSED\n");
    return tcpMet && udpMet ? 0 : 3;
}
