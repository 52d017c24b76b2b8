#include "ListenerAttacks.h"

#include "Frame.h"
#include "FrameIo.h"
#include "Socket.h"

#include <sys/socket.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>

namespace devsim {

using namespace std::chrono;
using tessoran::wire::Frame;
using tessoran::wire::IoStatus;
using tessoran::wire::Kind;
using tessoran::wire::ReadStatus;
using tessoran::wire::Socket;

namespace {

// How the listener answered: an Error frame's text, its close, or nothing yet.
std::string answerOf(Socket& socket, int waitMs, const std::vector<int>& wakeFds)
{
    Frame frame;
    std::string why;
    switch (tessoran::wire::readFrame(socket, waitMs, waitMs, wakeFds, frame, why)) {
    case ReadStatus::Ok: {
        tessoran::wire::WireError code;
        std::string text;
        if (frame.header.kind == Kind::Error && tessoran::wire::parseErrorBody(frame.body, code, text))
            return "refused: " + text;
        return "answered frame kind " + std::to_string(static_cast<int>(frame.header.kind));
    }
    case ReadStatus::Closed: return "closed by the listener";
    case ReadStatus::Timeout: return "no answer";
    default: return "stopped";
    }
}

} // namespace

void ListenerAttacks::run(std::string name, std::function<std::string()> attack)
{
    std::lock_guard<std::mutex> lock(mutex_);
    threads_.emplace_back(
        [this, name = std::move(name), attack = std::move(attack)] { report(name + ": " + attack()); });
}

void ListenerAttacks::report(const std::string& line)
{
    std::printf("attack %s\n", line.c_str());
    std::fflush(stdout);
    std::lock_guard<std::mutex> lock(resultsMutex_);
    results_.push_back(line);
}

std::vector<std::string> ListenerAttacks::results() const
{
    std::lock_guard<std::mutex> lock(resultsMutex_);
    return results_;
}

void ListenerAttacks::stop()
{
    stopWaker_.signal();
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        threads.swap(threads_);
    }
    for (auto& thread : threads)
        thread.join();
}

void ListenerAttacks::trickle(int intervalMs)
{
    run("trickle", [this, intervalMs]() -> std::string {
        IoStatus status;
        std::vector<int> wake{stopWaker_.fd()};
        Socket socket = Socket::connectTo(host_, port_, 1000, wake, status);
        if (!socket.valid())
            return "cannot connect";
        auto started = steady_clock::now();
        std::vector<uint8_t> frame = tessoran::wire::encodeFrame(Kind::AlarmHello, 1, std::vector<uint8_t>(100, 'x'));
        size_t sent = 0;
        for (; sent < frame.size(); ++sent) {
            if (socket.writeAll(&frame[sent], 1, 1000, wake) != IoStatus::Ok)
                break;
            // The listener's challenge is read past; its close ends the trickle.
            if (tessoran::wire::sleepUnlessWoken(intervalMs, wake) == IoStatus::Woken)
                return "stopped";
            char sink[64];
            if (socket.waitReadable(0, wake) == IoStatus::Ok && ::recv(socket.fd(), sink, sizeof sink, 0) == 0)
                break;
        }
        auto held = duration_cast<milliseconds>(steady_clock::now() - started).count();
        return "cut after " + std::to_string(sent) + " bytes and " + std::to_string(held) + " ms";
    });
}

void ListenerAttacks::unauthenticatedAlarm(std::vector<uint8_t> alarmBody)
{
    run("unauthenticated alarm", [this, body = std::move(alarmBody)]() -> std::string {
        IoStatus status;
        std::vector<int> wake{stopWaker_.fd()};
        Socket socket = Socket::connectTo(host_, port_, 1000, wake, status);
        if (!socket.valid())
            return "cannot connect";
        std::vector<uint8_t> frame = tessoran::wire::encodeFrame(Kind::Alarm, 1, body);
        socket.writeAll(frame.data(), frame.size(), 1000, wake);
        // The challenge first, then the listener's answer to the alarm.
        std::string first = answerOf(socket, 5000, wake);
        return first.rfind("answered", 0) == 0 ? answerOf(socket, 5000, wake) : first;
    });
}

void ListenerAttacks::hold(int count)
{
    run("hold " + std::to_string(count), [this, count]() -> std::string {
        std::vector<int> wake{stopWaker_.fd()};
        std::vector<Socket> sockets;
        std::vector<uint8_t> header = tessoran::wire::encodeFrame(Kind::Alarm, 1, {});
        uint32_t huge = tessoran::wire::kMaxBody;
        std::memcpy(header.data() + 12, &huge, 4);
        for (int i = 0; i < count; ++i) {
            IoStatus status;
            Socket socket = Socket::connectTo(host_, port_, 1000, wake, status);
            if (!socket.valid())
                break;
            socket.writeAll(header.data(), header.size(), 1000, wake);
            sockets.push_back(std::move(socket));
        }
        size_t opened = sockets.size();
        while (tessoran::wire::sleepUnlessWoken(3000, wake) != IoStatus::Woken) {
            for (auto& socket : sockets) {
                uint8_t byte = 0;
                if (socket.valid() && socket.writeAll(&byte, 1, 100, wake) != IoStatus::Ok)
                    socket.close();
            }
        }
        size_t open = 0;
        for (auto& socket : sockets)
            open += socket.valid();
        return std::to_string(opened) + " opened, " + std::to_string(open) + " still open at the end";
    });
}

} // namespace devsim
