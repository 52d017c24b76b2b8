// The bookkeeping behind continuous recording, without devices: one recording
// per camera, stops that cancel starts not yet under way and wait for the
// others.

#include "device/RecordingRegistry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Reservation = RecordingRegistry::Reservation;

TEST(RecordingRegistry, ACameraIsClaimedOnceUntilReleased)
{
    RecordingRegistry registry;
    const quint64 generation = registry.BeginStarts(3);
    EXPECT_EQ(registry.Reserve("192.0.2.1", generation), Reservation::Reserved);
    EXPECT_EQ(registry.Reserve("192.0.2.1", generation), Reservation::AlreadyRecording);
    registry.Release("192.0.2.1");
    EXPECT_EQ(registry.Reserve("192.0.2.1", generation), Reservation::Reserved);
    for (int i = 0; i < 3; ++i)
        registry.FinishStart();
}

TEST(RecordingRegistry, StopHandsBackEveryHandleAndCancelsOlderStarts)
{
    RecordingRegistry registry;
    const quint64 before = registry.BeginStarts(2);
    ASSERT_EQ(registry.Reserve("192.0.2.1", before), Reservation::Reserved);
    registry.Adopt(7, {"192.0.2.1", "/data/a.mp4", 0});
    registry.FinishStart();
    registry.FinishStart();

    EXPECT_EQ(registry.TakeAllForStop(), QVector<long>{7});
    EXPECT_TRUE(registry.Handles().isEmpty());
    EXPECT_FALSE(registry.Update(7, [](RecordingRegistry::Target&) { ADD_FAILURE() << "stopped handle updated"; }));

    const quint64 after = registry.BeginStarts(1);
    EXPECT_EQ(registry.Reserve("192.0.2.2", before), Reservation::Cancelled);
    EXPECT_EQ(registry.Reserve("192.0.2.1", after), Reservation::Reserved) << "a stop frees the camera";
    registry.FinishStart();
}

TEST(RecordingRegistry, UpdateChangesTheHandlesTarget)
{
    RecordingRegistry registry;
    registry.Adopt(3, {"192.0.2.1", "/data/a.mp4", 0});
    EXPECT_TRUE(registry.Update(3, [](RecordingRegistry::Target& target) {
        EXPECT_EQ(target.path, "/data/a.mp4");
        target.path = "/data/b.mp4";
        target.slotIndex = 1;
    }));
    EXPECT_TRUE(registry.Update(3, [](RecordingRegistry::Target& target) {
        EXPECT_EQ(target.path, "/data/b.mp4");
        EXPECT_EQ(target.slotIndex, 1);
    }));
}

TEST(RecordingRegistry, StopWaitsForTheStartUnderWayAndTakesItsHandle)
{
    RecordingRegistry registry;
    const quint64 generation = registry.BeginStarts(1);
    ASSERT_EQ(registry.Reserve("192.0.2.1", generation), Reservation::Reserved);

    std::atomic<bool> stopped{false};
    QVector<long> taken;
    std::thread stopper([&] {
        taken = registry.TakeAllForStop();
        stopped = true;
    });
    // The stop cannot return while the start is pending; the start then
    // finishes with its handle, which the stop must take.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(stopped);
    registry.Adopt(9, {"192.0.2.1", "/data/a.mp4", 0});
    registry.FinishStart();
    stopper.join();
    EXPECT_EQ(taken, QVector<long>{9});
}

} // namespace
