#include "rtpcore/RtcpScheduler.h"

#include <algorithm>

namespace rtpcore {

double RtcpScheduler::DeterministicInterval(int members, int senders, double rtcpBandwidth, bool weSent,
                                            double averageRtcpSize, bool initial)
{
    const double minimum = initial ? kMinInterval / 2 : kMinInterval;
    double n = members;
    // Senders share a quarter of the RTCP bandwidth when they are few, so
    // that their reports (which carry the lip-sync data) stay frequent.
    if (senders <= members * kSenderFraction) {
        if (weSent) {
            rtcpBandwidth *= kSenderFraction;
            n = senders;
        } else {
            rtcpBandwidth *= kReceiverFraction;
            n -= senders;
        }
    }
    double t = rtcpBandwidth > 0 ? averageRtcpSize * n / rtcpBandwidth : minimum;
    return std::max(t, minimum);
}

RtcpScheduler::RtcpScheduler(double sessionBandwidth, double firstPacketSize)
    : m_rtcpBandwidth(sessionBandwidth * 0.05), m_averageSize(firstPacketSize + kUdpIpOverhead)
{
}

double RtcpScheduler::DeterministicInterval(int members, int senders, bool weSent) const
{
    return DeterministicInterval(members, senders, m_rtcpBandwidth, weSent, m_averageSize, m_initial);
}

double RtcpScheduler::RandomInterval(int members, int senders, bool weSent)
{
    // Randomised over [0.5, 1.5) to avoid synchronised reports, then
    // compensated for the bias the reconsideration introduces.
    return DeterministicInterval(members, senders, weSent) * m_random.Uniform(0.5, 1.5) / kCompensation;
}

void RtcpScheduler::Start(double now, int members, int senders, bool weSent)
{
    m_initial = true;
    m_previous = now;
    m_next = now + RandomInterval(members, senders, weSent);
}

bool RtcpScheduler::IsDue(double now, int members, int senders, bool weSent)
{
    if (now < m_next)
        return false;
    const double next = m_previous + RandomInterval(members, senders, weSent);
    if (next <= now)
        return true;
    m_next = next;
    return false;
}

void RtcpScheduler::OnReportSent(double now, size_t packetSize, int members, int senders, bool weSent)
{
    AddToAverage(packetSize);
    m_initial = false;
    m_previous = now;
    m_next = now + RandomInterval(members, senders, weSent);
}

void RtcpScheduler::OnReportReceived(size_t packetSize)
{
    AddToAverage(packetSize);
}

void RtcpScheduler::AddToAverage(size_t packetSize)
{
    m_averageSize += (double(packetSize + kUdpIpOverhead) - m_averageSize) / 16.0;
}

} // namespace rtpcore
