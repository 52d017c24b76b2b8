#include "CCommonRsp.h"

#include <cstring>
#include <vector>

#include "RtspMessageText.h"
#include "common/RtspText.h"
#include "RtspVocabulary.h"

using rtsp_message::GetHeader;
using rtsp_message::GetParam;

int CCommonRsp::BuildMsg(char* buffer, int size)
{
    if (buffer && size > 0)
        buffer[0] = '\0';
    return -1;
}

bool CCommonRsp::ParseOwn(const std::string&)
{
    return true;
}

bool CCommonRsp::parseStatusLine(const std::string& text)
{
    const size_t lineEnd = text.find("\r\n");
    if (lineEnd == std::string::npos)
        return false;
    std::vector<std::string> parts;
    if (rtsp_text::Split(text.substr(0, lineEnd), {" "}, parts, 2) != 3)
        return false;
    m_iStatus = GetRtspStatusText(parts[1]);
    return true;
}

void CCommonRsp::parseSession(const std::string& text)
{
    std::string value;
    if (!GetHeader(text, "Session", value))
        return;
    std::vector<std::string> parts;
    rtsp_text::Split(value, {";timeout=", "; timeout=", ";timeout", "; timeout"}, parts, 1);
    m_strSession = parts[0];
    rtsp_text::Trim(m_strSession);
    if (parts.size() == 2) {
        std::string timeout = parts[1];
        timeout.erase(0, timeout.find_first_not_of(" ="));
        const int seconds = rtsp_message::DecimalOf(timeout);
        // A timeout of 0 or less would make the keep-alive spin.
        if (seconds > 0)
            m_iTimeout = seconds;
    }
}

void CCommonRsp::parseChallenge(const std::string& text)
{
    std::string value;
    for (int n = 0; GetHeader(text, "WWW-Authenticate", value, n); ++n) {
        if (n == 0)
            m_strWwwAuthenticate = value;
        if (value.compare(0, 3, "SEP") == 0) {
            m_strWwwAuthenticate = value;
            return;
        }
    }
}

void CCommonRsp::parseExtErrInfo(const std::string& text)
{
    std::string value;
    if (!GetHeader(text, "ExtErrInfo", value))
        return;
    value += ";";
    std::string field;
    if (GetParam(value, "errcode", field))
        m_iErrCode = rtsp_message::DecimalOf(field);
    if (GetParam(value, "description", field))
        m_strErrDescription = field;
}

bool CCommonRsp::ParseMsg(const char* text, int length)
{
    if (!text || length <= 0)
        return false;
    // A zero byte ends the text, as it does for the receive buffer.
    m_strText.assign(text, strnlen(text, static_cast<size_t>(length)));
    if (!parseStatusLine(m_strText))
        return false;
    std::string value;
    if (GetHeader(m_strText, "CSeq", value) || GetHeader(m_strText, "Cseq", value) ||
        GetHeader(m_strText, "cseq", value))
        m_iCSeq = rtsp_message::DecimalOf(value);
    GetHeader(m_strText, "Server", m_strServer);
    parseSession(m_strText);
    GetHeader(m_strText, "Location", m_strLocation);
    GetHeader(m_strText, "PKD", m_strPkd);
    parseChallenge(m_strText);
    parseExtErrInfo(m_strText);
    return ParseOwn(m_strText);
}
