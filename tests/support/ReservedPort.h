#pragma once
// Loopback ports for tests that run side by side. A port the kernel hands to
// bind(0) and the test frees again can go to the next test's bind(0), or to
// anybody's outgoing connection, before the test binds it for real. So ports
// come from below the kernel's ephemeral range, and each is held by a lock
// file that every test process of the run checks, until the process ends.

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

namespace testsupport {
namespace reserved {

// The client's own RTP ports start at 30000; the kernel's outgoing ones at 32768.
constexpr int kFirstPort = 20000;
constexpr int kPortCount = 9000;

inline std::string lockFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/corvane-test-ports";
    const mode_t mask = umask(0);
    mkdir(folder.c_str(), 01777);
    umask(mask);
    return folder;
}

// Taken for good: the descriptor stays open, so the lock lasts as long as the process.
inline bool lockPort(int port)
{
    static const std::string folder = lockFolder();
    const std::string path = folder + "/" + std::to_string(port);
    const mode_t mask = umask(0);
    const int fd = open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    umask(mask);
    if (fd < 0)
        return false;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0)
        return true;
    close(fd);
    return false;
}

inline bool bindable(int port, int type)
{
    const int fd = socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return bound;
}

// Free for TCP and UDP alike, on every loopback address.
inline bool unused(int port)
{
    return bindable(port, SOCK_STREAM) && bindable(port, SOCK_DGRAM);
}

// The first of `count` consecutive ports, starting on a multiple of `alignment`.
inline uint16_t take(int count, int alignment)
{
    static std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<int> pick(0, kPortCount / alignment - 1);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const int first = kFirstPort + pick(random) * alignment;
        bool all = true;
        for (int port = first; all && port < first + count; ++port)
            all = lockPort(port) && unused(port);
        if (all)
            return static_cast<uint16_t>(first);
    }
    return 0;
}
} // namespace reserved

// A loopback port no other test of the run is given; free right now.
inline uint16_t reservePort()
{
    return reserved::take(1, 1);
}

// An even port P with P + 1, as RTP and RTCP take them.
inline uint16_t reservePortPair()
{
    return reserved::take(2, 2);
}
} // namespace testsupport
