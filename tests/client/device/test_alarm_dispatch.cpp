// Alarms pushed by the simulator become one DeviceManager signal each, emitted
// on the SDK's listener thread, in order, with the records as sent.

#include "DeviceLinkFixture.h"
#include "WireRecords.h"

#include <QThread>

#include <mutex>
#include <thread>
#include <variant>

namespace {

const char* MalformedName(devsim::Malformed kind)
{
    static const char* const names[] = {"BadMagic",        "BadVersion",    "LengthOverCap",         "Truncated",
                                        "WrongRecordSize", "LaneCountNine", "PictureLongerThanSent", "UnterminatedText",
                                        "NonIpv4Text"};
    return names[static_cast<int>(kind)];
}

} // namespace

namespace devsim {

// Frame kinds print as their names in test listings.
void PrintTo(Malformed kind, std::ostream* out)
{
    *out << MalformedName(kind);
}

} // namespace devsim

namespace {

using namespace std::chrono_literals;

// What a directly connected receiver saw, copied while the pointers were valid.
struct ReceivedAlarm
{
    int command = 0;
    std::thread::id thread;
    TSR_ALARMER alarmer{};
    tessoran::wire::AlarmBody body;
    std::vector<QByteArray> pictures;
};

class AlarmReceiver
{
public:
    AlarmReceiver()
    {
        DeviceManager::ConnectAlarms(
            &context,
            [this](const TSR_ALARMER* a, const TSR_AID_ALARM* r) {
                Keep(TSR_ALARM_INCIDENT, *a, *r, {Bytes(r->pImage, r->dwPicDataLen)});
            },
            [this](const TSR_ALARMER* a, const TSR_TPS_ALARM* r) { Keep(TSR_ALARM_TRAFFIC_PARAMS, *a, *r, {}); },
            [this](const TSR_ALARMER* a, const TSR_TFS_ALARM* r) {
                std::vector<QByteArray> pictures;
                for (uint32_t i = 0; i < r->dwPicNum; ++i)
                    pictures.push_back(Bytes(r->struPicInfo[i].pBuffer, r->struPicInfo[i].dwDataLen));
                Keep(TSR_ALARM_VIOLATION, *a, *r, pictures);
            });
    }

    size_t Count()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return alarms.size();
    }
    std::vector<ReceivedAlarm> Alarms()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return alarms;
    }

private:
    static QByteArray Bytes(const uint8_t* data, uint32_t size)
    {
        return QByteArray(reinterpret_cast<const char*>(data), static_cast<int>(size));
    }
    template <class Record>
    void Keep(int command, const TSR_ALARMER& alarmer, const Record& record, std::vector<QByteArray> pictures)
    {
        std::lock_guard<std::mutex> lock(mutex);
        alarms.push_back({command, std::this_thread::get_id(), alarmer, record, std::move(pictures)});
    }

    QObject context;
    std::mutex mutex;
    std::vector<ReceivedAlarm> alarms;
};

class AlarmDispatchTest : public DeviceLinkTest
{
protected:
    void SetUp() override
    {
        DeviceLinkTest::SetUp();
        Device().setAlarmSentHook([this](const std::vector<uint8_t>& body) {
            std::lock_guard<std::mutex> lock(sentMutex);
            sent.push_back(body);
        });
        receiver = std::make_unique<AlarmReceiver>();
        long handle = -1;
        ASSERT_TRUE(manager->StartListen(&handle, listenPort));
        ASSERT_GE(handle, 0);
    }
    void TearDown() override
    {
        DeviceManager::DestroyInstance();
        receiver.reset();
        DeviceLinkTest::TearDown();
    }

    std::vector<tessoran::wire::DecodedAlarm> Sent()
    {
        std::lock_guard<std::mutex> lock(sentMutex);
        std::vector<tessoran::wire::DecodedAlarm> decoded;
        for (const std::vector<uint8_t>& body : sent) {
            tessoran::wire::DecodedAlarm alarm;
            std::string why;
            EXPECT_TRUE(tessoran::wire::decodeAlarm(body, alarm, why)) << why;
            decoded.push_back(std::move(alarm));
        }
        return decoded;
    }

    std::unique_ptr<AlarmReceiver> receiver;
    std::mutex sentMutex;
    std::vector<std::vector<uint8_t>> sent;
};

QByteArray PictureOf(const uint8_t* data, uint32_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<int>(size));
}

TEST_F(AlarmDispatchTest, EachKindArrivesOnceInOrderOnTheListenerThread)
{
    LoginDevice();
    const devsim::AlarmKind kinds[] = {devsim::AlarmKind::Incident,  devsim::AlarmKind::TrafficParams,
                                       devsim::AlarmKind::Violation, devsim::AlarmKind::Incident,
                                       devsim::AlarmKind::Violation, devsim::AlarmKind::TrafficParams};
    for (devsim::AlarmKind kind : kinds)
        Device().fireAlarms(kind);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return receiver->Count() == 6; }));
    std::this_thread::sleep_for(300ms); // nothing more may come

    const std::vector<ReceivedAlarm> got = receiver->Alarms();
    const std::vector<tessoran::wire::DecodedAlarm> expected = Sent();
    ASSERT_EQ(got.size(), 6u);
    ASSERT_EQ(expected.size(), 6u);
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(i);
        const ReceivedAlarm& alarm = got[i];
        EXPECT_NE(alarm.thread, std::this_thread::get_id());
        EXPECT_EQ(alarm.thread, got[0].thread);
        EXPECT_EQ(alarm.command, expected[i].command);
        EXPECT_STREQ(alarm.alarmer.sDeviceIP, DeviceSpec().address.c_str());
        EXPECT_EQ(alarm.alarmer.wLinkPort, DeviceSpec().port);
        if (alarm.command == TSR_ALARM_INCIDENT) {
            const auto& sentRecord = std::get<TSR_AID_ALARM>(expected[i].body);
            const auto& record = std::get<TSR_AID_ALARM>(alarm.body);
            EXPECT_EQ(record.dwAbsTime, sentRecord.dwAbsTime);
            EXPECT_EQ(record.dwIncidentType, sentRecord.dwIncidentType);
            EXPECT_EQ(record.byLaneNo, sentRecord.byLaneNo);
            EXPECT_EQ(record.struDevInfo.wPort, sentRecord.struDevInfo.wPort);
            EXPECT_EQ(record.struDevInfo.byChannel, sentRecord.struDevInfo.byChannel);
            EXPECT_STREQ(record.struDevInfo.sIpV4, sentRecord.struDevInfo.sIpV4);
            ASSERT_EQ(alarm.pictures.size(), 1u);
            EXPECT_EQ(alarm.pictures[0], PictureOf(sentRecord.pImage, sentRecord.dwPicDataLen));
            EXPECT_TRUE(alarm.pictures[0].startsWith("\xFF\xD8"));
        } else if (alarm.command == TSR_ALARM_TRAFFIC_PARAMS) {
            const auto& sentRecord = std::get<TSR_TPS_ALARM>(expected[i].body);
            const auto& record = std::get<TSR_TPS_ALARM>(alarm.body);
            ASSERT_EQ(record.nLaneNum, sentRecord.nLaneNum);
            EXPECT_EQ(record.dwStartTime, sentRecord.dwStartTime);
            EXPECT_EQ(record.dwStopTime, sentRecord.dwStopTime);
            for (int lane = 0; lane < record.nLaneNum; ++lane) {
                EXPECT_EQ(record.struLane[lane].byLaneNo, sentRecord.struLane[lane].byLaneNo);
                EXPECT_EQ(record.struLane[lane].dwLaneFlow, sentRecord.struLane[lane].dwLaneFlow);
                EXPECT_EQ(record.struLane[lane].dwQueueLength, sentRecord.struLane[lane].dwQueueLength);
            }
        } else {
            const auto& sentRecord = std::get<TSR_TFS_ALARM>(expected[i].body);
            const auto& record = std::get<TSR_TFS_ALARM>(alarm.body);
            EXPECT_EQ(record.dwIllegalType, sentRecord.dwIllegalType);
            EXPECT_STREQ(record.sLicense, sentRecord.sLicense);
            EXPECT_EQ(record.byLaneNo, sentRecord.byLaneNo);
            ASSERT_EQ(alarm.pictures.size(), sentRecord.dwPicNum);
            for (uint32_t p = 0; p < sentRecord.dwPicNum; ++p)
                EXPECT_EQ(alarm.pictures[p],
                          PictureOf(sentRecord.struPicInfo[p].pBuffer, sentRecord.struPicInfo[p].dwDataLen));
        }
    }
}

// Frames the SDK must refuse; each is followed by a good alarm, which alone
// may come through.
class MalformedFrameDispatchTest : public AlarmDispatchTest, public ::testing::WithParamInterface<devsim::Malformed>
{ };

TEST_P(MalformedFrameDispatchTest, IsDroppedAndTheNextAlarmStillArrives)
{
    LoginDevice();
    Device().sendMalformed(GetParam());
    Device().fireAlarms(devsim::AlarmKind::Incident);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return receiver->Count() >= 1; }));
    std::this_thread::sleep_for(300ms);
    const std::vector<ReceivedAlarm> got = receiver->Alarms();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].command, TSR_ALARM_INCIDENT);
    EXPECT_STREQ(got[0].alarmer.sDeviceIP, DeviceSpec().address.c_str());
}

std::string NameOf(const ::testing::TestParamInfo<devsim::Malformed>& info)
{
    return MalformedName(info.param);
}

INSTANTIATE_TEST_SUITE_P(Frames, MalformedFrameDispatchTest,
                         ::testing::Values(devsim::Malformed::BadMagic, devsim::Malformed::BadVersion,
                                           devsim::Malformed::LengthOverCap, devsim::Malformed::Truncated,
                                           devsim::Malformed::WrongRecordSize, devsim::Malformed::LaneCountNine,
                                           devsim::Malformed::PictureLongerThanSent,
                                           devsim::Malformed::UnterminatedText, devsim::Malformed::NonIpv4Text),
                         NameOf);

} // namespace

CORVANE_GTEST_MAIN_WITH_GUI
