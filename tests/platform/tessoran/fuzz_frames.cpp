// libFuzzer target: one input is one frame as a device or listener might send
// it. Header checks, alarm validation and record decoding must reject anything
// malformed without reading outside the input, and whatever they accept must
// point only into the decoded alarm's own bytes. Bodies are decoded by the same
// functions the SDK uses, and whatever they accept must encode back to the very
// bytes received: a field the decoder skipped or misplaced breaks that.

#include "Frame.h"
#include "WireRecords.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace tessoran::wire;

namespace {

// Reads every picture byte, so the sanitizer sees any pointer that strays.
uint32_t touchPictures(const DecodedAlarm& alarm)
{
    uint32_t sum = 0;
    auto add = [&](const uint8_t* p, uint32_t n) {
        for (uint32_t i = 0; i < n; ++i)
            sum += p[i];
    };
    if (auto* aid = std::get_if<TSR_AID_ALARM>(&alarm.body))
        add(aid->pImage, aid->dwPicDataLen);
    if (auto* tfs = std::get_if<TSR_TFS_ALARM>(&alarm.body))
        for (uint32_t i = 0; i < tfs->dwPicNum; ++i)
            add(tfs->struPicInfo[i].pBuffer, tfs->struPicInfo[i].dwDataLen);
    return sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FrameHeader header;
    if (decodeHeader(data, size, header) != HeaderStatus::Ok)
        return 0;
    size_t available = size - kHeaderSize;
    if (header.length > available)
        return 0;
    std::vector<uint8_t> body(data + kHeaderSize, data + kHeaderSize + header.length);
    std::string why;
    switch (header.kind) {
    case Kind::Alarm: {
        DecodedAlarm alarm;
        if (decodeAlarm(body, alarm, why)) {
            volatile uint32_t sink = touchPictures(alarm);
            (void)sink;
            if (encodeAlarm(alarm.command, alarm.alarmer, alarm.bodyData()) != body)
                __builtin_trap();
        }
        break;
    }
    case Kind::ConfigReply: {
        auto config = std::make_unique<TSR_IPPARACFG>();
        std::vector<std::string> dropped;
        if (decodeConfigReply(body, TSR_GET_IPPARACFG, *config, why, dropped) && dropped.empty() &&
            encodeConfigReply(TSR_GET_IPPARACFG, *config) != body)
            __builtin_trap();
        break;
    }
    case Kind::LoginAccepted: {
        Token token;
        TSR_DEVICEINFO info;
        if (decodeLoginAccepted(body, token, info, why) && encodeLoginAccepted(token, info) != body)
            __builtin_trap();
        break;
    }
    case Kind::Error: {
        WireError code;
        std::string text;
        parseErrorBody(body, code, text);
        break;
    }
    default: {
        StreamInfo info;
        parseStreamHeader(body.data(), body.size(), info);
        break;
    }
    }
    return 0;
}
