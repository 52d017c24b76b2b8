#include "rtpcore/RtpSourceState.h"

#include <algorithm>

namespace rtpcore {

namespace {
constexpr uint32_t kSeqMod = 1u << 16;
}

bool RtpSourceState::OnRtpPacket(uint16_t sequence, uint32_t timestamp, uint32_t arrival)
{
    if (!m_seenRtp) {
        m_seenRtp = true;
        InitSequence(sequence);
        m_maxSeq = uint16_t(sequence - 1);
        m_probation = kMinSequential;
    }
    if (!UpdateSequence(sequence))
        return false;
    UpdateJitter(timestamp, arrival);
    return true;
}

void RtpSourceState::InitSequence(uint16_t sequence)
{
    m_baseSeq = sequence;
    m_maxSeq = sequence;
    m_badSeq = kSeqMod + 1; // so that sequence == m_badSeq is false
    m_cycles = 0;
    m_received = 0;
    m_receivedPrior = 0;
    m_expectedPrior = 0;
}

bool RtpSourceState::UpdateSequence(uint16_t sequence)
{
    const uint16_t delta = uint16_t(sequence - m_maxSeq);

    if (m_probation > 0) {
        if (sequence == uint16_t(m_maxSeq + 1)) {
            --m_probation;
            m_maxSeq = sequence;
            if (m_probation == 0) {
                InitSequence(sequence);
                ++m_received;
                return true;
            }
        } else {
            m_probation = kMinSequential - 1;
            m_maxSeq = sequence;
        }
        return false;
    }
    if (delta < kMaxDropout) {
        if (sequence < m_maxSeq)
            m_cycles += kSeqMod; // wrapped
        m_maxSeq = sequence;
    } else if (delta <= kSeqMod - kMaxMisorder) {
        // A large jump: believe it only when the next packet follows it,
        // which is how a restarted sender looks.
        if (sequence == m_badSeq) {
            InitSequence(sequence);
        } else {
            m_badSeq = (uint32_t(sequence) + 1) & (kSeqMod - 1);
            return false;
        }
    }
    // else: duplicate or reordered packet, counted but leaves the maximum alone.
    ++m_received;
    return true;
}

void RtpSourceState::UpdateJitter(uint32_t timestamp, uint32_t arrival)
{
    const int32_t transit = int32_t(arrival - timestamp);
    if (!m_hasTransit) {
        m_hasTransit = true;
        m_transit = transit;
        return;
    }
    int64_t d = int64_t(transit) - m_transit;
    m_transit = transit;
    if (d < 0)
        d = -d;
    m_jitter += (double(d) - m_jitter) / 16.0;
}

int32_t RtpSourceState::CumulativeLost() const
{
    const int64_t lost = int64_t(Expected()) - int64_t(m_received);
    // The report field is a signed 24-bit number: clamp rather than wrap.
    if (lost > 0x7FFFFF)
        return 0x7FFFFF;
    if (lost < -0x800000)
        return -0x800000;
    return int32_t(lost);
}

void RtpSourceState::OnSenderReport(const NtpTime& reportTime, double receivedAtSeconds)
{
    m_hasSenderReport = true;
    m_lastSrMiddle = reportTime.Middle32();
    m_lastSrReceivedAt = receivedAtSeconds;
}

RtcpReportBlock RtpSourceState::MakeReportBlock(double nowSeconds)
{
    RtcpReportBlock block;
    block.ssrc = m_ssrc;
    const uint32_t expected = Expected();
    const uint32_t expectedInterval = expected - m_expectedPrior;
    const uint32_t receivedInterval = m_received - m_receivedPrior;
    m_expectedPrior = expected;
    m_receivedPrior = m_received;
    const int64_t lostInterval = int64_t(expectedInterval) - int64_t(receivedInterval);
    if (expectedInterval != 0 && lostInterval > 0)
        block.fractionLost = uint8_t((lostInterval << 8) / expectedInterval);
    block.cumulativeLost = CumulativeLost();
    block.extendedHighestSequence = ExtendedHighestSequence();
    block.jitter = uint32_t(m_jitter);
    if (m_hasSenderReport) {
        block.lastSenderReport = m_lastSrMiddle;
        const double delay = std::max(0.0, nowSeconds - m_lastSrReceivedAt);
        block.delaySinceLastSenderReport = uint32_t(delay * 65536.0);
    }
    return block;
}

} // namespace rtpcore
