#pragma once
// A TCP socket on IPv4 with bounded, cancellable waits. Every wait also watches
// the given wake descriptors (Waker::fd), so another thread can end it at once.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessoran::wire {

enum class IoStatus { Ok, Timeout, Woken, Closed, Failed };

// Sleeps timeoutMs unless a wake descriptor fires first (Woken).
IoStatus sleepUnlessWoken(int timeoutMs, const std::vector<int>& wakeFds);

class Socket
{
public:
    Socket() = default;
    explicit Socket(int fd) : fd_(fd) { }
    ~Socket();
    Socket(Socket&& other) noexcept;
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // Connects within timeoutMs. On failure the socket stays invalid and status
    // tells whether the peer refused (Failed), did not answer (Timeout) or a wake
    // descriptor fired (Woken). A non-empty `fromIp` is the local address the
    // connection leaves from.
    static Socket connectTo(const std::string& ip, uint16_t port, int timeoutMs, const std::vector<int>& wakeFds,
                            IoStatus& status, const std::string& fromIp = {});
    // Listens on ip (empty: every address) and port; port 0 picks a free one.
    static Socket listenOn(const std::string& ip, uint16_t port, std::string& error);

    bool valid() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    uint16_t localPort() const;
    std::string peerAddress() const;

    // Waits until readable (or a listening socket has a connection).
    IoStatus waitReadable(int timeoutMs, const std::vector<int>& wakeFds) const;
    // Reads exactly size bytes within timeoutMs in all (-1: no limit).
    IoStatus readExact(void* data, size_t size, int timeoutMs, const std::vector<int>& wakeFds);
    // Writes everything; timeoutMs bounds each wait for buffer space.
    IoStatus writeAll(const void* data, size_t size, int timeoutMs, const std::vector<int>& wakeFds);
    Socket accept() const;

    // Ends both directions: blocked peers and local waits see the end at once.
    void shutdown();
    void close();

private:
    int fd_ = -1;
};

} // namespace tessoran::wire
