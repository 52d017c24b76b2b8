#include <gtest/gtest.h>

#include <vector>

#include "RtpTestBytes.h"
#include "rtpcore/RtcpBye.h"
#include "rtpcore/RtcpCompoundPacket.h"
#include "rtpcore/RtcpReceiverReport.h"
#include "rtpcore/RtcpSenderReport.h"
#include "rtpcore/RtcpSourceDescription.h"
#include "rtpcore/RtpSession.h"

using namespace rtpcore;

namespace {

struct RecordingSender : RtpPacketSender
{
    std::vector<Bytes> rtp;
    std::vector<Bytes> rtcp;
    bool fail = false;
    bool SendRtp(const uint8_t* data, size_t size) override
    {
        rtp.emplace_back(data, data + size);
        return !fail;
    }
    bool SendRtcp(const uint8_t* data, size_t size) override
    {
        rtcp.emplace_back(data, data + size);
        return !fail;
    }
};

// Records what reaches the hooks and, like the library's transport
// sessions, answers a sender report at once with a receiver report.
class ObservedSession : public RtpSession
{
public:
    std::vector<RtpPacket> packets;
    std::vector<uint32_t> validatedFlags;
    std::vector<int> rtcpTypes;
    bool answerSenderReports = false;

protected:
    void OnRtpPacket(const RtpPacket& packet, const RtpSourceState& source) override
    {
        packets.push_back(packet);
        validatedFlags.push_back(source.IsValidated());
    }
    void OnRtcpCompoundPacket(const RtcpCompoundPacket& compound, const RtpEndpoint&) override
    {
        for (const RtcpPacket& packet : compound) {
            rtcpTypes.push_back(packet.type);
            if (packet.type == kRtcpSenderReport && answerSenderReports) {
                EXPECT_EQ(SendReceiverReport(), RtpStatus::Ok);
            }
        }
    }
};

class RtpSessionTest : public testing::Test
{
protected:
    void SetUp() override
    {
        RtpSessionParams params;
        params.maxPacketSize = 10000;
        params.cname = "viewer@desk";
        params.clock = [this] { return now; };
        ASSERT_EQ(session.Create(params, &sender), RtpStatus::Ok);
    }

    void Inject(const Bytes& bytes) { ASSERT_EQ(session.InjectRtp(bytes.data(), bytes.size()), RtpStatus::Ok); }
    void InjectRtcp(const Bytes& bytes) { ASSERT_EQ(session.InjectRtcp(bytes.data(), bytes.size()), RtpStatus::Ok); }

    double now = 3900000000.0;
    RecordingSender sender;
    ObservedSession session;
};

} // namespace

TEST(RtpSessionLifecycle, RefusesUseBeforeCreateAndWithoutSender)
{
    RtpSession session;
    const Bytes rtp = RtpBytes(1, 2, 3);
    EXPECT_EQ(session.InjectRtp(rtp.data(), rtp.size()), RtpStatus::NotCreated);
    EXPECT_EQ(session.Poll(), RtpStatus::NotCreated);
    EXPECT_EQ(session.SendReceiverReport(), RtpStatus::NotCreated);
    EXPECT_EQ(session.SendPacket("x", 1, 96, false, 0), RtpStatus::NotCreated);
    EXPECT_EQ(session.Create(RtpSessionParams(), nullptr), RtpStatus::NoSender);

    RecordingSender sender;
    EXPECT_EQ(session.Create(RtpSessionParams(), &sender), RtpStatus::Ok);
    EXPECT_EQ(session.Create(RtpSessionParams(), &sender), RtpStatus::AlreadyCreated);
    EXPECT_NE(session.Cname().find('@'), std::string::npos) << "default CNAME is user@host";
    session.Destroy();
    EXPECT_EQ(session.Poll(), RtpStatus::NotCreated);
}

TEST(RtpSessionLifecycle, InitialSsrcSequenceAndTimestampAreRandom)
{
    RecordingSender sender;
    RtpSession a;
    RtpSession b;
    ASSERT_EQ(a.Create(RtpSessionParams(), &sender), RtpStatus::Ok);
    ASSERT_EQ(b.Create(RtpSessionParams(), &sender), RtpStatus::Ok);
    // Chance of a false failure: below 2^-60.
    EXPECT_FALSE(a.LocalSsrc() == b.LocalSsrc() && a.NextSequence() == b.NextSequence() &&
                 a.NextTimestamp() == b.NextTimestamp());
}

TEST_F(RtpSessionTest, InjectedPacketsReachTheHookAsViewsOfTheCallersBuffer)
{
    const Bytes first = RtpBytes(7, 100, 0xAAAA, {1, 2, 3});
    const Bytes second = RtpBytes(8, 200, 0xAAAA, {4, 5});
    Inject(first);
    Inject(second);
    ASSERT_EQ(session.packets.size(), 2u);
    EXPECT_EQ(session.packets[0].data, first.data());
    EXPECT_EQ(session.packets[0].payload, first.data() + 12);
    EXPECT_EQ(session.packets[1].sequence, 8);
    EXPECT_EQ(session.validatedFlags, (std::vector<uint32_t>{0, 1})) << "delivered even while on probation";

    const Bytes bad = {0x80, 96, 0};
    EXPECT_EQ(session.InjectRtp(bad.data(), bad.size()), RtpStatus::InvalidRtpPacket);
    const Bytes sdesFirst = {0x81, 202, 0, 1, 0, 0, 0, 1};
    EXPECT_EQ(session.InjectRtcp(sdesFirst.data(), sdesFirst.size()), RtpStatus::InvalidRtcpPacket);
    EXPECT_EQ(session.packets.size(), 2u);
}

TEST_F(RtpSessionTest, ANewSsrcIsANewSource)
{
    Inject(RtpBytes(1, 0, 0xAAAA));
    Inject(RtpBytes(2, 0, 0xAAAA));
    Inject(RtpBytes(500, 0, 0xBBBB));
    Inject(RtpBytes(501, 0, 0xBBBB));
    Inject(RtpBytes(502, 0, 0xBBBB));
    ASSERT_EQ(session.Sources().size(), 2u);
    EXPECT_EQ(session.Source(0xAAAA)->ExtendedHighestSequence(), 2u);
    EXPECT_EQ(session.Source(0xBBBB)->ExtendedHighestSequence(), 502u);
    EXPECT_EQ(session.Source(0xBBBB)->Received(), 2u);
}

TEST_F(RtpSessionTest, SenderReportIsAnsweredWithReceiverReportAndCname)
{
    session.answerSenderReports = true;
    Inject(RtpBytes(1, 0, 0xAAAA));
    Inject(RtpBytes(2, 90, 0xAAAA));
    InjectRtcp(SenderReportBytes(0xAAAA, 0xE8008000, 0x40000000, 90, 2, 8));
    ASSERT_EQ(sender.rtcp.size(), 1u);

    const Bytes& answer = sender.rtcp[0];
    RtcpCompoundPacket compound;
    ASSERT_EQ(RtcpCompoundPacket::Parse(answer.data(), answer.size(), compound), RtcpParseError::None);
    auto it = compound.begin();
    RtcpReceiverReport report;
    ASSERT_TRUE(RtcpReceiverReport::Parse(*it, report));
    EXPECT_EQ(report.ssrc, session.LocalSsrc());
    ASSERT_EQ(report.blockCount, 1);
    const RtcpReportBlock block = report.Block(0);
    EXPECT_EQ(block.ssrc, 0xAAAAu);
    EXPECT_EQ(block.extendedHighestSequence, 2u);
    EXPECT_EQ(block.cumulativeLost, 0);
    EXPECT_EQ(block.lastSenderReport, 0x80004000u);
    EXPECT_EQ(block.delaySinceLastSenderReport, 0u) << "answered at once";
    std::string cname;
    ASSERT_TRUE(RtcpSourceDescription::VisitItems(*++it, [&](uint32_t ssrc, uint8_t type, std::string_view text) {
        EXPECT_EQ(ssrc, session.LocalSsrc());
        EXPECT_EQ(type, kSdesCname);
        cname.assign(text);
    }));
    EXPECT_EQ(cname, "viewer@desk");
}

TEST_F(RtpSessionTest, DelaySinceLastSenderReportCountsIn65536thsOfASecond)
{
    Inject(RtpBytes(1, 0, 0xAAAA));
    Inject(RtpBytes(2, 90, 0xAAAA));
    InjectRtcp(SenderReportBytes(0xAAAA, 0xE8000000, 0, 90, 2, 8));
    now += 0.25;
    ASSERT_EQ(session.SendReceiverReport(), RtpStatus::Ok);
    RtcpCompoundPacket compound;
    ASSERT_EQ(RtcpCompoundPacket::Parse(sender.rtcp[0].data(), sender.rtcp[0].size(), compound), RtcpParseError::None);
    RtcpReceiverReport report;
    ASSERT_TRUE(RtcpReceiverReport::Parse(*compound.begin(), report));
    EXPECT_EQ(report.Block(0).delaySinceLastSenderReport, 16384u);
}

TEST_F(RtpSessionTest, PollSendsTheReportOnlyWhenItIsDue)
{
    Inject(RtpBytes(1, 0, 0xAAAA));
    Inject(RtpBytes(2, 0, 0xAAAA));
    EXPECT_EQ(session.Poll(), RtpStatus::Ok);
    EXPECT_TRUE(sender.rtcp.empty()) << "the first report waits at least 1.25 s / (e - 1.5)";
    now = session.NextReportTime() + 3.1; // past the longest initial interval
    EXPECT_EQ(session.Poll(), RtpStatus::Ok);
    ASSERT_EQ(sender.rtcp.size(), 1u);
    EXPECT_EQ(sender.rtcp[0][1], kRtcpReceiverReport);
    EXPECT_EQ(session.Poll(), RtpStatus::Ok);
    EXPECT_EQ(sender.rtcp.size(), 1u) << "not twice in the same instant";
}

TEST_F(RtpSessionTest, SentPacketsCarryTheHeaderAndTurnReportsIntoSenderReports)
{
    const uint16_t firstSequence = session.NextSequence();
    const uint32_t firstTimestamp = session.NextTimestamp();
    const Bytes payload = {0xDE, 0xAD, 0xBE, 0xEF};
    ASSERT_EQ(session.SendPacket(payload.data(), payload.size(), 0x88, true, 160), RtpStatus::Ok);
    ASSERT_EQ(session.SendPacket(payload.data(), 2, 8, false, 160), RtpStatus::Ok);
    const double sendTime = now;
    ASSERT_EQ(sender.rtp.size(), 2u);

    RtpPacket packet;
    ASSERT_EQ(RtpPacket::Parse(sender.rtp[0].data(), sender.rtp[0].size(), packet), RtpParseError::None);
    EXPECT_EQ(packet.payloadType, 8) << "payload type keeps its low seven bits";
    EXPECT_TRUE(packet.marker);
    EXPECT_EQ(packet.sequence, firstSequence);
    EXPECT_EQ(packet.timestamp, firstTimestamp);
    EXPECT_EQ(packet.ssrc, session.LocalSsrc());
    EXPECT_EQ(Bytes(packet.payload, packet.payload + packet.payloadSize), payload);
    ASSERT_EQ(RtpPacket::Parse(sender.rtp[1].data(), sender.rtp[1].size(), packet), RtpParseError::None);
    EXPECT_EQ(packet.sequence, uint16_t(firstSequence + 1));
    EXPECT_EQ(packet.timestamp, firstTimestamp + 160);

    now = session.NextReportTime() + 3.1; // still within two intervals of the last send
    ASSERT_EQ(session.Poll(), RtpStatus::Ok);
    ASSERT_EQ(sender.rtcp.size(), 1u);
    RtcpCompoundPacket compound;
    ASSERT_EQ(RtcpCompoundPacket::Parse(sender.rtcp[0].data(), sender.rtcp[0].size(), compound), RtcpParseError::None);
    RtcpSenderReport report;
    ASSERT_TRUE(RtcpSenderReport::Parse(*compound.begin(), report));
    EXPECT_EQ(report.ssrc, session.LocalSsrc());
    EXPECT_EQ(report.packetCount, 2u);
    EXPECT_EQ(report.octetCount, 6u);
    EXPECT_EQ(report.rtpTimestamp - (firstTimestamp + 160), uint32_t((now - sendTime) * 90000))
        << "the report's RTP time is the last packet's, moved on to the report's wall-clock time";

    now += 20;
    sender.rtcp.clear();
    now = std::max(now, session.NextReportTime() + 3.1);
    ASSERT_EQ(session.Poll(), RtpStatus::Ok);
    ASSERT_EQ(sender.rtcp.size(), 1u);
    EXPECT_EQ(sender.rtcp[0][1], kRtcpReceiverReport) << "long after the last send we are a receiver again";
}

TEST_F(RtpSessionTest, PacketsLargerThanTheMaximumAreRefused)
{
    const Bytes big(10000 - 11, 0);
    EXPECT_EQ(session.SendPacket(big.data(), big.size(), 96, false, 0), RtpStatus::PacketTooLarge);
    EXPECT_EQ(session.SendPacket(big.data(), big.size() - 1, 96, false, 0), RtpStatus::Ok);
    sender.fail = true;
    EXPECT_EQ(session.SendPacket(big.data(), 10, 96, false, 0), RtpStatus::SendFailed);
}

TEST_F(RtpSessionTest, ByeRemovesTheSourceAfterTheHookSawIt)
{
    Inject(RtpBytes(1, 0, 0xAAAA));
    Inject(RtpBytes(2, 0, 0xAAAA));
    InjectRtcp(Concat({ReceiverReportBytes(0xAAAA), ByeBytes(0xAAAA, "end")}));
    EXPECT_EQ(session.rtcpTypes, (std::vector<int>{kRtcpReceiverReport, kRtcpBye}));
    EXPECT_EQ(session.Source(0xAAAA), nullptr);
}

TEST_F(RtpSessionTest, SilentSourcesAreForgotten)
{
    Inject(RtpBytes(1, 0, 0xAAAA));
    Inject(RtpBytes(2, 0, 0xAAAA));
    now += 10;
    Inject(RtpBytes(1, 0, 0xBBBB));
    session.Poll();
    EXPECT_NE(session.Source(0xAAAA), nullptr);
    now += 30; // beyond five report intervals of silence
    session.Poll();
    EXPECT_EQ(session.Source(0xAAAA), nullptr);
    EXPECT_EQ(session.Source(0xBBBB), nullptr);
}

TEST_F(RtpSessionTest, SomeoneUsingOurSsrcMakesUsPickAnother)
{
    const uint32_t ours = session.LocalSsrc();
    Inject(RtpBytes(1, 0, ours));
    EXPECT_NE(session.LocalSsrc(), ours);
    ASSERT_EQ(session.packets.size(), 1u);
}

TEST_F(RtpSessionTest, MadeUpSsrcsDoNotGrowTheSourceTableWithoutBound)
{
    for (uint32_t ssrc = 1; ssrc <= RtpSession::kMaxSources + 50; ++ssrc) {
        now += 0.001;
        Inject(RtpBytes(1, 0, ssrc));
    }
    EXPECT_EQ(session.Sources().size(), RtpSession::kMaxSources);
    EXPECT_EQ(session.Source(1), nullptr) << "the longest silent source made room";
    EXPECT_NE(session.Source(RtpSession::kMaxSources + 50), nullptr);
    EXPECT_EQ(session.packets.size(), RtpSession::kMaxSources + 50) << "every packet was still delivered";
}

TEST_F(RtpSessionTest, ArrivalTimesGivenByTheTransportDriveTheJitter)
{
    // 90 kHz: packets 3000 units apart arriving 1/30 s apart, then one 10 ms late.
    const double t0 = 3900000100.0;
    const auto inject = [&](uint16_t sequence, uint32_t timestamp, double arrival) {
        const Bytes bytes = RtpBytes(sequence, timestamp, 0xAAAA);
        ASSERT_EQ(session.InjectRtp(bytes.data(), bytes.size(), {}, arrival), RtpStatus::Ok);
    };
    inject(1, 0, t0);
    inject(2, 3000, t0 + 1.0 / 30);
    inject(3, 6000, t0 + 2.0 / 30);
    EXPECT_NEAR(session.Source(0xAAAA)->Jitter(), 0.0, 0.01);
    inject(4, 9000, t0 + 3.0 / 30 + 0.010);
    EXPECT_NEAR(session.Source(0xAAAA)->Jitter(), 900.0 / 16, 0.01) << "10 ms = 900 units, a sixteenth of it";
}

TEST_F(RtpSessionTest, AReportTheTransportRefusesIsNotRetriedAtEveryPoll)
{
    Inject(RtpBytes(1, 0, 0xAAAA));
    Inject(RtpBytes(2, 0, 0xAAAA));
    sender.fail = true;
    now = session.NextReportTime() + 3.1;
    EXPECT_EQ(session.Poll(), RtpStatus::SendFailed);
    EXPECT_EQ(session.Poll(), RtpStatus::Ok);
    EXPECT_EQ(sender.rtcp.size(), 1u);
    EXPECT_GT(session.NextReportTime(), now);
}
