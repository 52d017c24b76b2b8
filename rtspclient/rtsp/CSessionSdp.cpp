#include "rtsp/CSessionSdp.h"

#include <cstdlib>
#include <sstream>

#include <openssl/evp.h>

#include "rtsp/CRtspMessageText.h"

namespace {
// Lines of a section, without their line ends.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool StartsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

std::string AttributeValue(const std::string& line)
{
    const size_t colon = line.find(':');
    return colon == std::string::npos ? std::string() : CRtspMessageText::Trim(line.substr(colon + 1));
}

std::vector<uint8_t> DecodeBase64(const std::string& text)
{
    std::vector<uint8_t> bytes(text.size() / 4 * 3 + 3);
    const int length = EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                       static_cast<int>(text.size()));
    if (length < 0)
        return {};
    size_t padding = 0;
    for (size_t i = text.size(); i > 0 && text[i - 1] == '='; --i)
        ++padding;
    bytes.resize(static_cast<size_t>(length) - padding);
    return bytes;
}

std::string EncodeBase64(const std::vector<uint8_t>& bytes)
{
    std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&text[0]), bytes.data(),
                                       static_cast<int>(bytes.size()));
    text.resize(static_cast<size_t>(length));
    return text;
}

std::vector<uint8_t> DecodeHex(const std::string& text)
{
    std::vector<uint8_t> bytes;
    auto digit = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) ? std::stoi(std::string(1, c), nullptr, 16) : 0; };
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(digit(text[i]) * 16 + digit(text[i + 1])));
    return bytes;
}

std::vector<uint8_t> MediaHeader(const std::string& line)
{
    const std::string base64Key = "a=Media_header:MEDIAINFO=base64,";
    std::vector<uint8_t> header;
    if (StartsWith(line, base64Key)) {
        header = DecodeBase64(CRtspMessageText::Trim(line.substr(base64Key.size())));
    } else {
        const std::string hexKey = "Media_header:MEDIAINFO=";
        const size_t start = line.find(hexKey);
        const size_t end = line.find(';', start);
        if (start == std::string::npos || end == std::string::npos)
            return {};
        const std::string hex = line.substr(start + hexKey.size(), end - start - hexKey.size());
        if (hex.size() % 2 != 0 || hex.size() >= 4095)
            return {};
        header = DecodeHex(hex);
    }
    if (header.size() > CSessionSdp::kMaxMediaHeader)
        header.clear();
    return header;
}
}

bool CSessionSdp::Parse(const std::string& text)
{
    control.clear();
    range.clear();
    media.clear();
    bool inMedia = false;
    std::string section;
    auto flush = [this, &section]() {
        if (media.size() < kMaxMedia)
            media.push_back(ParseMedia(section));
        section.clear();
    };
    for (const std::string& line : Lines(text)) {
        if (StartsWith(line, "m=")) {
            if (inMedia)
                flush();
            inMedia = true;
        }
        if (inMedia) {
            section += line + "\n";
        } else if (StartsWith(line, "a=control")) {
            control = AttributeValue(line);
        } else if (StartsWith(line, "a=range")) {
            range = AttributeValue(line);
        }
    }
    if (!inMedia)
        return false;
    flush();
    return true;
}

CSessionSdp::Media CSessionSdp::ParseMedia(const std::string& section)
{
    Media result;
    for (const std::string& line : Lines(section)) {
        if (StartsWith(line, "m=")) {
            std::istringstream words(line.substr(2));
            std::string port, protocol, format;
            words >> result.type >> port >> protocol;
            while (words >> format && result.formats.size() < kMaxFormats) {
                Format entry;
                entry.payloadType = std::atoi(format.c_str());
                result.formats.push_back(entry);
            }
        } else if (StartsWith(line, "a=rtpmap:") || StartsWith(line, "a=fmtp:")) {
            const bool rtpmap = StartsWith(line, "a=rtpmap:");
            const std::string value = line.substr(rtpmap ? 9 : 7);
            const size_t blank = value.find(' ');
            if (blank == std::string::npos)
                continue;
            const int payloadType = std::atoi(value.c_str());
            const std::string rest = CRtspMessageText::Trim(value.substr(blank + 1));
            for (Format& entry : result.formats) {
                if (static_cast<uint16_t>(entry.payloadType) != static_cast<uint16_t>(payloadType))
                    continue;
                if (!rtpmap) {
                    entry.fmtp = rest;
                    continue;
                }
                const size_t slash = rest.find('/');
                if (slash == std::string::npos)
                    break;
                entry.encodingName = rest.substr(0, slash);
                entry.clockRate = std::atoi(rest.c_str() + slash + 1);
                const size_t second = rest.find('/', slash + 1);
                if (second != std::string::npos)
                    entry.encodingParams = rest.substr(second + 1);
            }
        } else if (StartsWith(line, "a=control")) {
            result.control = AttributeValue(line);
        } else if (StartsWith(line, "a=range")) {
            result.range = AttributeValue(line);
        } else if (StartsWith(line, "a=sendonly")) {
            result.sendOnly = true;
        } else if (line.find("Media_header:MEDIAINFO=") != std::string::npos) {
            result.header = MediaHeader(line);
        }
    }
    return result;
}

std::string CSessionSdp::Build(const std::string& sessionId, const std::string& control,
                               const std::vector<Media>& media)
{
    std::string text = "v=0\r\no=- " + sessionId + " " + sessionId + " IN IP4 0.0.0.0\r\ns=quenlor\r\n"
                       "c=IN IP4 0.0.0.0\r\nt=0 0\r\na=range:npt=now-\r\n";
    for (const Media& entry : media) {
        if (entry.formats.empty())
            continue;
        text += "m=" + entry.type + " 0 RTP/AVP";
        for (const Format& format : entry.formats)
            text += " " + std::to_string(format.payloadType);
        text += "\r\nc=IN IP4 0.0.0.0\r\n";
        for (const Format& format : entry.formats) {
            text += "a=rtpmap:" + std::to_string(format.payloadType) + " " + format.encodingName + "/" +
                    std::to_string(format.clockRate) +
                    (format.encodingParams.empty() ? std::string() : "/" + format.encodingParams) + "\r\n";
            if (!format.fmtp.empty())
                text += "a=fmtp:" + std::to_string(format.payloadType) + " " + format.fmtp + "\r\n";
        }
        if (!control.empty())
            text += "a=control:" + control + "\r\n";
        text += "a=range:npt=now-\r\n";
        if (!entry.header.empty())
            text += "a=Media_header:MEDIAINFO=base64," + EncodeBase64(entry.header) + "\r\n";
    }
    return text;
}
