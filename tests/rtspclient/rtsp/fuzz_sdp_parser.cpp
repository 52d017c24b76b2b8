// libFuzzer target: SDP parsing, and writing back what was parsed.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "rtsp/CSdp.h"
#include "wexl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = (Wexl_SetLevel(7), true);
    (void)quiet;
    CSdp sdp;
    if (!sdp.ParseSdp(reinterpret_cast<const char*>(data), static_cast<int>(size)))
        return 0;
    std::vector<char> buffer(CSdp::kMaxSdpLength);
    sdp.BuildSdp(buffer.data(), static_cast<int>(buffer.size()));
    CSdp again;
    again.ParseSdp(sdp.BuildSdp());
    return 0;
}
