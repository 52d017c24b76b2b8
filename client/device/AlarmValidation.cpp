#include "AlarmValidation.h"

#include "Ipv4Text.h"
#include "SdkText.h"

#include <algorithm>
#include <cstring>

namespace {

// Devices may send fields without their terminating zero; the copy always has one.
template <size_t N>
void Terminate(char (&field)[N])
{
    field[N - 1] = '\0';
}

template <size_t N>
bool HoldsIpv4(const char (&field)[N], bool mayBeEmpty)
{
    const QString text = SdkText(field);
    return (mayBeEmpty && text.isEmpty()) || IsIpv4Text(text);
}

template <class Record>
bool CopyBody(const char* body, uint32_t length, Record& out, std::string& why)
{
    std::memset(&out, 0, sizeof out);
    if (!body || length < sizeof(Record)) {
        why = "body of " + std::to_string(length) + " bytes is shorter than its record of " +
              std::to_string(sizeof(Record)) + " bytes";
        return false;
    }
    std::memcpy(&out, body, sizeof out);
    return true;
}

bool CheckPicture(uint32_t length, const uint8_t* data, std::string& why)
{
    if (length > kMaxAlarmPictureBytes) {
        why = "picture of " + std::to_string(length) + " bytes is longer than an alarm can carry";
        return false;
    }
    if (length > 0 && !data) {
        why = "picture of " + std::to_string(length) + " bytes has no data";
        return false;
    }
    return true;
}

// The camera address becomes part of picture and clip file names; an alarm may
// leave it empty.
bool CopyChannel(TSR_VCA_DEV_INFO& channel, std::string& why)
{
    Terminate(channel.sIpV4);
    Terminate(channel.sIpV6);
    if (!HoldsIpv4(channel.sIpV4, true)) {
        why = "channel address is not IPv4 text";
        return false;
    }
    return true;
}

} // namespace

bool CopyAlarmer(const TSR_ALARMER& alarmer, TSR_ALARMER& out, std::string& why)
{
    out = alarmer;
    Terminate(out.sSerialNumber);
    Terminate(out.sDeviceName);
    Terminate(out.sDeviceIP);
    Terminate(out.sSocketIP);
    if (!HoldsIpv4(out.sDeviceIP, false)) {
        why = "device address is not IPv4 text";
        return false;
    }
    return true;
}

bool CopyIncidentAlarm(const char* body, uint32_t length, TSR_AID_ALARM& out, std::string& why)
{
    if (!CopyBody(body, length, out, why) || !CopyChannel(out.struDevInfo, why))
        return false;
    Terminate(out.sRuleName);
    return CheckPicture(out.dwPicDataLen, out.pImage, why);
}

bool CopyTrafficParamAlarm(const char* body, uint32_t length, TSR_TPS_ALARM& out, std::string& why)
{
    if (!CopyBody(body, length, out, why) || !CopyChannel(out.struDevInfo, why))
        return false;
    out.nLaneNum = std::clamp<int32_t>(out.nLaneNum, 0, TSR_MAX_LANES);
    return true;
}

bool CopyViolationAlarm(const char* body, uint32_t length, TSR_TFS_ALARM& out, std::string& why)
{
    if (!CopyBody(body, length, out, why) || !CopyChannel(out.struDevInfo, why))
        return false;
    Terminate(out.sLicense);
    out.dwPicNum = std::min<uint32_t>(out.dwPicNum, TSR_MAX_PICTURES);
    for (uint32_t i = 0; i < TSR_MAX_PICTURES; ++i) {
        TSR_PIC_INFO& picture = out.struPicInfo[i];
        Terminate(picture.sAbsTime);
        if (i >= out.dwPicNum) {
            picture.dwDataLen = 0;
            picture.pBuffer = nullptr;
        } else if (!CheckPicture(picture.dwDataLen, picture.pBuffer, why)) {
            return false;
        }
    }
    return true;
}
