#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RtpTestBytes.h"
#include "rtpcore/RtcpApp.h"
#include "rtpcore/RtcpBye.h"
#include "rtpcore/RtcpCompoundPacket.h"
#include "rtpcore/RtcpReceiverReport.h"
#include "rtpcore/RtcpSenderReport.h"
#include "rtpcore/RtcpSourceDescription.h"

using namespace rtpcore;

static Bytes SdesBytes(uint32_t ssrc, const std::string& cname, const std::string& tool = {})
{
    Bytes b{0x81, 202, 0, 0};
    PutBe32(b, ssrc);
    b.push_back(kSdesCname);
    b.push_back(uint8_t(cname.size()));
    b.insert(b.end(), cname.begin(), cname.end());
    if (!tool.empty()) {
        b.push_back(kSdesTool);
        b.push_back(uint8_t(tool.size()));
        b.insert(b.end(), tool.begin(), tool.end());
    }
    b.push_back(0);
    while (b.size() % 4)
        b.push_back(0);
    b[3] = uint8_t(b.size() / 4 - 1);
    return b;
}

static Bytes AppBytes(uint32_t ssrc, const char* name, const Bytes& data)
{
    Bytes b{0x85, 204, 0, 0};
    PutBe32(b, ssrc);
    b.insert(b.end(), name, name + 4);
    b.insert(b.end(), data.begin(), data.end());
    b[3] = uint8_t(b.size() / 4 - 1);
    return b;
}

static std::vector<int> TypesOf(const RtcpCompoundPacket& compound)
{
    std::vector<int> types;
    for (const RtcpPacket& packet : compound)
        types.push_back(packet.type);
    return types;
}

TEST(RtcpCompoundPacket, IteratesEveryKindOfPacket)
{
    Bytes sr = SenderReportBytes(0x1234, 0xE0000000, 0x80000000, 90000, 10, 1000);
    sr[0] |= 1;                                  // one report block
    PutBe32(sr, 0x5555);                         // block: SSRC
    sr.insert(sr.end(), {64, 0xFF, 0xFF, 0xFE}); // fraction 1/4, cumulative -2
    PutBe32(sr, 0x00010005);
    PutBe32(sr, 42);
    PutBe32(sr, 0xAABBCCDD);
    PutBe32(sr, 0x00018000);
    sr[3] = uint8_t(sr.size() / 4 - 1);
    const Bytes bytes = Concat({sr, ReceiverReportBytes(0x9999), SdesBytes(0x1234, "cam@host", "tool"),
                                ByeBytes(0x1234, "stop"), AppBytes(0x1234, "ABCD", {1, 2, 3, 4})});

    RtcpCompoundPacket compound;
    ASSERT_EQ(RtcpCompoundPacket::Parse(bytes.data(), bytes.size(), compound), RtcpParseError::None);
    EXPECT_EQ(TypesOf(compound), (std::vector<int>{200, 201, 202, 203, 204}));

    auto it = compound.begin();
    RtcpSenderReport report;
    ASSERT_TRUE(RtcpSenderReport::Parse(*it, report));
    EXPECT_EQ(report.ssrc, 0x1234u);
    EXPECT_EQ(report.ntpTime.Middle32(), 0x00008000u);
    EXPECT_EQ(report.rtpTimestamp, 90000u);
    EXPECT_EQ(report.packetCount, 10u);
    EXPECT_EQ(report.octetCount, 1000u);
    ASSERT_EQ(report.blockCount, 1);
    const RtcpReportBlock block = report.Block(0);
    EXPECT_EQ(block.ssrc, 0x5555u);
    EXPECT_EQ(block.fractionLost, 64);
    EXPECT_EQ(block.cumulativeLost, -2);
    EXPECT_EQ(block.extendedHighestSequence, 0x00010005u);
    EXPECT_EQ(block.jitter, 42u);
    EXPECT_EQ(block.lastSenderReport, 0xAABBCCDDu);
    EXPECT_EQ(block.delaySinceLastSenderReport, 0x00018000u);

    RtcpReceiverReport receiver;
    ASSERT_TRUE(RtcpReceiverReport::Parse(*++it, receiver));
    EXPECT_EQ(receiver.ssrc, 0x9999u);
    EXPECT_EQ(receiver.blockCount, 0);

    std::vector<std::pair<int, std::string>> items;
    ASSERT_TRUE(RtcpSourceDescription::VisitItems(*++it, [&](uint32_t ssrc, uint8_t type, std::string_view text) {
        EXPECT_EQ(ssrc, 0x1234u);
        items.emplace_back(type, std::string(text));
    }));
    EXPECT_EQ(items, (std::vector<std::pair<int, std::string>>{{kSdesCname, "cam@host"}, {kSdesTool, "tool"}}));

    RtcpBye bye;
    ASSERT_TRUE(RtcpBye::Parse(*++it, bye));
    ASSERT_EQ(bye.sourceCount, 1);
    EXPECT_EQ(bye.Source(0), 0x1234u);
    EXPECT_EQ(bye.reason, "stop");

    RtcpApp app;
    ASSERT_TRUE(RtcpApp::Parse(*++it, app));
    EXPECT_EQ(app.subtype, 5);
    EXPECT_EQ(app.name, "ABCD");
    EXPECT_EQ(app.dataSize, 4u);
    EXPECT_EQ(app.data[3], 4);
    EXPECT_FALSE(++it != compound.end());
}

TEST(RtcpCompoundPacket, PaddingOnTheLastPacketIsExcludedFromItsBody)
{
    Bytes rr = ReceiverReportBytes(7);
    rr[0] |= 0x20;
    rr.insert(rr.end(), {0, 0, 0, 4});
    rr[3] = 2;
    RtcpCompoundPacket compound;
    ASSERT_EQ(RtcpCompoundPacket::Parse(rr.data(), rr.size(), compound), RtcpParseError::None);
    const RtcpPacket packet = *compound.begin();
    EXPECT_EQ(packet.size, 12u);
    EXPECT_EQ(packet.bodySize, 4u);
}

struct MalformedRtcp
{
    const char* name;
    Bytes bytes;
    RtcpParseError expected;
};

// Cases print as their names in test listings.
static void PrintTo(const MalformedRtcp& c, std::ostream* out)
{
    *out << c.name;
}

class RtcpCompoundMalformed : public testing::TestWithParam<MalformedRtcp>
{ };

TEST_P(RtcpCompoundMalformed, IsRejectedWithItsReason)
{
    const MalformedRtcp& c = GetParam();
    RtcpCompoundPacket compound;
    EXPECT_EQ(RtcpCompoundPacket::Parse(c.bytes.data(), c.bytes.size(), compound), c.expected);
    EXPECT_EQ(compound.Size(), 0u);
}

static Bytes Changed(Bytes b, size_t index, uint8_t value)
{
    b[index] = value;
    return b;
}

static Bytes PaddedReceiverReport(uint8_t paddingCount)
{
    Bytes rr = ReceiverReportBytes(7);
    rr[0] |= 0x20;
    rr.insert(rr.end(), {0, 0, 0, paddingCount});
    rr[3] = 2;
    return rr;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RtcpCompoundMalformed,
    testing::Values(
        MalformedRtcp{"empty", {}, RtcpParseError::TooShort},
        MalformedRtcp{"three_bytes", {0x80, 201, 0}, RtcpParseError::TooShort},
        MalformedRtcp{"starts_with_sdes", SdesBytes(1, "a@b"), RtcpParseError::FirstNotReport},
        MalformedRtcp{"starts_with_bye", Concat({ByeBytes(1), ReceiverReportBytes(1)}), RtcpParseError::FirstNotReport},
        MalformedRtcp{"version_1", Changed(ReceiverReportBytes(1), 0, 0x40), RtcpParseError::BadVersion},
        MalformedRtcp{"second_packet_version_3", Concat({ReceiverReportBytes(1), Changed(ByeBytes(1), 0, 0xC1)}),
                      RtcpParseError::BadVersion},
        MalformedRtcp{"length_past_end", Changed(ReceiverReportBytes(1), 3, 2), RtcpParseError::LengthPastEnd},
        MalformedRtcp{"second_length_past_end", Concat({ReceiverReportBytes(1), Changed(ByeBytes(1), 3, 40)}),
                      RtcpParseError::LengthPastEnd},
        MalformedRtcp{"trailing_bytes", Concat({ReceiverReportBytes(1), Bytes{0x81, 203}}),
                      RtcpParseError::LengthPastEnd},
        MalformedRtcp{"padding_not_last", Concat({PaddedReceiverReport(4), ByeBytes(1)}),
                      RtcpParseError::PaddingNotLast},
        MalformedRtcp{"padding_count_zero", PaddedReceiverReport(0), RtcpParseError::BadPadding},
        MalformedRtcp{"padding_longer_than_body", PaddedReceiverReport(9), RtcpParseError::BadPadding}),
    [](const testing::TestParamInfo<MalformedRtcp>& info) { return std::string(info.param.name); });

TEST(RtcpTypedPackets, RejectBodiesShorterThanTheirCounts)
{
    Bytes sr = SenderReportBytes(1, 2, 3, 4, 5, 6);
    sr[0] |= 2; // claims two report blocks that are not there
    Bytes rr = ReceiverReportBytes(1);
    rr[0] |= 1;
    Bytes bye = ByeBytes(1, "gone");
    bye[8] = 200; // reason length past the end
    Bytes sdes = SdesBytes(1, "abc");
    sdes[9] = 30; // item length past the end
    const Bytes bytes = Concat({sr, rr, bye, sdes, Bytes{0x80, 204, 0, 1, 0, 0, 0, 1}});

    RtcpCompoundPacket compound;
    ASSERT_EQ(RtcpCompoundPacket::Parse(bytes.data(), bytes.size(), compound), RtcpParseError::None);
    auto it = compound.begin();
    RtcpSenderReport senderReport;
    EXPECT_FALSE(RtcpSenderReport::Parse(*it, senderReport));
    RtcpReceiverReport receiverReport;
    EXPECT_FALSE(RtcpReceiverReport::Parse(*++it, receiverReport));
    RtcpBye byePacket;
    EXPECT_FALSE(RtcpBye::Parse(*++it, byePacket));
    int items = 0;
    EXPECT_FALSE(RtcpSourceDescription::VisitItems(*++it, [&](uint32_t, uint8_t, std::string_view) { ++items; }));
    EXPECT_EQ(items, 0);
    RtcpApp app;
    EXPECT_FALSE(RtcpApp::Parse(*++it, app));
    EXPECT_FALSE(RtcpBye::Parse(*compound.begin(), byePacket)) << "a typed reader refuses another type";
}
