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
        devices.append({QStringLiteral("d%1").arg(i), QStringLiteral("10.0.%1.1").arg(i), 8000,
                        QStringLiteral("admin"), QStringLiteral("pw")});
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

TEST(LoginPass, ThreadsTakeEveryDeviceOnceAndOneHandOverWaitsAtATime)
{
    constexpr int kDevices = 500;
    LoginPass pass(Devices(kDevices));
    std::atomic<int> handOversAsked{0};
    std::vector<int> taken(kDevices, 0);
    QList<LoginPass::Outcome> received;
    std::atomic<bool> delivering{true};
    // A taker standing in for the GUI thread, taking batches while they come.
    std::thread gui([&] {
        while (delivering || handOversAsked > 0) {
            if (handOversAsked > 0) {
                --handOversAsked;
                received.append(pass.TakeDelivered());
            }
            std::this_thread::yield();
        }
    });
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            int index = 0;
            stu_DeviceInfo device;
            while (pass.Take(&index, &device)) {
                ++taken[index];
                EXPECT_EQ(device.deviceIp, QStringLiteral("10.0.%1.1").arg(index));
                if (pass.Deliver(Outcome(index, device)))
                    ++handOversAsked;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    delivering = false;
    gui.join();
    // What the last hand-over left behind is taken by the pass's end.
    received.append(pass.TakeDelivered());
    EXPECT_TRUE(std::all_of(taken.begin(), taken.end(), [](int n) { return n == 1; }));
    ASSERT_EQ(received.size(), kDevices);
    QSet<int> indexes;
    for (const LoginPass::Outcome& outcome : received)
        indexes.insert(outcome.index);
    EXPECT_EQ(indexes.size(), kDevices);
    int index = 0;
    stu_DeviceInfo device;
    EXPECT_FALSE(pass.Take(&index, &device));
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
