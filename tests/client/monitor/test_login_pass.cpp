// The shared state of a login pass: threads taking devices side by side, the
// batches the GUI thread takes, and the summary in the order of the list.

#include "monitor/LoginPass.h"

#include <gtest/gtest.h>

#include <QSet>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace {

QList<stu_DeviceInfo> Devices(int count)
{
    QList<stu_DeviceInfo> devices;
    for (int i = 0; i < count; ++i)
        devices.append({QStringLiteral("d%1").arg(i), QStringLiteral("10.0.%1.1").arg(i), 8000, QStringLiteral("admin"),
                        QStringLiteral("pw")});
    return devices;
}

LoginPass::Outcome Outcome(int index, const stu_DeviceInfo& device, const QString& failure = QString())
{
    LoginPass::Outcome outcome;
    outcome.index = index;
    outcome.device = device;
    outcome.failure = failure;
    return outcome;
}

} // namespace

TEST(LoginPass, ThreadsTakeEveryDeviceOnceAndTheOutcomesComeBackInTheListsOrder)
{
    constexpr int kDevices = 500;
    constexpr int kThreads = 8;
    LoginPass pass(Devices(kDevices));
    pass.ExpectWorkers(kThreads);
    std::atomic<int> handOversAsked{0};
    std::vector<int> taken(kDevices, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            int index = 0;
            stu_DeviceInfo device;
            while (pass.Take(&index, &device)) {
                ++taken[index];
                EXPECT_EQ(device.deviceIp, QStringLiteral("10.0.%1.1").arg(index));
                if (pass.Deliver(Outcome(index, device)))
                    ++handOversAsked;
            }
            pass.WorkerEnded();
        });
    }
    // This thread stands in for the pass's own, which stores in the list's order.
    QList<int> stored;
    for (QList<LoginPass::Outcome> batch = pass.NextInOrder(); !batch.isEmpty(); batch = pass.NextInOrder())
        for (const LoginPass::Outcome& outcome : batch)
            stored.append(outcome.index);
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_TRUE(std::all_of(taken.begin(), taken.end(), [](int n) { return n == 1; }));
    ASSERT_EQ(stored.size(), kDevices);
    for (int i = 0; i < kDevices; ++i)
        ASSERT_EQ(stored[i], i);
    // Every outcome reaches the GUI thread's batches once; a hand-over was
    // asked for at least once and never more often than there were outcomes.
    EXPECT_EQ(pass.TakeDelivered().size(), kDevices);
    EXPECT_GE(handOversAsked, 1);
    EXPECT_LE(handOversAsked, kDevices);
    int index = 0;
    stu_DeviceInfo device;
    EXPECT_FALSE(pass.Take(&index, &device));
}

TEST(LoginPass, StoringStopsAtAGapOnceEveryThreadHasEnded)
{
    // A thread interrupted at shutdown leaves its device without an outcome:
    // the storing thread must not wait for it.
    const QList<stu_DeviceInfo> devices = Devices(3);
    LoginPass pass(devices);
    pass.ExpectWorkers(1);
    pass.Deliver(Outcome(0, devices[0]));
    pass.Deliver(Outcome(2, devices[2]));
    EXPECT_EQ(pass.NextInOrder().size(), 1);
    std::thread worker([&] { pass.WorkerEnded(); });
    EXPECT_TRUE(pass.NextInOrder().isEmpty());
    worker.join();
}

TEST(LoginPass, AsksForAHandOverOnlyAfterTheLastBatchWasTaken)
{
    const QList<stu_DeviceInfo> devices = Devices(3);
    LoginPass pass(devices);
    EXPECT_TRUE(pass.Deliver(Outcome(0, devices[0])));
    EXPECT_FALSE(pass.Deliver(Outcome(1, devices[1])));
    EXPECT_EQ(pass.TakeDelivered().size(), 2);
    EXPECT_TRUE(pass.TakeDelivered().isEmpty());
    EXPECT_TRUE(pass.Deliver(Outcome(2, devices[2])));
}

TEST(LoginPass, SummaryFollowsTheListWhateverOrderTheDevicesEnd)
{
    const QList<stu_DeviceInfo> devices = Devices(4);
    LoginPass pass(devices);
    pass.Deliver(Outcome(3, devices[3], QStringLiteral("10.0.3.1登录失败")));
    pass.Deliver(Outcome(2, devices[2]));
    pass.Deliver(Outcome(0, devices[0], QStringLiteral("10.0.0.1 获取通道失败")));
    pass.Deliver(Outcome(1, devices[1]));
    EXPECT_EQ(pass.Summary(), QStringLiteral("10.0.0.1 获取通道失败10.0.3.1登录失败"));
    EXPECT_EQ(pass.IndexOf(QStringLiteral("10.0.2.1")), 2);
    // Whole addresses only.
    EXPECT_EQ(pass.IndexOf(QStringLiteral("10.0.2.11")), -1);
    EXPECT_EQ(pass.IndexOf(QStringLiteral("10.0.2")), -1);
}

TEST(LoginPass, EmptyListHasNothingToTakeAndNoFailures)
{
    LoginPass pass({});
    int index = 0;
    stu_DeviceInfo device;
    EXPECT_FALSE(pass.Take(&index, &device));
    EXPECT_TRUE(pass.Summary().isEmpty());
}
