#ifndef LOOPBACKPEER_H
#define LOOPBACKPEER_H

// Plain POSIX loopback sockets for the far side of the ZMR tests, so the
// layer under test is never used to check itself.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <utility>

namespace loopback {

inline sockaddr_in address(uint16_t port)
{
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    result.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return result;
}

inline uint16_t localPort(int socket)
{
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    getsockname(socket, reinterpret_cast<sockaddr*>(&bound), &length);
    return ntohs(bound.sin_port);
}

// A listening TCP socket on a free loopback port.
inline int listener()
{
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in any = address(0);
    bind(socket, reinterpret_cast<const sockaddr*>(&any), sizeof any);
    listen(socket, 16);
    return socket;
}

inline int udpSocket()
{
    const int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const sockaddr_in any = address(0);
    bind(socket, reinterpret_cast<const sockaddr*>(&any), sizeof any);
    return socket;
}

// A connected TCP pair on loopback: {client, server side}.
inline std::pair<int, int> tcpPair()
{
    const int listening = listener();
    const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in target = address(localPort(listening));
    connect(client, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    const int server = accept(listening, nullptr, nullptr);
    close(listening);
    return {client, server};
}

// Reads exactly `length` bytes or fewer at end of stream.
inline std::string readExactly(int socket, size_t length)
{
    std::string data(length, '\0');
    size_t got = 0;
    while (got < length) {
        const ssize_t n = recv(socket, &data[got], length - got, 0);
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    data.resize(got);
    return data;
}

// Closes with a reset instead of an orderly end of stream.
inline void resetAndClose(int socket)
{
    linger hard{1, 0};
    setsockopt(socket, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    close(socket);
}

} // namespace loopback

#endif
