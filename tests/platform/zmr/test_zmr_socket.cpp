// Blocking IPv4 sockets on loopback.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "LoopbackPeer.h"
#include "zmr.h"

namespace {

struct AddressCase
{
    const char* text;
    bool valid;
    const char* printed;
};

// Cases print as their texts in test listings.
void PrintTo(const AddressCase& c, std::ostream* out)
{
    *out << '"' << (c.text ? c.text : "(null)") << '"';
}

class ZmrAddress : public ::testing::TestWithParam<AddressCase>
{ };

TEST_P(ZmrAddress, MakesOnlyIPv4Addresses)
{
    ZMR_ADDR address{};
    const int result = ZMR_MakeAddrByString(ZMR_AF_INET, GetParam().text, 8554, &address);
    ASSERT_EQ(result == 0, GetParam().valid);
    if (!GetParam().valid)
        return;
    char text[ZMR_ADDR_STRING_MAX];
    ASSERT_NE(ZMR_GetAddrString(&address, text, sizeof text), nullptr);
    EXPECT_STREQ(text, GetParam().printed);
    EXPECT_EQ(ZMR_GetAddrPort(&address), 8554);
}

INSTANTIATE_TEST_SUITE_P(Cases, ZmrAddress,
                         ::testing::Values(AddressCase{"192.168.1.64", true, "192.168.1.64"},
                                           AddressCase{nullptr, true, "0.0.0.0"}, AddressCase{"", true, "0.0.0.0"},
                                           AddressCase{"::1", false, nullptr}, AddressCase{"localhost", false, nullptr},
                                           AddressCase{"256.1.1.1", false, nullptr},
                                           AddressCase{"1.2.3", false, nullptr}));

TEST(ZmrSocket, OnlyIPv4TcpAndUdpSocketsAreMade)
{
    const ZMR_SOCKET tcp = ZMR_CreateSocket(ZMR_AF_INET, ZMR_SOCK_STREAM, ZMR_IPPROTO_TCP);
    const ZMR_SOCKET udp = ZMR_CreateSocket(ZMR_AF_INET, ZMR_SOCK_DGRAM, ZMR_IPPROTO_UDP);
    EXPECT_NE(tcp, ZMR_INVALID_SOCKET);
    EXPECT_NE(udp, ZMR_INVALID_SOCKET);
    EXPECT_NE(fcntl(tcp, F_GETFD) & FD_CLOEXEC, 0);
    EXPECT_EQ(ZMR_CreateSocket(10, ZMR_SOCK_STREAM, ZMR_IPPROTO_TCP), ZMR_INVALID_SOCKET);
    EXPECT_EQ(ZMR_CreateSocket(ZMR_AF_INET, ZMR_SOCK_STREAM, ZMR_IPPROTO_UDP), ZMR_INVALID_SOCKET);
    EXPECT_EQ(ZMR_CloseSocket(tcp, 0), 0);
    EXPECT_EQ(ZMR_CloseSocket(udp, 0), 0);
    EXPECT_NE(ZMR_CloseSocket(ZMR_INVALID_SOCKET, 0), 0);
}

TEST(ZmrSocket, ConnectsSendsAndSetsOptions)
{
    const int listening = loopback::listener();
    const ZMR_SOCKET socket = ZMR_CreateSocket(ZMR_AF_INET, ZMR_SOCK_STREAM, ZMR_IPPROTO_TCP);
    EXPECT_EQ(ZMR_SetReuseAddr(socket, 1), 0);
    EXPECT_EQ(ZMR_SetBuffSize(socket, 524288, 524288), 0);
    ZMR_ADDR target{};
    ASSERT_EQ(ZMR_MakeAddrByString(ZMR_AF_INET, "127.0.0.1", loopback::localPort(listening), &target), 0);
    ASSERT_EQ(ZMR_ConnectWithTimeOut(socket, &target, 4000), 0);
    EXPECT_EQ(fcntl(socket, F_GETFL) & O_NONBLOCK, 0);
    const int server = accept(listening, nullptr, nullptr);

    const std::string request = "OPTIONS rtsp://127.0.0.1/ RTSP/1.0\r\nCSeq: 1\r\n\r\n";
    EXPECT_EQ(ZMR_Send(socket, request.data(), request.size()), static_cast<int>(request.size()));
    EXPECT_EQ(loopback::readExactly(server, request.size()), request);
    // One segment on loopback: once readable, all three bytes are there.
    send(server, "abc", 3, 0);
    pollfd readable{socket, POLLIN, 0};
    ASSERT_EQ(poll(&readable, 1, 30000), 1);
    uint32_t available = 0;
    ASSERT_EQ(ZMR_Ioctl(socket, ZMR_FIONREAD, &available), 0);
    EXPECT_EQ(available, 3u);
    EXPECT_EQ(ZMR_ShutDown(socket, ZMR_SD_BOTH), 0);
    close(server);
    close(listening);
    EXPECT_EQ(ZMR_CloseSocket(socket, 0), 0);
}

TEST(ZmrSocket, ConnectToAClosedPortFailsWithTheSystemError)
{
    const int listening = loopback::listener();
    const uint16_t port = loopback::localPort(listening);
    close(listening);
    const ZMR_SOCKET socket = ZMR_CreateSocket(ZMR_AF_INET, ZMR_SOCK_STREAM, ZMR_IPPROTO_TCP);
    ZMR_ADDR target{};
    ZMR_MakeAddrByString(ZMR_AF_INET, "127.0.0.1", port, &target);
    EXPECT_NE(ZMR_ConnectWithTimeOut(socket, &target, 4000), 0);
    EXPECT_EQ(ZMR_GetSystemLastError(), ECONNREFUSED);
    ZMR_CloseSocket(socket, 0);
}

TEST(ZmrSocket, SendToAClosedPeerFailsWithoutSigpipe)
{
    // With the default action SIGPIPE would end the test program here.
    signal(SIGPIPE, SIG_DFL);
    auto [client, server] = loopback::tcpPair();
    loopback::resetAndClose(server);
    const std::string block(65536, 'x');
    int result = 0;
    for (int i = 0; i < 100 && result >= 0; ++i)
        result = ZMR_Send(client, block.data(), block.size());
    EXPECT_EQ(result, -1);
    const int error = ZMR_GetSystemLastError();
    EXPECT_TRUE(error == EPIPE || error == ECONNRESET) << error;
    ZMR_CloseSocket(client, 0);
}

TEST(ZmrSocket, UdpConnResetControlIsAcceptedAndHarmless)
{
    const ZMR_SOCKET udp = ZMR_CreateSocket(ZMR_AF_INET, ZMR_SOCK_DGRAM, ZMR_IPPROTO_UDP);
    uint32_t off = 0;
    EXPECT_EQ(ZMR_Ioctl(udp, ZMR_SIO_UDP_CONNRESET, &off), 0);
    EXPECT_NE(ZMR_Ioctl(udp, 0x12345678U, &off), 0);
    ZMR_CloseSocket(udp, 0);
    EXPECT_NE(ZMR_Ioctl(udp, ZMR_SIO_UDP_CONNRESET, &off), 0);
}

TEST(ZmrSocket, RecvFromNoWaitTakesWhatWaitsAndNeverBlocks)
{
    const ZMR_SOCKET receiver = ZMR_CreateSocket(ZMR_AF_INET, ZMR_SOCK_DGRAM, ZMR_IPPROTO_UDP);
    const ZMR_SOCKET sender = ZMR_CreateSocket(ZMR_AF_INET, ZMR_SOCK_DGRAM, ZMR_IPPROTO_UDP);
    ZMR_ADDR local{};
    ASSERT_EQ(ZMR_MakeAddrByString(ZMR_AF_INET, "127.0.0.1", 0, &local), 0);
    ASSERT_EQ(ZMR_Bind(receiver, &local), 0);
    ASSERT_EQ(ZMR_Bind(sender, &local), 0);
    sockaddr_in bound{};
    socklen_t size = sizeof bound;
    getsockname(receiver, reinterpret_cast<sockaddr*>(&bound), &size);
    char buffer[16];
    errno = 0;
    EXPECT_EQ(ZMR_RecvFromNoWait(receiver, buffer, sizeof buffer, nullptr), -1) << "nothing waits";
    EXPECT_EQ(errno, EAGAIN);
    for (const char* text : {"one", ""})
        ASSERT_EQ(sendto(sender, text, std::strlen(text), 0, reinterpret_cast<sockaddr*>(&bound), sizeof bound),
                  ssize_t(std::strlen(text)));
    pollfd readable{receiver, POLLIN, 0};
    ASSERT_EQ(poll(&readable, 1, 2000), 1);
    ZMR_ADDR from{};
    ASSERT_EQ(ZMR_RecvFromNoWait(receiver, buffer, sizeof buffer, &from), 3);
    EXPECT_EQ(std::string(buffer, 3), "one");
    EXPECT_EQ(from.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
    EXPECT_EQ(ZMR_RecvFromNoWait(receiver, buffer, sizeof buffer, nullptr), 0) << "an empty datagram";
    EXPECT_EQ(ZMR_RecvFromNoWait(receiver, nullptr, 0, nullptr), -1);
    ZMR_CloseSocket(receiver, 0);
    ZMR_CloseSocket(sender, 0);
}

TEST(ZmrSocket, MulticastJoinRefusesWhatIsNoGroup)
{
    const ZMR_SOCKET socket = ZMR_CreateSocket(ZMR_AF_INET, ZMR_SOCK_DGRAM, ZMR_IPPROTO_UDP);
    ASSERT_NE(socket, ZMR_INVALID_SOCKET);
    EXPECT_EQ(ZMR_JoinMulticastGroup(socket, nullptr, nullptr), -1);
    EXPECT_EQ(ZMR_JoinMulticastGroup(socket, "127.0.0.1", nullptr), -1);
    EXPECT_EQ(ZMR_JoinMulticastGroup(socket, "239.1.2.300", nullptr), -1);
    EXPECT_EQ(ZMR_JoinMulticastGroup(socket, "239.1.2.3", "not-an-address"), -1);
    ZMR_CloseSocket(socket, 0);
}

TEST(ZmrSocket, ResolvesHostNamesToIPv4Only)
{
    ZMR_ADDRINFO* list = nullptr;
    ASSERT_EQ(ZMR_GetAddressInfo("localhost", nullptr, 0, &list), 0);
    int entries = 0;
    for (ZMR_ADDRINFO* entry = list; entry; entry = entry->ai_next) {
        char text[256];
        ASSERT_EQ(ZMR_GetAddrStringEx(entry, text, sizeof text), 0);
        EXPECT_EQ(std::strncmp(text, "127.", 4), 0) << text;
        ++entries;
    }
    EXPECT_GE(entries, 1);
    ZMR_FreeAddressInfo(list);

    EXPECT_NE(ZMR_GetAddressInfo("::1", nullptr, 0, &list), 0);
    EXPECT_NE(ZMR_GetAddressInfo("", nullptr, 0, &list), 0);
    EXPECT_EQ(ZMR_Ntohs(ZMR_Htons(554)), 554);
}

} // namespace
