#include "CCommonReq.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "common/PellmarLog.h"
#include "auth/Authorization.h"

namespace {

// Only CRLF pairs, and no empty line: a value with a line break of its own
// would otherwise smuggle headers or a second request onto the wire.
bool wellFormedHeaderBlock(const std::string& head)
{
    for (size_t i = 0; i < head.size(); ++i) {
        const bool pairedCr = head[i] == '\r' && i + 1 < head.size() && head[i + 1] == '\n';
        const bool pairedLf = head[i] == '\n' && i > 0 && head[i - 1] == '\r';
        if ((head[i] == '\r' && !pairedCr) || (head[i] == '\n' && !pairedLf) || head[i] == '\0')
            return false;
    }
    return head.find("\r\n\r\n") == std::string::npos;
}

} // namespace

std::string RtspFormat(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    std::string text(length > 0 ? static_cast<size_t>(length) + 1 : 1, '\0');
    if (length > 0)
        std::vsnprintf(&text[0], text.size(), format, arguments);
    va_end(arguments);
    text.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return text;
}

bool CCommonReq::ParseMsg(const char*, int)
{
    return false;
}

void CCommonReq::appendAuthorization(std::string& text) const
{
    if (!m_strAuthorization.empty()) {
        text += "Authorization: " + m_strAuthorization + "\r\n";
        return;
    }
    if (m_strUserName.empty())
        return;
    switch (m_iAuthMode) {
    case AUTH_MODE_BASIC:
        text += "Authorization: Basic " + BuildBasicCredentials(m_strUserName, m_strPassword) + "\r\n";
        break;
    case AUTH_MODE_AES: {
        std::string value;
        if (GenerateAuthAES(m_strUserName, m_strPassword, value) == 0)
            text += "Authorization: AES " + value + "\r\n";
        break;
    }
    case AUTH_MODE_SEP: {
        std::string value, key, identification;
        if (GenerateAuthWithSuite_0(m_strPassword, m_strSepPublicKey, m_strUserName, m_strSepRandom, m_strSepToken,
                                    value, key, identification) == 0) {
            text += "Authorization: SEP " + value + "\r\n";
            text += "Key: " + key + "\r\n";
            if (!identification.empty())
                text += "Identification: " + identification + "\r\n";
        }
        break;
    }
    default: break;
    }
}

void CCommonReq::AppendHeaders(std::string&)
{
}

void CCommonReq::AppendBody(std::string&)
{
}

void CCommonReq::AppendBackChannelRequire(std::string& text) const
{
    if (m_iBackChannel)
        text += "Require: www.onvif.org/ver20/backchannel\r\n";
}

std::string CCommonReq::Build()
{
    std::string text = std::string(GetRtspMethodName(m_iMethod)) + " " + m_strUrl + " RTSP/1.0\r\n" +
                       RtspFormat("CSeq: %d\r\n", m_iCSeq);
    appendAuthorization(text);
    if (!m_strSession.empty())
        text += "Session: " + m_strSession + "\r\n";
    if (!m_strUserAgent.empty())
        text += "User-Agent: " + m_strUserAgent + "\r\n";
    AppendHeaders(text);
    if (!wellFormedHeaderBlock(text)) {
        PELLMAR_LOG_ERROR(pellmar_log::kMessage, "BuildMsg Fail, line break inside a header value, method<%s>",
                          GetRtspMethodName(m_iMethod));
        return std::string();
    }
    text += "\r\n";
    AppendBody(text);
    return text;
}

int CCommonReq::BuildMsg(char* buffer, int size)
{
    if (!buffer || size <= 0)
        return -1;
    const std::string text = Build();
    if (text.empty() || text.size() >= static_cast<size_t>(size)) {
        if (!text.empty())
            PELLMAR_LOG_ERROR(pellmar_log::kMessage, "BuildMsg Fail, request of %d bytes over buffer of %d",
                              static_cast<int>(text.size()), size);
        buffer[0] = '\0';
        return -1;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<int>(text.size());
}
