#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "../rtpcore/RtpTestBytes.h"
#include "rtp/CRtpTcpTransSession.h"
#include "rtp/CRtpUdpTransSession.h"
#include "rtp/CRtspClientMedia.h"
#include "rtp/CRtspTransSession.h"
#include "rtp/CreateTcpConnect.h"
#include "LoopbackPeer.h"
#include "TransportEnvironment.h"
#include "rtpcore/RtcpCompoundBuilder.h"
#include "rtpcore/RtcpCompoundPacket.h"
#include "rtpcore/RtcpReceiverReport.h"
#include "rtpcore/RtcpSourceDescription.h"
#include "rtpcore/RtpPacket.h"

using loopback::Fd;
using loopback::ReadFrame;
using loopback::SendAll;
using loopback::WaitFor;

namespace {

constexpr uint32_t kServerSsrc = 0x5E7E55;

// What reached a data callback: (type, bytes, payload type, marker, timestamp).
struct Received
{
    int type;
    Bytes bytes;
    uint32_t payloadType;
    uint32_t marker;
    uint32_t timestamp;
};

struct DataLog
{
    std::mutex mutex;
    std::vector<Received> items;

    void Add(int type, const STREAM_DATA_T* data)
    {
        std::lock_guard<std::mutex> lock(mutex);
        items.push_back({type, Bytes(data->pData, data->pData + data->uiDataLen), data->uiPayloadType, data->uiMarker,
                         data->uiTimeStamp});
    }
    static int OnStreamData(int, int type, STREAM_DATA_T* data, void* user)
    {
        static_cast<DataLog*>(user)->Add(type, data);
        return 0;
    }
    static int OnDelivery(STREAM_DATA_T* data, void* context)
    {
        static_cast<DataLog*>(context)->Add(CRtspClientMedia::IsEndOfStream(data) ? 100 : 2, data);
        return 0;
    }
    size_t Count()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return items.size();
    }
    std::vector<Received> Items()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return items;
    }
};

Bytes SenderReportCompound()
{
    rtpcore::RtcpCompoundBuilder builder(1400);
    rtpcore::NtpTime when;
    when.seconds = 0xE9000010;
    when.fraction = 0x20000000;
    builder.BeginSenderReport(kServerSsrc, when, 9000, 2, 8);
    builder.AddCname(kServerSsrc, "camera@server");
    return Bytes(builder.Data(), builder.Data() + builder.Size());
}

Bytes ByeCompound()
{
    rtpcore::RtcpCompoundBuilder builder(1400);
    builder.BeginReceiverReport(kServerSsrc);
    builder.AddCname(kServerSsrc, "camera@server");
    builder.AddBye(kServerSsrc, "end of clip");
    return Bytes(builder.Data(), builder.Data() + builder.Size());
}

// Checks a receiver report as the server gets it: RR with a block about the
// server's stream, then our CNAME.
void ExpectReceiverReport(const Bytes& bytes, uint32_t highestSequence)
{
    rtpcore::RtcpCompoundPacket compound;
    ASSERT_EQ(rtpcore::RtcpCompoundPacket::Parse(bytes.data(), bytes.size(), compound), rtpcore::RtcpParseError::None);
    auto it = compound.begin();
    rtpcore::RtcpReceiverReport report;
    ASSERT_TRUE(rtpcore::RtcpReceiverReport::Parse(*it, report));
    ASSERT_EQ(report.blockCount, 1);
    EXPECT_EQ(report.Block(0).ssrc, kServerSsrc);
    EXPECT_EQ(report.Block(0).extendedHighestSequence, highestSequence);
    EXPECT_EQ(report.Block(0).lastSenderReport, 0x00102000u);
    std::string cname;
    rtpcore::RtcpSourceDescription::VisitItems(*++it, [&](uint32_t, uint8_t type, std::string_view text) {
        if (type == rtpcore::kSdesCname)
            cname.assign(text);
    });
    EXPECT_NE(cname.find('@'), std::string::npos) << "CNAME user@host";
}

Bytes Packet(uint16_t sequence, const Bytes& payload = {1, 2, 3, 4}, bool marker = false)
{
    return RtpBytes(sequence, 9000u * sequence, kServerSsrc, payload, 96, marker);
}

// A track playing interleaved over an RTSP connection whose server end is ours.
class InterleavedTrackTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const ZMR_SOCKET socket = CreateTcpConnect(nullptr, "127.0.0.1", 0, listener.Port(), 4000);
        ASSERT_NE(socket, ZMR_INVALID_SOCKET);
        server = listener.Accept();
        ASSERT_EQ(connection.Open(socket), 0);
        ASSERT_EQ(connection.StartRecv(), 0);
    }
    void OpenTrack(int pack)
    {
        ASSERT_EQ(track.Init(CRtspClientMedia::kRtpOverRtsp, pack, 1), 0);
        ASSERT_EQ(track.Open(&connection, 2, "127.0.0.1", 0, 0, nullptr), 0);
        ASSERT_EQ(track.RecvData(DataLog::OnStreamData, &log), 0);
    }
    void ServerSends(int channel, const Bytes& payload)
    {
        ASSERT_TRUE(SendAll(server.Get(), loopback::InterleavedFrame(channel, payload)));
    }

    DataLog log;
    loopback::TcpListener listener;
    Fd server;
    CRtspTransSession connection;
    CRtspClientMedia track; // closed before the connection goes
};

} // namespace

TEST_F(InterleavedTrackTest, PacketsAreDeliveredWholeAndASenderReportIsAnswered)
{
    OpenTrack(1);
    ServerSends(2, Packet(1));
    ServerSends(2, Packet(2, {9, 9}, true));
    ServerSends(2, Packet(3));
    ASSERT_TRUE(WaitFor([&] { return log.Count() == 3; }));
    const std::vector<Received> items = log.Items();
    EXPECT_EQ(items[1].type, PELLMAR_DATA_RTP);
    EXPECT_EQ(items[1].bytes, Packet(2, {9, 9}, true)) << "whole packet, header included";
    EXPECT_EQ(items[1].payloadType, 96u);
    EXPECT_EQ(items[1].marker, 1u);
    EXPECT_EQ(items[1].timestamp, 18000u);

    ServerSends(3, SenderReportCompound());
    const loopback::Frame answer = ReadFrame(server.Get());
    EXPECT_EQ(answer.channel, 3) << "RTCP goes back on the odd channel";
    ExpectReceiverReport(answer.payload, 3);
}

TEST_F(InterleavedTrackTest, PayloadOnlyWhenThePackingFlagIsOff)
{
    OpenTrack(0);
    ServerSends(2, Packet(1, {5, 6, 7}));
    ASSERT_TRUE(WaitFor([&] { return log.Count() == 1; }));
    EXPECT_EQ(log.Items()[0].bytes, Bytes({5, 6, 7}));
    ASSERT_EQ(track.ApplyRtpPack(1), 0);
    ServerSends(2, Packet(2, {8}));
    ASSERT_TRUE(WaitFor([&] { return log.Count() == 2; }));
    EXPECT_EQ(log.Items()[1].bytes, Packet(2, {8}));
    EXPECT_EQ(track.RtpPackApplied(), 1);
}

TEST_F(InterleavedTrackTest, ByeBecomesTheEndOfStreamDataType)
{
    OpenTrack(1);
    ServerSends(2, Packet(1));
    ServerSends(3, ByeCompound());
    ASSERT_TRUE(WaitFor([&] { return log.Count() == 2; }));
    const Received end = log.Items()[1];
    EXPECT_EQ(end.type, PELLMAR_DATA_END_OF_STREAM);
    EXPECT_EQ(end.bytes, Bytes({'$', 'z', 'u', 'l', 4, 3, 2, 1}));
    EXPECT_EQ(end.payloadType, 96u);
    EXPECT_EQ(end.marker, 1u);
    EXPECT_EQ(end.timestamp, 0u);
}

TEST_F(InterleavedTrackTest, BackChannelPacketsGoOutFramedOnTheTrackChannel)
{
    OpenTrack(1);
    const Bytes audio = {0x11, 0x22, 0x33};
    STREAM_DATA_T record{const_cast<uint8_t*>(audio.data()), uint32_t(audio.size()), 0x108, 1, 160};
    ASSERT_EQ(track.SendData(&record), 0);
    const loopback::Frame frame = ReadFrame(server.Get());
    EXPECT_EQ(frame.channel, 2);
    rtpcore::RtpPacket packet;
    ASSERT_EQ(rtpcore::RtpPacket::Parse(frame.payload.data(), frame.payload.size(), packet),
              rtpcore::RtpParseError::None);
    EXPECT_EQ(packet.payloadType, 8) << "the low byte of the payload type, seven bits on the wire";
    EXPECT_TRUE(packet.marker);
    EXPECT_EQ(Bytes(packet.payload, packet.payload + packet.payloadSize), audio);
}

TEST_F(InterleavedTrackTest, TheManagerStepDrivesReportsWithoutIncomingRtcp)
{
    OpenTrack(1);
    ServerSends(2, Packet(1));
    ServerSends(2, Packet(2));
    // The first report is due within about 3 s; the manager's step posts
    // the poll every second even when nothing arrives.
    const loopback::Frame report = ReadFrame(server.Get(), 15000);
    EXPECT_EQ(report.channel, 3);
    rtpcore::RtcpCompoundPacket compound;
    EXPECT_EQ(rtpcore::RtcpCompoundPacket::Parse(report.payload.data(), report.payload.size(), compound),
              rtpcore::RtcpParseError::None);
}

TEST_F(InterleavedTrackTest, ClosedTrackGetsNothingMore)
{
    OpenTrack(1);
    ServerSends(2, Packet(1));
    ASSERT_TRUE(WaitFor([&] { return log.Count() == 1; }));
    ASSERT_EQ(track.Close(), 0);
    ServerSends(2, Packet(2));
    ServerSends(0, Packet(3));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(log.Count(), 1u);
    EXPECT_FALSE(track.IsOpen());
    STREAM_DATA_T record{nullptr, 0, 0, 0, 0};
    EXPECT_EQ(track.SendData(&record), -1);
}

TEST(CRtspClientMediaOpen, RefusesWhatCannotWork)
{
    CRtspClientMedia track;
    ASSERT_EQ(track.Init(CRtspClientMedia::kRtpOverRtsp, 1, 0), 0);
    EXPECT_EQ(track.Open(nullptr, 0, "127.0.0.1", 0, 0, nullptr), -1) << "interleaved needs the connection";
    EXPECT_EQ(track.Init(7, 1, 0), 0);
    EXPECT_EQ(track.Open(nullptr, 0, "127.0.0.1", 0, 0, nullptr), -1) << "unknown method";
    EXPECT_EQ(track.RecvData(DataLog::OnStreamData, nullptr), -1) << "no transport session";
}

struct EndMarkCase
{
    const char* name;
    Bytes bytes;
    bool endOfStream;
};

class EndOfStreamMark : public testing::TestWithParam<EndMarkCase>
{ };

TEST_P(EndOfStreamMark, IsRecognisedOnlyWhenTheLastEightBytesMatch)
{
    Bytes bytes = GetParam().bytes;
    STREAM_DATA_T record{bytes.data(), uint32_t(bytes.size()), 96, 1, 0};
    EXPECT_EQ(CRtspClientMedia::IsEndOfStream(&record), GetParam().endOfStream);
}

INSTANTIATE_TEST_SUITE_P(Table, EndOfStreamMark,
                         testing::Values(EndMarkCase{"exactly_the_mark", {'$', 'z', 'u', 'l', 4, 3, 2, 1}, true},
                                         EndMarkCase{
                                             "mark_at_the_end_of_more", {0, 0, '$', 'z', 'u', 'l', 4, 3, 2, 1}, true},
                                         EndMarkCase{"seven_bytes", {'z', 'u', 'l', 4, 3, 2, 1}, false},
                                         EndMarkCase{"other_last_byte", {'$', 'z', 'u', 'l', 4, 3, 2, 0}, false},
                                         EndMarkCase{"empty", {}, false}),
                         [](const testing::TestParamInfo<EndMarkCase>& info) { return std::string(info.param.name); });

// --- UDP --------------------------------------------------------------------

class UdpTransportTest : public testing::Test
{
protected:
    void SetUp() override
    {
        serverPort = testsupport::reservePortPair();
        clientPort = testsupport::reservePortPair();
        ASSERT_NE(serverPort, 0);
        ASSERT_NE(clientPort, 0);
        serverRtp = std::make_unique<loopback::UdpSocket>(serverPort);
        serverRtcp = std::make_unique<loopback::UdpSocket>(uint16_t(serverPort + 1));
        ASSERT_TRUE(serverRtp->Bound() && serverRtcp->Bound());
        ASSERT_EQ(session.OpenUdp(nullptr, clientPort, "127.0.0.1", serverPort), 0);
        ASSERT_EQ(session.RecvData(DataLog::OnDelivery, &log, 1), 0);
    }
    void TearDown() override { session.Close(); }

    DataLog log;
    uint16_t serverPort = 0;
    uint16_t clientPort = 0;
    std::unique_ptr<loopback::UdpSocket> serverRtp;
    std::unique_ptr<loopback::UdpSocket> serverRtcp;
    CRtpUdpTransSession session;
};

TEST_F(UdpTransportTest, PacketsArriveAndTheReportGoesToTheRtcpPort)
{
    ASSERT_TRUE(serverRtp->SendTo(clientPort, Packet(1)));
    ASSERT_TRUE(serverRtp->SendTo(clientPort, Packet(2)));
    ASSERT_TRUE(WaitFor([&] { return log.Count() == 2; }));
    EXPECT_EQ(log.Items()[1].bytes, Packet(2));

    ASSERT_TRUE(serverRtcp->SendTo(uint16_t(clientPort + 1), SenderReportCompound()));
    Bytes report;
    ASSERT_TRUE(serverRtcp->Receive(report));
    ExpectReceiverReport(report, 2);
}

TEST_F(UdpTransportTest, AnEmptyDatagramDoesNotSilenceTheSocket)
{
    ASSERT_TRUE(serverRtp->SendTo(clientPort, {}));
    ASSERT_TRUE(serverRtp->SendTo(clientPort, Packet(1)));
    ASSERT_TRUE(WaitFor([&] { return log.Count() == 1; }));
}

// Once the server's own media flows, another host cannot join in.
TEST_F(UdpTransportTest, DatagramsFromAnotherHostAreNotInjected)
{
    ASSERT_TRUE(serverRtp->SendTo(clientPort, Packet(1)));
    ASSERT_TRUE(WaitFor([&] { return log.Count() == 1; }));
    loopback::UdpSocket stranger(0, "127.0.0.2");
    ASSERT_TRUE(stranger.Bound());
    ASSERT_TRUE(stranger.SendTo(clientPort, Packet(7)));
    ASSERT_TRUE(stranger.SendTo(uint16_t(clientPort + 1), ByeCompound()));
    ASSERT_TRUE(serverRtp->SendTo(clientPort, Packet(2)));
    ASSERT_TRUE(WaitFor([&] { return log.Count() >= 2; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::vector<Received> items = log.Items();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].bytes, Packet(1));
    EXPECT_EQ(items[1].bytes, Packet(2));
}

// A server at one address whose media leaves from another (127.0.190.2 answers
// RTSP, 127.0.0.1 sends): the first well-formed RTP packet names the media's
// host, which then feeds the session; a third host does not.
struct MediaSenderCase
{
    const char* name;
    Bytes first;      // what reaches the RTP port first, from the media host
    size_t delivered; // of first, then Packet(1) from the media host
};
void PrintTo(const MediaSenderCase& c, std::ostream* os)
{
    *os << c.name;
}

class MediaFromAnotherAddress : public testing::TestWithParam<MediaSenderCase>
{ };

TEST_P(MediaFromAnotherAddress, IsLearnedFromTheFirstWellFormedRtp)
{
    const uint16_t clientPort = testsupport::reservePortPair();
    ASSERT_NE(clientPort, 0);
    loopback::UdpSocket media(0, "127.0.0.1");
    loopback::UdpSocket third(0, "127.0.0.3");
    ASSERT_TRUE(media.Bound() && third.Bound());
    DataLog log;
    CRtpUdpTransSession session;
    ASSERT_EQ(session.OpenUdp(nullptr, clientPort, "127.0.190.2", 40000), 0);
    ASSERT_EQ(session.RecvData(DataLog::OnDelivery, &log, 1), 0);

    ASSERT_TRUE(media.SendTo(clientPort, GetParam().first));
    ASSERT_TRUE(media.SendTo(clientPort, Packet(1)));
    ASSERT_TRUE(WaitFor([&] { return log.Count() >= GetParam().delivered; }));
    ASSERT_TRUE(third.SendTo(clientPort, Packet(9)));
    ASSERT_TRUE(media.SendTo(clientPort, Packet(2)));
    ASSERT_TRUE(WaitFor([&] { return log.Count() >= GetParam().delivered + 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::vector<Received> items = log.Items();
    ASSERT_EQ(items.size(), GetParam().delivered + 1) << "the third host's packet got in";
    EXPECT_EQ(items[GetParam().delivered - 1].bytes, Packet(1));
    EXPECT_EQ(items.back().bytes, Packet(2));
    session.Close();
}

INSTANTIATE_TEST_SUITE_P(Udp, MediaFromAnotherAddress,
                         testing::Values(MediaSenderCase{"RtpFirst", Packet(0), 2},
                                         MediaSenderCase{"GarbageFirstTeachesNothing", Bytes{0x00, 0x01, 0x02}, 1},
                                         MediaSenderCase{"ShortHeaderFirstTeachesNothing",
                                                         [] {
                                                             Bytes cut = Packet(0);
                                                             cut.resize(8);
                                                             return cut;
                                                         }(),
                                                         1}),
                         [](const testing::TestParamInfo<MediaSenderCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(UdpTransportTest, BackChannelGoesToTheServerRtpPort)
{
    ASSERT_EQ(session.SendData("pcm", 3, 8, false, 160), 0);
    Bytes datagram;
    ASSERT_TRUE(serverRtp->Receive(datagram));
    rtpcore::RtpPacket packet;
    ASSERT_EQ(rtpcore::RtpPacket::Parse(datagram.data(), datagram.size(), packet), rtpcore::RtpParseError::None);
    EXPECT_EQ(packet.payloadSize, 3u);
}

TEST(UdpTransportOpen, FailsWhenTheLocalPortIsTaken)
{
    loopback::UdpSocket taken;
    CRtpUdpTransSession session;
    EXPECT_EQ(session.OpenUdp(nullptr, taken.Port(), "127.0.0.1", 5000), -1);
    EXPECT_FALSE(CRtpTransSessionMgr::Instance().IsRegistered(&session));
}

// --- RTP over TCP ----------------------------------------------------------

class TcpTransportTest : public testing::Test
{
protected:
    void Open(bool separateRtcp, int cascade)
    {
        session = std::make_unique<CRtpTcpTransSession>(ZMR_INVALID_ASYNCIOQUEUE, cascade);
        const ZMR_SOCKET rtp = CreateTcpConnect(nullptr, "127.0.0.1", 0, rtpListener.Port(), 4000);
        ASSERT_NE(rtp, ZMR_INVALID_SOCKET);
        serverRtp = rtpListener.Accept();
        ZMR_SOCKET rtcp = ZMR_INVALID_SOCKET;
        if (separateRtcp) {
            rtcp = CreateTcpConnect(nullptr, "127.0.0.1", 0, rtcpListener.Port(), 4000);
            ASSERT_NE(rtcp, ZMR_INVALID_SOCKET);
            serverRtcp = rtcpListener.Accept();
        }
        ASSERT_EQ(session->OpenTcp(rtp, rtcp, 0), 0);
        ASSERT_EQ(session->RecvData(DataLog::OnDelivery, &log, 1), 0);
    }
    void TearDown() override
    {
        if (session)
            session->Close();
    }

    DataLog log;
    loopback::TcpListener rtpListener;
    loopback::TcpListener rtcpListener;
    Fd serverRtp;
    Fd serverRtcp;
    std::unique_ptr<CRtpTcpTransSession> session;
};

TEST_F(TcpTransportTest, SeparateRtcpConnectionCarriesTheReports)
{
    Open(true, 0);
    ASSERT_TRUE(SendAll(serverRtp.Get(),
                        "xx" + loopback::InterleavedFrame(0, Packet(1)) + loopback::InterleavedFrame(0, Packet(2))));
    ASSERT_TRUE(WaitFor([&] { return log.Count() == 2; }));
    ASSERT_TRUE(SendAll(serverRtcp.Get(), loopback::InterleavedFrame(1, SenderReportCompound())));
    const loopback::Frame answer = ReadFrame(serverRtcp.Get());
    EXPECT_EQ(answer.channel, 1);
    ExpectReceiverReport(answer.payload, 2);
}

TEST_F(TcpTransportTest, CascadeFramesCountWordsAndShareTheConnection)
{
    Open(false, 1);
    for (uint16_t sequence = 1; sequence <= 2; ++sequence) {
        const Bytes packet = Packet(sequence, Bytes(88, 0xAB)); // 12 + 88 = 100 bytes = 25 words
        ASSERT_EQ(packet.size(), 100u);
        std::string frame = {'$', 0, 25, 0};
        frame.append(packet.begin(), packet.end());
        ASSERT_TRUE(SendAll(serverRtp.Get(), frame));
        ASSERT_TRUE(WaitFor([&] { return log.Count() == sequence; }));
        EXPECT_EQ(log.Items()[sequence - 1].bytes, packet);
    }

    const Bytes report = SenderReportCompound();
    std::string rtcpFrame = {'$', 1, char(report.size() / 4), 0};
    rtcpFrame.append(report.begin(), report.end());
    ASSERT_TRUE(SendAll(serverRtp.Get(), rtcpFrame));
    const loopback::Frame answer = ReadFrame(serverRtp.Get());
    EXPECT_EQ(answer.channel, 1) << "RTCP on the RTP connection, next channel";
    ExpectReceiverReport(answer.payload, 2);
}

TEST_F(TcpTransportTest, PeerClosingStopsReceivingQuietly)
{
    Open(true, 0);
    serverRtp.Reset();
    serverRtcp.Reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(log.Count(), 0u);
    EXPECT_EQ(session->Close(), 0);
}

// The order a session closes in: its connection first, so that nothing
// arriving from the server is being handled when the tracks are freed.
TEST(InterleavedTeardown, ClosingWhileTheServerStreamsLeavesNothingRunning)
{
    for (int cycle = 0; cycle < 30; ++cycle) {
        DataLog log;
        loopback::TcpListener listener;
        const ZMR_SOCKET socket = CreateTcpConnect(nullptr, "127.0.0.1", 0, listener.Port(), 4000);
        ASSERT_NE(socket, ZMR_INVALID_SOCKET);
        Fd server = listener.Accept();
        auto connection = std::make_unique<CRtspTransSession>();
        auto track = std::make_unique<CRtspClientMedia>();
        ASSERT_EQ(connection->Open(socket), 0);
        ASSERT_EQ(track->Init(CRtspClientMedia::kRtpOverRtsp, 1, 0), 0);
        ASSERT_EQ(track->Open(connection.get(), 0, "127.0.0.1", 0, 0, nullptr), 0);
        ASSERT_EQ(track->RecvData(DataLog::OnStreamData, &log), 0);
        ASSERT_EQ(connection->StartRecv(), 0);
        std::atomic<bool> stop{false};
        std::thread writer([&] {
            uint16_t sequence = 0;
            while (!stop) {
                const std::string burst = loopback::InterleavedFrame(0, Packet(sequence++)) +
                                          loopback::InterleavedFrame(1, SenderReportCompound()) +
                                          "RTSP/1.0 200 OK\r\nCSeq: 1\r\n\r\n";
                if (!SendAll(server.Get(), burst))
                    break;
            }
        });
        ASSERT_TRUE(WaitFor([&] { return log.Count() > 0; }));
        connection->Close();
        track->Close();
        track.reset();
        connection.reset();
        stop = true;
        ::shutdown(server.Get(), SHUT_RDWR); // unblocks the writer; closed after it ends
        writer.join();
    }
}
