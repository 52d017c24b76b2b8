// The alarm signals carry pointers to records that live only while they are
// emitted: ConnectAlarms connects receivers directly whatever their thread,
// and any other connection to those signals is reported where it is made.

#include "LogLines.h"

#include "device/DeviceManager.h"

#include <QThread>

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace {

struct Seen
{
    std::thread::id thread;
    std::string deviceIp;
    uint32_t value = 0;
};

class AlarmConnectionTest : public ::testing::Test
{
protected:
    void TearDown() override { DeviceManager::DestroyInstance(); }

    // Emits each alarm signal once from a thread of its own, as the listener
    // does, with records on that thread's stack.
    static std::thread::id EmitFromListenerThread()
    {
        std::thread::id listener;
        std::thread emitter([&listener] {
            listener = std::this_thread::get_id();
            DeviceManager* devices = DeviceManager::GetInstance();
            TSR_ALARMER alarmer{};
            std::strncpy(alarmer.sDeviceIP, "192.0.2.10", sizeof alarmer.sDeviceIP - 1);
            TSR_AID_ALARM incident{};
            incident.dwIncidentType = 4;
            TSR_TPS_ALARM traffic{};
            traffic.nLaneNum = 3;
            TSR_TFS_ALARM violation{};
            violation.dwIllegalType = 1039;
            emit devices->AlarmAidSig(&alarmer, &incident);
            emit devices->AlarmTpsSig(&alarmer, &traffic);
            emit devices->AlarmTfsResultSig(&alarmer, &violation);
        });
        emitter.join();
        return listener;
    }
};

TEST_F(AlarmConnectionTest, ReceiverOnAnotherThreadIsCalledDirectlyOnTheListenerThread)
{
    QThread receiverThread;
    receiverThread.start();
    QObject receiver;
    receiver.moveToThread(&receiverThread);
    const int strayBefore = DeviceManager::StrayAlarmConnections();
    Seen seen[3];
    DeviceManager::ConnectAlarms(
        &receiver,
        [&](const TSR_ALARMER* a, const TSR_AID_ALARM* r) {
            seen[0] = {std::this_thread::get_id(), a->sDeviceIP, r->dwIncidentType};
        },
        [&](const TSR_ALARMER* a, const TSR_TPS_ALARM* r) {
            seen[1] = {std::this_thread::get_id(), a->sDeviceIP, uint32_t(r->nLaneNum)};
        },
        [&](const TSR_ALARMER* a, const TSR_TFS_ALARM* r) {
            seen[2] = {std::this_thread::get_id(), a->sDeviceIP, r->dwIllegalType};
        });

    // Read during the emission, not later on the receiver's own thread.
    const std::thread::id listener = EmitFromListenerThread();
    const uint32_t expected[] = {4, 3, 1039};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(seen[i].thread, listener);
        EXPECT_EQ(seen[i].deviceIp, "192.0.2.10");
        EXPECT_EQ(seen[i].value, expected[i]);
    }
    EXPECT_EQ(DeviceManager::StrayAlarmConnections(), strayBefore);
    receiverThread.quit();
    receiverThread.wait();
}

TEST_F(AlarmConnectionTest, ConnectionsEndWithTheirContext)
{
    int calls = 0;
    {
        QObject receiver;
        DeviceManager::ConnectAlarms(
            &receiver, [&](const TSR_ALARMER*, const TSR_AID_ALARM*) { ++calls; },
            [&](const TSR_ALARMER*, const TSR_TPS_ALARM*) { ++calls; },
            [&](const TSR_ALARMER*, const TSR_TFS_ALARM*) { ++calls; });
        EmitFromListenerThread();
        EXPECT_EQ(calls, 3);
    }
    EmitFromListenerThread();
    EXPECT_EQ(calls, 3);
}

class StrayAlarmConnectionTest : public AlarmConnectionTest, public ::testing::WithParamInterface<Qt::ConnectionType>
{ };

// A connection of any type made past ConnectAlarms is counted and logged when
// it is made (and stops a debug build there).
TEST_P(StrayAlarmConnectionTest, IsReportedWhereItIsMade)
{
#ifndef QT_NO_DEBUG
    GTEST_SKIP() << "a debug build stops at the assertion instead";
#endif
    LogLines log("DeviceManager");
    DeviceManager* devices = DeviceManager::GetInstance();
    QObject receiver;
    const int strayBefore = DeviceManager::StrayAlarmConnections();
    QObject::connect(
        devices, &DeviceManager::AlarmAidSig, &receiver, [](const TSR_ALARMER*, const TSR_AID_ALARM*) {}, GetParam());
    QObject::connect(
        devices, &DeviceManager::AlarmTfsResultSig, &receiver, [](const TSR_ALARMER*, const TSR_TFS_ALARM*) {},
        GetParam());
    EXPECT_EQ(DeviceManager::StrayAlarmConnections(), strayBefore + 2);
    EXPECT_EQ(log.Count("connected outside ConnectAlarms"), 2);
    EXPECT_TRUE(log.Contains("AlarmAidSig"));
    EXPECT_TRUE(log.Contains("AlarmTfsResultSig"));

    // Other signals of the manager are free to connect as their receivers like.
    QObject::connect(
        devices, &DeviceManager::DeviceStateSig, &receiver, [](long, bool) {}, GetParam());
    EXPECT_EQ(DeviceManager::StrayAlarmConnections(), strayBefore + 2);
}

INSTANTIATE_TEST_SUITE_P(ConnectionTypes, StrayAlarmConnectionTest,
                         ::testing::Values(Qt::AutoConnection, Qt::QueuedConnection, Qt::DirectConnection,
                                           Qt::BlockingQueuedConnection));

} // namespace
