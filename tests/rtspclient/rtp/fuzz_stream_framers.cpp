// libFuzzer target: both stream framers fed the input in receive-sized
// pieces chosen by the input itself, so every cut point gets exercised.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "rtp/CRtpStreamFramer.h"
#include "rtp/CRtspStreamFramer.h"

namespace {

volatile uint8_t g_sink;

void Touch(const uint8_t* data, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        g_sink = data[i];
}

struct TouchingSink : CRtspStreamFramer::Sink, CRtpStreamFramer::Sink
{
    void OnRtspMessage(const char* text, size_t size) override { Touch(reinterpret_cast<const uint8_t*>(text), size); }
    void OnInterleavedFrame(uint8_t, const uint8_t* data, size_t size) override { Touch(data, size); }
    void OnStreamFrame(uint8_t, const uint8_t* data, size_t size) override { Touch(data, size); }
};

template <typename Framer, typename Commit>
void FeedInPieces(Framer& framer, const uint8_t* data, size_t size, uint8_t pieceSeed, Commit commit)
{
    size_t offset = 0;
    size_t piece = pieceSeed % 17 + 1;
    while (offset < size) {
        const size_t n = std::min({piece, size - offset, framer.FreeSize()});
        if (n == 0) {
            framer.Reset();
            continue;
        }
        std::memcpy(framer.FreeSpace(), data + offset, n);
        commit(n);
        offset += n;
        piece = piece * 7 % 23 + 1;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t seed = data[0];
    TouchingSink sink;
    static CRtspStreamFramer rtsp;
    rtsp.Reset();
    FeedInPieces(rtsp, data + 1, size - 1, seed, [&](size_t n) {
        if (rtsp.Commit(n, sink) == CRtspStreamFramer::Result::BufferFull)
            rtsp.Reset();
    });
    static CRtpStreamFramer rtp;
    rtp.Reset();
    rtp.SetCascade(seed & 0x80);
    FeedInPieces(rtp, data + 1, size - 1, seed, [&](size_t n) { rtp.Commit(n, sink); });
    return 0;
}
