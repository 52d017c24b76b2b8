#include "CDescribeRsp.h"

#include "RtspMessageText.h"

bool CDescribeRsp::ParseOwn(const std::string& text)
{
    rtsp_message::GetHeader(text, "Content-Base", m_strContentBase);
    m_strBody.clear();
    const size_t headerEnd = text.find("\r\n\r\n");
    if (headerEnd == std::string::npos)
        return true;
    m_strBody = text.substr(headerEnd + 4);
    const size_t bodyEnd = m_strBody.find("\r\n\r\n");
    if (bodyEnd != std::string::npos)
        m_strBody.resize(bodyEnd + 2);
    return true;
}
