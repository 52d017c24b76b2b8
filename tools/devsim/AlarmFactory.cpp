#include "AlarmFactory.h"

#include <QTextCodec>

#include <cstdio>
#include <cstring>

namespace devsim {
namespace {

const uint32_t kIncidentTypes[] = {1,    2,    4,    8,    16,    32,    64,     260,   512,
                                   1024, 2048, 4096, 8192, 16384, 32768, 131072, 524288};
const uint32_t kViolationTypes[] = {1018, 1039, 1044, 1301, 12301, 12303, 13451, 13453};
const char* const kProvinces[] = {"京", "沪", "粤", "浙", "苏", "川", "鄂", "湘"};

template <size_t N>
void copyText(char (&field)[N], const std::string& text)
{
    std::snprintf(field, N, "%s", text.c_str());
}

template <size_t N>
void copyGbk(char (&field)[N], const QString& text)
{
    QTextCodec* gbk = QTextCodec::codecForName("GBK");
    QByteArray bytes = gbk ? gbk->fromUnicode(text) : text.toUtf8();
    std::snprintf(field, N, "%s", bytes.constData());
}

} // namespace

AlarmFactory::AlarmFactory(const DeviceSpec& device, const PictureBank& pictures)
    : device_(device), pictures_(pictures), random_(device.seed)
{
}

uint32_t AlarmFactory::packTime(const QDateTime& time)
{
    QDate d = time.date();
    QTime t = time.time();
    return TSR_PACK_TIME(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}

int AlarmFactory::pick(int lo, int hi)
{
    return std::uniform_int_distribution<int>(lo, hi)(random_);
}

void AlarmFactory::fillAlarmer(TSR_ALARMER& alarmer) const
{
    copyText(alarmer.sSerialNumber, device_.serial);
    alarmer.dwDeviceVersion = 0x01020003;
    copyText(alarmer.sDeviceName, device_.name);
    uint8_t mac[6] = {0x02, 0x00, 0x7F, 0, 0, 0};
    unsigned a = 0, b = 0, c = 0, d = 0;
    std::sscanf(device_.address.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d);
    mac[3] = static_cast<uint8_t>(b);
    mac[4] = static_cast<uint8_t>(c);
    mac[5] = static_cast<uint8_t>(d);
    std::memcpy(alarmer.byMacAddr, mac, sizeof mac);
    alarmer.wLinkPort = device_.port;
    copyText(alarmer.sDeviceIP, device_.address);
}

void AlarmFactory::fillChannel(TSR_VCA_DEV_INFO& info)
{
    int channel = device_.cameras.empty() ? 0 : pick(0, static_cast<int>(device_.cameras.size()) - 1);
    copyText(info.sIpV4, device_.cameras.empty() ? device_.address : device_.cameras[channel].address);
    info.wPort = device_.port;
    info.byLocalChannel = static_cast<uint8_t>(channel + 1);
    info.byChannel = static_cast<uint8_t>(channel + 1);
}

TSR_AID_ALARM AlarmFactory::incident(const QDateTime& now)
{
    TSR_AID_ALARM r{};
    r.dwRelativeTime = static_cast<uint32_t>(now.toMSecsSinceEpoch() & 0xFFFFFFFF);
    r.dwAbsTime = packTime(now);
    fillChannel(r.struDevInfo);
    r.byRuleID = static_cast<uint8_t>(pick(1, 8));
    copyGbk(r.sRuleName, QStringLiteral("检测区域%1").arg(r.byRuleID));
    r.dwIncidentType = kIncidentTypes[pick(0, 16)];
    r.nSpeed = pick(0, 120);
    r.byDirection = static_cast<uint8_t>(pick(1, 2));
    r.byLaneNo = static_cast<uint8_t>(pick(1, device_.lanes));
    const QByteArray& jpeg = pictures_.picture(static_cast<size_t>(pick(0, 7)));
    r.dwPicDataLen = static_cast<uint32_t>(jpeg.size());
    r.pImage = reinterpret_cast<uint8_t*>(const_cast<char*>(jpeg.constData()));
    return r;
}

TSR_TPS_ALARM AlarmFactory::trafficParams(const QDateTime& now)
{
    TSR_TPS_ALARM r{};
    r.dwRelativeTime = static_cast<uint32_t>(now.toMSecsSinceEpoch() & 0xFFFFFFFF);
    r.dwAbsTime = packTime(now);
    fillChannel(r.struDevInfo);
    r.nLaneNum = device_.lanes;
    for (int i = 0; i < device_.lanes; ++i) {
        TSR_LANE_PARAM& lane = r.struLane[i];
        lane.byRuleID = static_cast<uint8_t>(i + 1);
        lane.byTrafficState = static_cast<uint8_t>(pick(1, 3));
        lane.byLaneNo = static_cast<uint8_t>(i + 1);
        lane.dwPeriod = 60;
        lane.dwLightVehicle = static_cast<uint32_t>(pick(0, 40));
        lane.dwMidVehicle = static_cast<uint32_t>(pick(0, 10));
        lane.dwHeavyVehicle = static_cast<uint32_t>(pick(0, 6));
        lane.dwLaneFlow = lane.dwLightVehicle + lane.dwMidVehicle + lane.dwHeavyVehicle;
        lane.dwLaneSpeed = static_cast<uint32_t>(pick(10, 110));
        lane.dwTimeHeadway = lane.dwLaneFlow ? 60 / lane.dwLaneFlow : 0;
        lane.dwSpaceHeadway = static_cast<uint32_t>(pick(5, 80));
        lane.fSpaceOccupancy = static_cast<float>(pick(0, 1000)) / 10.0f;
        lane.fTimeOccupancy = static_cast<float>(pick(0, 1000)) / 10.0f;
        lane.dwQueueLength = lane.byTrafficState == 3 ? static_cast<uint32_t>(pick(20, 300)) : 0;
    }
    r.dwStartTime = packTime(now.addSecs(-60));
    r.dwStopTime = packTime(now);
    return r;
}

TSR_TFS_ALARM AlarmFactory::violation(const QDateTime& now)
{
    TSR_TFS_ALARM r{};
    r.dwRelativeTime = static_cast<uint32_t>(now.toMSecsSinceEpoch() & 0xFFFFFFFF);
    r.dwAbsTime = packTime(now);
    r.dwIllegalType = kViolationTypes[pick(0, 7)];
    r.dwIllegalDuration = static_cast<uint32_t>(pick(1, 30));
    fillChannel(r.struDevInfo);
    r.byPlateColor = static_cast<uint8_t>(pick(0, 3));
    r.byVehicleType = static_cast<uint8_t>(pick(1, 4));
    QString plate =
        QString::fromUtf8(kProvinces[pick(0, 7)]) + QChar('A' + pick(0, 7)) + QString::number(pick(10000, 99999));
    copyGbk(r.sLicense, plate);
    r.dwPicNum = static_cast<uint32_t>(pick(1, TSR_MAX_PICTURES));
    for (uint32_t i = 0; i < r.dwPicNum; ++i) {
        TSR_PIC_INFO& pic = r.struPicInfo[i];
        const QByteArray& jpeg = pictures_.picture(i + static_cast<uint32_t>(pick(0, 7)));
        pic.byType = i == 0 ? 0 : 1;
        copyText(pic.sAbsTime, now.toString("yyyyMMddHHmmsszzz").toStdString());
        pic.fPlateX = 0.4f;
        pic.fPlateY = 0.7f;
        pic.fPlateW = 0.15f;
        pic.fPlateH = 0.06f;
        pic.dwDataLen = static_cast<uint32_t>(jpeg.size());
        pic.pBuffer = reinterpret_cast<uint8_t*>(const_cast<char*>(jpeg.constData()));
    }
    r.byLaneNo = static_cast<uint8_t>(pick(1, device_.lanes));
    return r;
}

std::vector<uint8_t> AlarmFactory::make(AlarmKind kind, const QDateTime& now, const Spoiler& spoil,
                                        const tessoran::wire::AlarmFaults& faults)
{
    TSR_ALARMER alarmer{};
    fillAlarmer(alarmer);
    auto encode = [&](int32_t command, auto record) {
        if (spoil)
            spoil(alarmer, &record);
        return tessoran::wire::encodeAlarm(command, alarmer, &record, faults);
    };
    switch (kind) {
    case AlarmKind::Incident: return encode(TSR_ALARM_INCIDENT, incident(now));
    case AlarmKind::TrafficParams: return encode(TSR_ALARM_TRAFFIC_PARAMS, trafficParams(now));
    case AlarmKind::Violation: return encode(TSR_ALARM_VIOLATION, violation(now));
    }
    return {};
}

} // namespace devsim
