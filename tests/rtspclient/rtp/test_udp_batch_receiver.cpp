// The batched read of waiting datagrams on real loopback sockets: every
// datagram once, in order, whole (the largest UDP allows too), with its
// sender; nothing and no wait when nothing waits.
#include <arpa/inet.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "Fd.h"
#include "rtp/UdpBatchReceiver.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr size_t kLargestDatagram = 65507; // IPv4's limit

sockaddr_in Loopback(uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

loopback::Fd BoundSocket()
{
    loopback::Fd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    const sockaddr_in any = Loopback(0);
    EXPECT_EQ(::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&any), sizeof any), 0);
    return fd;
}

uint16_t PortOf(int fd)
{
    sockaddr_in bound{};
    socklen_t size = sizeof bound;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &size);
    return ntohs(bound.sin_port);
}

// Datagram `n`: its number in the first byte, sizes from empty to the largest.
Bytes Datagram(int n, int count)
{
    size_t size = size_t(1 + n % 7 * 200);
    if (n == 0)
        size = 0;
    if (n == count / 2)
        size = kLargestDatagram;
    Bytes data(size);
    for (size_t i = 0; i < size; ++i)
        data[i] = uint8_t(n + i);
    return data;
}

TEST(UdpBatchReceiver, ReadsEveryWaitingDatagramOnceInOrderWholeWithItsSender)
{
    constexpr int kCount = 40; // more than two batches
    constexpr int kSlots = 16;
    loopback::Fd receiver = BoundSocket();
    loopback::Fd sender = BoundSocket();
    // Room for the whole burst, so that none is dropped before the reads.
    const int room = 1 << 20;
    ASSERT_EQ(::setsockopt(receiver.Get(), SOL_SOCKET, SO_RCVBUF, &room, sizeof room), 0);
    const sockaddr_in target = Loopback(PortOf(receiver.Get()));
    for (int n = 0; n < kCount; ++n) {
        const Bytes data = Datagram(n, kCount);
        ASSERT_EQ(::sendto(sender.Get(), data.data(), data.size(), 0, reinterpret_cast<const sockaddr*>(&target),
                           sizeof target),
                  ssize_t(data.size()))
            << n;
    }
    // Loopback delivers at once: everything sent waits now.
    UdpBatchReceiver batch(kSlots);
    ASSERT_EQ(batch.Slots(), kSlots);
    std::vector<int> batchSizes;
    int next = 0;
    for (int count; (count = batch.Receive(receiver.Get())) > 0;) {
        batchSizes.push_back(count);
        for (int slot = 0; slot < count; ++slot, ++next) {
            const Bytes expected = Datagram(next, kCount);
            ASSERT_EQ(batch.Length(slot), expected.size()) << "datagram " << next;
            EXPECT_TRUE(std::equal(expected.begin(), expected.end(), batch.Data(slot))) << "datagram " << next;
            EXPECT_EQ(ntohs(batch.From(slot).sin_port), PortOf(sender.Get()));
            EXPECT_EQ(batch.From(slot).sin_addr.s_addr, htonl(INADDR_LOOPBACK));
        }
    }
    EXPECT_EQ(next, kCount);
    EXPECT_EQ(batchSizes, (std::vector<int>{16, 16, 8}));
}

TEST(UdpBatchReceiver, GivesNothingAtOnceWhenNothingWaitsOrTheSocketIsNone)
{
    loopback::Fd receiver = BoundSocket();
    UdpBatchReceiver batch(4);
    EXPECT_EQ(batch.Receive(receiver.Get()), 0); // would block forever if it waited
    EXPECT_EQ(batch.Receive(-1), 0);
}

} // namespace
