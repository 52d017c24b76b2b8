#include "rtpcore/RtpSession.h"

#include <algorithm>
#include <cstring>

#include "rtpcore/ByteOrder.h"
#include "rtpcore/RtcpBye.h"
#include "rtpcore/RtcpCompoundBuilder.h"
#include "rtpcore/RtcpSenderReport.h"
#include "rtpcore/RtcpSourceDescription.h"

namespace rtpcore {

namespace {
constexpr size_t kRtpHeaderSize = 12;
// A member is forgotten after this many report intervals of silence, a
// sender stops counting as one after two (RFC 3550 6.3.5).
constexpr double kMemberTimeoutIntervals = 5;
constexpr double kSenderTimeoutSeconds = 2 * RtcpScheduler::kMinInterval;
constexpr double kSweepSpacingSeconds = 1.0;
} // namespace

RtpSession::RtpSession() = default;

RtpSession::~RtpSession() = default;

RtpStatus RtpSession::Create(const RtpSessionParams& params, RtpPacketSender* sender)
{
    if (IsCreated())
        return RtpStatus::AlreadyCreated;
    if (sender == nullptr)
        return RtpStatus::NoSender;
    m_params = params;
    if (m_params.cname.empty())
        m_params.cname = DefaultCname();
    if (!m_params.clock)
        m_params.clock = [] { return NtpTime::Now().ToSeconds(); };
    m_sender = sender;
    m_sources.clear();
    m_sendBuffer.assign(m_params.maxPacketSize, 0);
    m_ssrc = m_random.Next32();
    m_sequence = m_random.Next16();
    m_timestamp = m_random.Next32();
    m_sentPackets = 0;
    m_sentOctets = 0;
    m_lastSendTime = -1;
    m_scheduler = RtcpScheduler(m_params.sessionBandwidth);
    m_nextSweep = 0;
    m_scheduler.Start(Now(), 1, 0, false);
    return RtpStatus::Ok;
}

void RtpSession::Destroy()
{
    m_sender = nullptr;
    m_sources.clear();
}

const RtpSourceState* RtpSession::Source(uint32_t ssrc) const
{
    auto it = m_sources.find(ssrc);
    return it == m_sources.end() ? nullptr : &it->second;
}

void RtpSession::OnRtpPacket(const RtpPacket&, const RtpSourceState&)
{
}

void RtpSession::OnRtcpCompoundPacket(const RtcpCompoundPacket&, const RtpEndpoint&)
{
}

RtpSourceState& RtpSession::SourceFor(uint32_t ssrc, double now)
{
    if (m_sources.size() >= kMaxSources && m_sources.find(ssrc) == m_sources.end()) {
        // A stream of made-up SSRCs must not grow the table without bound:
        // the source heard from least recently makes room.
        auto oldest = std::min_element(m_sources.begin(), m_sources.end(), [](const auto& a, const auto& b) {
            return a.second.lastActivitySeconds < b.second.lastActivitySeconds;
        });
        m_sources.erase(oldest);
    }
    auto it = m_sources.try_emplace(ssrc, ssrc).first;
    it->second.lastActivitySeconds = now;
    return it->second;
}

uint32_t RtpSession::ArrivalUnits(double now) const
{
    return uint32_t(uint64_t(now * m_params.receiveClockRate));
}

RtpStatus RtpSession::InjectRtp(const uint8_t* data, size_t size, const RtpEndpoint&, double arrival)
{
    if (!IsCreated())
        return RtpStatus::NotCreated;
    RtpPacket packet;
    if (RtpPacket::Parse(data, size, packet) != RtpParseError::None)
        return RtpStatus::InvalidRtpPacket;
    const double now = arrival >= 0 ? arrival : Now();
    if (packet.ssrc == m_ssrc) {
        // Someone else picked our SSRC: we move, as RFC 3550 8.2 asks.
        do {
            m_ssrc = m_random.Next32();
        } while (m_ssrc == packet.ssrc);
    }
    RtpSourceState& source = SourceFor(packet.ssrc, now);
    source.lastRtpSeconds = now;
    source.OnRtpPacket(packet.sequence, packet.timestamp, ArrivalUnits(now));
    OnRtpPacket(packet, source);
    return RtpStatus::Ok;
}

RtpStatus RtpSession::InjectRtcp(const uint8_t* data, size_t size, const RtpEndpoint& from, double arrival)
{
    if (!IsCreated())
        return RtpStatus::NotCreated;
    RtcpCompoundPacket compound;
    if (RtcpCompoundPacket::Parse(data, size, compound) != RtcpParseError::None)
        return RtpStatus::InvalidRtcpPacket;
    const double now = arrival >= 0 ? arrival : Now();
    m_scheduler.OnReportReceived(size);
    for (const RtcpPacket& packet : compound)
        TakeRtcpPacket(packet, now);
    OnRtcpCompoundPacket(compound, from);
    for (auto it = m_sources.begin(); it != m_sources.end();)
        it = it->second.sentBye ? m_sources.erase(it) : std::next(it);
    return RtpStatus::Ok;
}

void RtpSession::TakeRtcpPacket(const RtcpPacket& packet, double now)
{
    switch (packet.type) {
    case kRtcpSenderReport: {
        RtcpSenderReport report;
        if (RtcpSenderReport::Parse(packet, report) && report.ssrc != m_ssrc)
            SourceFor(report.ssrc, now).OnSenderReport(report.ntpTime, now);
        break;
    }
    case kRtcpReceiverReport:
        if (packet.bodySize >= 4 && ReadBe32(packet.body) != m_ssrc)
            SourceFor(ReadBe32(packet.body), now);
        break;
    case kRtcpSourceDescription:
        RtcpSourceDescription::VisitItems(packet, [&](uint32_t ssrc, uint8_t type, std::string_view text) {
            if (type == kSdesCname && ssrc != m_ssrc)
                SourceFor(ssrc, now).cname.assign(text);
        });
        break;
    case kRtcpBye: {
        RtcpBye bye;
        if (!RtcpBye::Parse(packet, bye))
            break;
        for (uint8_t i = 0; i < bye.sourceCount; ++i) {
            auto it = m_sources.find(bye.Source(i));
            if (it != m_sources.end())
                it->second.sentBye = true;
        }
        break;
    }
    default: break; // APP and unknown types carry nothing the session keeps
    }
}

bool RtpSession::WeSent(double now) const
{
    return m_lastSendTime >= 0 && now - m_lastSendTime < kSenderTimeoutSeconds;
}

int RtpSession::SenderCount(double now) const
{
    int senders = WeSent(now) ? 1 : 0;
    for (const auto& entry : m_sources) {
        const double last = entry.second.lastRtpSeconds;
        if (last >= 0 && now - last < kSenderTimeoutSeconds)
            ++senders;
    }
    return senders;
}

void RtpSession::ForgetSilentSources(double now)
{
    const double timeout =
        kMemberTimeoutIntervals * m_scheduler.DeterministicInterval(MemberCount(), SenderCount(now), WeSent(now));
    for (auto it = m_sources.begin(); it != m_sources.end();)
        it = now - it->second.lastActivitySeconds > timeout ? m_sources.erase(it) : std::next(it);
}

RtpStatus RtpSession::Poll(double now)
{
    if (!IsCreated())
        return RtpStatus::NotCreated;
    if (now < 0)
        now = Now();
    // Called after every received packet: most calls have nothing to do.
    if (now < m_scheduler.NextReportTime() && now < m_nextSweep)
        return RtpStatus::Ok;
    m_nextSweep = now + kSweepSpacingSeconds;
    ForgetSilentSources(now);
    const bool weSent = WeSent(now);
    if (!m_scheduler.IsDue(now, MemberCount(), SenderCount(now), weSent))
        return RtpStatus::Ok;
    return SendReport(weSent, now);
}

RtpStatus RtpSession::SendReceiverReport()
{
    if (!IsCreated())
        return RtpStatus::NotCreated;
    return SendReport(false, Now());
}

RtpStatus RtpSession::SendReport(bool asSender, double now)
{
    RtcpCompoundBuilder builder(m_params.maxPacketSize);
    if (asSender) {
        const uint32_t elapsed = uint32_t((now - m_lastSendTime) * m_params.ownTimestampRate);
        builder.BeginSenderReport(m_ssrc, NtpTime::FromSeconds(now), m_lastSentTimestamp + elapsed, m_sentPackets,
                                  m_sentOctets);
    } else {
        builder.BeginReceiverReport(m_ssrc);
    }
    for (auto& entry : m_sources) {
        RtpSourceState& source = entry.second;
        if (!source.IsValidated() || source.sentBye)
            continue;
        if (!builder.AddReportBlock(source.MakeReportBlock(now)))
            break; // more sources than one report holds: the rest wait for the next one
    }
    if (!builder.AddCname(m_ssrc, m_params.cname))
        return RtpStatus::PacketTooLarge;
    const bool sent = m_sender->SendRtcp(builder.Data(), builder.Size());
    // Rescheduled either way: a transport that refuses now is not asked
    // again after every packet.
    m_scheduler.OnReportSent(now, builder.Size(), MemberCount(), SenderCount(now), WeSent(now));
    return sent ? RtpStatus::Ok : RtpStatus::SendFailed;
}

RtpStatus RtpSession::SendPacket(const void* payload, size_t size, uint8_t payloadType, bool marker,
                                 uint32_t timestampIncrement)
{
    if (!IsCreated())
        return RtpStatus::NotCreated;
    if (size > m_sendBuffer.size() || kRtpHeaderSize > m_sendBuffer.size() - size)
        return RtpStatus::PacketTooLarge;
    uint8_t* p = m_sendBuffer.data();
    p[0] = 0x80;
    p[1] = uint8_t((marker ? 0x80 : 0) | (payloadType & 0x7F));
    WriteBe16(p + 2, m_sequence);
    WriteBe32(p + 4, m_timestamp);
    WriteBe32(p + 8, m_ssrc);
    if (size > 0)
        std::memcpy(p + kRtpHeaderSize, payload, size);
    if (!m_sender->SendRtp(p, kRtpHeaderSize + size))
        return RtpStatus::SendFailed;
    m_lastSentTimestamp = m_timestamp;
    m_lastSendTime = Now();
    ++m_sequence;
    m_timestamp += timestampIncrement;
    ++m_sentPackets;
    m_sentOctets += uint32_t(size);
    return RtpStatus::Ok;
}

} // namespace rtpcore
