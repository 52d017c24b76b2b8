#include "FrameIo.h"

#include <algorithm>
#include <chrono>

namespace tessoran::wire {
namespace {

constexpr size_t kReadChunk = 64 * 1024;

ReadStatus fromIo(IoStatus status)
{
    switch (status) {
    case IoStatus::Ok: return ReadStatus::Ok;
    case IoStatus::Timeout: return ReadStatus::Timeout;
    case IoStatus::Woken: return ReadStatus::Woken;
    default: return ReadStatus::Closed;
    }
}

} // namespace

ReadStatus readFrame(Socket& socket, int firstByteMs, int frameMs, const std::vector<int>& wakeFds, Frame& out,
                     std::string& why)
{
    IoStatus ready = socket.waitReadable(firstByteMs, wakeFds);
    if (ready != IoStatus::Ok)
        return fromIo(ready);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(frameMs);
    auto remainingMs = [&] {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        return static_cast<int>(std::max<int64_t>(0, left.count()));
    };
    uint8_t header[kHeaderSize];
    IoStatus got = socket.readExact(header, sizeof header, remainingMs(), wakeFds);
    if (got != IoStatus::Ok) {
        why = "frame cut inside its header";
        return fromIo(got);
    }
    HeaderStatus status = decodeHeader(header, sizeof header, out.header);
    if (status != HeaderStatus::Ok) {
        why = headerStatusText(status);
        return ReadStatus::Malformed;
    }
    out.body.clear();
    while (out.body.size() < out.header.length) {
        size_t have = out.body.size();
        size_t chunk = std::min<size_t>(kReadChunk, out.header.length - have);
        out.body.resize(have + chunk);
        got = socket.readExact(out.body.data() + have, chunk, remainingMs(), wakeFds);
        if (got != IoStatus::Ok) {
            why =
                "frame cut after " + std::to_string(have) + " of " + std::to_string(out.header.length) + " body bytes";
            return fromIo(got);
        }
    }
    return ReadStatus::Ok;
}

IoStatus writeFrame(Socket& socket, Kind kind, uint32_t sequence, const std::vector<uint8_t>& body, int timeoutMs,
                    const std::vector<int>& wakeFds)
{
    std::vector<uint8_t> frame = encodeFrame(kind, sequence, body);
    return socket.writeAll(frame.data(), frame.size(), timeoutMs, wakeFds);
}

} // namespace tessoran::wire
