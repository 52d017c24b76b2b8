#include <gtest/gtest.h>

#include "rtpcore/RtcpScheduler.h"

using rtpcore::RtcpScheduler;

struct IntervalCase
{
    const char* name;
    int members;
    int senders;
    double rtcpBandwidth;
    bool weSent;
    double averageSize;
    bool initial;
    double expected;
};

// Cases print as their names in test listings.
static void PrintTo(const IntervalCase& c, std::ostream* out)
{
    *out << c.name;
}

class RtcpDeterministicInterval : public testing::TestWithParam<IntervalCase>
{ };

TEST_P(RtcpDeterministicInterval, FollowsTheBandwidthShares)
{
    const IntervalCase& c = GetParam();
    EXPECT_DOUBLE_EQ(
        RtcpScheduler::DeterministicInterval(c.members, c.senders, c.rtcpBandwidth, c.weSent, c.averageSize, c.initial),
        c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, RtcpDeterministicInterval,
                         testing::Values(
                             // Small sessions sit at the five-second floor, halved before the first report.
                             IntervalCase{"two_members_floor", 2, 1, 500, false, 128, false, 5.0},
                             IntervalCase{"first_report_half_floor", 2, 1, 500, false, 128, true, 2.5},
                             // 10 senders of 1000 members: receivers share 75 % among 990.
                             IntervalCase{"large_receiver", 1000, 10, 500, false, 100, false, 100.0 * 990 / 375},
                             // ... and senders share 25 % among 10.
                             IntervalCase{"large_sender", 1000, 10, 500, true, 100, false, 100.0 * 10 / 125},
                             // Many senders: everyone shares the whole bandwidth.
                             IntervalCase{"many_senders", 1000, 600, 500, false, 100, false, 100.0 * 1000 / 500}),
                         [](const testing::TestParamInfo<IntervalCase>& info) { return std::string(info.param.name); });

TEST(RtcpScheduler, RandomIntervalStaysWithinTheCompensatedRange)
{
    RtcpScheduler scheduler(10000, 100);
    const double base = scheduler.DeterministicInterval(2, 1, false);
    EXPECT_DOUBLE_EQ(base, 2.5);
    double low = 1e9;
    double high = 0;
    for (int i = 0; i < 2000; ++i) {
        const double t = scheduler.RandomInterval(2, 1, false);
        low = std::min(low, t);
        high = std::max(high, t);
    }
    EXPECT_GE(low, 0.5 * base / RtcpScheduler::kCompensation);
    EXPECT_LT(high, 1.5 * base / RtcpScheduler::kCompensation);
    EXPECT_GT(high - low, 0.5 * base / RtcpScheduler::kCompensation) << "the interval is randomised";
}

TEST(RtcpScheduler, ReportIsDueOnlyAfterTheScheduledTime)
{
    RtcpScheduler scheduler(10000, 100);
    scheduler.Start(1000.0, 2, 1, false);
    const double first = scheduler.NextReportTime();
    EXPECT_GE(first, 1000.0 + 0.5 * 2.5 / RtcpScheduler::kCompensation);
    EXPECT_FALSE(scheduler.IsDue(first - 0.01, 2, 1, false));
    EXPECT_TRUE(scheduler.IsDue(1000.0 + 1.5 * 2.5 / RtcpScheduler::kCompensation, 2, 1, false));

    scheduler.OnReportSent(1010.0, 80, 2, 1, false);
    EXPECT_GE(scheduler.NextReportTime(), 1010.0 + 0.5 * 5.0 / RtcpScheduler::kCompensation)
        << "after the first report the full floor applies";
}

TEST(RtcpScheduler, AverageSizeMovesBySixteenthsWithHeaders)
{
    RtcpScheduler scheduler(10000, 100);
    EXPECT_DOUBLE_EQ(scheduler.AverageRtcpSize(), 128.0);
    scheduler.OnReportReceived(36); // 64 with UDP and IP headers
    EXPECT_DOUBLE_EQ(scheduler.AverageRtcpSize(), 128.0 + (64.0 - 128.0) / 16);
}
