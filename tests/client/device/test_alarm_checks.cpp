// The listener callback's checks, fed directly with records a hostile or broken
// device could make the SDK hand over.

#include "device/AlarmValidation.h"
#include "device/DeviceManager.h"
#include "device/Ipv4Text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

const uint8_t kPicture[] = {0xFF, 0xD8, 0xFF, 0xD9};

template <size_t N>
void SetText(char (&field)[N], const char* text)
{
    std::strncpy(field, text, N);
}

TSR_ALARMER GoodAlarmer()
{
    TSR_ALARMER alarmer{};
    SetText(alarmer.sDeviceIP, "192.0.2.10");
    alarmer.wLinkPort = 8000;
    return alarmer;
}

// A well-formed record of the command, as the SDK would hand it over.
std::vector<char> GoodRecord(int32_t command)
{
    std::vector<char> bytes;
    auto fill = [&](auto record) {
        bytes.assign(reinterpret_cast<const char*>(&record), reinterpret_cast<const char*>(&record) + sizeof record);
    };
    if (command == TSR_ALARM_INCIDENT) {
        TSR_AID_ALARM r{};
        SetText(r.struDevInfo.sIpV4, "192.0.2.11");
        SetText(r.sRuleName, "rule");
        r.dwIncidentType = 4;
        r.dwPicDataLen = sizeof kPicture;
        r.pImage = const_cast<uint8_t*>(kPicture);
        fill(r);
    } else if (command == TSR_ALARM_TRAFFIC_PARAMS) {
        TSR_TPS_ALARM r{};
        SetText(r.struDevInfo.sIpV4, "192.0.2.11");
        r.nLaneNum = 4;
        fill(r);
    } else {
        TSR_TFS_ALARM r{};
        SetText(r.struDevInfo.sIpV4, "192.0.2.11");
        SetText(r.sLicense, "plate");
        r.dwPicNum = 2;
        for (TSR_PIC_INFO& picture : r.struPicInfo) {
            picture.dwDataLen = sizeof kPicture;
            picture.pBuffer = const_cast<uint8_t*>(kPicture);
        }
        fill(r);
    }
    return bytes;
}

template <class Record>
Record& As(std::vector<char>& bytes)
{
    return *reinterpret_cast<Record*>(bytes.data());
}
template <class Record>
const Record& As(const std::vector<char>& bytes)
{
    return *reinterpret_cast<const Record*>(bytes.data());
}

struct HostileCase
{
    std::string name;
    int32_t command;
    std::function<void(TSR_ALARMER&, std::vector<char>&)> spoil;
    int lengthChange; // added to the record size as the length handed over
    bool delivered;
    // Checks the copy the receiver got.
    std::function<void(const TSR_ALARMER&, const std::vector<char>&)> verify;
};

// Cases print as their names in test listings.
void PrintTo(const HostileCase& c, std::ostream* out)
{
    *out << c.name;
}

class HostileAlarmTest : public ::testing::TestWithParam<HostileCase>
{
protected:
    void SetUp() override
    {
        manager = DeviceManager::GetInstance();
        auto keep = [this](const TSR_ALARMER* alarmer, const void* record, size_t size) {
            ++emitted;
            deliveredAlarmer = *alarmer;
            deliveredRecord.assign(static_cast<const char*>(record), static_cast<const char*>(record) + size);
        };
        DeviceManager::ConnectAlarms(
            &context, [keep](const TSR_ALARMER* a, const TSR_AID_ALARM* r) { keep(a, r, sizeof *r); },
            [keep](const TSR_ALARMER* a, const TSR_TPS_ALARM* r) { keep(a, r, sizeof *r); },
            [keep](const TSR_ALARMER* a, const TSR_TFS_ALARM* r) { keep(a, r, sizeof *r); });
    }
    void TearDown() override { DeviceManager::DestroyInstance(); }

    DeviceManager* manager = nullptr;
    QObject context;
    int emitted = 0;
    TSR_ALARMER deliveredAlarmer{};
    std::vector<char> deliveredRecord;
};

TEST_P(HostileAlarmTest, IsDroppedOrDeliveredChecked)
{
    const HostileCase& c = GetParam();
    TSR_ALARMER alarmer = GoodAlarmer();
    std::vector<char> record = GoodRecord(c.command);
    const size_t recordSize = record.size();
    if (c.spoil)
        c.spoil(alarmer, record);
    record.resize(recordSize + 256); // room for a length that claims more
    const uint32_t length = static_cast<uint32_t>(static_cast<int>(recordSize) + c.lengthChange);

    ListenMsgCallBack(c.command, &alarmer, record.data(), length, manager);

    ASSERT_EQ(emitted, c.delivered ? 1 : 0);
    if (c.delivered && c.verify)
        c.verify(deliveredAlarmer, deliveredRecord);
}

const auto kAid = TSR_ALARM_INCIDENT;
const auto kTps = TSR_ALARM_TRAFFIC_PARAMS;
const auto kTfs = TSR_ALARM_VIOLATION;

std::vector<HostileCase> HostileCases()
{
    return {
        {"GoodIncident",
         kAid,
         {},
         0,
         true,
         [](const TSR_ALARMER& a, const std::vector<char>& r) {
             EXPECT_STREQ(a.sDeviceIP, "192.0.2.10");
             EXPECT_EQ(As<TSR_AID_ALARM>(r).dwIncidentType, 4u);
             EXPECT_EQ(As<TSR_AID_ALARM>(r).pImage, kPicture);
         }},
        {"LongerBodyIsCopiedToItsRecordSize", kTps, {}, 100, true, {}},
        {"ShortIncidentBody", kAid, {}, -1, false, {}},
        {"ShortTrafficBody", kTps, {}, -8, false, {}},
        {"ShortViolationBody", kTfs, {}, -static_cast<int>(sizeof(TSR_TFS_ALARM)) + 4, false, {}},
        {"DeviceAddressClimbsFolders",
         kAid,
         [](TSR_ALARMER& a, std::vector<char>&) { SetText(a.sDeviceIP, "../../../tmp"); },
         0,
         false,
         {}},
        {"DeviceAddressEmpty",
         kTfs,
         [](TSR_ALARMER& a, std::vector<char>&) { SetText(a.sDeviceIP, ""); },
         0,
         false,
         {}},
        {"DeviceAddressUnterminated",
         kAid,
         [](TSR_ALARMER& a, std::vector<char>&) { std::memset(a.sDeviceIP, '1', sizeof a.sDeviceIP); },
         0,
         false,
         {}},
        {"ChannelAddressWithSeparator",
         kAid,
         [](TSR_ALARMER&, std::vector<char>& r) { SetText(As<TSR_AID_ALARM>(r).struDevInfo.sIpV4, "1.2.3.4/.."); },
         0,
         false,
         {}},
        {"ChannelAddressFiveParts",
         kTfs,
         [](TSR_ALARMER&, std::vector<char>& r) { SetText(As<TSR_TFS_ALARM>(r).struDevInfo.sIpV4, "1.2.3.4.5"); },
         0,
         false,
         {}},
        {"ChannelAddressPartOver255",
         kTps,
         [](TSR_ALARMER&, std::vector<char>& r) { SetText(As<TSR_TPS_ALARM>(r).struDevInfo.sIpV4, "1.2.3.256"); },
         0,
         false,
         {}},
        {"ChannelAddressEmptyIsAllowed",
         kAid,
         [](TSR_ALARMER&, std::vector<char>& r) { SetText(As<TSR_AID_ALARM>(r).struDevInfo.sIpV4, ""); },
         0,
         true,
         {}},
        {"IncidentPictureWithoutData",
         kAid,
         [](TSR_ALARMER&, std::vector<char>& r) { As<TSR_AID_ALARM>(r).pImage = nullptr; },
         0,
         false,
         {}},
        {"IncidentPictureLongerThanAnyFrame",
         kAid,
         [](TSR_ALARMER&, std::vector<char>& r) { As<TSR_AID_ALARM>(r).dwPicDataLen = kMaxAlarmPictureBytes + 1; },
         0,
         false,
         {}},
        {"ViolationPictureWithoutData",
         kTfs,
         [](TSR_ALARMER&, std::vector<char>& r) { As<TSR_TFS_ALARM>(r).struPicInfo[1].pBuffer = nullptr; },
         0,
         false,
         {}},
        {"ViolationPictureBeyondCountIsCleared", kTfs,
         [](TSR_ALARMER&, std::vector<char>& r) { As<TSR_TFS_ALARM>(r).struPicInfo[5].pBuffer = nullptr; }, 0, true,
         [](const TSR_ALARMER&, const std::vector<char>& r) {
             EXPECT_EQ(As<TSR_TFS_ALARM>(r).struPicInfo[5].dwDataLen, 0u);
             EXPECT_EQ(As<TSR_TFS_ALARM>(r).struPicInfo[1].pBuffer, kPicture);
         }},
        {"LaneCountNineIsClamped", kTps, [](TSR_ALARMER&, std::vector<char>& r) { As<TSR_TPS_ALARM>(r).nLaneNum = 9; },
         0, true, [](const TSR_ALARMER&, const std::vector<char>& r) { EXPECT_EQ(As<TSR_TPS_ALARM>(r).nLaneNum, 8); }},
        {"NegativeLaneCountIsClamped", kTps,
         [](TSR_ALARMER&, std::vector<char>& r) { As<TSR_TPS_ALARM>(r).nLaneNum = -3; }, 0, true,
         [](const TSR_ALARMER&, const std::vector<char>& r) { EXPECT_EQ(As<TSR_TPS_ALARM>(r).nLaneNum, 0); }},
        {"PictureCountTwelveIsClamped", kTfs,
         [](TSR_ALARMER&, std::vector<char>& r) { As<TSR_TFS_ALARM>(r).dwPicNum = 12; }, 0, true,
         [](const TSR_ALARMER&, const std::vector<char>& r) { EXPECT_EQ(As<TSR_TFS_ALARM>(r).dwPicNum, 8u); }},
        {"UnterminatedTextsAreEnded", kTfs,
         [](TSR_ALARMER& a, std::vector<char>& r) {
             std::memset(a.sDeviceName, 'n', sizeof a.sDeviceName);
             std::memset(As<TSR_TFS_ALARM>(r).sLicense, 'p', sizeof As<TSR_TFS_ALARM>(r).sLicense);
         },
         0, true,
         [](const TSR_ALARMER& a, const std::vector<char>& r) {
             EXPECT_EQ(std::strlen(a.sDeviceName), sizeof a.sDeviceName - 1);
             EXPECT_EQ(std::strlen(As<TSR_TFS_ALARM>(r).sLicense), sizeof As<TSR_TFS_ALARM>(r).sLicense - 1);
         }},
    };
}

INSTANTIATE_TEST_SUITE_P(Records, HostileAlarmTest, ::testing::ValuesIn(HostileCases()),
                         [](const ::testing::TestParamInfo<HostileCase>& info) { return info.param.name; });

TEST_F(HostileAlarmTest, OtherCommandsAndMissingArgumentsEmitNothing)
{
    TSR_ALARMER alarmer = GoodAlarmer();
    std::vector<char> record = GoodRecord(kAid);
    const uint32_t length = static_cast<uint32_t>(record.size());
    ListenMsgCallBack(0x1112, &alarmer, record.data(), length, manager);
    ListenMsgCallBack(0x1116, &alarmer, record.data(), length, manager);
    ListenMsgCallBack(kAid, &alarmer, record.data(), length, nullptr);
    ListenMsgCallBack(kAid, nullptr, record.data(), length, manager);
    ListenMsgCallBack(kAid, &alarmer, nullptr, length, manager);
    ListenMsgCallBack(kAid, &alarmer, record.data(), 0, manager);
    EXPECT_EQ(emitted, 0);
    ListenMsgCallBack(kAid, &alarmer, record.data(), length, manager);
    EXPECT_EQ(emitted, 1);
}

struct AddressCase
{
    const char* name;
    const char* text;
    bool ipv4;
};

// Cases print as their names in test listings.
void PrintTo(const AddressCase& c, std::ostream* out)
{
    *out << c.name;
}

class Ipv4TextTest : public ::testing::TestWithParam<AddressCase>
{ };

TEST_P(Ipv4TextTest, AcceptsDottedQuadsOnly)
{
    EXPECT_EQ(IsIpv4Text(QString::fromUtf8(GetParam().text)), GetParam().ipv4) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Ipv4TextTest,
    ::testing::Values(AddressCase{"Documentation", "192.0.2.10", true}, AddressCase{"AllZero", "0.0.0.0", true},
                      AddressCase{"AllOnes", "255.255.255.255", true}, AddressCase{"Loopback", "127.0.20.1", true},
                      AddressCase{"PartOver255", "256.1.1.1", false}, AddressCase{"ThreeParts", "1.2.3", false},
                      AddressCase{"FiveParts", "1.2.3.4.5", false}, AddressCase{"ShortForm", "127.1", false},
                      AddressCase{"Empty", "", false}, AddressCase{"ParentFolder", "..", false},
                      AddressCase{"TrailingSeparator", "1.2.3.4/", false},
                      AddressCase{"TrailingNewline", "1.2.3.4\n", false},
                      AddressCase{"LeadingBlank", " 1.2.3.4", false}, AddressCase{"FourDigits", "1.2.3.0004", false},
                      AddressCase{"FullWidthDigit", "\xEF\xBC\x91.2.3.4", false}, AddressCase{"Ipv6", "::1", false}),
    [](const ::testing::TestParamInfo<AddressCase>& info) { return std::string(info.param.name); });

} // namespace
