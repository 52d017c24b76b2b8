// The completion queues against real loopback sockets.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "CompletionLog.h"
#include "LoopbackPeer.h"
#include "zmr.h"

namespace {

using namespace std::chrono_literals;

class AsyncIOTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_queue = ZMR_AsyncIO_CreateQueueEx_New(3);
        ASSERT_NE(m_queue, ZMR_INVALID_ASYNCIOQUEUE);
    }

    void TearDown() override
    {
        if (m_queue) {
            EXPECT_EQ(ZMR_AsyncIO_DestroyQueueEx(m_queue), 0);
        }
        for (int socket : m_sockets)
            close(socket);
    }

    // A TCP pair whose client side is bound to the queue.
    std::pair<int, int> boundTcpPair()
    {
        const auto pair = loopback::tcpPair();
        m_sockets.push_back(pair.second);
        EXPECT_EQ(ZMR_AsyncIO_BindIOHandleToQueueEx(pair.first, m_queue), 0);
        return pair;
    }

    int owned(int socket)
    {
        m_sockets.push_back(socket);
        return socket;
    }

    ZMR_ASYNCIOQUEUE m_queue = ZMR_INVALID_ASYNCIOQUEUE;
    std::vector<int> m_sockets;
    CompletionLog m_log;
};

TEST_F(AsyncIOTest, TcpEchoThroughQueue)
{
    const auto [client, server] = boundTcpPair();
    std::thread echo([server = server] {
        const std::string request = loopback::readExactly(server, 5);
        send(server, request.data(), request.size(), MSG_NOSIGNAL);
    });

    auto* sent = m_log.operation(1);
    ASSERT_EQ(ZMR_AsyncIO_SendEx(client, "hello", 5, sent, CompletionLog::callback), 0);
    char reply[64] = {};
    auto* received = m_log.operation(2);
    ASSERT_EQ(ZMR_AsyncIO_RecvEx(client, reply, sizeof reply, received, CompletionLog::callback), 0);
    ASSERT_TRUE(m_log.waitForCount(2));
    echo.join();

    EXPECT_EQ(sent->completions, 1);
    EXPECT_EQ(sent->result, 0);
    EXPECT_EQ(sent->bytes, 5u);
    EXPECT_EQ(received->completions, 1);
    EXPECT_EQ(received->result, 0);
    EXPECT_EQ(std::string(reply, received->bytes), std::string("hello").substr(0, received->bytes));
    EXPECT_GE(received->bytes, 1u);
    EXPECT_EQ(ZMR_CloseSocket(client, 0), 0);
}

TEST_F(AsyncIOTest, UdpEchoThroughQueue)
{
    const int peer = owned(loopback::udpSocket());
    const ZMR_SOCKET socket = ZMR_CreateSocket(ZMR_AF_INET, ZMR_SOCK_DGRAM, ZMR_IPPROTO_UDP);
    ASSERT_NE(socket, ZMR_INVALID_SOCKET);
    ZMR_ADDR local{};
    ASSERT_EQ(ZMR_MakeAddrByString(ZMR_AF_INET, "127.0.0.1", 0, &local), 0);
    ASSERT_EQ(ZMR_Bind(socket, &local), 0);
    ASSERT_EQ(ZMR_AsyncIO_BindIOHandleToQueueEx(socket, m_queue), 0);
    std::thread echo([peer] {
        char datagram[2048];
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t n = recvfrom(peer, datagram, sizeof datagram, 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (n > 0)
            sendto(peer, datagram, static_cast<size_t>(n), 0, reinterpret_cast<sockaddr*>(&from), length);
    });

    char reply[2048] = {};
    ZMR_ADDR sender{};
    auto* received = m_log.operation(1);
    ASSERT_EQ(ZMR_AsyncIO_RecvFromEx(socket, reply, sizeof reply, received, &sender, CompletionLog::callback), 0);
    const std::string datagram(1400, 'u');
    const ZMR_ADDR target = loopback::address(loopback::localPort(peer));
    auto* sent = m_log.operation(2);
    ASSERT_EQ(ZMR_AsyncIO_SendToEx(socket, datagram.data(), 1400, sent, &target, CompletionLog::callback), 0);
    ASSERT_TRUE(m_log.waitForCount(2));
    echo.join();

    EXPECT_EQ(sent->result, 0);
    EXPECT_EQ(sent->bytes, 1400u);
    EXPECT_EQ(received->result, 0);
    EXPECT_EQ(std::string(reply, received->bytes), datagram);
    EXPECT_EQ(ZMR_GetAddrPort(&sender), loopback::localPort(peer));
    EXPECT_EQ(ZMR_CloseSocket(socket, 0), 0);
}

// A socket's completions, received and posted alike, run on the one queue
// thread that waits for them, so none is handed to another thread; the next
// socket bound goes to the next thread.
TEST_F(AsyncIOTest, EverySocketKeepsToOneQueueThread)
{
    const int peer = owned(loopback::udpSocket());
    std::vector<ZMR_SOCKET> sockets;
    for (int i = 0; i < 2; ++i) {
        sockets.push_back(owned(loopback::udpSocket()));
        ASSERT_EQ(ZMR_AsyncIO_BindIOHandleToQueueEx(sockets.back(), m_queue), 0);
    }
    char buffer[64];
    ZMR_ADDR sender{};
    size_t expected = 0;
    for (int round = 0; round < 10; ++round) {
        for (ZMR_SOCKET socket : sockets) {
            auto* received = m_log.operation(socket);
            ASSERT_EQ(ZMR_AsyncIO_RecvFromEx(socket, buffer, sizeof buffer, received, &sender, CompletionLog::callback),
                      0);
            const sockaddr_in target = loopback::address(loopback::localPort(socket));
            ASSERT_EQ(sendto(peer, "x", 1, 0, reinterpret_cast<const sockaddr*>(&target), sizeof target), 1);
            ASSERT_EQ(ZMR_AsyncIO_PostQueuedCompleteStatusEx(m_queue, socket, 0, 1, m_log.operation(socket),
                                                             CompletionLog::callback),
                      0);
            expected += 2;
            ASSERT_TRUE(m_log.waitForCount(expected));
        }
    }
    const std::vector<int> order = m_log.order();
    const std::vector<std::thread::id> threads = m_log.threads();
    std::thread::id first[2];
    for (size_t i = 0; i < order.size(); ++i) {
        const size_t which = order[i] == sockets[0] ? 0 : 1;
        if (first[which] == std::thread::id())
            first[which] = threads[i];
        EXPECT_EQ(threads[i], first[which]) << "completion " << i;
    }
    EXPECT_NE(first[0], first[1]);
}

// Record i carries its number and i % 997 filler bytes, so a lost, cut,
// doubled or reordered write shows up on the reading side.
std::string record(uint32_t number)
{
    std::string bytes(4 + number % 997, static_cast<char>('a' + number % 26));
    std::memcpy(&bytes[0], &number, 4);
    return bytes;
}

TEST_F(AsyncIOTest, TenThousandSendsArriveWholeAndCompleteInOrder)
{
    constexpr int count = 10000;
    const auto [client, server] = boundTcpPair();
    // A small send buffer forces partial writes that must be resumed.
    const int small = 4096;
    setsockopt(client, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);

    std::atomic<int> firstMismatch{-1};
    std::thread reader([&, server = server] {
        for (uint32_t i = 0; i < count; ++i) {
            const std::string expected = record(i);
            if (loopback::readExactly(server, expected.size()) != expected) {
                firstMismatch = static_cast<int>(i);
                return;
            }
        }
    });
    std::vector<CompletionLog::Operation*> operations;
    for (int i = 0; i < count; ++i) {
        const std::string bytes = record(static_cast<uint32_t>(i));
        operations.push_back(m_log.operation(i));
        ASSERT_EQ(ZMR_AsyncIO_SendEx(client, bytes.data(), static_cast<uint32_t>(bytes.size()), operations.back(),
                                     CompletionLog::callback),
                  0);
    }
    ASSERT_TRUE(m_log.waitForCount(count, 60s)) << m_log.count() << " mismatch " << firstMismatch;
    reader.join();

    EXPECT_EQ(firstMismatch.load(), -1);
    const std::vector<int> order = m_log.order();
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(order[static_cast<size_t>(i)], i);
        ASSERT_EQ(operations[static_cast<size_t>(i)]->completions, 1);
        ASSERT_EQ(operations[static_cast<size_t>(i)]->result, 0);
        ASSERT_EQ(operations[static_cast<size_t>(i)]->bytes, record(static_cast<uint32_t>(i)).size());
    }
    EXPECT_EQ(ZMR_CloseSocket(client, 0), 0);
}

struct PeerEnding
{
    const char* name;
    void (*end)(int socket); // also closes the socket
    int32_t result;
};

// Cases print as their names in test listings.
void PrintTo(const PeerEnding& ending, std::ostream* out)
{
    *out << ending.name;
}

class PendingReceive : public AsyncIOTest, public ::testing::WithParamInterface<PeerEnding>
{ };

TEST_P(PendingReceive, CompletesWithHowThePeerEnded)
{
    const auto [client, server] = boundTcpPair();
    m_sockets.pop_back();
    char buffer[16];
    auto* received = m_log.operation();
    ASSERT_EQ(ZMR_AsyncIO_RecvEx(client, buffer, sizeof buffer, received, CompletionLog::callback), 0);
    GetParam().end(server);
    ASSERT_TRUE(m_log.waitForCount(1));
    EXPECT_EQ(received->completions, 1);
    EXPECT_EQ(received->result, GetParam().result);
    EXPECT_EQ(received->bytes, 0u);
    EXPECT_EQ(ZMR_CloseSocket(client, 0), 0);
}

void endOfStream(int socket)
{
    shutdown(socket, SHUT_WR);
    close(socket);
}

INSTANTIATE_TEST_SUITE_P(Endings, PendingReceive,
                         ::testing::Values(PeerEnding{"endOfStreamAsZeroBytes", endOfStream, 0},
                                           PeerEnding{"resetAsTheSystemError", loopback::resetAndClose, ECONNRESET}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AsyncIOTest, CloseWithReceivePendingCompletesCancelledOnceAndNeverReachesTheNextSocket)
{
    const auto [client, server] = boundTcpPair();
    char buffer[16];
    auto* received = m_log.operation(1);
    ASSERT_EQ(ZMR_AsyncIO_RecvEx(client, buffer, sizeof buffer, received, CompletionLog::callback), 0);
    ASSERT_EQ(ZMR_CloseSocket(client, 0), 0);
    ASSERT_TRUE(m_log.waitForCount(1));
    EXPECT_EQ(received->result, ZMR_ASYNCIO_ABORTED);

    // Linux hands the lowest free number to the next socket: usually the same.
    const auto [reused, reusedPeer] = boundTcpPair();
    char other[16];
    auto* next = m_log.operation(2);
    ASSERT_EQ(ZMR_AsyncIO_RecvEx(reused, other, sizeof other, next, CompletionLog::callback), 0);
    send(reusedPeer, "x", 1, MSG_NOSIGNAL);
    ASSERT_TRUE(m_log.waitForCount(2));
    EXPECT_EQ(received->completions, 1);
    EXPECT_EQ(next->completions, 1);
    EXPECT_EQ(next->result, 0);
    EXPECT_EQ(other[0], 'x');
    EXPECT_EQ(ZMR_CloseSocket(reused, 0), 0);
}

TEST_F(AsyncIOTest, UnbindCancelsPendingWorkAndLeavesABlockingSocket)
{
    const auto [client, server] = boundTcpPair();
    char buffer[16];
    auto* received = m_log.operation();
    ASSERT_EQ(ZMR_AsyncIO_RecvEx(client, buffer, sizeof buffer, received, CompletionLog::callback), 0);
    ASSERT_EQ(ZMR_AsyncIO_UnBindIOHandleEx(client, m_queue), 0);
    ASSERT_TRUE(m_log.waitForCount(1));
    EXPECT_EQ(received->result, ZMR_ASYNCIO_ABORTED);

    EXPECT_EQ(fcntl(client, F_GETFL) & O_NONBLOCK, 0);
    EXPECT_EQ(ZMR_Send(client, "ok", 2), 2);
    EXPECT_EQ(loopback::readExactly(server, 2), "ok");
    EXPECT_NE(ZMR_AsyncIO_RecvEx(client, buffer, sizeof buffer, received, CompletionLog::callback), 0);
    EXPECT_EQ(ZMR_GetSystemLastError(), EBADF);
    EXPECT_EQ(ZMR_CloseSocket(client, 0), 0);
}

TEST_F(AsyncIOTest, BoundCallbackServesOperationsWithoutTheirOwn)
{
    const auto [client, server] = boundTcpPair();
    char buffer[16];
    auto* received = m_log.operation();
    EXPECT_NE(ZMR_AsyncIO_RecvEx(client, buffer, sizeof buffer, received, nullptr), 0);
    ASSERT_EQ(ZMR_AsyncIO_BindCallBackToIOHandleEx(client, CompletionLog::callback), 0);
    ASSERT_EQ(ZMR_AsyncIO_RecvEx(client, buffer, sizeof buffer, received, nullptr), 0);
    send(server, "abc", 3, MSG_NOSIGNAL);
    ASSERT_TRUE(m_log.waitForCount(1));
    EXPECT_EQ(received->result, 0);
    EXPECT_EQ(ZMR_CloseSocket(client, 0), 0);
}

TEST_F(AsyncIOTest, PostedCompletionCarriesItsValuesToAQueueThread)
{
    const auto [client, server] = boundTcpPair();
    ASSERT_EQ(ZMR_AsyncIO_BindCallBackToIOHandleEx(client, CompletionLog::callback), 0);
    auto* posted = m_log.operation();
    ASSERT_EQ(ZMR_AsyncIO_PostQueuedCompleteStatusEx(m_queue, client, 0x1000002, 1, posted, nullptr), 0);
    ASSERT_TRUE(m_log.waitForCount(1));
    EXPECT_EQ(posted->result, 0x1000002);
    EXPECT_EQ(posted->bytes, 1u);

    EXPECT_NE(ZMR_AsyncIO_PostQueuedCompleteStatusEx(m_queue, ZMR_INVALID_SOCKET, 0, 0, posted, nullptr), 0);
    EXPECT_NE(ZMR_AsyncIO_PostQueuedCompleteStatusEx(m_queue, server, 0, 0, posted, CompletionLog::callback), 0);
    EXPECT_EQ(ZMR_CloseSocket(client, 0), 0);
}

TEST_F(AsyncIOTest, OperationsOnAnUnboundSocketAreRefusedWithoutCompletion)
{
    const int socket = owned(loopback::udpSocket());
    char buffer[16];
    auto* operation = m_log.operation();
    EXPECT_NE(ZMR_AsyncIO_RecvEx(socket, buffer, sizeof buffer, operation, CompletionLog::callback), 0);
    EXPECT_NE(ZMR_AsyncIO_SendEx(socket, "x", 1, operation, CompletionLog::callback), 0);
    EXPECT_NE(ZMR_AsyncIO_UnBindIOHandleEx(socket, m_queue), 0);
    EXPECT_NE(ZMR_AsyncIO_BindIOHandleToQueueEx(socket, nullptr), 0);
    EXPECT_EQ(m_log.count(), 0u);
}

// Holds the soft descriptor limit at the lowest free number, so that no
// new descriptor can be opened until it goes out of scope.
class NoFreeDescriptors
{
public:
    NoFreeDescriptors()
    {
        getrlimit(RLIMIT_NOFILE, &m_original);
        const int lowestFree = open("/dev/null", O_RDONLY | O_CLOEXEC);
        close(lowestFree);
        rlimit lowered = m_original;
        lowered.rlim_cur = static_cast<rlim_t>(lowestFree);
        m_lowered = setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~NoFreeDescriptors() { setrlimit(RLIMIT_NOFILE, &m_original); }
    bool lowered() const { return m_lowered; }

private:
    rlimit m_original{};
    bool m_lowered = false;
};

TEST_F(AsyncIOTest, BindNeedsNoFreeDescriptors)
{
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the sanitizers check memory through a pipe, so they misreport with no descriptor free";
#endif
    // The queue set up the event polling of every thread when it was made,
    // so a bind takes no descriptor and a queue's count stays constant.
    const int socket = owned(loopback::udpSocket());
    {
        NoFreeDescriptors exhausted;
        ASSERT_TRUE(exhausted.lowered());
        EXPECT_EQ(ZMR_AsyncIO_BindIOHandleToQueueEx(socket, m_queue), 0);
    }
    auto* posted = m_log.operation();
    ASSERT_EQ(ZMR_AsyncIO_BindCallBackToIOHandleEx(socket, CompletionLog::callback), 0);
    ASSERT_EQ(ZMR_AsyncIO_PostQueuedCompleteStatusEx(m_queue, socket, 0, 3, posted, nullptr), 0);
    ASSERT_TRUE(m_log.waitForCount(1));
    EXPECT_EQ(posted->bytes, 3u);
    EXPECT_EQ(ZMR_AsyncIO_UnBindIOHandleEx(socket, m_queue), 0);
}

struct DestroyAttempt
{
    ZMR_ASYNCIOQUEUE queue;
    std::atomic<int> result{0};
    std::atomic<int> error{0};
    std::atomic<bool> done{false};
};

void destroyFromCompletion(int32_t, uint32_t, void* context)
{
    auto* attempt = static_cast<DestroyAttempt*>(context);
    attempt->result = ZMR_AsyncIO_DestroyQueueEx(attempt->queue);
    attempt->error = ZMR_GetSystemLastError();
    attempt->done = true;
}

TEST_F(AsyncIOTest, DestroyFromAQueueThreadIsRefused)
{
    DestroyAttempt attempt;
    attempt.queue = m_queue;
    ASSERT_EQ(
        ZMR_AsyncIO_PostQueuedCompleteStatusEx(m_queue, ZMR_INVALID_SOCKET, 0, 0, &attempt, destroyFromCompletion), 0);
    for (int i = 0; i < 3000 && !attempt.done; ++i)
        ZMR_Sleep(10);
    ASSERT_TRUE(attempt.done);
    EXPECT_NE(attempt.result, 0);
    EXPECT_EQ(attempt.error, EDEADLK);
}

TEST(AsyncIOQueue, DestroyedWithWorkInFlightCompletesEveryOperationOnce)
{
    ZMR_ASYNCIOQUEUE queue = ZMR_AsyncIO_CreateQueueEx_New(2);
    ASSERT_NE(queue, ZMR_INVALID_ASYNCIOQUEUE);
    CompletionLog log;
    std::vector<CompletionLog::Operation*> receives;
    std::vector<CompletionLog::Operation*> sends;
    std::vector<std::pair<int, int>> pairs;
    std::vector<char> buffers(4 * 64);
    const std::string big(256 * 1024, 'z');
    for (int i = 0; i < 4; ++i) {
        pairs.push_back(loopback::tcpPair());
        ASSERT_EQ(ZMR_AsyncIO_BindIOHandleToQueueEx(pairs.back().first, queue), 0);
        receives.push_back(log.operation());
        ASSERT_EQ(ZMR_AsyncIO_RecvEx(pairs.back().first, &buffers[static_cast<size_t>(i) * 64], 64, receives.back(),
                                     CompletionLog::callback),
                  0);
        // The peer never reads, so most of these stay queued.
        for (int j = 0; j < 20; ++j) {
            sends.push_back(log.operation());
            ASSERT_EQ(ZMR_AsyncIO_SendEx(pairs.back().first, big.data(), static_cast<uint32_t>(big.size()),
                                         sends.back(), CompletionLog::callback),
                      0);
        }
    }
    auto* posted = log.operation();
    ASSERT_EQ(ZMR_AsyncIO_PostQueuedCompleteStatusEx(queue, ZMR_INVALID_SOCKET, 7, 9, posted, CompletionLog::callback),
              0);

    ASSERT_EQ(ZMR_AsyncIO_DestroyQueueEx(queue), 0);

    EXPECT_EQ(log.count(), receives.size() + sends.size() + 1);
    for (auto* receive : receives) {
        EXPECT_EQ(receive->completions, 1);
        EXPECT_EQ(receive->result, ZMR_ASYNCIO_ABORTED);
    }
    int aborted = 0;
    for (auto* send : sends) {
        EXPECT_EQ(send->completions, 1);
        EXPECT_TRUE(send->result == 0 || send->result == ZMR_ASYNCIO_ABORTED);
        aborted += send->result == ZMR_ASYNCIO_ABORTED;
    }
    EXPECT_GT(aborted, 0);
    EXPECT_EQ(posted->completions, 1);
    EXPECT_EQ(posted->result, 7);
    EXPECT_EQ(posted->bytes, 9u);
    // The sockets were unbound, not closed, and the handle is gone.
    for (const auto& pair : pairs) {
        EXPECT_EQ(fcntl(pair.first, F_GETFL) & O_NONBLOCK, 0);
        EXPECT_EQ(close(pair.first), 0);
        close(pair.second);
    }
    EXPECT_NE(ZMR_AsyncIO_DestroyQueueEx(queue), 0);
}

} // namespace
