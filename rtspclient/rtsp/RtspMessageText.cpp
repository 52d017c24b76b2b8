#include "RtspMessageText.h"

#include "common/RtspText.h"
#include "zmr.h"

namespace rtsp_message {

bool GetHeader(const std::string& text, const std::string& name, std::string& value, int n)
{
    const std::string key = name + ":";
    size_t at = text.find(key);
    for (int i = 0; i < n && at != std::string::npos; ++i)
        at = text.find(key, at + key.size());
    if (at == std::string::npos)
        return false;
    const size_t start = at + key.size();
    const size_t end = text.find("\r\n", start);
    value = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    rtsp_text::Trim(value);
    return true;
}

int GetIntHeader(const std::string& text, const std::string& name, int fallback)
{
    std::string value;
    return GetHeader(text, name, value) ? DecimalOf(value) : fallback;
}

bool GetParam(const std::string& text, const std::string& name, std::string& value)
{
    const std::string key = name + "=";
    const size_t at = text.find(key);
    if (at == std::string::npos)
        return false;
    const size_t start = at + key.size();
    const size_t end = std::min(text.find(';', start), text.find("\r\n", start));
    value = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    rtsp_text::Trim(value);
    return true;
}

bool HasToken(const std::string& text, const std::string& token)
{
    return text.find(token + ";") != std::string::npos || text.find(token + "\r\n") != std::string::npos;
}

int DecimalOf(const std::string& text)
{
    return ZMR_Atoi32(text.c_str());
}

} // namespace rtsp_message
