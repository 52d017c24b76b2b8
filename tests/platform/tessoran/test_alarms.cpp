// Alarms pushed by the simulator to the SDK's listener.

#include "SdkFixture.h"
#include "WireRecords.h"

#include <QImage>
#include <QTextCodec>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <thread>

using namespace std::chrono;
using tessoran::wire::encodeAlarm;

namespace {

// What the listener callback saw, re-encoded: equal bytes to what the device sent
// means every field and every picture byte arrived intact.
struct Received
{
    std::mutex mutex;
    std::vector<std::vector<uint8_t>> alarms;
    std::vector<TSR_ALARMER> alarmers;
    std::atomic<int> count{0};
    std::atomic<bool> gateOpen{true};
    std::atomic<int> delayMicros{0};
    std::atomic<int> wrongSize{0};
    int32_t stopHandle = -1; // stopped from inside the first callback when set
    std::atomic<int> stopResult{-1};
};

TSR_BOOL collect(int32_t command, const TSR_ALARMER* alarmer, const char* body, uint32_t length, void* user)
{
    auto* r = static_cast<Received*>(user);
    while (!r->gateOpen)
        std::this_thread::sleep_for(milliseconds(5));
    if (int d = r->delayMicros)
        std::this_thread::sleep_for(microseconds(d));
    if (length != tessoran::wire::alarmRecordSize(command))
        ++r->wrongSize;
    {
        std::lock_guard<std::mutex> lock(r->mutex);
        r->alarms.push_back(encodeAlarm(command, *alarmer, body));
        r->alarmers.push_back(*alarmer);
    }
    ++r->count;
    if (r->stopHandle >= 0)
        r->stopResult = TSR_StopListen(std::exchange(r->stopHandle, -1));
    return 1;
}

class AlarmTest : public SdkFixture
{
protected:
    void SetUp() override
    {
        SdkFixture::SetUp();
        device().setAlarmSentHook([this](const std::vector<uint8_t>& body) {
            std::lock_guard<std::mutex> lock(sentMutex_);
            sent_.push_back(body);
        });
        // The listener takes alarms only from devices the client has logged into.
        for (devsim::SimDevice* d : sim_.devices()) {
            const devsim::DeviceSpec& spec = d->spec();
            loginIds_.push_back(login(spec.address, spec.port, spec.user, spec.password));
            ASSERT_GE(loginIds_.back(), 0) << TSR_GetErrorMsg(nullptr);
        }
    }
    int32_t listen(TSR_MSGCALLBACK callback = collect)
    {
        int32_t handle = TSR_StartListen("127.0.0.1", listenPort_, callback, &received_);
        EXPECT_GE(handle, 0) << TSR_GetErrorMsg(nullptr);
        return handle;
    }
    std::vector<std::vector<uint8_t>> sent()
    {
        std::lock_guard<std::mutex> lock(sentMutex_);
        return sent_;
    }
    std::vector<std::vector<uint8_t>> received()
    {
        std::lock_guard<std::mutex> lock(received_.mutex);
        return received_.alarms;
    }

    Received received_;
    std::vector<int32_t> loginIds_;
    std::mutex sentMutex_;
    std::vector<std::vector<uint8_t>> sent_;
};

uint32_t le32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

TEST_F(AlarmTest, ThreeKindsArriveOnceInOrderIntact)
{
    int32_t loginId = loginIds_.at(0);
    int32_t handle = listen();
    device().fireAlarms(devsim::AlarmKind::Incident);
    device().fireAlarms(devsim::AlarmKind::TrafficParams);
    device().fireAlarms(devsim::AlarmKind::Violation);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return received_.count == 3; }));
    std::this_thread::sleep_for(milliseconds(300)); // nothing more may come
    EXPECT_EQ(received_.count, 3);
    EXPECT_EQ(received_.wrongSize, 0);
    auto got = received();
    ASSERT_EQ(got, sent());
    EXPECT_EQ(le32(got[0], 0), uint32_t(TSR_ALARM_INCIDENT));
    EXPECT_EQ(le32(got[1], 0), uint32_t(TSR_ALARM_TRAFFIC_PARAMS));
    EXPECT_EQ(le32(got[2], 0), uint32_t(TSR_ALARM_VIOLATION));
    for (const TSR_ALARMER& a : received_.alarmers) {
        EXPECT_STREQ(a.sDeviceIP, deviceSpec().address.c_str());
        EXPECT_EQ(a.wLinkPort, deviceSpec().port);
        EXPECT_EQ(a.lUserID, loginId);
        EXPECT_EQ(a.byUserIDValid, 1);
        EXPECT_STRNE(a.sSocketIP, "");
    }
    EXPECT_TRUE(TSR_StopListen(handle));
}

// The decoded records themselves, as the client reads them.
TEST_F(AlarmTest, RecordsCarryRealisticContent)
{
    struct Records
    {
        std::mutex mutex;
        TSR_AID_ALARM incident{};
        QByteArray incidentPicture;
        TSR_TPS_ALARM traffic{};
        TSR_TFS_ALARM violation{};
        std::vector<QByteArray> violationPictures;
        std::atomic<int> count{0};
    } records;
    auto keep = [](int32_t command, const TSR_ALARMER*, const char* body, uint32_t, void* user) -> TSR_BOOL {
        auto* r = static_cast<Records*>(user);
        std::lock_guard<std::mutex> lock(r->mutex);
        if (command == TSR_ALARM_INCIDENT) {
            std::memcpy(&r->incident, body, sizeof r->incident);
            r->incidentPicture = QByteArray(reinterpret_cast<const char*>(r->incident.pImage),
                                            static_cast<int>(r->incident.dwPicDataLen));
        } else if (command == TSR_ALARM_TRAFFIC_PARAMS) {
            std::memcpy(&r->traffic, body, sizeof r->traffic);
        } else {
            std::memcpy(&r->violation, body, sizeof r->violation);
            for (uint32_t i = 0; i < r->violation.dwPicNum; ++i)
                r->violationPictures.emplace_back(reinterpret_cast<const char*>(r->violation.struPicInfo[i].pBuffer),
                                                  static_cast<int>(r->violation.struPicInfo[i].dwDataLen));
        }
        ++r->count;
        return 1;
    };
    int32_t handle = TSR_StartListen(nullptr, listenPort_, keep, &records);
    ASSERT_GE(handle, 0);
    for (auto kind : {devsim::AlarmKind::Incident, devsim::AlarmKind::TrafficParams, devsim::AlarmKind::Violation})
        device().fireAlarms(kind);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return records.count == 3; }));
    TSR_StopListen(handle);

    QDateTime now = QDateTime::currentDateTime();
    auto packedAge = [&](uint32_t t) {
        QDateTime when(QDate(TSR_TIME_YEAR(t), TSR_TIME_MONTH(t), TSR_TIME_DAY(t)),
                       QTime(TSR_TIME_HOUR(t), TSR_TIME_MINUTE(t), TSR_TIME_SECOND(t)));
        return std::abs(when.secsTo(now));
    };
    const auto& cameras = deviceSpec().cameras;
    auto isCamera = [&](const char* ip) {
        for (auto& c : cameras)
            if (c.address == ip)
                return true;
        return false;
    };

    const TSR_AID_ALARM& aid = records.incident;
    EXPECT_EQ(aid.dwSize, sizeof(TSR_AID_ALARM));
    EXPECT_LE(packedAge(aid.dwAbsTime), 60);
    EXPECT_TRUE(isCamera(aid.struDevInfo.sIpV4)) << aid.struDevInfo.sIpV4;
    EXPECT_EQ(aid.struDevInfo.wPort, deviceSpec().port);
    const std::vector<uint32_t> types = {1,    2,    4,    8,    16,    32,    64,     260,   512,
                                         1024, 2048, 4096, 8192, 16384, 32768, 131072, 524288};
    EXPECT_NE(std::find(types.begin(), types.end(), aid.dwIncidentType), types.end());
    EXPECT_GE(aid.byLaneNo, 1);
    EXPECT_FALSE(QImage::fromData(records.incidentPicture, "JPEG").isNull());

    const TSR_TPS_ALARM& tps = records.traffic;
    ASSERT_EQ(tps.nLaneNum, 4);
    for (int i = 0; i < tps.nLaneNum; ++i) {
        EXPECT_EQ(tps.struLane[i].byLaneNo, i + 1);
        EXPECT_GE(tps.struLane[i].byTrafficState, 1);
        EXPECT_LE(tps.struLane[i].byTrafficState, 3);
        EXPECT_EQ(tps.struLane[i].dwLaneFlow,
                  tps.struLane[i].dwLightVehicle + tps.struLane[i].dwMidVehicle + tps.struLane[i].dwHeavyVehicle);
    }
    EXPECT_LE(packedAge(tps.dwStartTime), 120);
    EXPECT_LE(packedAge(tps.dwStopTime), 60);

    const TSR_TFS_ALARM& tfs = records.violation;
    const std::vector<uint32_t> codes = {1018, 1039, 1044, 1301, 12301, 12303, 13451, 13453};
    EXPECT_NE(std::find(codes.begin(), codes.end(), tfs.dwIllegalType), codes.end());
    QString plate = QTextCodec::codecForName("GBK")->toUnicode(tfs.sLicense);
    EXPECT_EQ(plate.size(), 7) << plate.toStdString();
    EXPECT_GE(plate.at(0).unicode(), 0x4E00u); // a province character
    ASSERT_GE(tfs.dwPicNum, 1u);
    ASSERT_LE(tfs.dwPicNum, 8u);
    for (const QByteArray& jpeg : records.violationPictures)
        EXPECT_FALSE(QImage::fromData(jpeg, "JPEG").isNull());
}

// A slow callback holds the queue full; the listener stops reading, so the device
// can send only a bounded number ahead. Nothing is lost and order is kept.
TEST_F(AlarmTest, FloodWithSlowCallbackLosesNothingAndStaysBounded)
{
    constexpr int kAlarms = 10000;
    received_.gateOpen = false;
    listen();
    device().fireAlarms(devsim::AlarmKind::Incident, kAlarms);
    size_t ahead = 0;
    for (int i = 0; i < 60; ++i) { // until the device can send no more
        size_t before = device().alarmsSent();
        std::this_thread::sleep_for(milliseconds(500));
        ahead = device().alarmsSent();
        if (ahead == before && ahead > 0)
            break;
    }
    ASSERT_GT(ahead, 0u);
    EXPECT_LT(ahead, size_t(kAlarms / 4)) << "the listener kept reading while its callback stalled";
    received_.delayMicros = 20;
    received_.gateOpen = true;
    ASSERT_TRUE(testsupport::WaitUntil([&] { return received_.count == kAlarms; }, seconds(120))) << received_.count;
    EXPECT_EQ(received(), sent());
}

struct MalformedCase
{
    const char* name;
    devsim::Malformed kind;
};

// Test names in ctest show the case name instead of the bytes.
void PrintTo(const MalformedCase& c, std::ostream* os)
{
    *os << c.name;
}

class MalformedAlarmTest : public AlarmTest, public ::testing::WithParamInterface<MalformedCase>
{ };

TEST_P(MalformedAlarmTest, IsDroppedAndLaterAlarmsStillArrive)
{
    listen();
    device().fireAlarms(devsim::AlarmKind::Incident);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return received_.count == 1; }));
    device().sendMalformed(GetParam().kind);
    device().fireAlarms(devsim::AlarmKind::Violation);
    device().fireAlarms(devsim::AlarmKind::TrafficParams);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return received_.count == 3; }));
    std::this_thread::sleep_for(milliseconds(300));
    EXPECT_EQ(received_.count, 3);
    EXPECT_EQ(received(), sent());
}

INSTANTIATE_TEST_SUITE_P(Frames, MalformedAlarmTest,
                         ::testing::Values(MalformedCase{"BadMagic", devsim::Malformed::BadMagic},
                                           MalformedCase{"BadVersion", devsim::Malformed::BadVersion},
                                           MalformedCase{"LengthOverCap", devsim::Malformed::LengthOverCap},
                                           MalformedCase{"Truncated", devsim::Malformed::Truncated},
                                           MalformedCase{"BodyNotRecordSize", devsim::Malformed::WrongRecordSize},
                                           MalformedCase{"LaneCountNine", devsim::Malformed::LaneCountNine},
                                           MalformedCase{"PictureLongerThanSent",
                                                         devsim::Malformed::PictureLongerThanSent},
                                           MalformedCase{"UnterminatedText", devsim::Malformed::UnterminatedText},
                                           MalformedCase{"NonIpv4Text", devsim::Malformed::NonIpv4Text}),
                         [](const auto& info) { return std::string(info.param.name); });

class ManyDevicesTest : public AlarmTest
{
    int deviceCount() const override { return 3; }
};

// Devices push at once; callbacks still run one at a time, each device's alarms
// in the order it sent them.
TEST_F(ManyDevicesTest, CallbacksRunOneAtATimeInArrivalOrder)
{
    struct Seen
    {
        std::atomic<int> running{0};
        std::atomic<int> overlaps{0};
        std::atomic<int> count{0};
        std::mutex mutex;
        std::map<std::string, std::vector<uint32_t>> order; // relative times per device
    } seen;
    auto callback = [](int32_t command, const TSR_ALARMER* alarmer, const char* body, uint32_t,
                       void* user) -> TSR_BOOL {
        auto* s = static_cast<Seen*>(user);
        if (s->running.fetch_add(1) != 0)
            ++s->overlaps;
        std::this_thread::sleep_for(microseconds(200));
        if (command == TSR_ALARM_INCIDENT) {
            std::lock_guard<std::mutex> lock(s->mutex);
            s->order[alarmer->sDeviceIP].push_back(reinterpret_cast<const TSR_AID_ALARM*>(body)->dwRelativeTime);
        }
        --s->running;
        ++s->count;
        return 1;
    };
    ASSERT_GE(TSR_StartListen("127.0.0.1", listenPort_, callback, &seen), 0);
    constexpr int kEach = 200;
    for (devsim::SimDevice* d : sim_.devices())
        d->fireAlarms(devsim::AlarmKind::Incident, kEach);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return seen.count == 3 * kEach; }));
    EXPECT_EQ(seen.overlaps, 0);
    ASSERT_EQ(seen.order.size(), 3u);
    for (auto& [device, times] : seen.order) {
        EXPECT_EQ(times.size(), size_t(kEach)) << device;
        EXPECT_TRUE(std::is_sorted(times.begin(), times.end())) << device;
    }
}

TEST_F(AlarmTest, StopListenFromInsideItsCallbackEndsDelivery)
{
    int32_t handle = listen();
    received_.stopHandle = handle;
    device().fireAlarms(devsim::AlarmKind::Incident, 5);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return received_.stopResult != -1; }));
    EXPECT_EQ(received_.stopResult, 1);
    std::this_thread::sleep_for(milliseconds(500));
    EXPECT_EQ(received_.count, 1);
    EXPECT_FALSE(TSR_StopListen(handle));
}

TEST_F(AlarmTest, ListenerWithoutCallbackUsesTheMessageCallback)
{
    ASSERT_TRUE(TSR_SetMessageCallBack(collect, &received_));
    int32_t handle = TSR_StartListen(nullptr, listenPort_, nullptr, nullptr);
    ASSERT_GE(handle, 0);
    device().fireAlarms(devsim::AlarmKind::TrafficParams, 2);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return received_.count == 2; }));
    EXPECT_EQ(received(), sent());
}

TEST_F(AlarmTest, ListenerPortInUseIsRefused)
{
    int32_t first = listen();
    EXPECT_EQ(TSR_StartListen("127.0.0.1", listenPort_, collect, &received_), -1);
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_LISTEN));
    EXPECT_EQ(TSR_StartListen("not-an-ip", listenPort_, collect, &received_), -1);
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_INVALID_ARGUMENT));
    EXPECT_TRUE(TSR_StopListen(first));
}

} // namespace

CORVANE_GTEST_MAIN_WITH_GUI
