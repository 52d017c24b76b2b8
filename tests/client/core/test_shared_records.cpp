#include "core/SharedRecords.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QThread>
#include <gtest/gtest.h>

#include <tuple>

namespace {

auto Fields(const TrafficIncident& r)
{
    return std::tie(r.rowNo, r.absTime, r.time, r.deviceIp, r.devicePort, r.channelIp, r.channelNo, r.extNo, r.extText,
                    r.incidentType, r.laneNo, r.extValue, r.extCode, r.picPath, r.videoPath);
}
auto Fields(const TrafficForensics& r)
{
    return std::tie(r.rowNo, r.time, r.violationType, r.deviceIp, r.channelIp, r.channelNo, r.laneNo, r.plateNo,
                    r.picPath);
}
auto Fields(const TrafficParam& r)
{
    return std::tie(r.rowNo, r.startTime, r.endTime, r.deviceIp, r.channelIp, r.channelNo, r.laneCount, r.laneNo,
                    r.laneFlow, r.lightVehicleNum, r.midVehicleNum, r.heavyVehicleNum, r.laneSpeed, r.spaceHeadWay,
                    r.timeHeadWay, r.timeRation, r.spaceRation, r.queueLength, r.trafficState);
}
auto Fields(const stu_DeviceInfo& r)
{
    return std::tie(r.deviceName, r.deviceIp, r.devicePort, r.userName, r.password);
}
auto Fields(const stu_DeviceChannelInfo& r)
{
    return std::tie(r.deviceIp, r.channelIp, r.channelPort, r.userName, r.password, r.channelNo);
}
auto Fields(const stu_SearchCondition& r)
{
    return std::tie(r.startTime, r.endTime, r.deviceIp, r.channelIp, r.channelNo, r.laneNo, r.types, r.plateNo);
}

template <typename Record>
bool SameRecords(const QList<Record>& a, const QList<Record>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const Record& x, const Record& y) { return Fields(x) == Fields(y); });
}

TrafficIncident SampleIncident()
{
    TrafficIncident r;
    r.rowNo = 0;
    r.absTime = 0x6B125147u;
    r.time = QStringLiteral("20261209090507");
    r.deviceIp = QStringLiteral("127.0.3.1");
    r.devicePort = 8000;
    r.channelIp = QStringLiteral("127.0.3.11");
    r.channelNo = 2;
    r.extNo = 7;
    r.extText = QStringLiteral("北向第二车道");
    r.incidentType = 524288;
    r.laneNo = 3;
    r.extValue = -42;
    r.extCode = 5;
    r.picPath = QStringLiteral("/data/pictures/火灾.jpg");
    r.videoPath = QStringLiteral("/data/clips/clip.mp4");
    return r;
}

TrafficForensics SampleForensics(qint32 rowNo)
{
    TrafficForensics r;
    r.rowNo = rowNo;
    r.time = QStringLiteral("20261209090508");
    r.violationType = 13451;
    r.deviceIp = QStringLiteral("127.0.3.1");
    r.channelIp = QStringLiteral("127.0.3.12");
    r.channelNo = 4;
    r.laneNo = 1;
    r.plateNo = QStringLiteral("京A12345");
    r.picPath = QStringLiteral("/data/pictures/v.jpg");
    return r;
}

TrafficParam SampleParam(qint32 laneNo)
{
    TrafficParam r;
    r.rowNo = laneNo + 10;
    r.startTime = QStringLiteral("20261209090000");
    r.endTime = QStringLiteral("20261209090500");
    r.deviceIp = QStringLiteral("127.0.3.1");
    r.channelIp = QStringLiteral("127.0.3.11");
    r.channelNo = 1;
    r.laneCount = 3;
    r.laneNo = laneNo;
    r.laneFlow = 120 + laneNo;
    r.lightVehicleNum = 100;
    r.midVehicleNum = 15;
    r.heavyVehicleNum = 5;
    r.laneSpeed = 62;
    r.spaceHeadWay = 31;
    r.timeHeadWay = 2;
    r.timeRation = 0.375f + laneNo;
    r.spaceRation = 12.625f;
    r.queueLength = 18;
    r.trafficState = 2;
    return r;
}

// Lives on a worker thread and sends every record straight back, so each one
// crosses two queued connections.
class Echo : public QObject
{
    Q_OBJECT
signals:
    void incidentSig(TrafficIncident incident);
    void incidentsSig(QList<TrafficIncident> incidents);
    void forensicsSig(QList<TrafficForensics> forensics);
    void paramsSig(QList<TrafficParam> params);
    void devicesSig(QList<stu_DeviceInfo> devices);
    void channelSig(stu_DeviceChannelInfo channel);
    void searchSig(stu_SearchCondition condition, em_SearchType type);

public slots:
    void incidentSlot(TrafficIncident v) { emit incidentSig(v); }
    void incidentsSlot(QList<TrafficIncident> v) { emit incidentsSig(v); }
    void forensicsSlot(QList<TrafficForensics> v) { emit forensicsSig(v); }
    void paramsSlot(QList<TrafficParam> v) { emit paramsSig(v); }
    void devicesSlot(QList<stu_DeviceInfo> v) { emit devicesSig(v); }
    void channelSlot(stu_DeviceChannelInfo v) { emit channelSig(v); }
    void searchSlot(stu_SearchCondition c, em_SearchType t) { emit searchSig(c, t); }
};

class SharedRecords : public testing::Test
{
protected:
    void SetUp() override
    {
        RegisterSharedRecordTypes();
        worker.start();
        echo.moveToThread(&worker);
    }
    void TearDown() override
    {
        worker.quit();
        worker.wait();
    }

    // Connects by signature text, as the client's older code does: this only
    // works when the types are registered under exactly these names.
    void Wire(const char* toWorker, const char* workerSlot, const char* back)
    {
        ASSERT_TRUE(QObject::connect(&sender, toWorker, &echo, workerSlot, Qt::QueuedConnection));
        ASSERT_TRUE(QObject::connect(&echo, back, &receiver, back, Qt::QueuedConnection));
    }

    int argc = 1;
    char name[20] = "test_shared_records";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    QThread worker;
    Echo echo;
    Echo sender;   // main thread: its signals go out to the echo
    Echo receiver; // main thread: the echo's signals come back into its signals
};

TEST_F(SharedRecords, IncidentTravelsBothWaysIntact)
{
    Wire(SIGNAL(incidentSig(TrafficIncident)), SLOT(incidentSlot(TrafficIncident)),
         SIGNAL(incidentSig(TrafficIncident)));
    QSignalSpy back(&receiver, &Echo::incidentSig);
    const TrafficIncident sent = SampleIncident();
    emit sender.incidentSig(sent);
    ASSERT_TRUE(back.count() > 0 || back.wait(10000));
    const auto received = back.at(0).at(0).value<TrafficIncident>();
    EXPECT_TRUE(Fields(received) == Fields(sent));
}

TEST_F(SharedRecords, RecordListsTravelIntact)
{
    Wire(SIGNAL(incidentsSig(QList<TrafficIncident>)), SLOT(incidentsSlot(QList<TrafficIncident>)),
         SIGNAL(incidentsSig(QList<TrafficIncident>)));
    Wire(SIGNAL(forensicsSig(QList<TrafficForensics>)), SLOT(forensicsSlot(QList<TrafficForensics>)),
         SIGNAL(forensicsSig(QList<TrafficForensics>)));
    Wire(SIGNAL(paramsSig(QList<TrafficParam>)), SLOT(paramsSlot(QList<TrafficParam>)),
         SIGNAL(paramsSig(QList<TrafficParam>)));
    Wire(SIGNAL(devicesSig(QList<stu_DeviceInfo>)), SLOT(devicesSlot(QList<stu_DeviceInfo>)),
         SIGNAL(devicesSig(QList<stu_DeviceInfo>)));
    QSignalSpy incidentsBack(&receiver, &Echo::incidentsSig);
    QSignalSpy forensicsBack(&receiver, &Echo::forensicsSig);
    QSignalSpy paramsBack(&receiver, &Echo::paramsSig);
    QSignalSpy devicesBack(&receiver, &Echo::devicesSig);

    const QList<TrafficIncident> incidents = {SampleIncident(), TrafficIncident()};
    const QList<TrafficForensics> forensics = {SampleForensics(1), SampleForensics(2), SampleForensics(3)};
    const QList<TrafficParam> params = {SampleParam(0), SampleParam(1), SampleParam(2)};
    const QList<stu_DeviceInfo> devices = {{"北门", "127.0.3.1", 8000, "admin", "p@ss 1"}, {}};
    emit sender.incidentsSig(incidents);
    emit sender.forensicsSig(forensics);
    emit sender.paramsSig(params);
    emit sender.devicesSig(devices);

    for (QSignalSpy* spy : {&incidentsBack, &forensicsBack, &paramsBack, &devicesBack})
        ASSERT_TRUE(spy->count() > 0 || spy->wait(10000));
    EXPECT_TRUE(SameRecords(incidentsBack.at(0).at(0).value<QList<TrafficIncident>>(), incidents));
    EXPECT_TRUE(SameRecords(forensicsBack.at(0).at(0).value<QList<TrafficForensics>>(), forensics));
    EXPECT_TRUE(SameRecords(paramsBack.at(0).at(0).value<QList<TrafficParam>>(), params));
    EXPECT_TRUE(SameRecords(devicesBack.at(0).at(0).value<QList<stu_DeviceInfo>>(), devices));
}

TEST_F(SharedRecords, ChannelAndSearchConditionTravelIntact)
{
    Wire(SIGNAL(channelSig(stu_DeviceChannelInfo)), SLOT(channelSlot(stu_DeviceChannelInfo)),
         SIGNAL(channelSig(stu_DeviceChannelInfo)));
    Wire(SIGNAL(searchSig(stu_SearchCondition, em_SearchType)), SLOT(searchSlot(stu_SearchCondition, em_SearchType)),
         SIGNAL(searchSig(stu_SearchCondition, em_SearchType)));
    QSignalSpy channelBack(&receiver, &Echo::channelSig);
    QSignalSpy searchBack(&receiver, &Echo::searchSig);

    const stu_DeviceChannelInfo channel{"127.0.3.1", "127.0.3.11", 554, "admin", "secret", 3};
    stu_SearchCondition condition;
    condition.startTime = "20261209000000000";
    condition.endTime = "20261209235959999";
    condition.deviceIp = "127.0.3.1";
    condition.laneNo = -1;
    condition.types = {2, 260, 524288};
    condition.plateNo = "京A";
    emit sender.channelSig(channel);
    emit sender.searchSig(condition, SEARCH_FORENSICS);

    ASSERT_TRUE(channelBack.count() > 0 || channelBack.wait(10000));
    ASSERT_TRUE(searchBack.count() > 0 || searchBack.wait(10000));
    EXPECT_TRUE(Fields(channelBack.at(0).at(0).value<stu_DeviceChannelInfo>()) == Fields(channel));
    EXPECT_TRUE(Fields(searchBack.at(0).at(0).value<stu_SearchCondition>()) == Fields(condition));
    EXPECT_EQ(searchBack.at(0).at(1).value<em_SearchType>(), SEARCH_FORENSICS);
}

TEST(SharedRecordDefaults, EveryIntegerZeroAndEveryTextEmpty)
{
    const TrafficParam param;
    EXPECT_EQ(param.timeRation, 0.0f);
    EXPECT_EQ(param.spaceRation, 0.0f);
    EXPECT_EQ(param.trafficState, 0);
    EXPECT_TRUE(param.deviceIp.isEmpty());
    const TrafficIncident incident;
    EXPECT_EQ(incident.rowNo, 0);
    EXPECT_EQ(incident.absTime, 0u);
    EXPECT_EQ(incident.extCode, 0);
    EXPECT_TRUE(incident.videoPath.isEmpty());
    const stu_SearchCondition condition;
    EXPECT_EQ(condition.laneNo, 0);
    EXPECT_EQ(condition.channelNo, 0);
    EXPECT_TRUE(condition.types.isEmpty());
    EXPECT_TRUE(condition.startTime.empty());
    const stu_DeviceInfo device;
    EXPECT_EQ(device.devicePort, 0);
    EXPECT_TRUE(device.password.isEmpty());
}

} // namespace

#include "test_shared_records.moc"
