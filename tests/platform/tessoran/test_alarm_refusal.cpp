// The callback's result decides delivery: an alarm the application could not
// store is neither acknowledged nor counted delivered, and its device sends it
// again; the callback learns each alarm's identity; number 0 is never delivered.

#include "ListenerFixture.h"

#include <string>

using namespace std::chrono;

namespace {

using AlarmRefusalTest = ListenerFixture;

// Refusals at the start, in the middle (after the device reconnected) and of
// the last alarm: every alarm still arrives once, in order, and the alarms
// behind a refused one are not delivered before it.
TEST_F(AlarmRefusalTest, RefusedAlarmsAreSentAgainAndDeliveredOnceInOrder)
{
    constexpr int kAlarms = 40;
    loginDeviceOrFail();
    listen();
    refuseNext_ = 2;
    device().fireAlarms(devsim::AlarmKind::Incident, kAlarms / 2);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return receivedCount() == size_t(kAlarms / 2); }, seconds(60)));
    refuseNext_ = 1;
    device().fireAlarms(devsim::AlarmKind::Incident, kAlarms / 2);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return allAcknowledged(device(), kAlarms); }, seconds(60)));

    EXPECT_EQ(received(), sent());
    // Each refusal costs its alarm one more call, not a call per alarm behind it
    // nor a loop of calls while the connection waits to be closed.
    EXPECT_EQ(callbackCalls_.load(), kAlarms + 3);
    EXPECT_TRUE(log_.contains("was not stored by the application"));
    // The numbers delivered (refused ones included) never go back except to a
    // refused one sent again.
    std::vector<uint32_t> numbers;
    for (const TSR_ALARM_IDENTITY& identity : identities())
        numbers.push_back(identity.dwNumber);
    ASSERT_EQ(numbers.size(), size_t(kAlarms + 3));
    EXPECT_EQ(numbers[0], 1u);
    EXPECT_EQ(numbers[1], 1u);
    EXPECT_EQ(numbers[2], 1u);
    EXPECT_EQ(numbers.back(), uint32_t(kAlarms));
}

// The refusal closes only the refusing device's connection, after a pause: the
// device is back within a few seconds, and nothing was acknowledged for it.
TEST_F(AlarmRefusalTest, RefusedAlarmStaysUnacknowledgedUntilStored)
{
    loginDeviceOrFail();
    listen();
    refuseNext_ = 1000000;
    device().fireAlarms(devsim::AlarmKind::Incident, 3);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return callbackCalls_ >= 3; }, seconds(30)));
    EXPECT_EQ(device().alarmsUnacknowledged(), 3u);
    EXPECT_EQ(receivedCount(), 0u);
    // A second or more between two tries of the same alarm: no tight loop.
    const int calls = callbackCalls_;
    std::this_thread::sleep_for(milliseconds(1500));
    EXPECT_LE(callbackCalls_ - calls, 3);
    refuseNext_ = 0;
    ASSERT_TRUE(testsupport::WaitUntil([&] { return allAcknowledged(device(), 3); }, seconds(30)));
    EXPECT_EQ(received(), sent());
}

// Inside the callback the alarm's identity is known: the device that proved
// itself, one run, numbers from 1 in order. Outside it is not.
TEST_F(AlarmRefusalTest, CallbackLearnsTheIdentityOfEachAlarm)
{
    TSR_ALARM_IDENTITY outside{};
    EXPECT_FALSE(TSR_GetDeliveredAlarm(&outside));
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_INVALID_ARGUMENT));
    EXPECT_FALSE(TSR_GetDeliveredAlarm(nullptr));
    loginDeviceOrFail();
    listen();
    device().fireAlarms(devsim::AlarmKind::TrafficParams, 5);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return allAcknowledged(device(), 5); }, seconds(30)));
    const std::vector<TSR_ALARM_IDENTITY> seen = identities();
    ASSERT_EQ(seen.size(), 5u);
    const std::string expected = deviceSpec().address + ":" + std::to_string(deviceSpec().port);
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(std::string(seen[i].sDevice), expected);
        EXPECT_EQ(seen[i].qwRunId, seen[0].qwRunId);
        EXPECT_EQ(seen[i].dwNumber, uint32_t(i + 1));
    }
    EXPECT_FALSE(TSR_GetDeliveredAlarm(&outside));
}

// Numbers start at 1: an alarm numbered 0 is dropped with a log line and
// acknowledged in its turn, every time it comes; numbered alarms go on.
TEST_F(AlarmRefusalTest, AlarmNumberedZeroIsNeverDelivered)
{
    loginDeviceOrFail();
    listen();
    device().sendNumbered(0, devsim::AlarmKind::Incident);
    device().sendNumbered(0, devsim::AlarmKind::Incident);
    device().fireAlarms(devsim::AlarmKind::Incident, 1);
    // Acknowledgements keep the order of the alarms: the zeros were handled first.
    ASSERT_TRUE(testsupport::WaitUntil([&] { return allAcknowledged(device(), 1); }, seconds(30)));
    EXPECT_EQ(received(), sent());
    EXPECT_EQ(callbackCalls_.load(), 1);
    EXPECT_EQ(log_.count("alarms are numbered from 1"), 2u);
}

} // namespace

CORVANE_GTEST_MAIN_WITH_GUI
