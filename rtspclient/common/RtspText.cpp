#include "RtspText.h"

namespace rtsp_text {

namespace {

void trimCharacter(std::string& text, char character)
{
    const size_t first = text.find_first_not_of(character);
    if (first == std::string::npos) {
        text.clear();
        return;
    }
    text.erase(text.find_last_not_of(character) + 1);
    text.erase(0, first);
}

int hexValue(char digit)
{
    if (digit >= '0' && digit <= '9')
        return digit - '0';
    if (digit >= 'a' && digit <= 'f')
        return digit - 'a' + 10;
    if (digit >= 'A' && digit <= 'F')
        return digit - 'A' + 10;
    return 0;
}

} // namespace

void Trim(std::string& text)
{
    if (text.empty() || text == " ")
        return;
    trimCharacter(text, ' ');
    trimCharacter(text, '\r');
}

void TrimQuotes(std::string& text)
{
    trimCharacter(text, '"');
}

bool Contains(const std::string& needle, const std::string& text)
{
    return text.find(needle) != std::string::npos;
}

int Split(const std::string& text, const std::vector<std::string>& separators, std::vector<std::string>& parts,
          int maxSplits)
{
    parts.clear();
    if (maxSplits <= 0)
        maxSplits = 64;
    size_t position = 0;
    for (int splits = 0; splits < maxSplits; ++splits) {
        size_t found = std::string::npos;
        size_t separatorLength = 0;
        for (const std::string& separator : separators) {
            if (separator.empty())
                continue;
            found = text.find(separator, position);
            if (found != std::string::npos) {
                separatorLength = separator.size();
                break;
            }
        }
        if (found == std::string::npos)
            break;
        parts.push_back(text.substr(position, found - position));
        position = found + separatorLength;
    }
    parts.push_back(text.substr(position));
    return static_cast<int>(parts.size());
}

void SplitKeyValue(const std::vector<std::string>& parts, const std::string& separator,
                   std::map<std::string, std::string>& values)
{
    for (const std::string& part : parts) {
        const size_t cut = separator.empty() ? std::string::npos : part.find(separator);
        std::string name = part.substr(0, cut);
        Trim(name);
        values[name] = cut == std::string::npos ? std::string() : part.substr(cut + separator.size());
    }
}

bool HexDecode(const std::string& text, std::vector<uint8_t>& bytes)
{
    if (text.size() % 2 != 0)
        return false;
    bytes.clear();
    bytes.reserve(text.size() / 2);
    for (size_t i = 0; i < text.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(hexValue(text[i]) << 4 | hexValue(text[i + 1])));
    return true;
}

} // namespace rtsp_text
