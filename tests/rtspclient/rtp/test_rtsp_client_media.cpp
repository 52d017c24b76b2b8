#include <gtest/gtest.h>

#include <atomic>

#include "../rtpcore/RtpTestBytes.h"
#include "LoopbackPeer.h"
#include "TransportEnvironment.h"
#include "rtp/CRtspClientMedia.h"
#include "rtp/CPortPool.h"
#include "common/singleton.h"

using loopback::Fd;
using loopback::SendAll;
using loopback::WaitFor;

namespace {

CPortPool* FreshPool(uint16_t tcpCount, uint16_t udpCount)
{
    singleton<CPortPool>::destroy();
    CPortPool* pool = singleton<CPortPool>::instance();
    if (tcpCount + udpCount > 0) {
        EXPECT_EQ(pool->Init(testsupport::reservePortPair(), tcpCount, testsupport::reservePortPair(), udpCount), 0);
    }
    return pool;
}

struct Counter
{
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

class ClientMediaTest : public testing::Test
{
protected:
    void SetUp() override { FreshPool(1, 1); }
    void TearDown() override
    {
        track.Close();
        singleton<CPortPool>::destroy();
    }

    // The pool holds one pair per list: a second track gets a port only
    // once the first has given its own back.
    static bool PortCameBack(int method, uint16_t port)
    {
        CRtspClientMedia other;
        return other.Init(method, 1, 0) == 0 && other.LocalPort() == port;
    }

    Counter counter;
    CRtspClientMedia track;
};

Bytes Packet(uint16_t sequence)
{
    return RtpBytes(sequence, sequence * 3000u, 0xC0FFEE);
}

} // namespace

TEST(ClientMediaWithoutPool, UdpAndTcpTracksFindNoPort)
{
    FreshPool(0, 0);
    CRtspClientMedia track;
    EXPECT_EQ(track.Init(CRtspClientMedia::kRtpOverUdp, 1, 0), -1);
    EXPECT_EQ(track.Init(CRtspClientMedia::kRtpOverTcp, 1, 0), -1);
    EXPECT_EQ(track.Init(CRtspClientMedia::kRtpOverRtsp, 1, 0), 0) << "interleaved needs no port";
    EXPECT_EQ(track.LocalPort(), 0);
    singleton<CPortPool>::destroy();
}

TEST_F(ClientMediaTest, UdpTrackReceivesAndGivesItsPortBack)
{
    const uint16_t serverPort = testsupport::reservePortPair();
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
    EXPECT_FALSE(PortCameBack(CRtspClientMedia::kRtpOverUdp, port)) << "taken while the track holds it";
    ASSERT_EQ(track.Close(), 0);
    EXPECT_TRUE(PortCameBack(CRtspClientMedia::kRtpOverUdp, port));
    EXPECT_EQ(track.LocalPort(), 0);
}

TEST_F(ClientMediaTest, UdpTrackWithItsOwnQueue)
{
    const uint16_t serverPort = testsupport::reservePortPair();
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
    ASSERT_TRUE(
        SendAll(rtp.Get(), loopback::InterleavedFrame(0, Packet(1)) + loopback::InterleavedFrame(0, Packet(2))));
    ASSERT_TRUE(WaitFor([&] { return counter.packets == 2; }));
    // The server hangs up first, so that TIME_WAIT stays on its side and
    // the track's ports can be bound again at once.
    rtp.Reset();
    rtcp.Reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(track.Close(), 0);
    EXPECT_TRUE(PortCameBack(CRtspClientMedia::kRtpOverTcp, port));
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
    EXPECT_TRUE(PortCameBack(CRtspClientMedia::kRtpOverTcp, port)) << "a failed open closes the track";
}
