#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "rtp/CRtspTransSession.h"
#include "rtp/CreateTcpConnect.h"
#include "LoopbackPeer.h"
#include "TransportEnvironment.h"

using namespace loopback;

namespace {

// What the connection delivered: messages (length 0 or less = connection
// lost, and why) and frames per hook.
struct Delivered
{
    std::mutex mutex;
    std::vector<std::string> messages;
    std::vector<std::pair<int, std::string>> frames;
    int lostCount = 0;
    int lostCause = 1;

    static void OnMessage(const char* text, int length, void* user)
    {
        Delivered* self = static_cast<Delivered*>(user);
        std::lock_guard<std::mutex> lock(self->mutex);
        if (length <= 0) {
            ++self->lostCount;
            self->lostCause = length;
        } else
            self->messages.emplace_back(text, size_t(length));
    }
    static void OnFrame(int channel, const uint8_t* data, int length, void* user)
    {
        Delivered* self = static_cast<Delivered*>(user);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->frames.emplace_back(channel, length < 0
                                               ? std::string("<event>")
                                               : std::string(reinterpret_cast<const char*>(data), size_t(length)));
    }
    size_t MessageCount()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return messages.size();
    }
    size_t FrameCount()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return frames.size();
    }
    int Lost()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return lostCount;
    }
    int LostCause()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return lostCause;
    }
};

class RtspTransSessionTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const ZMR_SOCKET socket = CreateTcpConnect(nullptr, "127.0.0.1", 0, listener.Port(), 4000);
        ASSERT_NE(socket, ZMR_INVALID_SOCKET);
        server = listener.Accept();
        ASSERT_GE(server.Get(), 0);
        ASSERT_EQ(connection.Open(socket), 0);
        connection.SetRecvMessageCallback(Delivered::OnMessage, &delivered);
    }

    Delivered delivered; // outlives the connection
    TcpListener listener;
    Fd server;
    CRtspTransSession connection;
};

const std::string kResponse = "RTSP/1.0 200 OK\r\nCSeq: 3\r\nContent-Length: 5\r\n\r\nhello";

} // namespace

TEST_F(RtspTransSessionTest, AResponseSentByteByByteIsDeliveredOnceWhole)
{
    ASSERT_EQ(connection.StartRecv(), 0);
    for (char c : kResponse) {
        ASSERT_TRUE(SendAll(server.Get(), &c, 1));
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ASSERT_TRUE(WaitFor([&] { return delivered.MessageCount() == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::lock_guard<std::mutex> lock(delivered.mutex);
    EXPECT_EQ(delivered.messages, std::vector<std::string>{kResponse});
}

TEST_F(RtspTransSessionTest, FramesReachTheHookOfTheirPairAndOthersAreDropped)
{
    ASSERT_EQ(connection.RecvMediaData(0, Delivered::OnFrame, &delivered), 0);
    ASSERT_EQ(connection.RecvMediaData(7, Delivered::OnFrame, &delivered), 0);
    EXPECT_EQ(connection.RecvMediaData(8, Delivered::OnFrame, &delivered), -1);
    ASSERT_EQ(connection.StartRecv(), 0);
    const std::string stream = InterleavedFrame(0, "a") + InterleavedFrame(3, "x") + kResponse +
                               InterleavedFrame(21, "b") + InterleavedFrame(6, "c") + InterleavedFrame(9, "y") +
                               InterleavedFrame(1, "");
    ASSERT_TRUE(SendAll(server.Get(), stream));
    ASSERT_TRUE(WaitFor([&] { return delivered.FrameCount() == 4 && delivered.MessageCount() == 1; }));
    std::lock_guard<std::mutex> lock(delivered.mutex);
    EXPECT_EQ(delivered.frames, (std::vector<std::pair<int, std::string>>{{0, "a"}, {21, "b"}, {6, "c"}, {1, ""}}))
        << "channel 21 belongs to pair 0; pair 1 has no hook; channel 9 has no pair";
}

TEST_F(RtspTransSessionTest, ChannelEventsReachTheHookWithoutData)
{
    ASSERT_EQ(connection.RecvMediaData(2, Delivered::OnFrame, &delivered), 0);
    ASSERT_EQ(connection.StartRecv(), 0);
    ASSERT_EQ(connection.PostChannelEvent(2), 0);
    ASSERT_TRUE(WaitFor([&] { return delivered.FrameCount() == 1; }));
    std::lock_guard<std::mutex> lock(delivered.mutex);
    EXPECT_EQ(delivered.frames[0], std::make_pair(2, std::string("<event>")));
}

TEST_F(RtspTransSessionTest, PeerClosingIsALengthZeroMessage)
{
    ASSERT_EQ(connection.StartRecv(), 0);
    ASSERT_TRUE(SendAll(server.Get(), kResponse));
    server.Reset();
    ASSERT_TRUE(WaitFor([&] { return delivered.Lost() == 1; }));
    EXPECT_EQ(delivered.MessageCount(), 1u);
    EXPECT_FALSE(connection.IsConnectionOpen());
}

TEST_F(RtspTransSessionTest, TextThatNeverEndsItsHeaderClosesTheConnectionWithAnError)
{
    ASSERT_EQ(connection.StartRecv(), 0);
    const std::string line = "X-Filler: " + std::string(4000, 'f') + "\r\n";
    std::thread writer([&] {
        for (size_t sent = 0; sent < CRtspStreamFramer::kBufferSize + line.size(); sent += line.size())
            if (!SendAll(server.Get(), line))
                break;
    });
    ASSERT_TRUE(WaitFor([&] { return delivered.Lost() == 1; }));
    writer.join();
    EXPECT_EQ(delivered.MessageCount(), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(delivered.Lost(), 1) << "reported once, no spinning";
    EXPECT_EQ(delivered.LostCause(), CRtspTransSession::kLostUnreadable);
    EXPECT_FALSE(connection.IsOpen()) << "closed: the stream cannot be read on";
    EXPECT_EQ(ReadExactly(server.Get(), 1, 2000).size(), 0u) << "the server sees the connection end";
}

TEST_F(RtspTransSessionTest, MessageLongerThanTheBufferClosesTheConnectionWithItsCause)
{
    ASSERT_EQ(connection.StartRecv(), 0);
    ASSERT_TRUE(
        SendAll(server.Get(), "RTSP/1.0 200 OK\r\nCSeq: 1\r\nContent-Length: 300000\r\n\r\n" + std::string(1000, 'b')));
    ASSERT_TRUE(WaitFor([&] { return delivered.Lost() == 1; }));
    EXPECT_EQ(delivered.LostCause(), CRtspTransSession::kLostTooLarge);
    EXPECT_EQ(delivered.MessageCount(), 0u);
    EXPECT_FALSE(connection.IsOpen());
}

TEST_F(RtspTransSessionTest, HookRemovedWhileFramesArriveIsNeverCalledAgain)
{
    struct Probe
    {
        std::atomic<bool> removed{false};
        std::atomic<int> calls{0};
        std::atomic<int> lateCalls{0};
    } probe;
    auto hook = [](int, const uint8_t*, int, void* user) {
        Probe* p = static_cast<Probe*>(user);
        p->calls++;
        if (p->removed.load())
            p->lateCalls++;
    };
    ASSERT_EQ(connection.RecvMediaData(0, hook, &probe), 0);
    ASSERT_EQ(connection.StartRecv(), 0);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        const std::string frame = InterleavedFrame(0, Bytes(200, 7));
        while (!stop && SendAll(server.Get(), frame)) { }
    });
    // Removed while frames are being delivered, not before the first one.
    const bool flowing = WaitFor([&] { return probe.calls > 0; });
    ASSERT_EQ(connection.RemoveMediaData(0), 0);
    probe.removed = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    stop = true;
    connection.Close();
    writer.join();
    EXPECT_TRUE(flowing);
    EXPECT_EQ(probe.lateCalls, 0);
}

TEST_F(RtspTransSessionTest, RequestsGoOutWhole)
{
    const std::string request = "OPTIONS rtsp://127.0.0.1/ RTSP/1.0\r\nCSeq: 1\r\n\r\n";
    ASSERT_EQ(connection.SendData(request.data(), uint32_t(request.size()), nullptr, nullptr, 0), 0);
    const Bytes received = ReadExactly(server.Get(), request.size());
    EXPECT_EQ(std::string(received.begin(), received.end()), request);
}

TEST(RtspTransSessionClose, ACallbackThatClosesTheConnectionGetsNothingMore)
{
    struct Closer
    {
        CRtspTransSession* connection;
        std::atomic<int> messages{0};
        std::atomic<int> lost{0};
    };
    TcpListener listener;
    const ZMR_SOCKET socket = CreateTcpConnect(nullptr, "127.0.0.1", 0, listener.Port(), 4000);
    ASSERT_NE(socket, ZMR_INVALID_SOCKET);
    Fd server = listener.Accept();
    CRtspTransSession connection;
    Closer closer{&connection};
    ASSERT_EQ(connection.Open(socket), 0);
    connection.SetRecvMessageCallback(
        [](const char*, int length, void* user) {
            Closer* c = static_cast<Closer*>(user);
            if (length <= 0) {
                ++c->lost;
                return;
            }
            ++c->messages;
            c->connection->Close();
        },
        &closer);
    ASSERT_EQ(connection.StartRecv(), 0);
    ASSERT_TRUE(SendAll(server.Get(), kResponse + kResponse + kResponse));
    ASSERT_TRUE(WaitFor([&] { return closer.messages == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(closer.messages, 1);
    EXPECT_EQ(closer.lost, 0) << "closing is not losing the connection";
    EXPECT_FALSE(connection.IsOpen());
}
