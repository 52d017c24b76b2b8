#pragma once
// Peers of the alarm listener that the simulator does not play: a raw device
// connection that can prove itself (or fail to), hostile connections, and the
// SDK's log lines collected for checks. Also the process's resident memory and
// thread count, read from /proc.

#include "AlarmHello.h"
#include "FrameIo.h"
#include "Socket.h"
#include "tessoran.h"

#include <dirent.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace testsupport {

// Every line the SDK logs while it lives, through TSR_SetLogCallBack.
class SdkLogLines
{
public:
    SdkLogLines() { TSR_SetLogCallBack(&SdkLogLines::collect, this); }
    ~SdkLogLines() { TSR_SetLogCallBack(nullptr, nullptr); }
    bool contains(const std::string& text) const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const std::string& line : lines_)
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }
    size_t count(const std::string& text) const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        size_t n = 0;
        for (const std::string& line : lines_)
            n += line.find(text) != std::string::npos;
        return n;
    }

private:
    static void collect(uint32_t, const char* text, void* user)
    {
        auto* self = static_cast<SdkLogLines*>(user);
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->lines_.emplace_back(text);
    }
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

inline size_t residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    size_t pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

// Memory given back since `before` counts as no growth, not as a huge one.
inline size_t residentGrowthSince(size_t before)
{
    const size_t now = residentBytes();
    return now > before ? now - before : 0;
}

inline int threadCount()
{
    int count = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(dir))
            count += entry->d_name[0] != '.';
        closedir(dir);
    }
    return count;
}

// The i-th of many hostile source addresses, all on loopback (127.200.x.y).
inline std::string hostileSource(size_t i)
{
    return "127.200." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
}

// One connection to the listener, speaking the device's side by hand.
class RawAlarmPeer
{
public:
    // `from`: the local address to leave from (a loopback one), empty for any.
    bool connect(uint16_t port, const std::string& host = "127.0.0.1", const std::string& from = {})
    {
        tessoran::wire::IoStatus status;
        socket = tessoran::wire::Socket::connectTo(host, port, 2000, {}, status, from);
        return socket.valid();
    }
    bool readChallenge()
    {
        tessoran::wire::Frame frame;
        if (!read(frame) || frame.header.kind != tessoran::wire::Kind::AlarmChallenge ||
            frame.body.size() != nonce.size())
            return false;
        std::copy(frame.body.begin(), frame.body.end(), nonce.begin());
        return true;
    }
    // Sends a hello for the device signed with `password`; the listener's answer
    // kind, Error when it refused.
    tessoran::wire::Kind prove(const std::string& address, uint16_t devicePort, const std::string& user,
                               const std::string& password, uint64_t runId = 7)
    {
        tessoran::wire::AlarmHello hello;
        hello.address = address;
        hello.port = devicePort;
        hello.user = user;
        hello.runId = runId;
        hello.sign(password, nonce);
        send(tessoran::wire::encodeFrame(tessoran::wire::Kind::AlarmHello, 1, hello.encode()));
        tessoran::wire::Frame answer;
        return read(answer) ? answer.header.kind : tessoran::wire::Kind::Error;
    }
    bool send(const std::vector<uint8_t>& bytes)
    {
        return socket.writeAll(bytes.data(), bytes.size(), 2000, {}) == tessoran::wire::IoStatus::Ok;
    }
    bool read(tessoran::wire::Frame& frame, int waitMs = 5000)
    {
        std::string why;
        return tessoran::wire::readFrame(socket, waitMs, waitMs, {}, frame, why) == tessoran::wire::ReadStatus::Ok;
    }
    // True once the listener has closed the connection (within waitMs).
    bool closedWithin(int waitMs)
    {
        for (;;) {
            if (socket.waitReadable(waitMs, {}) != tessoran::wire::IoStatus::Ok)
                return false;
            char sink[256];
            ssize_t n = ::recv(socket.fd(), sink, sizeof sink, 0);
            if (n <= 0)
                return true;
        }
    }

    tessoran::wire::Socket socket;
    tessoran::wire::Nonce nonce{};
};

} // namespace testsupport
