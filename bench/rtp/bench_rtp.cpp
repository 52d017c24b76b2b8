// Receive throughput of RTP interleaved in an RTSP connection: a sender of
// ours writes '$' frames on loopback as fast as it can; the library's path
// (connection framer, transport session, RTP layer, track) delivers them to a
// data callback that does nothing but count. The limit is a plain blocking
// recv loop that only finds the frames in the same stream.
//
//   bench_rtp [packets] [payload bytes]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "rtp/CRtpTransSessionMgr.h"
#include "rtp/CRtspClientMedia.h"
#include "rtp/CreateTcpConnect.h"
#include "rtsp/CRtspTransSession.h"
#include "zmr.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFramesPerWrite = 256;

int Listen(uint16_t& port)
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

// Writes `packets` interleaved RTP frames on channel 0, consecutive sequence
// numbers, in writes of kFramesPerWrite frames.
void SendFrames(int fd, long packets, size_t payload)
{
    const size_t frameSize = 4 + 12 + payload;
    std::vector<uint8_t> chunk(frameSize * kFramesPerWrite, 0);
    for (int i = 0; i < kFramesPerWrite; ++i) {
        uint8_t* f = chunk.data() + i * frameSize;
        f[0] = '$';
        f[1] = 0;
        f[2] = uint8_t((frameSize - 4) >> 8);
        f[3] = uint8_t(frameSize - 4);
        f[4] = 0x80;
        f[5] = 96;
        f[12] = 0x12;  // SSRC
    }
    uint16_t sequence = 0;
    for (long sent = 0; sent < packets;) {
        const int n = int(std::min<long>(kFramesPerWrite, packets - sent));
        for (int i = 0; i < n; ++i) {
            uint8_t* f = chunk.data() + i * frameSize;
            f[6] = uint8_t(sequence >> 8);
            f[7] = uint8_t(sequence);
            ++sequence;
        }
        const uint8_t* p = chunk.data();
        size_t left = frameSize * size_t(n);
        while (left > 0) {
            const ssize_t w = ::send(fd, p, left, MSG_NOSIGNAL);
            if (w <= 0)
                return;
            p += w;
            left -= size_t(w);
        }
        sent += n;
    }
}

struct Result {
    long packets;
    double seconds;
};

Result PlainRecvLoop(long packets, size_t payload)
{
    uint16_t port = 0;
    const int listener = Listen(port);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    const int size = 524288;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    const int server = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);

    std::vector<uint8_t> buffer(262144);
    size_t fill = 0;
    long counted = 0;
    // As for the library path: the clock starts before the first byte is sent.
    const auto start = Clock::now();
    std::thread sender([&] { SendFrames(server, packets, payload); });
    while (counted < packets) {
        const ssize_t n = ::recv(fd, buffer.data() + fill, buffer.size() - fill, 0);
        if (n <= 0)
            break;
        fill += size_t(n);
        size_t offset = 0;
        while (fill - offset >= 4) {
            const size_t length = (size_t(buffer[offset + 2]) << 8) | buffer[offset + 3];
            if (fill - offset < 4 + length)
                break;
            ++counted;
            offset += 4 + length;
        }
        std::memmove(buffer.data(), buffer.data() + offset, fill - offset);
        fill -= offset;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    sender.join();
    ::close(server);
    ::close(fd);
    ::close(listener);
    return {counted, seconds};
}

std::atomic<long> g_delivered{0};

int CountPacket(int, int type, STREAM_DATA_T*, void*)
{
    if (type == PELLMAR_DATA_RTP)
        g_delivered.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

Result LibraryPath(long packets, size_t payload)
{
    uint16_t port = 0;
    const int listener = Listen(port);
    const ZMR_SOCKET socket = CreateTcpConnect(nullptr, "127.0.0.1", 0, port, 4000);
    const int server = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    CRtspTransSession connection;
    CRtspClientMedia track;
    if (connection.Open(socket) != 0 || track.Init(CRtspClientMedia::kRtpOverRtsp, 1, 0) != 0 ||
        track.Open(&connection, 0, "127.0.0.1", 0, 0, nullptr) != 0 || track.RecvData(CountPacket, nullptr) != 0 ||
        connection.StartRecv() != 0) {
        std::fprintf(stderr, "bench_rtp: could not open the interleaved path\n");
        std::exit(1);
    }
    g_delivered = 0;
    const auto start = Clock::now();
    std::thread sender([&] { SendFrames(server, packets, payload); });
    while (g_delivered.load(std::memory_order_relaxed) < packets &&
           Clock::now() - start < std::chrono::seconds(120))
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    sender.join();
    track.Close();
    connection.Close();
    ::close(server);
    ::close(listener);
    return {g_delivered.load(), seconds};
}

void Print(const char* name, const Result& result)
{
    std::printf("%-34s %10ld packets %10.0f packets/s %8.1f ns/packet\n", name, result.packets,
                result.packets / result.seconds, result.seconds * 1e9 / double(result.packets));
}

}  // namespace

int main(int argc, char** argv)
{
    const long packets = argc > 1 ? std::atol(argv[1]) : 400000;
    const size_t payload = argc > 2 ? size_t(std::atol(argv[2])) : 1400;
    if (ZMR_InitEx() != 0 || CRtpTransSessionMgr::Instance().Init() != 0) {
        std::fprintf(stderr, "bench_rtp: runtime start failed\n");
        return 1;
    }
    std::printf("RTP over RTSP interleaved, loopback, %zu-byte payloads\n", payload);
    const Result plain = PlainRecvLoop(packets, payload);
    const Result library = LibraryPath(packets, payload);
    Print("plain recv loop (limit)", plain);
    Print("library interleaved path", library);
    std::printf("library / limit packet rate: %.2f\n", (library.packets / library.seconds) / (plain.packets / plain.seconds));
    CRtpTransSessionMgr::Instance().Fini();
    ZMR_FiniEx();
    return 0;
}
