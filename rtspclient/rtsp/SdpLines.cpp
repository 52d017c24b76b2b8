#include "SdpLines.h"

#include "common/RtspText.h"

namespace sdp_line {

namespace {

size_t findAtLineStart(const std::string& section, const std::string& prefix, size_t from)
{
    for (size_t at = section.find(prefix, from); at != std::string::npos; at = section.find(prefix, at + 1)) {
        if (at == 0 || section[at - 1] == '\n')
            return at;
    }
    return std::string::npos;
}

std::string lineFrom(const std::string& section, size_t start)
{
    const size_t end = std::min(section.find("\r\n", start), section.find('\n', start));
    std::string line = section.substr(start, end == std::string::npos ? std::string::npos : end - start);
    rtsp_text::Trim(line);
    return line;
}

} // namespace

bool Find(const std::string& section, const std::string& prefix, std::string& value)
{
    const size_t at = findAtLineStart(section, prefix, 0);
    if (at == std::string::npos)
        return false;
    value = lineFrom(section, at + prefix.size());
    return true;
}

std::vector<std::string> FindAll(const std::string& section, const std::string& prefix)
{
    std::vector<std::string> values;
    for (size_t at = findAtLineStart(section, prefix, 0); at != std::string::npos;
         at = findAtLineStart(section, prefix, at + prefix.size()))
        values.push_back(lineFrom(section, at + prefix.size()));
    return values;
}

bool FindAttribute(const std::string& section, const std::string& prefix, std::string& value)
{
    std::string line;
    if (!Find(section, prefix, line))
        return false;
    const size_t colon = line.find(':');
    value = colon == std::string::npos ? std::string() : line.substr(colon + 1);
    rtsp_text::Trim(value);
    return true;
}

} // namespace sdp_line
