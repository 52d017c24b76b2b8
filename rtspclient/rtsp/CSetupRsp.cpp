#include "CSetupRsp.h"

#include <vector>

#include "CSetupReq.h"
#include "RtspMessageText.h"
#include "common/RtspText.h"

namespace {

// "a-b" with both numbers present; gives the first.
bool portPair(const std::string& transport, const std::string& name, uint16_t& first, uint16_t* second = nullptr)
{
    std::string value;
    if (!rtsp_message::GetParam(transport, name, value))
        return false;
    std::vector<std::string> parts;
    if (rtsp_text::Split(value, {"-"}, parts, 1) != 2 || parts[0].empty() || parts[1].empty())
        return false;
    first = static_cast<uint16_t>(rtsp_message::DecimalOf(parts[0]));
    if (second)
        *second = static_cast<uint16_t>(rtsp_message::DecimalOf(parts[1]));
    return true;
}

} // namespace

void CSetupRsp::copyBody(const std::string& text)
{
    const size_t headerEnd = text.find("\r\n\r\n");
    const std::string body = headerEnd == std::string::npos ? std::string() : text.substr(headerEnd + 4);
    // A body that does not fit is dropped whole rather than cut.
    m_iBodyLength = body.size() < kBodySize ? static_cast<int>(body.size()) : 0;
    body.copy(m_szBody, static_cast<size_t>(m_iBodyLength));
    m_szBody[m_iBodyLength] = '\0';
}

bool CSetupRsp::ParseOwn(const std::string& text)
{
    std::string transport;
    rtsp_message::GetHeader(text, "Transport", transport);
    transport += ";";
    m_iMulticast = rtsp_message::HasToken(transport, "unicast") ? 0 : 1;
    const bool tcp = rtsp_text::Contains("RTP/AVP/TCP", text);
    if (tcp && rtsp_text::Contains("interleaved", text))
        m_iLowerTransport = RTSP_TRANSPORT_INTERLEAVED;
    else if (tcp)
        m_iLowerTransport = RTSP_TRANSPORT_TCP;
    else
        m_iLowerTransport = RTSP_TRANSPORT_UDP;

    if (m_iMulticast)
        rtsp_message::GetParam(transport, "port", m_strMulticastPort);
    if (m_iLowerTransport == RTSP_TRANSPORT_INTERLEAVED) {
        if (!portPair(transport, "interleaved", m_usInterleavedChannel))
            return false;
    } else {
        portPair(transport, "client_port", m_usClientPort);
        portPair(transport, "server_port", m_usServerPort, &m_usServerPort2);
        rtsp_message::GetParam(transport, "destination", m_strDestination);
        rtsp_message::GetParam(transport, "source", m_strSource);
    }
    rtsp_message::GetParam(transport, "ssrc", m_strSsrc);
    copyBody(text);
    return true;
}
