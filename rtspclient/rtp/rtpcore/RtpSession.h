#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "rtpcore/RtcpCompoundPacket.h"
#include "rtpcore/RtcpScheduler.h"
#include "rtpcore/RtpEndpoint.h"
#include "rtpcore/RtpPacket.h"
#include "rtpcore/RtpPacketSender.h"
#include "rtpcore/RtpRandom.h"
#include "rtpcore/RtpSessionParams.h"
#include "rtpcore/RtpSourceState.h"
#include "rtpcore/RtpStatus.h"

namespace rtpcore {

// One RTP session whose bytes are moved by someone else: received packets
// are injected, outgoing ones go to an RtpPacketSender. Injected packets are
// parsed in place and handed to the hooks at once, so nothing is queued or
// copied. Not thread-safe: the owner serialises every call (the hooks and the
// sender run inside them).
class RtpSession
{
public:
    static constexpr size_t kMaxSources = 256;

    RtpSession();
    virtual ~RtpSession();
    RtpSession(const RtpSession&) = delete;
    RtpSession& operator=(const RtpSession&) = delete;

    RtpStatus Create(const RtpSessionParams& params, RtpPacketSender* sender);
    void Destroy();
    bool IsCreated() const { return m_sender != nullptr; }

    // `arrival`: when the bytes were received, in the clock's seconds; a
    // transport that reads many packets at once passes one reading for all.
    // Negative: now.
    RtpStatus InjectRtp(const uint8_t* data, size_t size, const RtpEndpoint& from = {}, double arrival = -1);
    RtpStatus InjectRtcp(const uint8_t* data, size_t size, const RtpEndpoint& from = {}, double arrival = -1);

    // Sends the RTCP report when it is due and forgets silent sources.
    // `now` as for injection: a transport polling after the packets of one
    // receive passes their arrival time; negative reads the clock.
    RtpStatus Poll(double now = -1);

    // Sends one RTP packet of ours; the timestamp advances by `timestampIncrement` after it.
    RtpStatus SendPacket(const void* payload, size_t size, uint8_t payloadType, bool marker,
                         uint32_t timestampIncrement);

    // Builds and sends at once one compound packet: a receiver report for
    // every validated source and an SDES CNAME item.
    RtpStatus SendReceiverReport();

    uint32_t LocalSsrc() const { return m_ssrc; }
    uint16_t NextSequence() const { return m_sequence; }
    uint32_t NextTimestamp() const { return m_timestamp; }
    const std::string& Cname() const { return m_params.cname; }
    const std::unordered_map<uint32_t, RtpSourceState>& Sources() const { return m_sources; }
    const RtpSourceState* Source(uint32_t ssrc) const;
    double Now() const { return m_params.clock(); }
    double NextReportTime() const { return m_scheduler.NextReportTime(); }

protected:
    // Every RTP packet that parses, with the state of its source after it.
    virtual void OnRtpPacket(const RtpPacket& packet, const RtpSourceState& source);
    // Every valid compound packet, after the session has taken what it needs.
    virtual void OnRtcpCompoundPacket(const RtcpCompoundPacket& compound, const RtpEndpoint& from);

private:
    RtpSourceState& SourceFor(uint32_t ssrc, double now);
    void TakeRtcpPacket(const RtcpPacket& packet, double now);
    uint32_t ArrivalUnits(double now) const;
    bool WeSent(double now) const;
    int SenderCount(double now) const;
    int MemberCount() const { return int(m_sources.size()) + 1; }
    RtpStatus SendReport(bool asSender, double now);
    void ForgetSilentSources(double now);

    RtpSessionParams m_params;
    RtpPacketSender* m_sender = nullptr;
    RtpRandom m_random;
    RtcpScheduler m_scheduler;
    std::unordered_map<uint32_t, RtpSourceState> m_sources;
    std::vector<uint8_t> m_sendBuffer;
    uint32_t m_ssrc = 0;
    uint16_t m_sequence = 0;
    uint32_t m_timestamp = 0;
    uint32_t m_sentPackets = 0;
    uint32_t m_sentOctets = 0;
    double m_lastSendTime = -1;
    uint32_t m_lastSentTimestamp = 0;
    double m_nextSweep = 0;
};

} // namespace rtpcore
