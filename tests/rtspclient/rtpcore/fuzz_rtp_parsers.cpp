// libFuzzer target: the RTP and RTCP parsers and a session fed with the same
// bytes. Any read past the input is caught by the address sanitizer.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "rtpcore/RtcpApp.h"
#include "rtpcore/RtcpBye.h"
#include "rtpcore/RtcpCompoundPacket.h"
#include "rtpcore/RtcpReceiverReport.h"
#include "rtpcore/RtcpSenderReport.h"
#include "rtpcore/RtcpSourceDescription.h"
#include "rtpcore/RtpPacket.h"
#include "rtpcore/RtpSession.h"

using namespace rtpcore;

namespace {

struct DiscardingSender : RtpPacketSender
{
    bool SendRtp(const uint8_t*, size_t) override { return true; }
    bool SendRtcp(const uint8_t*, size_t) override { return true; }
};

// Touches every byte a parsed view claims, so a view that overstates the
// input is an out-of-bounds read.
volatile uint8_t g_sink;

void Touch(const uint8_t* data, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        g_sink = data[i];
}

class AnsweringSession : public RtpSession
{
protected:
    void OnRtpPacket(const RtpPacket& packet, const RtpSourceState&) override
    {
        Touch(packet.payload, packet.payloadSize);
    }
    void OnRtcpCompoundPacket(const RtcpCompoundPacket& compound, const RtpEndpoint&) override
    {
        for (const RtcpPacket& packet : compound)
            if (packet.type == kRtcpSenderReport)
                SendReceiverReport();
    }
};

void ReadTyped(const RtcpPacket& packet)
{
    Touch(packet.body, packet.bodySize);
    RtcpSenderReport sr;
    if (RtcpSenderReport::Parse(packet, sr))
        for (uint8_t i = 0; i < sr.blockCount; ++i)
            g_sink = uint8_t(sr.Block(i).jitter);
    RtcpReceiverReport rr;
    if (RtcpReceiverReport::Parse(packet, rr))
        for (uint8_t i = 0; i < rr.blockCount; ++i)
            g_sink = uint8_t(rr.Block(i).cumulativeLost);
    RtcpSourceDescription::VisitItems(packet, [](uint32_t, uint8_t, std::string_view text) {
        Touch(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    });
    RtcpBye bye;
    if (RtcpBye::Parse(packet, bye)) {
        for (uint8_t i = 0; i < bye.sourceCount; ++i)
            g_sink = uint8_t(bye.Source(i));
        Touch(reinterpret_cast<const uint8_t*>(bye.reason.data()), bye.reason.size());
    }
    RtcpApp app;
    if (RtcpApp::Parse(packet, app))
        Touch(app.data, app.dataSize);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RtpPacket packet;
    if (RtpPacket::Parse(data, size, packet) == RtpParseError::None) {
        Touch(packet.payload, packet.payloadSize);
        Touch(packet.extensionData, packet.extensionSize);
        for (uint8_t i = 0; i < packet.csrcCount; ++i)
            g_sink = uint8_t(packet.Csrc(i));
    }
    RtcpCompoundPacket compound;
    if (RtcpCompoundPacket::Parse(data, size, compound) == RtcpParseError::None)
        for (const RtcpPacket& p : compound)
            ReadTyped(p);

    static DiscardingSender sender;
    static AnsweringSession session;
    static bool created = false;
    if (!created) {
        RtpSessionParams params;
        params.cname = "fuzz@host";
        params.clock = [] { return 3900000000.0; };
        session.Create(params, &sender);
        created = true;
    }
    session.InjectRtp(data, size);
    session.InjectRtcp(data, size);
    session.Poll();
    return 0;
}
