// libFuzzer target: every response class over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "rtsp/CDescribeRsp.h"
#include "rtsp/COptionsRsp.h"
#include "rtsp/CPlayRsp.h"
#include "rtsp/CPtzRsp.h"
#include "rtsp/CSetupRsp.h"
#include "rtsp/RtspVocabulary.h"
#include "wexl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = (Wexl_SetLevel(7), true);
    (void)quiet;
    const auto* text = reinterpret_cast<const char*>(data);
    const int length = static_cast<int>(size);
    std::unique_ptr<CCommonRsp> responses[] = {std::make_unique<CCommonRsp>(),   std::make_unique<COptionsRsp>(),
                                               std::make_unique<CDescribeRsp>(), std::make_unique<CSetupRsp>(),
                                               std::make_unique<CPlayRsp>(),     std::make_unique<CPtzRsp>()};
    for (auto& response : responses)
        response->ParseMsg(text, length);
    int peer = 2;
    int kind = 0;
    ClassifyRtspMessage(peer, std::string(text, size), kind);
    return 0;
}
