#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "rtp/CIocpTcpTransmitter.h"
#include "rtp/CIocpUdpTransmitter.h"
#include "rtp/CreateTcpConnect.h"
#include "LoopbackPeer.h"
#include "TransportEnvironment.h"

using namespace loopback;

namespace {

// Records receive completions: results, byte counts and the data.
struct ReceiveLog
{
    std::mutex mutex;
    std::vector<std::pair<int32_t, uint32_t>> completions;
    Bytes data;
    uint8_t buffer[4096];

    static void OnComplete(int32_t result, uint32_t bytes, void* user)
    {
        ReceiveLog* self = static_cast<ReceiveLog*>(user);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->completions.emplace_back(result, bytes);
        if (result == 0)
            self->data.insert(self->data.end(), self->buffer, self->buffer + bytes);
    }
    size_t Count()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return completions.size();
    }
    std::pair<int32_t, uint32_t> Last()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return completions.back();
    }
};

struct ConnectedPair
{
    TcpListener listener;
    Fd peer;
    CIocpTcpTransmitter transmitter;

    ConnectedPair()
    {
        const ZMR_SOCKET socket = CreateTcpConnect(nullptr, "127.0.0.1", 0, listener.Port(), 4000);
        EXPECT_NE(socket, ZMR_INVALID_SOCKET);
        peer = listener.Accept();
        EXPECT_EQ(transmitter.Open(socket), 0);
    }
};

} // namespace

TEST(CreateTcpConnect, ConnectsFromTheGivenSourcePort)
{
    TcpListener listener;
    // A port free a moment ago may be taken meanwhile: a few tries.
    for (int attempt = 0; attempt < 5; ++attempt) {
        uint16_t sourcePort;
        {
            TcpListener probe;
            sourcePort = probe.Port();
        }
        const ZMR_SOCKET socket = CreateTcpConnect("127.0.0.1", "127.0.0.1", sourcePort, listener.Port(), 4000);
        if (socket == ZMR_INVALID_SOCKET)
            continue;
        EXPECT_EQ(localPort(socket), sourcePort);
        ZMR_CloseSocket(socket, 0);
        return;
    }
    ADD_FAILURE() << "no connection from a chosen source port";
}

TEST(CreateTcpConnect, ResolvesAHostName)
{
    TcpListener listener;
    const ZMR_SOCKET socket = CreateTcpConnect(nullptr, "localhost", 0, listener.Port(), 4000);
    ASSERT_NE(socket, ZMR_INVALID_SOCKET);
    EXPECT_GE(listener.Accept().Get(), 0);
    ZMR_CloseSocket(socket, 0);
}

TEST(CreateTcpConnect, FailsCleanlyOnAClosedPortAndOnAnEmptyHost)
{
    uint16_t closedPort;
    {
        TcpListener listener;
        closedPort = listener.Port();
    }
    EXPECT_EQ(CreateTcpConnect(nullptr, "127.0.0.1", 0, closedPort, 4000), ZMR_INVALID_SOCKET);
    EXPECT_EQ(CreateTcpConnect(nullptr, "", 0, 554, 200), ZMR_INVALID_SOCKET) << "no host must not mean this host";
    EXPECT_EQ(CreateTcpConnect(nullptr, "no-such-host.invalid", 0, 554, 200), ZMR_INVALID_SOCKET);
}

TEST(CIocpTcpTransmitter, SendsAreWholeAdjacentAndInOrder)
{
    ConnectedPair pair;
    constexpr int kSends = 10000;
    for (int i = 0; i < kSends; ++i) {
        const uint8_t header[2] = {'#', uint8_t(i & 0xFF)};
        const uint32_t value = htonl(uint32_t(i));
        ASSERT_EQ(pair.transmitter.SendData(header, sizeof header, &value, sizeof value, nullptr, nullptr, 0), 0);
    }
    const Bytes received = ReadExactly(pair.peer.Get(), kSends * 6);
    ASSERT_EQ(received.size(), size_t(kSends) * 6);
    for (int i = 0; i < kSends; ++i) {
        const uint8_t* p = received.data() + i * 6;
        ASSERT_EQ(p[0], '#') << i;
        ASSERT_EQ(p[1], uint8_t(i & 0xFF)) << i;
        uint32_t value;
        std::memcpy(&value, p + 2, 4);
        ASSERT_EQ(ntohl(value), uint32_t(i)) << i;
    }
    EXPECT_TRUE(WaitFor([&] { return pair.transmitter.PendingSends() == 0; }));
}

TEST(CIocpTcpTransmitter, RefusesSendsBeyondTheLimitOfPendingOnes)
{
    ConnectedPair pair;
    // The peer reads nothing: once both socket buffers are full every
    // further send stays pending in the queue.
    const Bytes block(1 << 20, 'x');
    for (int i = 0; i < 32; ++i)
        ASSERT_EQ(pair.transmitter.SendData(block.data(), uint32_t(block.size()), nullptr, nullptr, 1), 0);
    ASSERT_TRUE(WaitFor([&] { return pair.transmitter.PendingSends() > 1; }));
    int accepted = 0;
    int result = 0;
    const uint8_t small[8] = {};
    while ((result = pair.transmitter.SendData(small, sizeof small, nullptr, nullptr, 1)) == 0 && accepted < 100000)
        ++accepted;
    EXPECT_EQ(result, CIocpTransmitter::kOverLimit);
    EXPECT_GT(pair.transmitter.PendingSends(), CIocpTransmitter::kMaxPendingSends);
    EXPECT_EQ(pair.transmitter.SendData(small, sizeof small, nullptr, nullptr, 0), 0) << "limit flag 0 is not limited";
    pair.transmitter.Close();
}

TEST(CIocpTcpTransmitter, ReceivesAndReportsThePeerClosingAsZeroBytes)
{
    ReceiveLog log; // outlives the transmitter and its pending receive
    ConnectedPair pair;
    ASSERT_EQ(pair.transmitter.RecvData(log.buffer, sizeof log.buffer, ReceiveLog::OnComplete, &log), 0);
    ASSERT_TRUE(SendAll(pair.peer.Get(), "hello"));
    ASSERT_TRUE(WaitFor([&] { return log.Count() == 1; }));
    EXPECT_EQ(log.data, Bytes({'h', 'e', 'l', 'l', 'o'}));

    ASSERT_EQ(pair.transmitter.RecvData(log.buffer, sizeof log.buffer, ReceiveLog::OnComplete, &log), 0);
    pair.peer.Reset();
    ASSERT_TRUE(WaitFor([&] { return log.Count() == 2; }));
    EXPECT_EQ(log.Last(), std::make_pair(int32_t(0), uint32_t(0)));
}

TEST(CIocpTcpTransmitter, NoCallbackRunsAfterClose)
{
    ReceiveLog log; // outlives the transmitter and its pending receive
    ConnectedPair pair;
    ASSERT_EQ(pair.transmitter.RecvData(log.buffer, sizeof log.buffer, ReceiveLog::OnComplete, &log), 0);
    EXPECT_EQ(pair.transmitter.Close(), 0);
    EXPECT_EQ(pair.transmitter.Close(), 0) << "closing twice is harmless";
    SendAll(pair.peer.Get(), "late");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(log.Count(), 0u);
    EXPECT_FALSE(pair.transmitter.IsOpen());
    EXPECT_EQ(pair.transmitter.SendData("x", 1, nullptr, nullptr, 0), -1);
    EXPECT_EQ(pair.transmitter.RecvData(log.buffer, 1, ReceiveLog::OnComplete, &log), -1);
}

TEST(CIocpTcpTransmitter, PostedEventsReachTheReceiveCallback)
{
    ReceiveLog log; // outlives the transmitter and its pending receive
    ConnectedPair pair;
    EXPECT_EQ(pair.transmitter.PostIoEvent(0xFFFFFF, 1), -1) << "no receive has been posted yet";
    ASSERT_EQ(pair.transmitter.RecvData(log.buffer, sizeof log.buffer, ReceiveLog::OnComplete, &log), 0);
    ASSERT_EQ(pair.transmitter.PostIoEvent(0xFFFFFF + 3, 1), 0);
    ASSERT_TRUE(WaitFor([&] { return log.Count() == 1; }));
    EXPECT_EQ(log.Last(), std::make_pair(int32_t(0xFFFFFF + 3), uint32_t(1)));
}

TEST(CIocpTcpTransmitter, OpenWithoutSocketFails)
{
    CIocpTcpTransmitter transmitter;
    EXPECT_EQ(transmitter.Open(ZMR_INVALID_SOCKET), -1);
    EXPECT_FALSE(transmitter.IsOpen());
}

TEST(CIocpUdpTransmitter, ReceivesWithTheSenderAndSendsToAnAddress)
{
    const uint16_t port = testsupport::reservePortPair();
    ASSERT_NE(port, 0);
    CIocpUdpTransmitter transmitter;
    ASSERT_EQ(transmitter.Open("127.0.0.1", port), 0);
    uint8_t* buffer = transmitter.GetBuffer(65540);
    ASSERT_NE(buffer, nullptr);

    std::atomic<int> completions{0};
    std::atomic<uint32_t> lastBytes{99};
    struct Context
    {
        std::atomic<int>* completions;
        std::atomic<uint32_t>* lastBytes;
    } context{&completions, &lastBytes};
    auto callback = [](int32_t result, uint32_t bytes, void* user) {
        Context* c = static_cast<Context*>(user);
        if (result == 0)
            c->lastBytes->store(bytes);
        c->completions->fetch_add(1);
    };
    UdpSocket peer;
    ASSERT_EQ(transmitter.RecvData(buffer, 65536, callback, &context), 0);
    ASSERT_TRUE(peer.SendTo(port, {1, 2, 3}));
    ASSERT_TRUE(WaitFor([&] { return completions == 1; }));
    EXPECT_EQ(lastBytes, 3u);
    EXPECT_EQ(ZMR_GetAddrPort(&transmitter.RecvFromAddr()), peer.Port());
    EXPECT_EQ(buffer[2], 3);

    // An empty datagram completes as a receive of zero bytes.
    ASSERT_EQ(transmitter.RecvData(buffer, 65536, callback, &context), 0);
    ASSERT_TRUE(peer.SendTo(port, {}));
    ASSERT_TRUE(WaitFor([&] { return completions == 2; }));
    EXPECT_EQ(lastBytes, 0u);

    ZMR_ADDR to;
    ASSERT_EQ(ZMR_MakeAddrByString(ZMR_AF_INET, "127.0.0.1", peer.Port(), &to), 0);
    const uint8_t header[2] = {9, 9};
    ASSERT_EQ(transmitter.SendData(header, 0, "abc", 3, to, nullptr, nullptr, 1), 0);
    Bytes datagram;
    ASSERT_TRUE(peer.Receive(datagram));
    EXPECT_EQ(datagram, Bytes({'a', 'b', 'c'}));
}

TEST(CIocpUdpTransmitter, BindingATakenPortFails)
{
    UdpSocket taken;
    CIocpUdpTransmitter transmitter;
    EXPECT_EQ(transmitter.Open("127.0.0.1", taken.Port()), -1);
    EXPECT_FALSE(transmitter.IsOpen());
    EXPECT_EQ(transmitter.Open(nullptr, 0), 0) << "port 0: no bind";
}
