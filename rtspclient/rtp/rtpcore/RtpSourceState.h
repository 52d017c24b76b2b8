#pragma once
#include <cstdint>
#include <string>

#include "rtpcore/NtpTime.h"
#include "rtpcore/RtcpReportBlock.h"

namespace rtpcore {

// What a receiver knows of one remote source: sequence tracking with wrap and
// probation, loss and interarrival jitter (RFC 3550 A.1, A.3, A.8), and the
// last sender report for the LSR and DLSR of our reception reports.
class RtpSourceState
{
public:
    static constexpr uint32_t kMaxDropout = 3000;
    static constexpr uint32_t kMaxMisorder = 100;
    static constexpr int kMinSequential = 2;

    explicit RtpSourceState(uint32_t ssrc = 0) : m_ssrc(ssrc) { }

    // Takes one RTP packet; `arrival` is its arrival time in the source's
    // timestamp units. False while the source is on probation or when the
    // sequence number is judged invalid (a large jump not yet confirmed).
    bool OnRtpPacket(uint16_t sequence, uint32_t timestamp, uint32_t arrival);

    void OnSenderReport(const NtpTime& reportTime, double receivedAtSeconds);

    // Fills a report block and starts the next reporting interval.
    RtcpReportBlock MakeReportBlock(double nowSeconds);

    bool IsValidated() const { return m_probation == 0 && m_seenRtp; }
    uint32_t ExtendedHighestSequence() const { return m_cycles + m_maxSeq; }
    uint32_t Expected() const { return ExtendedHighestSequence() - m_baseSeq + 1; }
    uint32_t Received() const { return m_received; }
    int32_t CumulativeLost() const;
    double Jitter() const { return m_jitter; }

    // Bookkeeping for the session: activity, RTCP identity and departure.
    double lastRtpSeconds = -1;
    double lastActivitySeconds = 0;
    std::string cname;
    bool sentBye = false;

private:
    void InitSequence(uint16_t sequence);
    bool UpdateSequence(uint16_t sequence);
    void UpdateJitter(uint32_t timestamp, uint32_t arrival);

    uint32_t m_ssrc;
    bool m_seenRtp = false;
    uint16_t m_maxSeq = 0;
    uint32_t m_cycles = 0;
    uint32_t m_baseSeq = 0;
    uint32_t m_badSeq = 0;
    int m_probation = 0;
    uint32_t m_received = 0;
    uint32_t m_expectedPrior = 0;
    uint32_t m_receivedPrior = 0;
    bool m_hasTransit = false;
    int64_t m_transit = 0;
    double m_jitter = 0;
    bool m_hasSenderReport = false;
    uint32_t m_lastSrMiddle = 0;
    double m_lastSrReceivedAt = 0;
};

} // namespace rtpcore
