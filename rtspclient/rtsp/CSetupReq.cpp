#include "CSetupReq.h"

std::string CSetupReq::transport() const
{
    const int secondPort = m_usClientPort2 ? m_usClientPort2 : m_usClientPort + 1;
    std::string line;
    switch (m_iLowerTransport) {
    case RTSP_TRANSPORT_INTERLEAVED:
        if (m_iMulticast && m_iMulticastPort < 0)
            return "Transport: RTP/AVP;multicast;";
        if (m_iMulticast)
            return RtspFormat("Transport: RTP/AVP;multicast;port=%d-%d", m_iMulticastPort, m_iMulticastPort + 1);
        return RtspFormat("Transport: RTP/AVP/TCP;unicast;interleaved=%d-%d", m_usInterleavedChannel,
                          m_usInterleavedChannel + 1);
    case RTSP_TRANSPORT_TCP:
        line = m_iTcpVariant
                   ? RtspFormat("Transport: RTP/AVP/TCP;unicast;client_port=%d-%d;ActiveConnVal=%d", m_usClientPort,
                                secondPort, m_iTcpVariant)
                   : RtspFormat("Transport: RTP/AVP/TCP;unicast;client_port=%d-%d", m_usClientPort, secondPort);
        break;
    default: line = RtspFormat("Transport: RTP/AVP;unicast;client_port=%d-%d", m_usClientPort, secondPort); break;
    }
    if (!m_strDestination.empty())
        line += ";destination=" + m_strDestination;
    return line;
}

void CSetupReq::AppendHeaders(std::string& text)
{
    text += transport();
    text += m_strSsrc.empty() ? "\r\n" : ";ssrc=" + m_strSsrc + "\r\n";
    AppendBackChannelRequire(text);
}
