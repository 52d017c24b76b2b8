#include "WireRecords.h"

#include "ByteIo.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace tessoran::wire {
namespace {

// Counts the bytes of a record's fixed part.
struct SizeIo
{
    size_t size = 0;
    void u8(uint8_t&) { size += 1; }
    void u16(uint16_t&) { size += 2; }
    void u32(uint32_t&) { size += 4; }
    void i32(int32_t&) { size += 4; }
    void f32(float&) { size += 4; }
    template <size_t N>
    void text(char (&)[N])
    {
        size += N;
    }
    template <size_t N>
    void ipv4(char (&)[N])
    {
        size += N;
    }
    void picture(uint32_t&, uint8_t*&) { size += 4; }
};

struct WriteIo
{
    ByteWriter out;
    std::vector<std::pair<const uint8_t*, uint32_t>> pictures;
    void u8(uint8_t& v) { out.u8(v); }
    void u16(uint16_t& v) { out.u16(v); }
    void u32(uint32_t& v) { out.u32(v); }
    void i32(int32_t& v) { out.u32(static_cast<uint32_t>(v)); }
    void f32(float& v) { out.f32(v); }
    template <size_t N>
    void text(char (&f)[N])
    {
        out.raw(f, N);
    }
    template <size_t N>
    void ipv4(char (&f)[N])
    {
        out.raw(f, N);
    }
    void picture(uint32_t& length, uint8_t*& data)
    {
        out.u32(length);
        if (length > 0)
            pictures.emplace_back(data, length);
    }
};

bool isIpv4Text(const char* text)
{
    in_addr addr;
    return inet_pton(AF_INET, text, &addr) == 1;
}

struct ReadIo
{
    explicit ReadIo(ByteReader& reader) : in(reader) { }
    ByteReader& in;
    std::string why;
    std::vector<std::pair<uint32_t*, uint8_t**>> pictures;

    void u8(uint8_t& v) { v = in.u8(); }
    void u16(uint16_t& v) { v = in.u16(); }
    void u32(uint32_t& v) { v = in.u32(); }
    void i32(int32_t& v) { v = static_cast<int32_t>(in.u32()); }
    void f32(float& v) { v = in.f32(); }
    template <size_t N>
    void text(char (&f)[N])
    {
        in.raw(f, N);
        if (in.ok() && !std::memchr(f, 0, N)) {
            fail("text does not end inside its field");
            f[N - 1] = 0;
        }
    }
    template <size_t N>
    void ipv4(char (&f)[N])
    {
        text(f);
        if (in.ok() && f[0] != 0 && !isIpv4Text(f))
            fail("address is not IPv4 text");
    }
    void picture(uint32_t& length, uint8_t*& data)
    {
        length = in.u32();
        data = nullptr;
        pictures.emplace_back(&length, &data);
    }
    void fail(const char* reason)
    {
        if (why.empty())
            why = reason;
    }
    bool ok() const { return in.ok() && why.empty(); }
};

template <class Record>
size_t fixedSize()
{
    static const size_t size = [] {
        SizeIo io;
        Record r{};
        visit(io, r);
        return io.size;
    }();
    return size;
}

template <class Record>
void appendRecord(ByteWriter& out, const Record& record, size_t missingPictureBytes)
{
    WriteIo io;
    Record copy = record;
    visit(io, copy);
    out.raw(io.out.bytes().data(), io.out.bytes().size());
    size_t total = 0;
    for (auto& p : io.pictures)
        total += p.second;
    size_t toSend = total > missingPictureBytes ? total - missingPictureBytes : 0;
    for (auto& p : io.pictures) {
        size_t n = std::min<size_t>(p.second, toSend);
        out.raw(p.first, n);
        toSend -= n;
    }
}

template <class Record>
bool validateCounts(const Record&, std::string&)
{
    return true;
}

template <>
bool validateCounts(const TSR_TPS_ALARM& r, std::string& why)
{
    if (r.nLaneNum < 0 || r.nLaneNum > TSR_MAX_LANES) {
        why = "lane count " + std::to_string(r.nLaneNum) + " out of range";
        return false;
    }
    return true;
}

template <>
bool validateCounts(const TSR_TFS_ALARM& r, std::string& why)
{
    if (r.dwPicNum > TSR_MAX_PICTURES) {
        why = "picture count " + std::to_string(r.dwPicNum) + " out of range";
        return false;
    }
    for (uint32_t i = r.dwPicNum; i < TSR_MAX_PICTURES; ++i) {
        if (r.struPicInfo[i].dwDataLen != 0) {
            why = "picture entry beyond the picture count";
            return false;
        }
    }
    return true;
}

template <class Record>
void setSize(Record& r)
{
    r.dwSize = sizeof(Record);
}

// Reads the record and points its pictures at the bytes after it, which must be
// exactly as many as the picture lengths announce.
template <class Record>
bool readAlarmRecord(ByteReader& in, Record& r, std::string& why)
{
    ReadIo io(in);
    visit(io, r);
    if (!io.ok()) {
        why = io.why.empty() ? "record truncated" : io.why;
        return false;
    }
    if (!validateCounts(r, why))
        return false;
    uint64_t total = 0;
    for (auto& p : io.pictures)
        total += *p.first;
    if (total > in.remaining()) {
        why = "picture length larger than the bytes received";
        return false;
    }
    if (total < in.remaining()) {
        why = "bytes left after the pictures";
        return false;
    }
    const uint8_t* cursor = in.current();
    for (auto& p : io.pictures) {
        if (*p.first == 0)
            continue;
        *p.second = const_cast<uint8_t*>(cursor);
        cursor += *p.first;
    }
    setSize(r);
    return true;
}

size_t alarmWireSize(int32_t command)
{
    switch (command) {
    case TSR_ALARM_INCIDENT: return fixedSize<TSR_AID_ALARM>();
    case TSR_ALARM_TRAFFIC_PARAMS: return fixedSize<TSR_TPS_ALARM>();
    case TSR_ALARM_VIOLATION: return fixedSize<TSR_TFS_ALARM>();
    default: return 0;
    }
}

} // namespace

template <class Record>
size_t wireSize()
{
    return fixedSize<Record>();
}

template <class Record>
std::vector<uint8_t> encodeRecord(const Record& record)
{
    ByteWriter out;
    appendRecord(out, record, 0);
    return out.take();
}

template <class Record>
bool decodeRecord(const uint8_t* data, size_t size, Record& out, std::string& why)
{
    out = Record{};
    ByteReader in(data, size);
    ReadIo io(in);
    visit(io, out);
    if (!io.ok()) {
        why = io.why.empty() ? "record truncated" : io.why;
        return false;
    }
    if (!in.atEnd()) {
        why = "bytes left after the record";
        return false;
    }
    return true;
}

#define TSR_INSTANTIATE(Record)                                                                                        \
    template size_t wireSize<Record>();                                                                                \
    template std::vector<uint8_t> encodeRecord<Record>(const Record&);                                                 \
    template bool decodeRecord<Record>(const uint8_t*, size_t, Record&, std::string&);
TSR_INSTANTIATE(TSR_IPPARACFG)
TSR_INSTANTIATE(TSR_DEVICEINFO)
TSR_INSTANTIATE(TSR_TIME)
TSR_INSTANTIATE(TSR_ALARMER)
TSR_INSTANTIATE(TSR_AID_ALARM)
TSR_INSTANTIATE(TSR_TPS_ALARM)
TSR_INSTANTIATE(TSR_TFS_ALARM)
#undef TSR_INSTANTIATE

std::vector<uint8_t> encodeConfigReply(uint32_t command, const TSR_IPPARACFG& config)
{
    ByteWriter out;
    out.u32(command);
    appendRecord(out, config, 0);
    return out.take();
}

bool decodeConfigReply(const std::vector<uint8_t>& body, uint32_t command, TSR_IPPARACFG& out, std::string& why,
                       std::vector<std::string>& dropped)
{
    ByteReader in(body.data(), body.size());
    if (in.u32() != command || !in.ok()) {
        why = "reply to another command";
        return false;
    }
    if (in.remaining() != fixedSize<TSR_IPPARACFG>()) {
        why = "configuration of " + std::to_string(in.remaining()) + " bytes, not " +
              std::to_string(fixedSize<TSR_IPPARACFG>());
        return false;
    }
    out = TSR_IPPARACFG{};
    out.dwAnalogChanNum = in.u32();
    out.dwIPChanNum = in.u32();
    // Each entry is read whole whatever it holds, so a bad one leaves the next in place.
    for (size_t i = 0; i < TSR_MAX_IP_DEVICES; ++i) {
        ReadIo io(in);
        visit(io, out.struIPDevInfo[i]);
        if (!io.why.empty()) {
            dropped.push_back("IP device entry " + std::to_string(i + 1) + ": " + io.why);
            out.struIPDevInfo[i] = TSR_IPDEVINFO{};
        }
    }
    for (size_t i = 0; i < TSR_MAX_IP_DEVICES; ++i) {
        TSR_IPCHANINFO& channel = out.struIPChanInfo[i];
        ReadIo io(in);
        visit(io, channel);
        if (!channel.byEnable)
            continue;
        bool known = channel.byIPID >= 1 && channel.byIPID <= TSR_MAX_IP_DEVICES &&
                     out.struIPDevInfo[channel.byIPID - 1].byEnable;
        if (!known) {
            dropped.push_back("IP channel entry " + std::to_string(i + 1) + ": no usable IP device entry " +
                              std::to_string(channel.byIPID));
            channel = TSR_IPCHANINFO{};
        }
    }
    return in.atEnd();
}

std::vector<uint8_t> encodeLoginAccepted(const Token& token, const TSR_DEVICEINFO& info)
{
    ByteWriter out;
    out.raw(token.data(), token.size());
    appendRecord(out, info, 0);
    return out.take();
}

bool decodeLoginAccepted(const std::vector<uint8_t>& body, Token& token, TSR_DEVICEINFO& info, std::string& why)
{
    ByteReader in(body.data(), body.size());
    if (!in.raw(token.data(), token.size())) {
        why = "login reply shorter than its token";
        return false;
    }
    return decodeRecord(in.current(), in.remaining(), info, why);
}

uint32_t alarmRecordSize(int32_t command)
{
    switch (command) {
    case TSR_ALARM_INCIDENT: return sizeof(TSR_AID_ALARM);
    case TSR_ALARM_TRAFFIC_PARAMS: return sizeof(TSR_TPS_ALARM);
    case TSR_ALARM_VIOLATION: return sizeof(TSR_TFS_ALARM);
    default: return 0;
    }
}

const char* DecodedAlarm::bodyData() const
{
    return std::visit([](const auto& r) { return reinterpret_cast<const char*>(&r); }, body);
}

uint32_t DecodedAlarm::bodySize() const
{
    return std::visit([](const auto& r) { return static_cast<uint32_t>(sizeof(r)); }, body);
}

std::vector<uint8_t> encodeAlarm(int32_t command, const TSR_ALARMER& alarmer, const void* record,
                                 const AlarmFaults& faults)
{
    size_t size = alarmWireSize(command);
    if (size == 0)
        return {};
    ByteWriter out;
    out.u32(static_cast<uint32_t>(command));
    out.u32(static_cast<uint32_t>(static_cast<int64_t>(size) + faults.recordSizeAdjust));
    appendRecord(out, alarmer, 0);
    switch (command) {
    case TSR_ALARM_INCIDENT:
        appendRecord(out, *static_cast<const TSR_AID_ALARM*>(record), faults.missingPictureBytes);
        break;
    case TSR_ALARM_TRAFFIC_PARAMS:
        appendRecord(out, *static_cast<const TSR_TPS_ALARM*>(record), faults.missingPictureBytes);
        break;
    default: appendRecord(out, *static_cast<const TSR_TFS_ALARM*>(record), faults.missingPictureBytes); break;
    }
    return out.take();
}

bool decodeAlarm(std::vector<uint8_t> bytes, DecodedAlarm& out, std::string& why)
{
    out.bytes = std::move(bytes);
    out.alarmer = TSR_ALARMER{};
    ByteReader in(out.bytes.data(), out.bytes.size());
    out.command = static_cast<int32_t>(in.u32());
    uint32_t declared = in.u32();
    if (!in.ok()) {
        why = "alarm truncated";
        return false;
    }
    size_t expected = alarmWireSize(out.command);
    if (expected == 0) {
        why = "unknown alarm command " + std::to_string(out.command);
        return false;
    }
    if (declared != expected) {
        why = "record size " + std::to_string(declared) + " is not the record size " + std::to_string(expected);
        return false;
    }
    {
        ReadIo io(in);
        visit(io, out.alarmer);
        if (!io.ok()) {
            why = io.why.empty() ? "alarmer truncated" : io.why;
            return false;
        }
        if (out.alarmer.sDeviceIP[0] == 0) {
            why = "alarm without a device address";
            return false;
        }
    }
    switch (out.command) {
    case TSR_ALARM_INCIDENT: return readAlarmRecord(in, out.body.emplace<TSR_AID_ALARM>(), why);
    case TSR_ALARM_TRAFFIC_PARAMS: return readAlarmRecord(in, out.body.emplace<TSR_TPS_ALARM>(), why);
    default: return readAlarmRecord(in, out.body.emplace<TSR_TFS_ALARM>(), why);
    }
}

std::vector<uint8_t> makeStreamHeader(const StreamInfo& info)
{
    std::vector<uint8_t> packet(TSR_STREAM_HEADER_SIZE, 0xFF);
    ByteWriter out;
    out.u8(0x47);
    out.u8(0x1F); // PID 0x1FFF: null packet
    out.u8(0xFF);
    out.u8(0x10); // payload only
    out.raw("TSRH", 4);
    out.u8(1); // version
    out.u8(2); // MPEG-TS
    out.u8(1); // H.264
    out.u8(0);
    out.u16(info.width);
    out.u16(info.height);
    out.u16(info.framesPerSecond);
    std::memcpy(packet.data(), out.bytes().data(), out.bytes().size());
    return packet;
}

bool parseStreamHeader(const uint8_t* data, size_t size, StreamInfo& out)
{
    if (size != TSR_STREAM_HEADER_SIZE)
        return false;
    ByteReader in(data, size);
    if (in.u8() != 0x47 || in.u8() != 0x1F || in.u8() != 0xFF)
        return false;
    in.u8();
    char magic[4];
    in.raw(magic, 4);
    if (std::memcmp(magic, "TSRH", 4) != 0 || in.u8() != 1)
        return false;
    in.u8();
    in.u8();
    in.u8();
    out.width = in.u16();
    out.height = in.u16();
    out.framesPerSecond = in.u16();
    return in.ok();
}

} // namespace tessoran::wire
