#pragma once
// A TCP proxy on loopback between RTSP clients and the server, so that every
// client, in process or not, is measured on the wire the same way: when its
// connection was accepted, when the first interleaved media frame reached
// it, and how many bytes the server sent it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "rtp/CRtspStreamFramer.h"

class WireProxy
{
public:
    using Clock = std::chrono::steady_clock;

    struct Connection
    {
        Clock::time_point accepted;
        std::atomic<Clock::rep> firstFrame{0}; // 0 until a '$' frame passed
        std::atomic<long> toClient{0};         // bytes the server sent the client

        double FirstFrameMs() const
        {
            const Clock::rep at = firstFrame.load();
            return at == 0
                       ? -1
                       : std::chrono::duration<double, std::milli>(Clock::time_point(Clock::duration(at)) - accepted)
                             .count();
        }
    };

    explicit WireProxy(uint16_t serverPort) : m_serverPort(serverPort)
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = Loopback(0);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 128);
        socklen_t size = sizeof address;
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size);
        m_port = ntohs(address.sin_port);
        m_acceptor = std::thread([this] { AcceptLoop(); });
    }
    ~WireProxy()
    {
        m_stopping = true;
        ::shutdown(m_listener, SHUT_RDWR);
        m_acceptor.join();
        ::close(m_listener);
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& pair : m_pairs) {
            ::shutdown(pair->client, SHUT_RDWR);
            ::shutdown(pair->server, SHUT_RDWR);
        }
        for (const auto& pair : m_pairs) {
            pair->up.join();
            pair->down.join();
            ::close(pair->client);
            ::close(pair->server);
        }
    }
    WireProxy(const WireProxy&) = delete;
    WireProxy& operator=(const WireProxy&) = delete;

    std::string Url(const std::string& path) const { return "rtsp://127.0.0.1:" + std::to_string(m_port) + path; }

    // Connections in the order they were accepted.
    std::vector<std::shared_ptr<Connection>> Connections()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<std::shared_ptr<Connection>> connections;
        for (const auto& pair : m_pairs)
            connections.push_back(pair->state);
        return connections;
    }

private:
    struct Pair
    {
        int client = -1;
        int server = -1;
        std::shared_ptr<Connection> state = std::make_shared<Connection>();
        std::thread up;
        std::thread down;
    };

    // Watches the server's stream until the first interleaved frame.
    class FirstFrame : public CRtspStreamFramer::Sink
    {
    public:
        explicit FirstFrame(Connection& state) : m_state(state) { }
        void OnRtspMessage(const char*, size_t) override { }
        void OnInterleavedFrame(uint8_t, const uint8_t*, size_t) override
        {
            Clock::rep none = 0;
            m_state.firstFrame.compare_exchange_strong(none, Clock::now().time_since_epoch().count());
        }

    private:
        Connection& m_state;
    };

    static sockaddr_in Loopback(uint16_t port)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        return address;
    }

    void AcceptLoop()
    {
        while (!m_stopping) {
            const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                return;
            auto pair = std::make_unique<Pair>();
            pair->state->accepted = Clock::now();
            pair->client = client;
            pair->server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in server = Loopback(m_serverPort);
            if (::connect(pair->server, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0) {
                ::close(pair->server);
                ::close(client);
                continue;
            }
            Pair* raw = pair.get();
            raw->up = std::thread([raw] { Pump(raw->client, raw->server, nullptr); });
            raw->down = std::thread([raw] { Pump(raw->server, raw->client, raw->state.get()); });
            std::lock_guard<std::mutex> lock(m_mutex);
            m_pairs.push_back(std::move(pair));
        }
    }

    // Copies `from` to `to` until either side ends; the server's side is
    // counted and framed until its first media frame.
    static void Pump(int from, int to, Connection* state)
    {
        std::vector<uint8_t> buffer(65536);
        CRtspStreamFramer framer;
        std::unique_ptr<FirstFrame> sink = state ? std::make_unique<FirstFrame>(*state) : nullptr;
        for (;;) {
            const ssize_t n = ::recv(from, buffer.data(), buffer.size(), 0);
            if (n <= 0)
                break;
            if (state) {
                state->toClient += n;
                for (size_t at = 0; at < size_t(n) && state->firstFrame.load() == 0;) {
                    const size_t take = std::min(size_t(n) - at, framer.FreeSize());
                    std::copy(buffer.data() + at, buffer.data() + at + take, framer.FreeSpace());
                    if (framer.Commit(take, *sink) != CRtspStreamFramer::Result::NeedMore)
                        framer.Reset();
                    at += take;
                }
            }
            for (ssize_t sent = 0; sent < n;) {
                const ssize_t w = ::send(to, buffer.data() + sent, size_t(n - sent), MSG_NOSIGNAL);
                if (w <= 0) {
                    ::shutdown(from, SHUT_RDWR);
                    return;
                }
                sent += w;
            }
        }
        ::shutdown(to, SHUT_RDWR);
    }

    uint16_t m_serverPort;
    uint16_t m_port = 0;
    int m_listener = -1;
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptor;
    std::mutex m_mutex;
    std::vector<std::unique_ptr<Pair>> m_pairs;
};
