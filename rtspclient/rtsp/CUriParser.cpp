#include "CUriParser.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "common/PellmarLog.h"
#include "common/RtspText.h"
#include "zmr.h"

using rtsp_text::Contains;
using rtsp_text::Split;

namespace {
constexpr uint16_t kDefaultRtspPort = 554;
}

bool CUriParser::parsePort(const std::string& text, uint16_t& port)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const unsigned long value = std::stoul(text);
    if (value < 1 || value > 65535)
        return false;
    port = static_cast<uint16_t>(value);
    return true;
}

std::string CUriParser::ResolveHost(const std::string& host, bool& resolved)
{
    resolved = false;
    ZMR_ADDRINFO* list = nullptr;
    if (ZMR_GetAddressInfo(host.c_str(), nullptr, 0, &list) != 0)
        return host;
    std::string chosen = host;
    for (ZMR_ADDRINFO* entry = list; entry; entry = entry->ai_next) {
        char text[256] = {};
        if (ZMR_GetAddrStringEx(entry, text, sizeof text) != 0)
            continue;
        chosen = text;
        resolved = true;
        if (chosen != "::1")
            break;
    }
    ZMR_FreeAddressInfo(list);
    return chosen;
}

void CUriParser::splitQuery(const std::string& pathBase, std::string& path, std::map<std::string, std::string>& query)
{
    std::vector<std::string> parts;
    if (Split(pathBase, {"?"}, parts) != 2) {
        path = pathBase;
        return;
    }
    path = parts[0];
    std::vector<std::string> pairs;
    Split(parts[1], {"&"}, pairs);
    for (const std::string& pair : pairs) {
        const size_t equals = pair.find('=');
        if (equals != std::string::npos)
            query[pair.substr(0, equals)] = pair.substr(equals + 1);
    }
}

void CUriParser::splitScheme(std::string& path, std::string& scheme, int& marker)
{
    std::vector<std::string> parts;
    if (Split(path, {"://", ":/"}, parts, 1) != 2) {
        scheme = "no";
        return;
    }
    scheme = parts[0];
    if (scheme == "rtsp")
        return;
    if (Contains("/", scheme)) {
        scheme = "rtsp";
        path = "rtsp://" + path;
        return;
    }
    for (const char* mark : {":TCP", ":UDP", ":MAIN:", ":SUB:", ":SUB"}) {
        if (Contains(mark, path)) {
            marker = 1;
            break;
        }
    }
}

namespace {
std::string PercentDecoded(const std::string& text)
{
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        std::vector<uint8_t> byte;
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2])) &&
            rtsp_text::HexDecode(text.substr(i + 1, 2), byte)) {
            decoded += static_cast<char>(byte[0]);
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}
} // namespace

std::string CUriParser::TakeCredentials(const std::string& url, std::string& user, std::string& password)
{
    user.clear();
    password.clear();
    static const std::string kScheme = "rtsp://";
    const size_t start = url.find(kScheme);
    if (start == std::string::npos)
        return url;
    const size_t authorityStart = start + kScheme.size();
    const size_t authorityEnd = std::min(url.find('/', authorityStart), url.size());
    const size_t at = url.rfind('@', authorityEnd - 1);
    if (at == std::string::npos || at < authorityStart)
        return url;
    const std::string userInfo = url.substr(authorityStart, at - authorityStart);
    const size_t colon = userInfo.find(':');
    user = PercentDecoded(userInfo.substr(0, colon));
    if (colon != std::string::npos)
        password = PercentDecoded(userInfo.substr(colon + 1));
    return url.substr(0, authorityStart) + url.substr(at + 1);
}

namespace {
bool EndsUrl(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) || c == '<' || c == '>' || c == '"' || c == '\'';
}

// The end of the user information of the authority starting at `start`
// (the position of its '@'), or npos. The last '@' before the path counts,
// as in TakeCredentials; a password with an unescaped '/' still ends at the
// first '@' of the URL when a ':' comes before it.
size_t UserInfoEnd(const std::string& text, size_t start, size_t urlEnd)
{
    const size_t pathStart = std::min(text.find('/', start), urlEnd);
    const size_t at = text.rfind('@', pathStart == 0 ? 0 : pathStart - 1);
    if (at != std::string::npos && at >= start && at < pathStart)
        return at;
    const size_t laterAt = text.find('@', start);
    if (laterAt < urlEnd && text.find(':', start) < laterAt && text.find("://", start) > laterAt)
        return laterAt;
    return std::string::npos;
}
} // namespace

std::string CUriParser::Redacted(const std::string& text)
{
    static const std::string kMask = "***";
    std::string shown = text;
    for (size_t marker = shown.find("://"); marker != std::string::npos; marker = shown.find("://", marker + 3)) {
        const size_t start = marker + 3;
        size_t urlEnd = start;
        while (urlEnd < shown.size() && !EndsUrl(shown[urlEnd]))
            ++urlEnd;
        const size_t at = UserInfoEnd(shown, start, urlEnd);
        if (at == std::string::npos)
            continue;
        const size_t colon = shown.find(':', start);
        if (colon < at)
            shown.replace(colon + 1, at - colon - 1, kMask);
    }
    return shown;
}

int CUriParser::ParseUri(int& marker, std::map<std::string, std::string>& query, const std::string& url,
                         std::string& host, uint16_t& port, std::string& path, std::string& scheme)
{
    host.clear();
    port = 0;
    marker = 0;
    std::vector<std::string> parts;
    if (Split(url, {"rtsp://"}, parts, 1) != 2) {
        PELLMAR_LOG_ERROR(pellmar_log::kUri, "ParseUri Fail, no rtsp:// in url<%s>", Redacted(url).c_str());
        return 0;
    }
    const size_t slash = parts[1].find('/');
    std::string authority = parts[1].substr(0, slash);
    const std::string remainder = slash == std::string::npos ? std::string() : parts[1].substr(slash + 1);
    const size_t at = authority.find('@');
    if (at != std::string::npos)
        authority.erase(0, at + 1);
    const size_t colon = authority.find(':');
    host = authority.substr(0, colon);
    port = kDefaultRtspPort;
    if (host.empty() || (colon != std::string::npos && !parsePort(authority.substr(colon + 1), port))) {
        PELLMAR_LOG_ERROR(pellmar_log::kUri, "ParseUri Fail, bad host or port in url<%s>", Redacted(url).c_str());
        host.clear();
        port = 0;
        return 0;
    }
    bool resolved = false;
    host = ResolveHost(host, resolved);
    const std::string pathBase = resolved ? remainder : url;

    splitQuery(pathBase, path, query);
    splitScheme(path, scheme, marker);

    m_url = url;
    m_host = host;
    m_port = port;
    m_path = path;
    m_query = query;
    m_scheme = scheme;
    m_marker = marker;
    return 1;
}
