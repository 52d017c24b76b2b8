#include "rtsp/CRtspMessageText.h"

#include <cstdlib>
#include <cstring>

namespace {
const char* const kStatusCodes[] = {"100", "200", "201", "250", "300", "301", "302", "303", "304", "305", "400",
                                    "401", "402", "403", "404", "405", "406", "407", "408", "410", "411", "412",
                                    "413", "414", "415", "451", "452", "453", "454", "455", "456", "457", "458",
                                    "459", "460", "461", "462", "500", "501", "502", "503", "504", "505", "551"};
}

std::string CRtspMessageText::BuildRequest(const std::string& method, const std::string& url, int cseq,
                                           const std::vector<std::pair<std::string, std::string>>& headers,
                                           const std::string& body)
{
    std::string text = method + " " + url + " RTSP/1.0\r\nCSeq: " + std::to_string(cseq) + "\r\n";
    for (const auto& header : headers)
        text += header.first + ": " + header.second + "\r\n";
    if (!body.empty())
        text += "Content-Type: application/sdp\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
    text += "\r\n";
    return text + body;
}

CRtspMessageText::CRtspMessageText(std::string text) : m_strText(std::move(text)) {}

int CRtspMessageText::StatusPositionOf(const std::string& code)
{
    for (size_t i = 0; i < sizeof kStatusCodes / sizeof kStatusCodes[0]; ++i) {
        if (code == kStatusCodes[i])
            return static_cast<int>(i);
    }
    return -1;
}

std::string CRtspMessageText::Trim(std::string text)
{
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool CRtspMessageText::ParseStatusLine()
{
    const size_t end = m_strText.find("\r\n");
    if (end == std::string::npos)
        return false;
    const std::string line = m_strText.substr(0, end);
    const size_t first = line.find(' ');
    if (first == std::string::npos)
        return false;
    const size_t second = line.find(' ', first + 1);
    if (second == std::string::npos || line.compare(0, 4, "RTSP") != 0)
        return false;
    const std::string code = line.substr(first + 1, second - first - 1);
    m_iStatusPosition = StatusPositionOf(code);
    m_iStatusCode = std::atoi(code.c_str());
    return true;
}

int CRtspMessageText::CSeq() const
{
    for (const char* name : {"CSeq", "Cseq", "cseq"}) {
        if (HasHeader(name))
            return std::atoi(Header(name).c_str());
    }
    return -1;
}

bool CRtspMessageText::HasHeader(const std::string& name) const
{
    return m_strText.find(name + ":") != std::string::npos;
}

std::string CRtspMessageText::Header(const std::string& name, int n) const
{
    size_t position = 0;
    const std::string key = name + ":";
    for (int i = 0; i <= n; ++i) {
        position = m_strText.find(key, i == 0 ? 0 : position + 1);
        if (position == std::string::npos)
            return std::string();
    }
    const size_t start = position + key.size();
    const size_t end = m_strText.find("\r\n", start);
    return Trim(m_strText.substr(start, end == std::string::npos ? std::string::npos : end - start));
}

std::string CRtspMessageText::SessionId() const
{
    const std::string value = Header("Session");
    return Trim(value.substr(0, value.find(';')));
}

int CRtspMessageText::SessionTimeout() const
{
    const std::string value = Header("Session");
    const size_t found = value.find("timeout=");
    if (found == std::string::npos)
        return 60;
    return std::atoi(value.c_str() + found + 8);
}

std::string CRtspMessageText::Body() const
{
    const size_t start = m_strText.find("\r\n\r\n");
    if (start == std::string::npos)
        return std::string();
    std::string body = m_strText.substr(start + 4);
    const size_t end = body.find("\r\n\r\n");
    if (end != std::string::npos)
        body.resize(end + 2);
    return body;
}

std::string CRtspMessageText::Parameter(const std::string& text, const std::string& name)
{
    const std::string key = name + "=";
    size_t found = text.find(key);
    while (found != std::string::npos && found > 0 && text[found - 1] != ';' && text[found - 1] != ' ')
        found = text.find(key, found + 1);
    if (found == std::string::npos)
        return std::string();
    const size_t start = found + key.size();
    size_t end = text.find_first_of(";\r\n", start);
    return Trim(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
}

bool CRtspMessageText::HasToken(const std::string& text, const std::string& token)
{
    size_t found = text.find(token);
    while (found != std::string::npos) {
        const size_t after = found + token.size();
        if (after >= text.size() || text[after] == ';' || text[after] == '\r')
            return true;
        found = text.find(token, found + 1);
    }
    return false;
}

std::string CRtspMessageText::RequestMethod() const
{
    const size_t blank = m_strText.find(' ');
    if (blank == std::string::npos)
        return std::string();
    const std::string first = m_strText.substr(0, blank);
    return first.find("RTSP") == std::string::npos ? first : std::string();
}
