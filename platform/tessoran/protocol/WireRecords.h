#pragma once
// Wire form of the SDK's records. Each record has one visit() listing its wire
// fields in order; the same list drives encoding, decoding with validation and
// size counting, so the three can never disagree. Reserved bytes and pointers are
// not sent: a picture travels as its length in the record and its bytes after
// the record.

#include "tessoran.h"
#include "LoginProof.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace tessoran::wire {

template <class Io>
void visit(Io& io, TSR_VCA_DEV_INFO& r)
{
    io.ipv4(r.sIpV4);
    io.text(r.sIpV6);
    io.u16(r.wPort);
    io.u8(r.byLocalChannel);
    io.u8(r.byChannel);
}

template <class Io>
void visit(Io& io, TSR_ALARMER& r)
{
    io.text(r.sSerialNumber);
    io.u32(r.dwDeviceVersion);
    io.text(r.sDeviceName);
    for (auto& b : r.byMacAddr)
        io.u8(b);
    io.u16(r.wLinkPort);
    io.ipv4(r.sDeviceIP);
}

template <class Io>
void visit(Io& io, TSR_AID_ALARM& r)
{
    io.u32(r.dwRelativeTime);
    io.u32(r.dwAbsTime);
    visit(io, r.struDevInfo);
    io.u8(r.byRuleID);
    io.text(r.sRuleName);
    io.u32(r.dwIncidentType);
    io.i32(r.nSpeed);
    io.u8(r.byDirection);
    io.u8(r.byDataType);
    io.u8(r.byLaneNo);
    io.picture(r.dwPicDataLen, r.pImage);
}

template <class Io>
void visit(Io& io, TSR_LANE_PARAM& r)
{
    io.u8(r.byRuleID);
    io.u8(r.byTrafficState);
    io.u8(r.byLaneNo);
    io.u32(r.dwPeriod);
    io.u32(r.dwLaneFlow);
    io.u32(r.dwLaneSpeed);
    io.u32(r.dwTimeHeadway);
    io.u32(r.dwSpaceHeadway);
    io.f32(r.fSpaceOccupancy);
    io.f32(r.fTimeOccupancy);
    io.u32(r.dwLightVehicle);
    io.u32(r.dwMidVehicle);
    io.u32(r.dwHeavyVehicle);
    io.u32(r.dwQueueLength);
}

template <class Io>
void visit(Io& io, TSR_TPS_ALARM& r)
{
    io.u32(r.dwRelativeTime);
    io.u32(r.dwAbsTime);
    visit(io, r.struDevInfo);
    io.i32(r.nLaneNum);
    for (auto& lane : r.struLane)
        visit(io, lane);
    io.u32(r.dwStartTime);
    io.u32(r.dwStopTime);
}

template <class Io>
void visit(Io& io, TSR_PIC_INFO& r)
{
    io.u8(r.byType);
    io.u32(r.dwRedLightTime);
    io.text(r.sAbsTime);
    io.f32(r.fPlateX);
    io.f32(r.fPlateY);
    io.f32(r.fPlateW);
    io.f32(r.fPlateH);
    io.picture(r.dwDataLen, r.pBuffer);
}

template <class Io>
void visit(Io& io, TSR_TFS_ALARM& r)
{
    io.u32(r.dwRelativeTime);
    io.u32(r.dwAbsTime);
    io.u32(r.dwIllegalType);
    io.u32(r.dwIllegalDuration);
    visit(io, r.struDevInfo);
    io.u8(r.byPlateColor);
    io.u8(r.byVehicleType);
    io.text(r.sLicense);
    io.u32(r.dwPicNum);
    for (auto& pic : r.struPicInfo)
        visit(io, pic);
    io.u8(r.byLaneNo);
}

template <class Io>
void visit(Io& io, TSR_IPDEVINFO& r)
{
    io.u8(r.byEnable);
    io.text(r.sUserName);
    io.text(r.sPassword);
    io.text(r.sDomain);
    io.ipv4(r.sIpV4);
    io.text(r.sIpV6);
    io.u16(r.wPort);
}

template <class Io>
void visit(Io& io, TSR_IPCHANINFO& r)
{
    io.u8(r.byEnable);
    io.u8(r.byIPID);
    io.u8(r.byChannel);
}

template <class Io>
void visit(Io& io, TSR_IPPARACFG& r)
{
    io.u32(r.dwAnalogChanNum);
    io.u32(r.dwIPChanNum);
    for (auto& dev : r.struIPDevInfo)
        visit(io, dev);
    for (auto& chan : r.struIPChanInfo)
        visit(io, chan);
}

template <class Io>
void visit(Io& io, TSR_DEVICEINFO& r)
{
    io.text(r.sSerialNumber);
    io.text(r.sDeviceName);
    io.u32(r.dwSoftwareVersion);
    io.u16(r.wDevType);
    io.u8(r.byChanNum);
    io.u8(r.byStartChan);
    io.u16(r.wIPChanNum);
}

template <class Io>
void visit(Io& io, TSR_TIME& r)
{
    io.u32(r.dwYear);
    io.u32(r.dwMonth);
    io.u32(r.dwDay);
    io.u32(r.dwHour);
    io.u32(r.dwMinute);
    io.u32(r.dwSecond);
}

// Bytes of a record's fixed part on the wire.
template <class Record>
size_t wireSize();

// Encodes a record's fixed part; its pictures are appended after it.
template <class Record>
std::vector<uint8_t> encodeRecord(const Record& record);

// Decodes a record that must fill `size` bytes exactly (no pictures). Fails with
// a reason for short input, trailing bytes, unterminated texts or bad IPv4 texts.
template <class Record>
bool decodeRecord(const uint8_t* data, size_t size, Record& out, std::string& why);

// ---- Replies ------------------------------------------------------------------

// Body of a ConfigReply: the command answered, then its record.
std::vector<uint8_t> encodeConfigReply(uint32_t command, const TSR_IPPARACFG& config);
// Fails unless the reply answers `command` and holds exactly one record. A
// malformed IP device entry (a text without its end, an address that is not
// IPv4) does not spoil the others: it is left empty and disabled, as is a
// channel entry that refers to it or to no entry, and the reason for each goes
// into `dropped`.
bool decodeConfigReply(const std::vector<uint8_t>& body, uint32_t command, TSR_IPPARACFG& out, std::string& why,
                       std::vector<std::string>& dropped);

// Body of a LoginAccepted: the session token, then the device information.
std::vector<uint8_t> encodeLoginAccepted(const Token& token, const TSR_DEVICEINFO& info);
bool decodeLoginAccepted(const std::vector<uint8_t>& body, Token& token, TSR_DEVICEINFO& info, std::string& why);

// ---- Alarms -------------------------------------------------------------------

using AlarmBody = std::variant<TSR_AID_ALARM, TSR_TPS_ALARM, TSR_TFS_ALARM>;

// An alarm decoded from a frame body. The picture pointers of `body` point into
// `bytes`, which the alarm owns; moving the alarm keeps them valid.
struct DecodedAlarm
{
    int32_t command = 0;
    TSR_ALARMER alarmer{};
    AlarmBody body;
    std::vector<uint8_t> bytes;

    const char* bodyData() const;
    uint32_t bodySize() const;
};

// Deliberate faults for the simulator's malformed-frame tests.
struct AlarmFaults
{
    int recordSizeAdjust = 0;       // declare a record size this far off
    size_t missingPictureBytes = 0; // send this many picture bytes fewer
};

// Body of an Alarm frame: command, alarmer, record size, record, pictures.
// Returns an empty vector for an unknown command.
std::vector<uint8_t> encodeAlarm(int32_t command, const TSR_ALARMER& alarmer, const void* record,
                                 const AlarmFaults& faults = {});
// Validates everything a callback relies on: the record size of the command,
// lane and picture counts within their limits, picture lengths equal to the
// bytes received, texts ending inside their fields, IPv4 texts.
bool decodeAlarm(std::vector<uint8_t> bytes, DecodedAlarm& out, std::string& why);

// Size of the in-memory record of an alarm command, 0 for an unknown one.
uint32_t alarmRecordSize(int32_t command);

// ---- Stream header ---------------------------------------------------------------

struct StreamInfo
{
    uint16_t width = 0;
    uint16_t height = 0;
    uint16_t framesPerSecond = 0;
};

// The TSR_STREAM_HEADER_SIZE block: an MPEG-TS null packet carrying StreamInfo.
std::vector<uint8_t> makeStreamHeader(const StreamInfo& info);
bool parseStreamHeader(const uint8_t* data, size_t size, StreamInfo& out);

} // namespace tessoran::wire
