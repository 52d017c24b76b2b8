#include "CAnnounceReq.h"

void CAnnounceReq::AppendHeaders(std::string& text)
{
    for (const auto& [name, value] : m_mapExtraHeaders)
        text += name + ": " + value + "\r\n";
    if (!m_strBody.empty())
        // The body goes out with a closing CRLF, which the length counts.
        text += RtspFormat("Content-Type: application/sdp\r\nContent-Length: %d\r\n",
                           static_cast<int>(m_strBody.size()) + 2);
}

void CAnnounceReq::AppendBody(std::string& text)
{
    if (!m_strBody.empty())
        text += m_strBody + "\r\n";
}
