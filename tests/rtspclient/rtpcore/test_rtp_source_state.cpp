#include <gtest/gtest.h>

#include "rtpcore/RtpSourceState.h"

using rtpcore::NtpTime;
using rtpcore::RtcpReportBlock;
using rtpcore::RtpSourceState;

// A short trace at 8 kHz, 20 ms packets (160 units), with one packet lost
// and arrival times that wander. Jitter by hand, J += (|D| - J) / 16:
//   seq 10: on probation, not counted
//   seq 11: first accepted packet, transit 100
//   seq 12: transit 116, D 16, J = 1
//   seq 14: transit 100, D 16, J = 1 + 15/16 = 1.9375
//   seq 15: transit 132, D 32, J = 1.9375 + 30.0625/16 = 3.81640625
// Expected 11..15 = 5, received 4: one lost, fraction 256/5 = 51.
TEST(RtpSourceState, LossAndJitterOfAShortTraceMatchTheHandComputation)
{
    RtpSourceState source(0x42);
    EXPECT_FALSE(source.OnRtpPacket(10, 0, 100));
    EXPECT_FALSE(source.IsValidated());
    EXPECT_TRUE(source.OnRtpPacket(11, 160, 260));
    EXPECT_TRUE(source.IsValidated());
    EXPECT_TRUE(source.OnRtpPacket(12, 320, 436));
    EXPECT_DOUBLE_EQ(source.Jitter(), 1.0);
    EXPECT_TRUE(source.OnRtpPacket(14, 640, 740));
    EXPECT_DOUBLE_EQ(source.Jitter(), 1.9375);
    EXPECT_TRUE(source.OnRtpPacket(15, 800, 932));
    EXPECT_DOUBLE_EQ(source.Jitter(), 3.81640625);

    EXPECT_EQ(source.Expected(), 5u);
    EXPECT_EQ(source.Received(), 4u);
    EXPECT_EQ(source.CumulativeLost(), 1);

    RtcpReportBlock first = source.MakeReportBlock(0);
    EXPECT_EQ(first.ssrc, 0x42u);
    EXPECT_EQ(first.fractionLost, 51);
    EXPECT_EQ(first.cumulativeLost, 1);
    EXPECT_EQ(first.extendedHighestSequence, 15u);
    EXPECT_EQ(first.jitter, 3u);
    EXPECT_EQ(first.lastSenderReport, 0u);
    EXPECT_EQ(first.delaySinceLastSenderReport, 0u);

    // Nothing lost since: the fraction covers only the new interval.
    EXPECT_TRUE(source.OnRtpPacket(16, 960, 1092));
    RtcpReportBlock second = source.MakeReportBlock(0);
    EXPECT_EQ(second.fractionLost, 0);
    EXPECT_EQ(second.cumulativeLost, 1);
    EXPECT_EQ(second.extendedHighestSequence, 16u);
}

TEST(RtpSourceState, SequenceWrapCountsACycle)
{
    RtpSourceState source(1);
    source.OnRtpPacket(65534, 0, 0);
    source.OnRtpPacket(65535, 0, 0);
    source.OnRtpPacket(0, 0, 0);
    source.OnRtpPacket(1, 0, 0);
    EXPECT_EQ(source.ExtendedHighestSequence(), 65536u + 1);
    EXPECT_EQ(source.Expected(), 3u);
    EXPECT_EQ(source.CumulativeLost(), 0);
}

TEST(RtpSourceState, LateAndDuplicatePacketsLeaveTheHighestAlone)
{
    RtpSourceState source(1);
    source.OnRtpPacket(100, 0, 0);
    for (uint16_t seq : {101, 102, 104, 103, 103})
        EXPECT_TRUE(source.OnRtpPacket(seq, 0, 0)) << seq;
    EXPECT_EQ(source.ExtendedHighestSequence(), 104u);
    EXPECT_EQ(source.Received(), 5u); // 101..104 and the duplicate
    EXPECT_EQ(source.CumulativeLost(), -1) << "duplicates make the loss negative, as RFC 3550 6.4.1 allows";
}

TEST(RtpSourceState, LargeJumpIsBelievedOnlyWhenTheNextPacketFollowsIt)
{
    RtpSourceState source(1);
    source.OnRtpPacket(1000, 0, 0);
    source.OnRtpPacket(1001, 0, 0);
    EXPECT_FALSE(source.OnRtpPacket(30000, 0, 0)) << "a lone jump is taken for a stray packet";
    EXPECT_TRUE(source.OnRtpPacket(1002, 0, 0));
    EXPECT_EQ(source.ExtendedHighestSequence(), 1002u);

    EXPECT_FALSE(source.OnRtpPacket(40000, 0, 0));
    EXPECT_TRUE(source.OnRtpPacket(40001, 0, 0)) << "two in a row: the sender restarted";
    EXPECT_EQ(source.ExtendedHighestSequence(), 40001u);
    EXPECT_EQ(source.Received(), 1u);
    EXPECT_EQ(source.CumulativeLost(), 0);
}

TEST(RtpSourceState, ProbationRestartsOnAGap)
{
    RtpSourceState source(1);
    EXPECT_FALSE(source.OnRtpPacket(10, 0, 0));
    EXPECT_FALSE(source.OnRtpPacket(20, 0, 0));
    EXPECT_FALSE(source.IsValidated());
    EXPECT_TRUE(source.OnRtpPacket(21, 0, 0));
    EXPECT_TRUE(source.IsValidated());
}

TEST(RtpSourceState, LastSenderReportGivesLsrAndDlsr)
{
    RtpSourceState source(1);
    source.OnRtpPacket(1, 0, 0);
    source.OnRtpPacket(2, 0, 0);
    NtpTime reportTime;
    reportTime.seconds = 0x12345678;
    reportTime.fraction = 0x9ABCDEF0;
    source.OnSenderReport(reportTime, 1000.0);
    RtcpReportBlock block = source.MakeReportBlock(1001.5);
    EXPECT_EQ(block.lastSenderReport, 0x56789ABCu);
    EXPECT_EQ(block.delaySinceLastSenderReport, uint32_t(1.5 * 65536));
}

TEST(RtpSourceState, CumulativeLossClampsToTwentyFourBits)
{
    RtpSourceState source(1);
    source.OnRtpPacket(0, 0, 0);
    source.OnRtpPacket(1, 0, 0);
    // Advance the highest sequence by steps below the dropout limit,
    // one packet per step: 2999 of every 3000 are lost.
    uint16_t seq = 1;
    for (int i = 0; i < 3000; ++i) {
        seq = uint16_t(seq + 2999);
        source.OnRtpPacket(seq, 0, 0);
    }
    EXPECT_GT(int64_t(source.Expected()) - source.Received(), 0x7FFFFF);
    EXPECT_EQ(source.CumulativeLost(), 0x7FFFFF);
}
