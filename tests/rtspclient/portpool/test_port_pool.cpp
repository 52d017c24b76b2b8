// The port pool against real binds on this machine.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include "rtp/CPortPool.h"

namespace {

// Binds `port` on the any address, as another program would hold it.
class HeldPort
{
public:
    HeldPort(uint16_t port, bool udp) : m_socket(socket(AF_INET, udp ? SOCK_DGRAM : SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        m_held = bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~HeldPort() { close(m_socket); }
    bool held() const { return m_held; }

private:
    int m_socket;
    bool m_held = false;
};

// An even start below the ephemeral range whose `count` pairs are all free
// for both kinds right now.
uint16_t freeRange(uint16_t count)
{
    std::mt19937 random(static_cast<unsigned>(getpid()) * 7919U + static_cast<unsigned>(time(nullptr)));
    for (int attempt = 0; attempt < 200; ++attempt) {
        const auto start = static_cast<uint16_t>(20000 + 2 * (random() % 5000));
        bool free = true;
        for (uint32_t port = start; port < start + 2U * count && free; ++port)
            free = CPortPool::CheckPortUsable(static_cast<uint16_t>(port), 0) &&
                   CPortPool::CheckPortUsable(static_cast<uint16_t>(port), 1);
        if (free)
            return start;
    }
    return 0;
}

TEST(PortPool, ListsHoldEvenStepsAndAreSeparate)
{
    CPortPool pool;
    ASSERT_EQ(pool.Init(554, 50, 554, 50), 0);
    const std::vector<uint16_t> tcp = pool.Candidates(0);
    ASSERT_EQ(tcp.size(), 50u);
    EXPECT_EQ(tcp.front(), 554);
    EXPECT_EQ(tcp.back(), 652);
    EXPECT_EQ(pool.Candidates(1), tcp);
    EXPECT_EQ(pool.Init(1000, 1, 1000, 1), 0) << "a second Init changes nothing";
    EXPECT_EQ(pool.Candidates(0).size(), 50u);
}

struct RangeCase
{
    uint16_t start;
    uint16_t count;
    bool accepted;
};

class PortPoolRange : public ::testing::TestWithParam<RangeCase>
{ };

TEST_P(PortPoolRange, CandidatesMustStayBelow65536)
{
    CPortPool tcpSide;
    EXPECT_EQ(tcpSide.Init(GetParam().start, GetParam().count, 20000, 1) == 0, GetParam().accepted);
    CPortPool udpSide;
    EXPECT_EQ(udpSide.Init(20000, 1, GetParam().start, GetParam().count) == 0, GetParam().accepted);
    EXPECT_EQ(udpSide.IsInit(), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(Cases, PortPoolRange,
                         ::testing::Values(RangeCase{65000, 600, false}, RangeCase{65534, 1, true},
                                           RangeCase{65534, 2, false}, RangeCase{65530, 3, true},
                                           RangeCase{65000, 268, true}, RangeCase{65000, 269, false},
                                           RangeCase{0, 4, false}, RangeCase{0, 0, true}));

TEST(PortPool, PairWithATakenRtcpPortIsSkippedAndMovedToTheEnd)
{
    const uint16_t start = freeRange(3);
    ASSERT_NE(start, 0);
    CPortPool pool;
    ASSERT_EQ(pool.Init(start, 3, start, 3), 0);
    HeldPort rtcp(static_cast<uint16_t>(start + 1), true);
    ASSERT_TRUE(rtcp.held());
    EXPECT_EQ(pool.GetAndCheckUdpPort(), start + 2);
    EXPECT_EQ(pool.Candidates(1), (std::vector<uint16_t>{static_cast<uint16_t>(start + 4), start}));
    EXPECT_EQ(pool.GetAndCheckTcpPort(), start) << "the TCP list is not touched by a UDP holder";
}

TEST(PortPool, EveryPortBusyGivesZero)
{
    const uint16_t start = freeRange(3);
    ASSERT_NE(start, 0);
    CPortPool pool;
    ASSERT_EQ(pool.Init(start, 3, start, 3), 0);
    HeldPort a(start, false), b(static_cast<uint16_t>(start + 2), false), c(static_cast<uint16_t>(start + 4), false);
    ASSERT_TRUE(a.held() && b.held() && c.held());
    EXPECT_EQ(pool.GetAndCheckTcpPort(), 0);
    EXPECT_EQ(pool.Candidates(0).size(), 3u) << "every port handed back";
}

TEST(PortPool, EmptyOrUninitialisedPoolGivesZero)
{
    CPortPool pool;
    EXPECT_EQ(pool.GetAndCheckTcpPort(), 0);
    EXPECT_EQ(pool.GetAndCheckUdpPort(), 0);
}

TEST(PortPool, DoubleReleaseLeavesThePortOnce)
{
    const uint16_t start = freeRange(2);
    ASSERT_NE(start, 0);
    CPortPool pool;
    ASSERT_EQ(pool.Init(start, 2, start, 2), 0);
    const uint16_t port = pool.GetAndCheckTcpPort();
    ASSERT_EQ(port, start);
    pool.ReleaseTcpPort(port);
    pool.ReleaseTcpPort(port);
    pool.ReleaseTcpPort(0);
    EXPECT_EQ(pool.Candidates(0), (std::vector<uint16_t>{static_cast<uint16_t>(start + 2), start}));
}

TEST(PortPool, EightThreadsDrawingAtOnceGetDistinctPairs)
{
    constexpr uint16_t count = 40;
    const uint16_t start = freeRange(count);
    ASSERT_NE(start, 0);
    CPortPool pool;
    ASSERT_EQ(pool.Init(start, count, start, count), 0);
    std::mutex mutex;
    std::vector<uint16_t> drawn;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 4; ++i) {
                const uint16_t port = pool.GetAndCheckUdpPort();
                std::lock_guard<std::mutex> lock(mutex);
                drawn.push_back(port);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    const std::set<uint16_t> distinct(drawn.begin(), drawn.end());
    EXPECT_EQ(distinct.size(), drawn.size());
    EXPECT_EQ(distinct.count(0), 0u);
    for (uint16_t port : drawn)
        EXPECT_EQ((port - start) % 2, 0);
    EXPECT_EQ(pool.Candidates(1).size(), static_cast<size_t>(count - drawn.size()));
}

} // namespace
