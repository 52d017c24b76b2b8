#pragma once
#include <cstddef>

#include "rtpcore/RtpRandom.h"

namespace rtpcore {

// When to send the next RTCP report: the interval computation and timer
// reconsideration of RFC 3550 section 6.3 (algorithm of A.7).
class RtcpScheduler
{
public:
    static constexpr double kMinInterval = 5.0;
    static constexpr double kSenderFraction = 0.25;
    static constexpr double kReceiverFraction = 1.0 - kSenderFraction;
    static constexpr double kCompensation = 2.71828 - 1.5; // e - 3/2
    static constexpr size_t kUdpIpOverhead = 28;

    // The interval before randomisation, in seconds.
    static double DeterministicInterval(int members, int senders, double rtcpBandwidth, bool weSent,
                                        double averageRtcpSize, bool initial);

    // `sessionBandwidth` in bytes per second; RTCP gets 5 % of it.
    explicit RtcpScheduler(double sessionBandwidth = 10000.0, double firstPacketSize = 100.0);

    void Start(double now, int members, int senders, bool weSent);
    // True when a report is due; otherwise reschedules by reconsideration.
    bool IsDue(double now, int members, int senders, bool weSent);
    void OnReportSent(double now, size_t packetSize, int members, int senders, bool weSent);
    void OnReportReceived(size_t packetSize);

    double RandomInterval(int members, int senders, bool weSent);
    double DeterministicInterval(int members, int senders, bool weSent) const;
    double NextReportTime() const { return m_next; }
    double AverageRtcpSize() const { return m_averageSize; }

private:
    void AddToAverage(size_t packetSize);

    double m_rtcpBandwidth;
    double m_averageSize;
    bool m_initial = true;
    double m_previous = 0;
    double m_next = 0;
    RtpRandom m_random;
};

} // namespace rtpcore
