#include <gtest/gtest.h>

#include <string>

#include "rtpcore/RtcpBye.h"
#include "rtpcore/RtcpCompoundBuilder.h"
#include "rtpcore/RtcpCompoundPacket.h"
#include "rtpcore/RtcpReceiverReport.h"
#include "rtpcore/RtcpSenderReport.h"
#include "rtpcore/RtcpSourceDescription.h"

using namespace rtpcore;

static RtcpReportBlock SampleBlock(uint32_t ssrc)
{
    RtcpReportBlock block;
    block.ssrc = ssrc;
    block.fractionLost = 51;
    block.cumulativeLost = -3;
    block.extendedHighestSequence = 0x0001FFFF;
    block.jitter = 17;
    block.lastSenderReport = 0x56789ABC;
    block.delaySinceLastSenderReport = 98304;
    return block;
}

static std::string CnameOf(const RtcpPacket& packet, uint32_t* ssrcOut)
{
    std::string cname;
    EXPECT_TRUE(RtcpSourceDescription::VisitItems(packet, [&](uint32_t ssrc, uint8_t type, std::string_view text) {
        EXPECT_EQ(type, kSdesCname);
        *ssrcOut = ssrc;
        cname.assign(text);
    }));
    return cname;
}

TEST(RtcpCompoundBuilder, ReceiverReportWithCnameParsesBackFieldByField)
{
    RtcpCompoundBuilder builder(1400);
    builder.BeginReceiverReport(0xA1B2C3D4);
    ASSERT_TRUE(builder.AddReportBlock(SampleBlock(0x11111111)));
    ASSERT_TRUE(builder.AddReportBlock(SampleBlock(0x22222222)));
    ASSERT_TRUE(builder.AddCname(0xA1B2C3D4, "viewer@desk"));
    EXPECT_EQ(builder.Size() % 4, 0u);

    RtcpCompoundPacket compound;
    ASSERT_EQ(RtcpCompoundPacket::Parse(builder.Data(), builder.Size(), compound), RtcpParseError::None);
    auto it = compound.begin();
    RtcpReceiverReport report;
    ASSERT_TRUE(RtcpReceiverReport::Parse(*it, report));
    EXPECT_EQ(report.ssrc, 0xA1B2C3D4u);
    ASSERT_EQ(report.blockCount, 2);
    for (uint8_t i = 0; i < 2; ++i) {
        const RtcpReportBlock expected = SampleBlock(i == 0 ? 0x11111111 : 0x22222222);
        const RtcpReportBlock block = report.Block(i);
        EXPECT_EQ(block.ssrc, expected.ssrc);
        EXPECT_EQ(block.fractionLost, expected.fractionLost);
        EXPECT_EQ(block.cumulativeLost, expected.cumulativeLost);
        EXPECT_EQ(block.extendedHighestSequence, expected.extendedHighestSequence);
        EXPECT_EQ(block.jitter, expected.jitter);
        EXPECT_EQ(block.lastSenderReport, expected.lastSenderReport);
        EXPECT_EQ(block.delaySinceLastSenderReport, expected.delaySinceLastSenderReport);
    }
    uint32_t cnameSsrc = 0;
    EXPECT_EQ(CnameOf(*++it, &cnameSsrc), "viewer@desk");
    EXPECT_EQ(cnameSsrc, 0xA1B2C3D4u);
    EXPECT_FALSE(++it != compound.end());
}

TEST(RtcpCompoundBuilder, SenderReportAndByeParseBack)
{
    RtcpCompoundBuilder builder(1400);
    NtpTime now;
    now.seconds = 0xE1234567;
    now.fraction = 0x80000000;
    builder.BeginSenderReport(5, now, 123456, 7, 700);
    ASSERT_TRUE(builder.AddCname(5, "a@b"));
    ASSERT_TRUE(builder.AddBye(5, "done"));

    RtcpCompoundPacket compound;
    ASSERT_EQ(RtcpCompoundPacket::Parse(builder.Data(), builder.Size(), compound), RtcpParseError::None);
    auto it = compound.begin();
    RtcpSenderReport report;
    ASSERT_TRUE(RtcpSenderReport::Parse(*it, report));
    EXPECT_EQ(report.ssrc, 5u);
    EXPECT_EQ(report.ntpTime.seconds, now.seconds);
    EXPECT_EQ(report.ntpTime.fraction, now.fraction);
    EXPECT_EQ(report.rtpTimestamp, 123456u);
    EXPECT_EQ(report.packetCount, 7u);
    EXPECT_EQ(report.octetCount, 700u);
    ++it;
    RtcpBye bye;
    ASSERT_TRUE(RtcpBye::Parse(*++it, bye));
    EXPECT_EQ(bye.Source(0), 5u);
    EXPECT_EQ(bye.reason, "done");
}

TEST(RtcpCompoundBuilder, CnameLengthsAroundTheWordBoundaryStayAligned)
{
    for (size_t length = 0; length < 9; ++length) {
        RtcpCompoundBuilder builder(1400);
        builder.BeginReceiverReport(1);
        const std::string cname(length, 'x');
        ASSERT_TRUE(builder.AddCname(1, cname));
        RtcpCompoundPacket compound;
        ASSERT_EQ(RtcpCompoundPacket::Parse(builder.Data(), builder.Size(), compound), RtcpParseError::None) << length;
        uint32_t ssrc = 0;
        EXPECT_EQ(CnameOf(*++compound.begin(), &ssrc), cname);
    }
}

TEST(RtcpCompoundBuilder, RefusesToOutgrowTheMaximumSize)
{
    RtcpCompoundBuilder builder(8 + 24 + 8);
    builder.BeginReceiverReport(1);
    EXPECT_TRUE(builder.AddReportBlock(SampleBlock(2)));
    EXPECT_FALSE(builder.AddReportBlock(SampleBlock(3)));
    EXPECT_FALSE(builder.AddCname(1, "someone@somewhere"));
    EXPECT_EQ(builder.Size(), 32u);
}

TEST(RtcpCompoundBuilder, ThirtyOneBlocksAtMost)
{
    RtcpCompoundBuilder builder(10000);
    builder.BeginReceiverReport(1);
    for (int i = 0; i < RtcpCompoundBuilder::kMaxReportBlocks; ++i)
        ASSERT_TRUE(builder.AddReportBlock(SampleBlock(uint32_t(i))));
    EXPECT_FALSE(builder.AddReportBlock(SampleBlock(99)));
    RtcpCompoundPacket compound;
    ASSERT_EQ(RtcpCompoundPacket::Parse(builder.Data(), builder.Size(), compound), RtcpParseError::None);
    RtcpReceiverReport report;
    ASSERT_TRUE(RtcpReceiverReport::Parse(*compound.begin(), report));
    EXPECT_EQ(report.blockCount, 31);
    EXPECT_EQ(report.Block(30).ssrc, 30u);
}
