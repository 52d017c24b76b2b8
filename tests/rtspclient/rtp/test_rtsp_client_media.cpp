#include <gtest/gtest.h>

#include <mutex>
#include <set>

#include "../rtpcore/RtpTestBytes.h"
#include "LoopbackPeer.h"
#include "TransportEnvironment.h"
#include "rtp/CRtspClientMedia.h"
#include "rtp/RtpPortSource.h"

using loopback::Fd;
using loopback::SendAll;
using loopback::WaitFor;

namespace {

// A port pool of the test's own: free pairs found on loopback right now,
// and a record of what came back.
struct TestPool {
    static std::mutex mutex;
    static std::multiset<uint16_t> givenBack;

    static uint16_t FreeTcpPair()
    {
        for (int attempt = 0; attempt < 200; ++attempt) {
            uint16_t port;
            {
                loopback::TcpListener probe;
                port = uint16_t(probe.Port() & ~1u);
            }
            // Both must be bindable for the track's two connections.
            Fd first(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
            Fd second(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
            sockaddr_in a = loopback::Address("127.0.0.1", port);
            sockaddr_in b = loopback::Address("127.0.0.1", uint16_t(port + 1));
            if (port >= 1024 && ::bind(first.Get(), reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                ::bind(second.Get(), reinterpret_cast<sockaddr*>(&b), sizeof b) == 0)
                return port;
        }
        return 0;
    }
    static uint16_t TakeTcp() { return FreeTcpPair(); }
    static uint16_t TakeUdp() { return loopback::FreeUdpPortPair(); }
    static void GiveBack(uint16_t port)
    {
        std::lock_guard<std::mutex> lock(mutex);
        givenBack.insert(port);
    }
    static bool WasGivenBack(uint16_t port)
    {
        std::lock_guard<std::mutex> lock(mutex);
        return givenBack.count(port) > 0;
    }
};

std::mutex TestPool::mutex;
std::multiset<uint16_t> TestPool::givenBack;

const RtpPortSource::Pool kTestPool{TestPool::TakeTcp, TestPool::TakeUdp, TestPool::GiveBack, TestPool::GiveBack};

struct Counter {
    std::atomic<int> packets{0};
    std::atomic<int> lastIndex{-1};
    static int OnData(int index, int type, STREAM_DATA_T*, void* user)
    {
        Counter* self = static_cast<Counter*>(user);
        if (type == PELLMAR_DATA_RTP) {
            self->lastIndex = index;
            ++self->packets;
        }
        return 0;
    }
};

class ClientMediaTest : public testing::Test {
protected:
    void SetUp() override { RtpPortSource::Install(&kTestPool); }
    void TearDown() override
    {
        track.Close();
        RtpPortSource::Install(nullptr);
    }

    Counter counter;
    CRtspClientMedia track;
};

Bytes Packet(uint16_t sequence) { return RtpBytes(sequence, sequence * 3000u, 0xC0FFEE); }

}  // namespace

TEST(ClientMediaWithoutPool, UdpAndTcpTracksFindNoPort)
{
    RtpPortSource::Install(nullptr);
    CRtspClientMedia track;
    EXPECT_EQ(track.Init(CRtspClientMedia::kRtpOverUdp, 1, 0), -1);
    EXPECT_EQ(track.Init(CRtspClientMedia::kRtpOverTcp, 1, 0), -1);
    EXPECT_EQ(track.Init(CRtspClientMedia::kRtpOverRtsp, 1, 0), 0) << "interleaved needs no port";
    EXPECT_EQ(track.LocalPort(), 0);
}

TEST_F(ClientMediaTest, UdpTrackReceivesAndGivesItsPortBack)
{
    const uint16_t serverPort = loopback::FreeUdpPortPair();
    ASSERT_NE(serverPort, 0);
    loopback::UdpSocket serverRtp(serverPort);
    ASSERT_EQ(track.Init(CRtspClientMedia::kRtpOverUdp, 1, 3), 0);
    const uint16_t port = track.LocalPort();
    ASSERT_NE(port, 0);
    ASSERT_EQ(track.Open(nullptr, 0, "127.0.0.1", serverPort, uint16_t(serverPort + 1), nullptr), 0);
    ASSERT_EQ(track.RecvData(Counter::OnData, &counter), 0);
    ASSERT_TRUE(serverRtp.SendTo(port, Packet(1)));
    ASSERT_TRUE(WaitFor([&] { return counter.packets == 1; }));
    EXPECT_EQ(counter.lastIndex, 3);
    ASSERT_EQ(track.Close(), 0);
    EXPECT_TRUE(TestPool::WasGivenBack(port));
    EXPECT_EQ(track.LocalPort(), 0);
}

TEST_F(ClientMediaTest, UdpTrackWithItsOwnQueue)
{
    const uint16_t serverPort = loopback::FreeUdpPortPair();
    loopback::UdpSocket serverRtp(serverPort);
    track.SetOwnQueue(1);
    ASSERT_EQ(track.Init(CRtspClientMedia::kRtpOverUdp, 1, 0), 0);
    ASSERT_EQ(track.Open(nullptr, 0, "127.0.0.1", serverPort, uint16_t(serverPort + 1), nullptr), 0);
    ASSERT_EQ(track.RecvData(Counter::OnData, &counter), 0);
    ASSERT_TRUE(serverRtp.SendTo(track.LocalPort(), Packet(1)));
    ASSERT_TRUE(WaitFor([&] { return counter.packets == 1; }));
}

TEST_F(ClientMediaTest, TcpTrackConnectsBothWaysAndWritesTheFirstSendText)
{
    loopback::TcpListener rtpListener;
    loopback::TcpListener rtcpListener;
    ASSERT_EQ(track.Init(CRtspClientMedia::kRtpOverTcp, 1, 1), 0);
    const uint16_t port = track.LocalPort();
    ASSERT_NE(port, 0);
    track.SetFirstSend("Session: 12345678\r\n\r\n");
    ASSERT_EQ(track.Open(nullptr, 0, "127.0.0.1", rtpListener.Port(), rtcpListener.Port(), "127.0.0.1"), 0);
    Fd rtp = rtpListener.Accept();
    Fd rtcp = rtcpListener.Accept();
    ASSERT_GE(rtp.Get(), 0);
    ASSERT_GE(rtcp.Get(), 0);
    const std::string firstSend = "Session: 12345678\r\n\r\n";
    EXPECT_EQ(loopback::ReadExactly(rtp.Get(), 21), Bytes(firstSend.begin(), firstSend.end()));
    EXPECT_EQ(loopback::ReadExactly(rtcp.Get(), 21).size(), 21u);

    sockaddr_in peer{};
    socklen_t size = sizeof peer;
    getpeername(rtp.Get(), reinterpret_cast<sockaddr*>(&peer), &size);
    EXPECT_EQ(ntohs(peer.sin_port), port) << "the RTP connection comes from the track's port";
    getpeername(rtcp.Get(), reinterpret_cast<sockaddr*>(&peer), &size);
    EXPECT_EQ(ntohs(peer.sin_port), port + 1) << "and RTCP from the next one";

    ASSERT_EQ(track.RecvData(Counter::OnData, &counter), 0);
    ASSERT_TRUE(SendAll(rtp.Get(), loopback::InterleavedFrame(0, Packet(1)) + loopback::InterleavedFrame(0, Packet(2))));
    ASSERT_TRUE(WaitFor([&] { return counter.packets == 2; }));
    ASSERT_EQ(track.Close(), 0);
    EXPECT_TRUE(TestPool::WasGivenBack(port));
}

TEST_F(ClientMediaTest, TcpTrackInCascadeModeMakesNoRtcpConnection)
{
    loopback::TcpListener rtpListener;
    loopback::TcpListener rtcpListener;
    track.SetCascade(1);
    ASSERT_EQ(track.Init(CRtspClientMedia::kRtpOverTcp, 1, 0), 0);
    ASSERT_EQ(track.Open(nullptr, 0, "127.0.0.1", rtpListener.Port(), rtcpListener.Port(), nullptr), 0);
    EXPECT_GE(rtpListener.Accept().Get(), 0);
    EXPECT_LT(rtcpListener.Accept(300).Get(), 0);
}

TEST_F(ClientMediaTest, TcpTrackFailsAndClosesWhenTheServerIsNotThere)
{
    uint16_t closedPort;
    {
        loopback::TcpListener gone;
        closedPort = gone.Port();
    }
    ASSERT_EQ(track.Init(CRtspClientMedia::kRtpOverTcp, 1, 0), 0);
    const uint16_t port = track.LocalPort();
    EXPECT_EQ(track.Open(nullptr, 0, "127.0.0.1", closedPort, closedPort, nullptr), -1);
    EXPECT_FALSE(track.IsOpen());
    EXPECT_TRUE(TestPool::WasGivenBack(port)) << "a failed open closes the track";
}
