#include <gtest/gtest.h>

#include "RtpTestBytes.h"
#include "rtpcore/RtpPacket.h"

using rtpcore::RtpPacket;
using rtpcore::RtpParseError;

TEST(RtpPacket, ParsesFixedHeaderAndPayloadInPlace)
{
    const Bytes bytes = RtpBytes(0xBEEF, 0x11223344, 0xCAFEBABE, {9, 8, 7}, 97, true);
    RtpPacket packet;
    ASSERT_EQ(RtpPacket::Parse(bytes.data(), bytes.size(), packet), RtpParseError::None);
    EXPECT_TRUE(packet.marker);
    EXPECT_EQ(packet.payloadType, 97);
    EXPECT_EQ(packet.sequence, 0xBEEF);
    EXPECT_EQ(packet.timestamp, 0x11223344u);
    EXPECT_EQ(packet.ssrc, 0xCAFEBABEu);
    EXPECT_EQ(packet.payload, bytes.data() + 12); // a view, not a copy
    EXPECT_EQ(packet.payloadSize, 3u);
    EXPECT_EQ(packet.data, bytes.data());
    EXPECT_EQ(packet.size, bytes.size());
}

TEST(RtpPacket, ParsesCsrcListExtensionAndPadding)
{
    Bytes b{0xB2, 96}; // version 2, padding, extension, two CSRCs
    PutBe16(b, 1);
    PutBe32(b, 2);
    PutBe32(b, 3);
    PutBe32(b, 0x1111);
    PutBe32(b, 0x2222);
    PutBe16(b, 0xBEDE); // extension profile
    PutBe16(b, 1);      // one word
    PutBe32(b, 0xAABBCCDD);
    b.insert(b.end(), {5, 6, 7, 0, 0, 3}); // 3 payload bytes, 3 padding bytes
    RtpPacket packet;
    ASSERT_EQ(RtpPacket::Parse(b.data(), b.size(), packet), RtpParseError::None);
    EXPECT_EQ(packet.csrcCount, 2);
    EXPECT_EQ(packet.Csrc(0), 0x1111u);
    EXPECT_EQ(packet.Csrc(1), 0x2222u);
    EXPECT_EQ(packet.Csrc(2), 0u);
    EXPECT_EQ(packet.extensionProfile, 0xBEDE);
    EXPECT_EQ(packet.extensionSize, 4u);
    EXPECT_EQ(packet.extensionData, b.data() + 24);
    EXPECT_EQ(packet.payload, b.data() + 28);
    EXPECT_EQ(packet.payloadSize, 3u);
    EXPECT_EQ(packet.paddingSize, 3u);
}

TEST(RtpPacket, PaddingMayFillTheWholePayload)
{
    Bytes b = RtpBytes(1, 2, 3, {0, 0, 0, 4});
    b[0] |= 0x20;
    RtpPacket packet;
    ASSERT_EQ(RtpPacket::Parse(b.data(), b.size(), packet), RtpParseError::None);
    EXPECT_EQ(packet.payloadSize, 0u);
}

struct MalformedRtp
{
    const char* name;
    Bytes bytes;
    RtpParseError expected;
};

// Cases print as their names in test listings.
static void PrintTo(const MalformedRtp& c, std::ostream* out)
{
    *out << c.name;
}

class RtpPacketMalformed : public testing::TestWithParam<MalformedRtp>
{ };

TEST_P(RtpPacketMalformed, IsRejectedWithItsReason)
{
    const MalformedRtp& c = GetParam();
    RtpPacket packet;
    packet.ssrc = 77;
    EXPECT_EQ(RtpPacket::Parse(c.bytes.data(), c.bytes.size(), packet), c.expected);
    EXPECT_EQ(packet.ssrc, 77u) << "a rejected packet leaves the output alone";
}

static Bytes WithFirstByte(Bytes b, uint8_t first)
{
    b[0] = first;
    return b;
}

static Bytes Truncated(Bytes b, size_t size)
{
    b.resize(size);
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RtpPacketMalformed,
    testing::Values(MalformedRtp{"empty", {}, RtpParseError::TooShort},
                    MalformedRtp{"eleven_bytes", Truncated(RtpBytes(1, 2, 3), 11), RtpParseError::TooShort},
                    MalformedRtp{"version_1", WithFirstByte(RtpBytes(1, 2, 3), 0x40), RtpParseError::BadVersion},
                    MalformedRtp{"version_0", WithFirstByte(RtpBytes(1, 2, 3), 0x00), RtpParseError::BadVersion},
                    MalformedRtp{"csrc_count_past_end", WithFirstByte(RtpBytes(1, 2, 3, {1, 2, 3, 4}), 0x82),
                                 RtpParseError::CsrcPastEnd},
                    MalformedRtp{"csrc_count_15_in_header_only", WithFirstByte(RtpBytes(1, 2, 3, {}), 0x8F),
                                 RtpParseError::CsrcPastEnd},
                    MalformedRtp{"extension_head_past_end", WithFirstByte(RtpBytes(1, 2, 3, {0xBE}), 0x90),
                                 RtpParseError::ExtensionPastEnd},
                    MalformedRtp{"extension_length_past_end",
                                 WithFirstByte(RtpBytes(1, 2, 3, {0xBE, 0xDE, 0, 2, 1, 2, 3, 4}), 0x90),
                                 RtpParseError::ExtensionPastEnd},
                    MalformedRtp{"padding_count_zero", WithFirstByte(RtpBytes(1, 2, 3, {1, 2, 3, 0}), 0xA0),
                                 RtpParseError::BadPadding},
                    MalformedRtp{"padding_longer_than_payload", WithFirstByte(RtpBytes(1, 2, 3, {1, 2, 3, 5}), 0xA0),
                                 RtpParseError::BadPadding},
                    MalformedRtp{"padding_in_header_only_packet", WithFirstByte(RtpBytes(1, 2, 3, {}), 0xA0),
                                 RtpParseError::BadPadding},
                    MalformedRtp{"rtcp_sender_report_type", RtpBytes(1, 2, 3, {}, 72, true),
                                 RtpParseError::RtcpPayloadType}),
    [](const testing::TestParamInfo<MalformedRtp>& info) { return std::string(info.param.name); });
