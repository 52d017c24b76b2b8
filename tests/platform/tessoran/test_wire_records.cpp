// The wire form of records and frames, without sockets.

#include "Frame.h"
#include "WireRecords.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

using namespace tessoran::wire;

namespace {

TSR_ALARMER sender()
{
    TSR_ALARMER a{};
    std::strcpy(a.sDeviceIP, "127.0.10.1");
    std::strcpy(a.sSerialNumber, "CVSIM100000");
    a.wLinkPort = 8000;
    return a;
}

TSR_TFS_ALARM violation(std::vector<uint8_t>& pictureBytes, uint32_t pictures)
{
    TSR_TFS_ALARM r{};
    r.dwAbsTime = TSR_PACK_TIME(2026, 12, 9, 9, 5, 7);
    r.dwIllegalType = 1301;
    std::strcpy(r.struDevInfo.sIpV4, "127.0.10.2");
    std::strcpy(r.sLicense, "\xBE\xA9"
                            "A12345"); // GBK plate
    r.dwPicNum = pictures;
    pictureBytes.resize(pictures * 10);
    for (size_t i = 0; i < pictureBytes.size(); ++i)
        pictureBytes[i] = static_cast<uint8_t>(i);
    for (uint32_t i = 0; i < pictures; ++i) {
        r.struPicInfo[i].dwDataLen = 10;
        r.struPicInfo[i].pBuffer = pictureBytes.data() + i * 10;
    }
    r.byLaneNo = 3;
    return r;
}

TEST(PackedTime, FieldsRoundTrip)
{
    uint32_t t = TSR_PACK_TIME(2026, 12, 9, 9, 5, 7);
    EXPECT_EQ(TSR_TIME_YEAR(t), 2026u);
    EXPECT_EQ(TSR_TIME_MONTH(t), 12u);
    EXPECT_EQ(TSR_TIME_DAY(t), 9u);
    EXPECT_EQ(TSR_TIME_HOUR(t), 9u);
    EXPECT_EQ(TSR_TIME_MINUTE(t), 5u);
    EXPECT_EQ(TSR_TIME_SECOND(t), 7u);
    EXPECT_EQ(t, (26u << 26) | (12u << 22) | (9u << 17) | (9u << 12) | (5u << 6) | 7u);
}

TEST(AlarmWire, ViolationRoundTripsWithItsPictures)
{
    std::vector<uint8_t> pictures;
    TSR_TFS_ALARM sent = violation(pictures, 8);
    std::vector<uint8_t> bytes = encodeAlarm(TSR_ALARM_VIOLATION, sender(), &sent);
    DecodedAlarm got;
    std::string why;
    ASSERT_TRUE(decodeAlarm(bytes, got, why)) << why;
    EXPECT_EQ(got.command, TSR_ALARM_VIOLATION);
    EXPECT_EQ(got.bodySize(), sizeof(TSR_TFS_ALARM));
    const auto& r = std::get<TSR_TFS_ALARM>(got.body);
    EXPECT_EQ(r.dwSize, sizeof(TSR_TFS_ALARM));
    EXPECT_EQ(r.dwIllegalType, 1301u);
    EXPECT_STREQ(r.sLicense, sent.sLicense);
    EXPECT_STREQ(got.alarmer.sDeviceIP, "127.0.10.1");
    for (uint32_t i = 0; i < 8; ++i) {
        ASSERT_EQ(r.struPicInfo[i].dwDataLen, 10u);
        EXPECT_EQ(std::memcmp(r.struPicInfo[i].pBuffer, pictures.data() + i * 10, 10), 0);
        // Pictures point into the alarm's own bytes, not into the sender's.
        EXPECT_GE(r.struPicInfo[i].pBuffer, got.bytes.data());
        EXPECT_LT(r.struPicInfo[i].pBuffer, got.bytes.data() + got.bytes.size());
    }
    EXPECT_EQ(encodeAlarm(got.command, got.alarmer, got.bodyData()), bytes);
}

struct BadAlarm
{
    const char* name;
    std::function<std::vector<uint8_t>()> make;
    const char* reason; // part of the rejection text
};

// Test names in ctest show the case name instead of the bytes.
void PrintTo(const BadAlarm& c, std::ostream* os)
{
    *os << c.name;
}

class BadAlarmTest : public ::testing::TestWithParam<BadAlarm>
{ };

TEST_P(BadAlarmTest, IsRejectedWithItsReason)
{
    DecodedAlarm got;
    std::string why;
    EXPECT_FALSE(decodeAlarm(GetParam().make(), got, why));
    EXPECT_NE(why.find(GetParam().reason), std::string::npos) << why;
}

std::vector<uint8_t> spoiled(const std::function<void(TSR_ALARMER&, TSR_TFS_ALARM&)>& spoil, AlarmFaults faults = {})
{
    static std::vector<uint8_t> pictures;
    TSR_TFS_ALARM r = violation(pictures, 2);
    TSR_ALARMER a = sender();
    spoil(a, r);
    return encodeAlarm(TSR_ALARM_VIOLATION, a, &r, faults);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadAlarmTest,
    ::testing::Values(
        BadAlarm{"Empty", [] { return std::vector<uint8_t>{}; }, "truncated"},
        BadAlarm{"UnknownCommand",
                 [] {
                     auto b = spoiled([](auto&, auto&) {});
                     b[0] = 0x16;
                     return b;
                 },
                 "unknown alarm command"},
        BadAlarm{"RecordSizeOff",
                 [] {
                     return spoiled([](auto&, auto&) {}, {4, 0});
                 },
                 "record size"},
        BadAlarm{"PictureLongerThanSent",
                 [] {
                     return spoiled([](auto&, auto&) {}, {0, 1});
                 },
                 "picture length larger"},
        BadAlarm{"BytesAfterPictures",
                 [] {
                     auto b = spoiled([](auto&, auto&) {});
                     b.push_back(0);
                     return b;
                 },
                 "bytes left"},
        BadAlarm{"PictureCountNine", [] { return spoiled([](auto&, TSR_TFS_ALARM& r) { r.dwPicNum = 9; }); },
                 "picture count"},
        BadAlarm{"PictureBeyondCount", [] { return spoiled([](auto&, TSR_TFS_ALARM& r) { r.dwPicNum = 1; }); },
                 "beyond the picture count"},
        BadAlarm{
            "UnterminatedPlate",
            [] { return spoiled([](auto&, TSR_TFS_ALARM& r) { std::memset(r.sLicense, 'x', sizeof r.sLicense); }); },
            "does not end"},
        BadAlarm{"ChannelNotIpv4",
                 [] { return spoiled([](auto&, TSR_TFS_ALARM& r) { std::strcpy(r.struDevInfo.sIpV4, "::1"); }); },
                 "not IPv4"},
        BadAlarm{"SenderNotIpv4",
                 [] { return spoiled([](TSR_ALARMER& a, auto&) { std::strcpy(a.sDeviceIP, "256.1.1.1"); }); },
                 "not IPv4"},
        BadAlarm{"SenderWithoutAddress", [] { return spoiled([](TSR_ALARMER& a, auto&) { a.sDeviceIP[0] = 0; }); },
                 "without a device address"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AlarmWire, LaneCountOverEightIsRejected)
{
    TSR_TPS_ALARM r{};
    std::strcpy(r.struDevInfo.sIpV4, "127.0.10.2");
    for (int32_t lanes : {-1, 9}) {
        r.nLaneNum = lanes;
        DecodedAlarm got;
        std::string why;
        EXPECT_FALSE(decodeAlarm(encodeAlarm(TSR_ALARM_TRAFFIC_PARAMS, sender(), &r), got, why));
        EXPECT_NE(why.find("lane count"), std::string::npos) << why;
    }
    r.nLaneNum = 8;
    DecodedAlarm got;
    std::string why;
    EXPECT_TRUE(decodeAlarm(encodeAlarm(TSR_ALARM_TRAFFIC_PARAMS, sender(), &r), got, why)) << why;
}

struct HeaderCase
{
    const char* name;
    size_t offset;
    uint8_t value;
    HeaderStatus expected;
};

// Test names in ctest show the case name instead of the bytes.
void PrintTo(const HeaderCase& c, std::ostream* os)
{
    *os << c.name;
}

class FrameHeaderTest : public ::testing::TestWithParam<HeaderCase>
{ };

TEST_P(FrameHeaderTest, IsChecked)
{
    std::vector<uint8_t> frame = encodeFrame(Kind::Alarm, 7, std::vector<uint8_t>(5, 1));
    frame[GetParam().offset] = GetParam().value;
    FrameHeader header;
    EXPECT_EQ(decodeHeader(frame.data(), frame.size(), header), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FrameHeaderTest,
                         ::testing::Values(HeaderCase{"Good", 6, 0, HeaderStatus::Ok},
                                           HeaderCase{"BadMagic", 0, 'X', HeaderStatus::BadMagic},
                                           HeaderCase{"BadVersion", 4, 3, HeaderStatus::BadVersion},
                                           HeaderCase{"VersionOne", 4, 1, HeaderStatus::BadVersion},
                                           HeaderCase{"LengthOverCap", 15, 0x02, HeaderStatus::TooLong}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FrameHeader, ShortInputNeedsMore)
{
    std::vector<uint8_t> frame = encodeFrame(Kind::Heartbeat, 1, {});
    FrameHeader header;
    EXPECT_EQ(decodeHeader(frame.data(), kHeaderSize - 1, header), HeaderStatus::NeedMore);
    ASSERT_EQ(decodeHeader(frame.data(), frame.size(), header), HeaderStatus::Ok);
    EXPECT_EQ(header.kind, Kind::Heartbeat);
    EXPECT_EQ(header.sequence, 1u);
    EXPECT_EQ(header.length, 0u);
}

TEST(IpChannelConfig, RoundTripsAndRejectsBadAddresses)
{
    auto config = std::make_unique<TSR_IPPARACFG>();
    std::memset(config.get(), 0, sizeof *config);
    config->struIPDevInfo[63].byEnable = 1;
    std::strcpy(config->struIPDevInfo[63].sIpV4, "127.0.10.3");
    config->struIPDevInfo[63].wPort = 8554;
    std::vector<uint8_t> bytes = encodeRecord(*config);
    auto back = std::make_unique<TSR_IPPARACFG>();
    std::string why;
    ASSERT_TRUE(decodeRecord(bytes.data(), bytes.size(), *back, why)) << why;
    EXPECT_STREQ(back->struIPDevInfo[63].sIpV4, "127.0.10.3");
    EXPECT_EQ(back->struIPDevInfo[63].wPort, 8554);

    std::strcpy(config->struIPDevInfo[5].sIpV4, "10.0.0");
    bytes = encodeRecord(*config);
    EXPECT_FALSE(decodeRecord(bytes.data(), bytes.size(), *back, why));
    bytes.pop_back();
    EXPECT_FALSE(decodeRecord(bytes.data(), bytes.size(), *back, why));
}

// Four malformed camera entries among sixty good ones used to lose all of them.
TEST(IpChannelConfig, MalformedEntriesAreLeftOutAndTheOthersKept)
{
    auto config = std::make_unique<TSR_IPPARACFG>();
    for (int i = 0; i < TSR_MAX_IP_DEVICES; ++i) {
        TSR_IPDEVINFO& device = config->struIPDevInfo[i];
        device.byEnable = 1;
        std::snprintf(device.sUserName, sizeof device.sUserName, "user%d", i);
        std::snprintf(device.sIpV4, sizeof device.sIpV4, "127.0.10.%d", i + 2);
        device.wPort = static_cast<uint16_t>(8000 + i);
        config->struIPChanInfo[i] = {1, static_cast<uint8_t>(i + 1), 1, {}};
    }
    const std::map<int, std::string> spoiled = {{3, "text"}, {17, "address"}, {40, "text"}, {63, "address"}};
    for (auto& [i, how] : spoiled) {
        if (how == "text")
            std::memset(config->struIPDevInfo[i].sUserName, 'A', sizeof config->struIPDevInfo[i].sUserName);
        else
            std::strcpy(config->struIPDevInfo[i].sIpV4, "camera.local");
    }
    auto back = std::make_unique<TSR_IPPARACFG>();
    std::string why;
    std::vector<std::string> dropped;
    ASSERT_TRUE(
        decodeConfigReply(encodeConfigReply(TSR_GET_IPPARACFG, *config), TSR_GET_IPPARACFG, *back, why, dropped))
        << why;
    EXPECT_EQ(dropped.size(), 2 * spoiled.size());
    for (int i = 0; i < TSR_MAX_IP_DEVICES; ++i) {
        SCOPED_TRACE(i);
        const TSR_IPDEVINFO& got = back->struIPDevInfo[i];
        if (spoiled.count(i)) {
            EXPECT_EQ(got.byEnable, 0);
            EXPECT_EQ(back->struIPChanInfo[i].byEnable, 0);
            continue;
        }
        EXPECT_EQ(got.byEnable, 1);
        EXPECT_STREQ(got.sUserName, config->struIPDevInfo[i].sUserName);
        EXPECT_STREQ(got.sIpV4, config->struIPDevInfo[i].sIpV4);
        EXPECT_EQ(got.wPort, config->struIPDevInfo[i].wPort);
        EXPECT_EQ(back->struIPChanInfo[i].byIPID, i + 1);
    }

    std::vector<uint8_t> cut = encodeConfigReply(TSR_GET_IPPARACFG, *config);
    cut.pop_back();
    EXPECT_FALSE(decodeConfigReply(cut, TSR_GET_IPPARACFG, *back, why, dropped));
}

TEST(StreamHeader, IsATransportStreamNullPacket)
{
    std::vector<uint8_t> header = makeStreamHeader({640, 360, 25});
    ASSERT_EQ(header.size(), size_t(TSR_STREAM_HEADER_SIZE));
    EXPECT_EQ(header[0], 0x47);
    EXPECT_EQ(((header[1] & 0x1F) << 8) | header[2], 0x1FFF);
    StreamInfo info;
    ASSERT_TRUE(parseStreamHeader(header.data(), header.size(), info));
    EXPECT_EQ(info.width, 640);
    EXPECT_EQ(info.height, 360);
    EXPECT_EQ(info.framesPerSecond, 25);
    header[4] = 'X';
    EXPECT_FALSE(parseStreamHeader(header.data(), header.size(), info));
}

} // namespace

namespace {

// PROTOCOL.md gives these sizes; a change of a record's wire form shows here.
TEST(WireSizes, AreTheDocumentedOnes)
{
    EXPECT_EQ(wireSize<TSR_ALARMER>(), 220u);
    EXPECT_EQ(wireSize<TSR_AID_ALARM>(), 204u);
    EXPECT_EQ(wireSize<TSR_TPS_ALARM>(), 544u);
    EXPECT_EQ(wireSize<TSR_TFS_ALARM>(), 643u);
    EXPECT_EQ(wireSize<TSR_DEVICEINFO>(), 90u);
    EXPECT_EQ(wireSize<TSR_IPPARACFG>(), 16776u);
    EXPECT_EQ(wireSize<TSR_TIME>(), 24u);
}

} // namespace
