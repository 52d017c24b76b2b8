// Writes a small seed corpus for the protocol fuzz target: one valid frame of
// each alarm kind, a configuration reply and a login reply, so mutations start deep inside.

#include "Frame.h"
#include "WireRecords.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace tessoran::wire;

namespace {

bool write(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    std::string dir = argv[1];
    std::vector<uint8_t> picture(64, 0xD8);
    TSR_ALARMER sender{};
    std::strcpy(sender.sDeviceIP, "127.0.10.1");

    TSR_AID_ALARM incident{};
    std::strcpy(incident.struDevInfo.sIpV4, "127.0.10.2");
    incident.dwPicDataLen = static_cast<uint32_t>(picture.size());
    incident.pImage = picture.data();
    TSR_TPS_ALARM traffic{};
    std::strcpy(traffic.struDevInfo.sIpV4, "127.0.10.2");
    traffic.nLaneNum = 2;
    TSR_TFS_ALARM violation{};
    std::strcpy(violation.struDevInfo.sIpV4, "127.0.10.3");
    violation.dwPicNum = 2;
    for (int i = 0; i < 2; ++i) {
        violation.struPicInfo[i].dwDataLen = 32;
        violation.struPicInfo[i].pBuffer = picture.data() + 32 * i;
    }
    auto config = std::make_unique<TSR_IPPARACFG>();
    std::memset(config.get(), 0, sizeof *config);
    config->struIPDevInfo[0].byEnable = 1;
    std::strcpy(config->struIPDevInfo[0].sIpV4, "127.0.10.2");

    bool ok =
        write(dir + "/incident", encodeFrame(Kind::Alarm, 1, encodeAlarm(TSR_ALARM_INCIDENT, sender, &incident))) &&
        write(dir + "/traffic", encodeFrame(Kind::Alarm, 2, encodeAlarm(TSR_ALARM_TRAFFIC_PARAMS, sender, &traffic))) &&
        write(dir + "/violation", encodeFrame(Kind::Alarm, 3, encodeAlarm(TSR_ALARM_VIOLATION, sender, &violation))) &&
        write(dir + "/config", encodeFrame(Kind::ConfigReply, 4, encodeConfigReply(TSR_GET_IPPARACFG, *config))) &&
        write(dir + "/login", encodeFrame(Kind::LoginAccepted, 6, encodeLoginAccepted(Token{}, TSR_DEVICEINFO{}))) &&
        write(dir + "/error", encodeFrame(Kind::Error, 5, errorBody(WireError::NoVideo, "none")));
    return ok ? 0 : 1;
}
