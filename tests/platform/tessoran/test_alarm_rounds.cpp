// Alarms held for their round: acknowledged only once the round-end callback
// stored the whole round, sent again whole when it did not, grouped as they
// queued up, and refused when no round-end callback could store them.

#include "ListenerFixture.h"

#include <algorithm>
#include <memory>

using namespace std::chrono;

namespace {

class AlarmRoundTest : public ListenerFixture
{
protected:
    void TearDown() override
    {
        roundGateOpen_ = true; // whatever failed, the round thread must not wait for ever
        ListenerFixture::TearDown();
    }

    // Fires the alarms with the first round's end held back, and returns once
    // a callback of the round behind it ran meanwhile.
    void floodBehindAWaitingRoundEnd(size_t alarms)
    {
        loginDeviceOrFail();
        listenHolding();
        roundGateOpen_ = false;
        device().fireAlarms(devsim::AlarmKind::Incident, alarms);
        ASSERT_TRUE(testsupport::WaitUntil([&] { return inRoundEnd_.load(); }, seconds(30)));
        const int firstRound = heldInRoundEnds_;
        ASSERT_TRUE(testsupport::WaitUntil([&] { return callbackCalls_ > firstRound; }, seconds(30)));
    }
};

// While the first round's end waits, the flood queues up behind it: nothing is
// acknowledged before its round is stored, and what queued up meanwhile comes
// in one round (up to the listener's queue of 256), not one round each.
TEST_F(AlarmRoundTest, HeldAlarmsAreAcknowledgedOnlyOnceTheirRoundIsStored)
{
    constexpr size_t kAlarms = 600;
    loginDeviceOrFail();
    listenHolding();
    roundGateOpen_ = false;
    // Whatever fails below, the dispatch thread must not wait for ever.
    std::shared_ptr<void> openAtTheEnd(nullptr, [this](void*) { roundGateOpen_ = true; });
    device().fireAlarms(devsim::AlarmKind::Incident, kAlarms);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return inRoundEnd_.load(); }, seconds(30)));
    // The listener's queue fills up behind the waiting round end.
    ASSERT_TRUE(testsupport::WaitUntil([&] { return device().alarmsSent() > 300; }, seconds(30)));
    // The device goes on sending meanwhile: every alarm it had sent before is
    // still unacknowledged.
    const size_t sentWhileWaiting = device().alarmsSent();
    EXPECT_GE(device().alarmsUnacknowledged(), sentWhileWaiting);
    EXPECT_EQ(receivedCount(), 0u);
    roundGateOpen_ = true;
    ASSERT_TRUE(testsupport::WaitUntil([&] { return allAcknowledged(device(), kAlarms); }, seconds(60)));

    EXPECT_EQ(received(), sent());
    const std::vector<uint32_t> rounds = roundSizes();
    uint32_t total = 0, largest = 0;
    for (uint32_t size : rounds) {
        total += size;
        largest = std::max(largest, size);
    }
    EXPECT_EQ(total, kAlarms);
    // What queued up meanwhile (up to the queue's 256) went in one round.
    EXPECT_GT(largest, 100u);
    EXPECT_LT(rounds.size(), kAlarms);
}

// A round the application could not store is refused whole: the device sends
// it again and every alarm arrives once, in order.
TEST_F(AlarmRoundTest, RoundNotStoredIsSentAgainWhole)
{
    constexpr size_t kAlarms = 40;
    loginDeviceOrFail();
    listenHolding();
    refuseRounds_ = 2;
    device().fireAlarms(devsim::AlarmKind::Incident, kAlarms);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return allAcknowledged(device(), kAlarms); }, seconds(60)));
    EXPECT_EQ(received(), sent());
    EXPECT_EQ(log_.count("did not store a round"), 2u);
    EXPECT_GE(callbackCalls_.load(), int(kAlarms) + 2);
}

// A round ends on the round thread while the dispatch thread already delivers
// the next one: the next round's callbacks run while the round end waits, and
// nothing of either is acknowledged before its own round is stored.
TEST_F(AlarmRoundTest, TheNextRoundIsDeliveredWhileARoundEnds)
{
    constexpr size_t kAlarms = 300;
    ASSERT_NO_FATAL_FAILURE(floodBehindAWaitingRoundEnd(kAlarms));
    EXPECT_TRUE(inRoundEnd_.load());
    EXPECT_EQ(receivedCount(), 0u);
    EXPECT_GE(device().alarmsUnacknowledged(), size_t(callbackCalls_.load()));
    roundGateOpen_ = true;
    ASSERT_TRUE(testsupport::WaitUntil([&] { return allAcknowledged(device(), kAlarms); }, seconds(60)));
    EXPECT_EQ(received(), sent());
    EXPECT_EQ(droppedRounds_.load(), 0);
}

// A round is refused while the next one was delivered behind it: that one is
// dropped whole (its alarms stand behind refused ones of their device), and
// the device sends both again; every alarm is stored once, in order.
TEST_F(AlarmRoundTest, TheRoundDeliveredBehindARefusedOneIsDropped)
{
    constexpr size_t kAlarms = 300;
    ASSERT_NO_FATAL_FAILURE(floodBehindAWaitingRoundEnd(kAlarms));
    refuseRounds_ = 1;
    roundGateOpen_ = true;
    ASSERT_TRUE(testsupport::WaitUntil([&] { return allAcknowledged(device(), kAlarms); }, seconds(60)));
    EXPECT_EQ(received(), sent());
    EXPECT_EQ(log_.count("did not store a round"), 1u);
    EXPECT_GE(droppedRounds_.load(), 1);
    EXPECT_TRUE(log_.contains("was dropped: a round before it was not stored"));
}

// Held with no round-end callback to store it: refused, not acknowledged.
TEST_F(AlarmRoundTest, HeldAlarmWithoutRoundEndIsRefused)
{
    loginDeviceOrFail();
    listenHolding(false);
    device().fireAlarms(devsim::AlarmKind::Incident, 3);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return callbackCalls_ >= 1; }, seconds(30)));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return log_.contains("no round-end callback"); }, seconds(30)));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return device().alarmsSent() == 3; }, seconds(30)));
    EXPECT_EQ(device().alarmsUnacknowledged(), 3u);
    EXPECT_EQ(receivedCount(), 0u);
}

} // namespace

CORVANE_GTEST_MAIN_WITH_GUI
