// Devices, channels, alarm records and the search-box history stored and read
// back through DatabaseOperation, with texts that would break or subvert SQL
// built by pasting values into it.
#include "DatabaseTestSupport.h"

#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

::testing::Environment* const qtEnvironment = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

struct HostileText
{
    const char* name;
    QString text;
};

void PrintTo(const HostileText& text, std::ostream* out)
{
    *out << text.name;
}

std::vector<HostileText> HostileTexts()
{
    return {
        {"quote", QStringLiteral("a'b")},
        {"injection", QStringLiteral("x'); drop table DeviceInfo;--")},
        {"percent", QStringLiteral("%")},
        {"underscore", QStringLiteral("_")},
        {"argPlaceholder", QStringLiteral("%1")},
        {"chinese", QStringLiteral("京A·违停车辆")},
        {"tenThousandCharacters", QStringLiteral("a'b%_京").repeated(10000 / 7 + 1).left(10000)},
    };
}

stu_DeviceInfo Device(const QString& text)
{
    return {text + QStringLiteral("-name"), text, 8000, text + QStringLiteral("-user"), text + QStringLiteral("-pw")};
}

stu_DeviceChannelInfo Channel(const QString& deviceIp, const QString& channelIp, int port)
{
    stu_DeviceChannelInfo channel;
    channel.deviceIp = deviceIp;
    channel.channelIp = channelIp;
    channel.channelPort = port;
    channel.userName = QStringLiteral("admin");
    channel.password = QStringLiteral("secret");
    channel.channelNo = 3;
    return channel;
}

int RowCount(const QString& path, const QString& table)
{
    // Read with a connection of the test's own, so nothing is taken on trust
    // from the class under test.
    const QString name = QStringLiteral("test-reader");
    int count = -1;
    {
        QSqlDatabase reader = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        reader.setDatabaseName(path);
        if (reader.open()) {
            QSqlQuery query(reader);
            if (query.exec(QStringLiteral("select count(*) from %1").arg(table)) && query.next())
                count = query.value(0).toInt();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return count;
}

class HostileRoundTrip : public DatabaseTest, public ::testing::WithParamInterface<HostileText>
{
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        ASSERT_TRUE(database.AddDeviceInfo(sentinelDevice));
        ASSERT_TRUE(database.AddChannelInfo(Channel(sentinelDevice.deviceIp, QStringLiteral("10.0.0.2"), 554)));
    }

    const stu_DeviceInfo sentinelDevice = Device(QStringLiteral("10.0.0.1"));
};

TEST_P(HostileRoundTrip, DeviceComesBackExactlyAndOnlyItsRowsAreDeleted)
{
    const QString text = GetParam().text;
    const stu_DeviceInfo device = Device(text);
    ASSERT_TRUE(database.AddDeviceInfo(device));
    ASSERT_TRUE(database.AddChannelInfo(Channel(text, text + QStringLiteral("-ch"), 554)));

    QList<stu_DeviceInfo> devices;
    ASSERT_TRUE(database.GetAllDeviceInfo(devices));
    ASSERT_EQ(devices.size(), 2);
    EXPECT_EQ(devices[1].deviceName, device.deviceName);
    EXPECT_EQ(devices[1].deviceIp, device.deviceIp);
    EXPECT_EQ(devices[1].userName, device.userName);
    EXPECT_EQ(devices[1].password, device.password);
    QStringList channelIps;
    ASSERT_TRUE(database.GetChannelIpByDevIp(text, channelIps));
    EXPECT_EQ(channelIps, QStringList{text + QStringLiteral("-ch")});

    EXPECT_FALSE(database.AddDeviceInfo(device)) << "the same five values are refused";
    ASSERT_TRUE(database.DeleteDeviceInfoByIp(text));
    QStringList deviceIps;
    ASSERT_TRUE(database.GetAllDeviceIp(deviceIps));
    EXPECT_EQ(deviceIps, QStringList{sentinelDevice.deviceIp});
    EXPECT_EQ(RowCount(DatabasePath(), QStringLiteral("ChannelInfo")), 1);
}

TEST_P(HostileRoundTrip, IncidentComesBackExactly)
{
    const QString text = GetParam().text;
    ASSERT_TRUE(database.InsertIncidentInfo(
        MakeIncident("20261201080000", 1, QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.2"), 1, 1, "sentinel")));
    TrafficIncident incident = MakeIncident("20261201090000", 524288, text, text, 7, 2, text);
    incident.videoPath = text;
    ASSERT_TRUE(database.InsertIncidentInfo(incident));

    stu_SearchCondition condition = WholeRange();
    condition.deviceIp = text.toStdString();
    condition.channelIp = text.toStdString();
    QList<TrafficIncident> found;
    ASSERT_TRUE(database.GetIncidentInfo(0, 30, condition, found));
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].time, incident.time);
    EXPECT_EQ(found[0].incidentType, incident.incidentType);
    EXPECT_EQ(found[0].deviceIp, text);
    EXPECT_EQ(found[0].channelIp, text);
    EXPECT_EQ(found[0].channelNo, 7u);
    EXPECT_EQ(found[0].laneNo, 2u);
    EXPECT_EQ(found[0].picPath, text);
    EXPECT_EQ(found[0].videoPath, text);
    EXPECT_EQ(RowCount(DatabasePath(), QStringLiteral("incidentInfo")), 2);
    EXPECT_EQ(RowCount(DatabasePath(), QStringLiteral("DeviceInfo")), 1);
}

TEST_P(HostileRoundTrip, ViolationComesBackExactlyAndItsPlateIsFoundAsTyped)
{
    const QString text = GetParam().text;
    TrafficForensics sentinel;
    sentinel.time = QStringLiteral("20261201080000");
    sentinel.deviceIp = QStringLiteral("10.0.0.1");
    sentinel.plateNo = QStringLiteral("京A12345");
    ASSERT_TRUE(database.InsertForensicsInfo(sentinel));
    TrafficForensics record;
    record.time = QStringLiteral("20261201090000");
    record.violationType = 13453;
    record.deviceIp = text;
    record.channelIp = text;
    record.channelNo = 4;
    record.laneNo = 0;
    record.plateNo = text;
    record.picPath = text;
    ASSERT_TRUE(database.InsertForensicsInfo(record));

    stu_SearchCondition condition = WholeRange();
    condition.plateNo = text.toStdString();
    QList<TrafficForensics> found;
    ASSERT_TRUE(database.GetForensicsInfo(0, 30, condition, found));
    ASSERT_EQ(found.size(), 1) << "the plate fragment matches itself only";
    EXPECT_EQ(found[0].time, record.time);
    EXPECT_EQ(found[0].violationType, record.violationType);
    EXPECT_EQ(found[0].deviceIp, text);
    EXPECT_EQ(found[0].channelIp, text);
    EXPECT_EQ(found[0].channelNo, 4u);
    EXPECT_EQ(found[0].laneNo, 0u);
    EXPECT_EQ(found[0].plateNo, text);
    EXPECT_EQ(found[0].picPath, text);
    EXPECT_EQ(RowCount(DatabasePath(), QStringLiteral("ForensicsInfo")), 2);
}

TEST_P(HostileRoundTrip, TrafficParameterComesBackExactly)
{
    const QString text = GetParam().text;
    TrafficParam param;
    param.startTime = QStringLiteral("20261201090000");
    param.endTime = QStringLiteral("20261201090500");
    param.deviceIp = text;
    param.channelIp = text;
    param.channelNo = 2;
    param.laneCount = 4;
    param.laneNo = 3;
    param.laneFlow = 120;
    param.lightVehicleNum = 100;
    param.midVehicleNum = 15;
    param.heavyVehicleNum = 5;
    param.laneSpeed = 62;
    param.spaceHeadWay = 35;
    param.timeHeadWay = 2;
    param.timeRation = 0.35f;
    param.spaceRation = 0.125f;
    param.queueLength = 40;
    param.trafficState = 2;
    ASSERT_TRUE(database.InsertTrafficParamInfo(param));

    stu_SearchCondition condition = WholeRange();
    condition.deviceIp = text.toStdString();
    QList<TrafficParam> found;
    ASSERT_TRUE(database.GetTrafficParamInfo(0, 30, condition, found));
    ASSERT_EQ(found.size(), 1);
    const TrafficParam& back = found[0];
    EXPECT_EQ(back.rowNo, 1);
    EXPECT_EQ(back.startTime, param.startTime);
    EXPECT_EQ(back.endTime, param.endTime);
    EXPECT_EQ(back.deviceIp, text);
    EXPECT_EQ(back.channelIp, text);
    EXPECT_EQ(back.laneCount, 0) << "not stored";
    EXPECT_EQ(std::make_tuple(back.channelNo, back.laneNo, back.laneFlow, back.lightVehicleNum, back.midVehicleNum,
                              back.heavyVehicleNum, back.laneSpeed, back.spaceHeadWay, back.timeHeadWay,
                              back.queueLength, back.trafficState),
              std::make_tuple(2, 3, 120, 100, 15, 5, 62, 35, 2, 40, 2));
    EXPECT_EQ(back.timeRation, 0.35f);
    EXPECT_EQ(back.spaceRation, 0.125f);
}

TEST_P(HostileRoundTrip, SearchHistoryKeepsOneRowPerTextAndMatchesItLiterally)
{
    const QString text = GetParam().text;
    ASSERT_TRUE(database.InsertSearchRecord(QStringLiteral("20261201080000000"), QStringLiteral("plain")));
    ASSERT_TRUE(database.InsertSearchRecord(QStringLiteral("20261201080000001"), text));
    ASSERT_TRUE(database.InsertSearchRecord(QStringLiteral("20261201090000000"), text));
    EXPECT_EQ(RowCount(DatabasePath(), QStringLiteral("searchRecordInfo")), 2);

    QStringList hints;
    ASSERT_TRUE(database.GetSearchRecord(text, 5, hints));
    EXPECT_EQ(hints, QStringList{text});
    hints.clear();
    ASSERT_TRUE(database.GetSearchRecord(QString(), 5, hints));
    EXPECT_EQ(hints, (QStringList{text, QStringLiteral("plain")})) << "newest search first";
}

INSTANTIATE_TEST_SUITE_P(Texts, HostileRoundTrip, ::testing::ValuesIn(HostileTexts()),
                         [](const ::testing::TestParamInfo<HostileText>& info) { return info.param.name; });

using DeviceRows = DatabaseTest;

TEST_F(DeviceRows, ADeviceDifferingInOneValueIsAFurtherRow)
{
    LogCapture log("DatabaseOperation");
    stu_DeviceInfo device = Device(QStringLiteral("10.0.0.9"));
    ASSERT_TRUE(database.AddDeviceInfo(device));
    EXPECT_FALSE(database.AddDeviceInfo(device));
    EXPECT_TRUE(log.Contains("DatabaseOperation::AddDeviceInfo, 10.0.0.9已存在"));
    device.password = QStringLiteral("changed");
    EXPECT_TRUE(database.AddDeviceInfo(device));
    QStringList ips;
    ASSERT_TRUE(database.GetAllDeviceIp(ips));
    EXPECT_EQ(ips, (QStringList{QStringLiteral("10.0.0.9"), QStringLiteral("10.0.0.9")}));
}

TEST_F(DeviceRows, AChannelIsTheSameOnlyWithTheSamePort)
{
    ASSERT_TRUE(database.AddChannelInfo(Channel(QStringLiteral("10.0.0.9"), QStringLiteral("10.0.1.1"), 554)));
    EXPECT_FALSE(database.AddChannelInfo(Channel(QStringLiteral("10.0.0.9"), QStringLiteral("10.0.1.1"), 554)));
    EXPECT_TRUE(database.AddChannelInfo(Channel(QStringLiteral("10.0.0.9"), QStringLiteral("10.0.1.1"), 8554)));
    QStringList channelIps;
    ASSERT_TRUE(database.GetChannelIpByDevIp(QStringLiteral("10.0.0.9"), channelIps));
    EXPECT_EQ(channelIps.size(), 2);
}

TEST_F(DeviceRows, EmptyTablesAndUnknownAddressesAreNotErrors)
{
    QList<stu_DeviceInfo> devices;
    EXPECT_TRUE(database.GetAllDeviceInfo(devices));
    EXPECT_TRUE(devices.isEmpty());
    QStringList channelIps;
    EXPECT_TRUE(database.GetChannelIpByDevIp(QStringLiteral("10.9.9.9"), channelIps));
    EXPECT_TRUE(channelIps.isEmpty());
    EXPECT_TRUE(database.DeleteDeviceInfoByIp(QStringLiteral("10.9.9.9")));
}

TEST_F(DeviceRows, ReplacingADeviceWritesItsRowsAfresh)
{
    const stu_DeviceInfo device = Device(QStringLiteral("10.0.0.9"));
    ASSERT_TRUE(database.AddDeviceInfo(device));
    ASSERT_TRUE(database.AddChannelInfo(Channel(device.deviceIp, QStringLiteral("10.0.1.1"), 554)));
    const QList<stu_DeviceChannelInfo> channels{Channel(device.deviceIp, QStringLiteral("10.0.1.2"), 554),
                                                Channel(device.deviceIp, QStringLiteral("10.0.1.3"), 554),
                                                Channel(device.deviceIp, QStringLiteral("10.0.1.3"), 554)};
    ASSERT_TRUE(database.ReplaceDeviceInfo(device, channels));
    QStringList channelIps;
    ASSERT_TRUE(database.GetChannelIpByDevIp(device.deviceIp, channelIps));
    EXPECT_EQ(channelIps, (QStringList{QStringLiteral("10.0.1.2"), QStringLiteral("10.0.1.3")}));
    EXPECT_EQ(RowCount(DatabasePath(), QStringLiteral("DeviceInfo")), 1);
}

TEST_F(DeviceRows, AFailedReplacementLeavesTheOldRowsWhole)
{
    const stu_DeviceInfo device = Device(QStringLiteral("10.0.0.9"));
    ASSERT_TRUE(database.AddDeviceInfo(device));
    ASSERT_TRUE(database.AddChannelInfo(Channel(device.deviceIp, QStringLiteral("10.0.1.1"), 554)));
    {
        // A trigger of the test's own makes the second channel insert fail
        // after the deletes and the first inserts have run.
        const QString name = QStringLiteral("test-trigger");
        {
            QSqlDatabase writer = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            writer.setDatabaseName(DatabasePath());
            ASSERT_TRUE(writer.open());
            ASSERT_TRUE(QSqlQuery(writer).exec(
                QStringLiteral("create trigger refuse before insert on ChannelInfo when new.channelIp = '10.0.1.3' "
                               "begin select raise(abort, 'refused'); end")));
        }
        QSqlDatabase::removeDatabase(name);
    }
    LogCapture log("DatabaseOperation");
    const QList<stu_DeviceChannelInfo> channels{Channel(device.deviceIp, QStringLiteral("10.0.1.2"), 554),
                                                Channel(device.deviceIp, QStringLiteral("10.0.1.3"), 554)};
    EXPECT_FALSE(database.ReplaceDeviceInfo(device, channels));
    EXPECT_TRUE(log.Contains("DatabaseOperation::AddChannelInfo, 插入通道失败，失败原因：refused"));
    QStringList channelIps;
    ASSERT_TRUE(database.GetChannelIpByDevIp(device.deviceIp, channelIps));
    EXPECT_EQ(channelIps, QStringList{QStringLiteral("10.0.1.1")});
    EXPECT_EQ(RowCount(DatabasePath(), QStringLiteral("DeviceInfo")), 1);
}

TEST_F(DeviceRows, ReplacingSeveralDevicesStoresThemInTheListsOrderInOneGo)
{
    const stu_DeviceInfo first = Device(QStringLiteral("10.0.0.1"));
    const stu_DeviceInfo second = Device(QStringLiteral("10.0.0.2"));
    const stu_DeviceInfo third = Device(QStringLiteral("10.0.0.3"));
    for (const stu_DeviceInfo& device : {first, second, third})
        ASSERT_TRUE(database.AddDeviceInfo(device));
    ASSERT_TRUE(database.AddChannelInfo(Channel(second.deviceIp, QStringLiteral("10.0.2.9"), 554)));
    const QList<stu_DeviceChannelInfo> channels{Channel(second.deviceIp, QStringLiteral("10.0.2.1"), 554),
                                                Channel(first.deviceIp, QStringLiteral("10.0.1.1"), 554)};
    ASSERT_TRUE(database.ReplaceDevicesInfo({second, first}, channels));
    QStringList order;
    ASSERT_TRUE(database.GetAllDeviceIp(order));
    EXPECT_EQ(order, (QStringList{third.deviceIp, second.deviceIp, first.deviceIp}));
    QStringList channelIps;
    ASSERT_TRUE(database.GetChannelIpByDevIp(second.deviceIp, channelIps));
    EXPECT_EQ(channelIps, QStringList{QStringLiteral("10.0.2.1")});

    // A camera of a device that is not in the list is refused, and nothing changes.
    EXPECT_FALSE(database.ReplaceDevicesInfo({third}, {Channel(first.deviceIp, QStringLiteral("10.0.1.2"), 554)}));
    order.clear();
    ASSERT_TRUE(database.GetAllDeviceIp(order));
    EXPECT_EQ(order, (QStringList{third.deviceIp, second.deviceIp, first.deviceIp}));
    channelIps.clear();
    ASSERT_TRUE(database.GetChannelIpByDevIp(first.deviceIp, channelIps));
    EXPECT_EQ(channelIps, QStringList{QStringLiteral("10.0.1.1")});
}

using AlarmRows = DatabaseTest;

TEST_F(AlarmRows, ATrafficParameterAlarmOfFourLanesIsFourRows)
{
    for (int lane = 1; lane <= 4; ++lane) {
        TrafficParam param;
        param.startTime = QStringLiteral("20261201080000");
        param.endTime = QStringLiteral("20261201080500");
        param.deviceIp = QStringLiteral("10.0.0.1");
        param.channelIp = QStringLiteral("10.0.0.2");
        param.channelNo = 1;
        param.laneCount = 4;
        param.laneNo = lane;
        param.laneFlow = 10 * lane;
        ASSERT_TRUE(database.InsertTrafficParamInfo(param));
    }
    QList<TrafficParam> found;
    ASSERT_TRUE(database.GetTrafficParamInfo(0, 30, WholeRange(), found));
    ASSERT_EQ(found.size(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(found[i].startTime, QStringLiteral("20261201080000"));
        EXPECT_EQ(found[i].endTime, QStringLiteral("20261201080500"));
        EXPECT_EQ(found[i].deviceIp, QStringLiteral("10.0.0.1"));
        EXPECT_EQ(found[i].laneNo, i + 1);
        EXPECT_EQ(found[i].laneFlow, 10 * (i + 1));
    }
}

// An alarm its device sends again (after a killed client) is recognised by its
// origin: one row, and later numbers or another run of the device are new.
TEST_F(AlarmRows, AnAlarmWithItsOriginIsStoredOnce)
{
    const AlarmOrigin first{QStringLiteral("10.0.0.1:8000"), 0xF000000000000007ull, 1};
    AlarmOrigin second = first;
    second.number = 2;
    AlarmOrigin nextRun = first;
    nextRun.runId = 8;
    const TrafficIncident incident =
        MakeIncident("20261201080000", 1, QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.2"), 1, 1, "origin");
    EXPECT_FALSE(database.IsAlarmStored(first));
    ASSERT_TRUE(database.InsertIncidentInfo(incident, first));
    EXPECT_TRUE(database.IsAlarmStored(first));
    EXPECT_FALSE(database.IsAlarmStored(second));
    ASSERT_TRUE(database.InsertIncidentInfo(incident, first));
    EXPECT_EQ(RowCount(DatabasePath(), QStringLiteral("incidentInfo")), 1);
    ASSERT_TRUE(database.InsertIncidentInfo(incident, second));
    // Once 2 is stored, 1 counts as stored too: numbers only grow within a run.
    ASSERT_TRUE(database.InsertIncidentInfo(incident, first));
    EXPECT_EQ(RowCount(DatabasePath(), QStringLiteral("incidentInfo")), 2);
    ASSERT_TRUE(database.InsertIncidentInfo(incident, nextRun));
    EXPECT_EQ(RowCount(DatabasePath(), QStringLiteral("incidentInfo")), 3);
    EXPECT_FALSE(database.IsAlarmStored(second));

    TrafficForensics violation;
    violation.time = QStringLiteral("20261201080000");
    AlarmOrigin third = nextRun;
    third.number = 2;
    ASSERT_TRUE(database.InsertForensicsInfo(violation, third));
    ASSERT_TRUE(database.InsertForensicsInfo(violation, third));
    EXPECT_EQ(RowCount(DatabasePath(), QStringLiteral("ForensicsInfo")), 1);
}

// The lanes of one traffic alarm and its number stand or fall together.
TEST_F(AlarmRows, TheLanesOfOneAlarmAreStoredTogetherOnce)
{
    QList<TrafficParam> lanes;
    for (int lane = 1; lane <= 3; ++lane) {
        TrafficParam param;
        param.startTime = QStringLiteral("20261201080000");
        param.deviceIp = QStringLiteral("10.0.0.1");
        param.laneNo = lane;
        lanes << param;
    }
    const AlarmOrigin origin{QStringLiteral("10.0.0.1:8000"), 3, 5};
    ASSERT_TRUE(database.InsertTrafficParamInfos(lanes, origin));
    ASSERT_TRUE(database.InsertTrafficParamInfos(lanes, origin));
    EXPECT_EQ(RowCount(DatabasePath(), QStringLiteral("TrafficParamInfo")), 3);

    // A table that refuses the third lane: neither the first two nor the number stay.
    ASSERT_TRUE(Change(DatabasePath(), {QStringLiteral("create trigger refuse before insert on TrafficParamInfo "
                                                       "when new.laneNo = 3 begin select raise(abort, 'full'); end")}));
    AlarmOrigin next = origin;
    next.number = 6;
    EXPECT_FALSE(database.InsertTrafficParamInfos(lanes, next));
    EXPECT_EQ(RowCount(DatabasePath(), QStringLiteral("TrafficParamInfo")), 3);
    EXPECT_FALSE(database.IsAlarmStored(next));
}

TEST_F(AlarmRows, AFailedInsertIsLoggedAndLeavesTheTableAsItWas)
{
    database.CloseDatabase();
    LogCapture log("DatabaseOperation");
    TrafficForensics violation;
    violation.time = QStringLiteral("20261201080000");
    EXPECT_FALSE(database.InsertForensicsInfo(violation));
    EXPECT_TRUE(log.Contains("DatabaseOperation::InsertForensicsInfo, 插入取证失败，失败原因：database is not open"));
    EXPECT_EQ(RowCount(DatabasePath(), QStringLiteral("ForensicsInfo")), 0);
}

// A clip request lives with its incident row until the clip is fetched or given up.
TEST_F(AlarmRows, AClipRequestIsStoredWithItsIncidentUntilFetchedOrGivenUp)
{
    const QDateTime start = QDateTime::fromString(QStringLiteral("20261201075945"), QStringLiteral("yyyyMMddHHmmss"));
    const QStringList files{QStringLiteral("/clips/a.mp4"), QStringLiteral("/clips/b.mp4")};
    for (const QString& file : files) {
        TrafficIncident incident =
            MakeIncident("20261201080000", 1, QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.2"), 1, 1, "clip");
        incident.videoPath = file;
        ASSERT_TRUE(database.InsertIncidentInfo(
            incident, {}, ClipRequest{file, incident.deviceIp, 8000, 2, start, start.addSecs(30)}));
    }
    QList<ClipRequest> open;
    ASSERT_TRUE(database.GetClipRequests(QStringLiteral("10.0.0.1"), 8000, open));
    ASSERT_EQ(open.size(), 2);
    EXPECT_EQ(open[0].file, files[0]);
    EXPECT_EQ(open[0].channel, 2);
    EXPECT_EQ(open[0].start, start);
    EXPECT_EQ(open[0].end, start.addSecs(30));
    QList<ClipRequest> otherPort;
    ASSERT_TRUE(database.GetClipRequests(QStringLiteral("10.0.0.1"), 8001, otherPort));
    EXPECT_TRUE(otherPort.isEmpty());

    ASSERT_TRUE(database.FinishClipRequest(files[0]));
    ASSERT_TRUE(database.GiveUpClipRequest(files[1]));
    EXPECT_EQ(RowCount(DatabasePath(), QStringLiteral("ClipRequest")), 0);
    QList<TrafficIncident> rows;
    ASSERT_TRUE(database.GetIncidentInfo(0, 30, WholeRange(), rows));
    ASSERT_EQ(rows.size(), 2);
    QStringList paths{rows[0].videoPath, rows[1].videoPath};
    paths.sort();
    EXPECT_EQ(paths, (QStringList{QString(), files[0]}));
}

// A request whose row cannot be written is not kept alone, nor the row without it.
TEST_F(AlarmRows, AnIncidentAndItsClipRequestStandOrFallTogether)
{
    ASSERT_TRUE(Change(DatabasePath(), {QStringLiteral("create trigger refuse before insert on ClipRequest "
                                                       "begin select raise(abort, 'full'); end")}));
    const QDateTime start = QDateTime::fromString(QStringLiteral("20261201075945"), QStringLiteral("yyyyMMddHHmmss"));
    TrafficIncident incident =
        MakeIncident("20261201080000", 1, QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.2"), 1, 1, "clip");
    incident.videoPath = QStringLiteral("/clips/c.mp4");
    const ClipRequest clip{incident.videoPath, incident.deviceIp, 8000, 1, start, start.addSecs(30)};
    EXPECT_FALSE(database.InsertIncidentInfo(incident, {}, clip));
    EXPECT_FALSE(database.InsertIncidentInfo(incident, AlarmOrigin{QStringLiteral("10.0.0.1:8000"), 1, 1}, clip));
    EXPECT_EQ(RowCount(DatabasePath(), QStringLiteral("incidentInfo")), 0);
}

// The alarms of one round go in with one commit: all of them with their
// numbers, a repeat within the round once, or nothing when one fails.
TEST_F(AlarmRows, AlarmsStoredTogetherStandOrFallTogether)
{
    const TrafficIncident incident =
        MakeIncident("20261201080000", 1, QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.2"), 1, 1, "round");
    auto storeRound = [&](quint32 first, quint32 last) {
        return database.StoreAlarmsTogether([&] {
            for (quint32 number = first; number <= last; ++number)
                if (!database.InsertIncidentInfo(incident, AlarmOrigin{QStringLiteral("10.0.0.1:8000"), 4, number}))
                    return false;
            // Sent again within the round: stored once.
            return database.InsertIncidentInfo(incident, AlarmOrigin{QStringLiteral("10.0.0.1:8000"), 4, last});
        });
    };
    ASSERT_TRUE(storeRound(1, 3));
    EXPECT_EQ(RowCount(DatabasePath(), QStringLiteral("incidentInfo")), 3);
    EXPECT_TRUE(database.IsAlarmStored(AlarmOrigin{QStringLiteral("10.0.0.1:8000"), 4, 3}));

    ASSERT_TRUE(Change(DatabasePath(), {QStringLiteral("create trigger refuse before insert on incidentInfo "
                                                       "when (select count(*) from incidentInfo) >= 5 "
                                                       "begin select raise(abort, 'full'); end")}));
    EXPECT_FALSE(storeRound(4, 6));
    EXPECT_EQ(RowCount(DatabasePath(), QStringLiteral("incidentInfo")), 3);
    EXPECT_FALSE(database.IsAlarmStored(AlarmOrigin{QStringLiteral("10.0.0.1:8000"), 4, 4}));
    // The next round finds the connection working.
    ASSERT_TRUE(storeRound(4, 5));
    EXPECT_EQ(RowCount(DatabasePath(), QStringLiteral("incidentInfo")), 5);
}

// Nobody fetches the clips of a deleted device: its requests go, and their
// incidents keep no clip path; another device's stay.
TEST_F(AlarmRows, DeletingADevicePrunesItsClipRequests)
{
    const QDateTime start = QDateTime::fromString(QStringLiteral("20261201075945"), QStringLiteral("yyyyMMddHHmmss"));
    for (const QString& ip : {QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.3")}) {
        ASSERT_TRUE(database.AddDeviceInfo(Device(ip)));
        TrafficIncident incident = MakeIncident("20261201080000", 1, ip, QStringLiteral("10.0.0.2"), 1, 1, "clip");
        incident.videoPath = QStringLiteral("/clips/%1.mp4").arg(ip);
        ASSERT_TRUE(database.InsertIncidentInfo(
            incident, {}, ClipRequest{incident.videoPath, ip, 8000, 1, start, start.addSecs(30)}));
    }
    ASSERT_TRUE(database.DeleteDeviceInfoByIp(QStringLiteral("10.0.0.1")));
    QList<ClipRequest> gone, kept;
    ASSERT_TRUE(database.GetClipRequests(QStringLiteral("10.0.0.1"), 8000, gone));
    ASSERT_TRUE(database.GetClipRequests(QStringLiteral("10.0.0.3"), 8000, kept));
    EXPECT_TRUE(gone.isEmpty());
    ASSERT_EQ(kept.size(), 1);
    QList<TrafficIncident> rows;
    ASSERT_TRUE(database.GetIncidentInfo(0, 30, WholeRange(), rows));
    QStringList paths;
    for (const TrafficIncident& row : qAsConst(rows))
        paths << row.videoPath;
    paths.sort();
    EXPECT_EQ(paths, (QStringList{QString(), QStringLiteral("/clips/10.0.0.3.mp4")}));
}

using SearchHistory = DatabaseTest;

TEST_F(SearchHistory, HintsAreLimitedAndNewestFirst)
{
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(database.InsertSearchRecord(QStringLiteral("2026120108000000%1").arg(i),
                                                QStringLiteral("10.0.0.%1").arg(i)));
    ASSERT_TRUE(database.InsertSearchRecord(QStringLiteral("20261201090000000"), QStringLiteral("10.0.0.2")));
    QStringList hints;
    ASSERT_TRUE(database.GetSearchRecord(QStringLiteral("10.0"), 5, hints));
    EXPECT_EQ(hints, (QStringList{QStringLiteral("10.0.0.2"), QStringLiteral("10.0.0.7"), QStringLiteral("10.0.0.6"),
                                  QStringLiteral("10.0.0.5"), QStringLiteral("10.0.0.4")}));
}

} // namespace
