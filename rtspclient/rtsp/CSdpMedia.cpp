#include "CSdpMedia.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "CCommonReq.h"
#include "RtspMessageText.h"
#include "common/RtspText.h"
#include "SdpLines.h"
#include "auth/Base64.h"

namespace {

constexpr size_t kMaxHexMediaInfo = 4095;

} // namespace

CSdpMedia::CSdpMedia()
{
    m_connection.netType = "IN";
    m_connection.addrType = "IP4";
    m_connection.address = "0.0.0.0";
}

SdpRtpMap* CSdpMedia::FindFormat(int payloadType)
{
    for (int i = 0; i < m_iFormatCount; ++i) {
        if (static_cast<uint16_t>(m_rtpMaps[i].payloadType) == static_cast<uint16_t>(payloadType))
            return &m_rtpMaps[i];
    }
    return nullptr;
}

void CSdpMedia::parseMediaLine(const std::string& value)
{
    std::vector<std::string> parts;
    if (rtsp_text::Split(value, {" "}, parts) <= 3)
        return;
    m_strMediaType = parts[0];
    std::vector<std::string> port;
    const bool counted = rtsp_text::Split(parts[1], {"/"}, port, 1) == 2;
    m_iPort = rtsp_message::DecimalOf(port[0]);
    m_iPortCount = counted ? rtsp_message::DecimalOf(port[1]) : -1;
    m_strProtocol = parts[2];
    for (size_t i = 3; i < parts.size() && m_iFormatCount < kMaxFormats; ++i)
        m_rtpMaps[m_iFormatCount++].payloadType = rtsp_message::DecimalOf(parts[i]);
}

void CSdpMedia::parseRtpMap(const std::string& value)
{
    std::vector<std::string> head;
    if (rtsp_text::Split(value, {" "}, head, 1) != 2)
        return;
    std::vector<std::string> encoding;
    const int parts = rtsp_text::Split(head[1], {"/"}, encoding);
    SdpRtpMap* format = FindFormat(rtsp_message::DecimalOf(head[0]));
    if ((parts != 2 && parts != 3) || !format)
        return;
    format->encodingName = encoding[0];
    format->clockRate = rtsp_message::DecimalOf(encoding[1]);
    format->encodingParameters = parts == 3 ? encoding[2] : std::string();
}

void CSdpMedia::parseFmtp(const std::string& value)
{
    std::vector<std::string> head;
    if (rtsp_text::Split(value, {" "}, head, 1) != 2)
        return;
    if (SdpRtpMap* format = FindFormat(rtsp_message::DecimalOf(head[0])))
        format->formatParameters = head[1];
}

void CSdpMedia::parseMediaInfo(const std::string& section)
{
    std::vector<uint8_t> header;
    std::string encoded;
    bool decoded = false;
    if (sdp_line::Find(section, "a=Media_header:MEDIAINFO=base64,", encoded)) {
        decoded = base64::Decode(encoded, header);
    } else {
        const std::string marker = "Media_header:MEDIAINFO=";
        const size_t at = section.find(marker);
        const size_t end = at == std::string::npos ? at : section.find(';', at + marker.size());
        if (end != std::string::npos) {
            const std::string hex = section.substr(at + marker.size(), end - at - marker.size());
            decoded = hex.size() < kMaxHexMediaInfo && rtsp_text::HexDecode(hex, header);
        }
    }
    if (decoded && !header.empty() && header.size() <= kMediaInfoSize) {
        std::memcpy(m_mediaInfo, header.data(), header.size());
        m_iMediaInfoLength = static_cast<int>(header.size());
    }
}

void CSdpMedia::Parse(const std::string& section)
{
    std::string value;
    if (sdp_line::Find(section, "m=", value))
        parseMediaLine(value);
    if (sdp_line::Find(section, "c=", value))
        m_connection.Parse(value);
    if (sdp_line::Find(section, "b=", value))
        m_strBandwidth = value;
    for (const std::string& line : sdp_line::FindAll(section, "a=rtpmap:"))
        parseRtpMap(line);
    for (const std::string& line : sdp_line::FindAll(section, "a=fmtp:"))
        parseFmtp(line);
    sdp_line::FindAttribute(section, "a=control", m_strControl);
    if (sdp_line::FindAttribute(section, "a=framerate", value))
        m_dFrameRate = std::strtod(value.c_str(), nullptr);
    sdp_line::FindAttribute(section, "a=range", m_strRange);
    if (sdp_line::FindAttribute(section, "a=sendonly", value))
        m_iSendOnly = 1;
    parseMediaInfo(section);
}

std::string CSdpMedia::Build() const
{
    if (m_strMediaType.empty() || m_strProtocol.empty() || m_iPort < 0 || m_iFormatCount < 1)
        return std::string();
    std::string text = "m=" + m_strMediaType + " " + std::to_string(m_iPort);
    if (m_iPortCount > 1)
        text += "/" + std::to_string(m_iPortCount);
    text += " " + m_strProtocol;
    for (int i = 0; i < m_iFormatCount; ++i)
        text += " " + std::to_string(m_rtpMaps[i].payloadType);
    text += "\r\n";
    if (m_connection.IsSet())
        text += m_connection.Build(true);
    if (!m_strBandwidth.empty())
        text += "b=" + m_strBandwidth + "\r\n";
    for (int i = 0; i < m_iFormatCount; ++i) {
        const SdpRtpMap& format = m_rtpMaps[i];
        if (format.encodingName.empty())
            continue;
        text += "a=rtpmap:" + std::to_string(format.payloadType) + " " + format.encodingName + "/" +
                std::to_string(format.clockRate);
        text += format.encodingParameters.empty() ? "\r\n" : "/" + format.encodingParameters + "\r\n";
        if (!format.formatParameters.empty())
            text += "a=fmtp:" + std::to_string(format.payloadType) + " " + format.formatParameters + "\r\n";
    }
    if (!m_strControl.empty())
        text += "a=control:" + m_strControl + "\r\n";
    if (m_dFrameRate >= 0)
        text += RtspFormat("a=framerate:%f\r\n", m_dFrameRate);
    if (!m_strRange.empty())
        text += "a=range:" + m_strRange + "\r\n";
    if (m_iMediaInfoLength > 0)
        text += "a=Media_header:MEDIAINFO=base64," +
                base64::Encode(m_mediaInfo, static_cast<size_t>(m_iMediaInfoLength)) + "\r\n";
    return text;
}
