#include "CSdp.h"

#include <cstring>
#include <vector>

#include "common/PellmarLog.h"
#include "RtspMessageText.h"
#include "common/RtspText.h"
#include "SdpLines.h"

void CSdp::parseSession(const std::string& section)
{
    std::string value;
    if (sdp_line::Find(section, "v=", value))
        m_iVersion = rtsp_message::DecimalOf(value);
    std::vector<std::string> fields;
    if (sdp_line::Find(section, "o=", value) && rtsp_text::Split(value, {" "}, fields) == 6) {
        m_strOriginUser = fields[0];
        m_strOriginSessionId = fields[1];
        m_strOriginSessionVersion = fields[2];
        m_strOriginNetType = fields[3];
        m_strOriginAddrType = fields[4];
        m_strOriginAddress = fields[5];
    }
    sdp_line::Find(section, "s=", m_strSessionName);
    sdp_line::Find(section, "i=", m_strInformation);
    if (sdp_line::Find(section, "c=", value))
        m_connection.Parse(value);
    if (sdp_line::Find(section, "t=", value) && rtsp_text::Split(value, {" "}, fields) == 2) {
        m_strTimeStart = fields[0];
        m_strTimeStop = fields[1];
    }
    sdp_line::FindAttribute(section, "a=range", m_strRange);
    sdp_line::FindAttribute(section, "a=tool", m_strTool);
    if (sdp_line::FindAttribute(section, "a=recvonly", value) || sdp_line::FindAttribute(section, "a=sendonly", value))
        m_iDirection = 1;
    sdp_line::FindAttribute(section, "a=type", m_strType);
    sdp_line::FindAttribute(section, "a=charset", m_strCharset);
    sdp_line::FindAttribute(section, "a=control", m_strControl);
}

bool CSdp::ParseSdp(const char* text, int length)
{
    if (!text || length <= 0)
        return false;
    const std::string sdp(text, strnlen(text, static_cast<size_t>(length)));
    std::vector<std::string> parts;
    if (rtsp_text::Split(sdp, {"\r\nm=", "\nm="}, parts) < 2) {
        PELLMAR_LOG_ERROR(pellmar_log::kSdp, "ParseSdp Fail, no media section");
        return false;
    }
    parseSession(parts[0] + "\r\n");
    m_iMediaCount = 0;
    for (size_t i = 1; i < parts.size(); ++i) {
        if (m_iMediaCount == kMaxMedia) {
            PELLMAR_LOG_INFO("ParseSdp, %d media sections, the ones past %d ignored",
                             static_cast<int>(parts.size() - 1), kMaxMedia);
            break;
        }
        std::string section = "m=" + parts[i];
        if (i + 1 < parts.size())
            section += "\r\n";
        m_media[m_iMediaCount] = CSdpMedia();
        m_media[m_iMediaCount++].Parse(section);
    }
    return true;
}

bool CSdp::originSet() const
{
    return !m_strOriginUser.empty() && !m_strOriginSessionId.empty() && !m_strOriginSessionVersion.empty() &&
           !m_strOriginNetType.empty() && !m_strOriginAddrType.empty() && !m_strOriginAddress.empty();
}

std::string CSdp::BuildSdp() const
{
    std::string text;
    if (m_iVersion >= 0)
        text += "v=" + std::to_string(m_iVersion) + "\r\n";
    if (originSet())
        text += "o=" + m_strOriginUser + " " + m_strOriginSessionId + " " + m_strOriginSessionVersion + " " +
                m_strOriginNetType + " " + m_strOriginAddrType + " " + m_strOriginAddress + "\r\n";
    if (!m_strSessionName.empty())
        text += "s=" + m_strSessionName + "\r\n";
    if (!m_strInformation.empty())
        text += "i=" + m_strInformation + "\r\n";
    if (m_connection.IsSet())
        text += m_connection.Build(false);
    if (!m_strTimeStart.empty() && !m_strTimeStop.empty())
        text += "t=" + m_strTimeStart + " " + m_strTimeStop + "\r\n";
    if (!m_strRange.empty())
        text += "a=range:" + m_strRange + "\r\n";
    if (!m_strTool.empty())
        text += "a=tool:" + m_strTool + "\r\n";
    if (m_iDirection == 1)
        text += "a=recvonly\r\n";
    if (!m_strType.empty())
        text += "a=type:" + m_strType + "\r\n";
    if (!m_strCharset.empty())
        text += "a=charset:" + m_strCharset + "\r\n";
    if (!m_strControl.empty())
        text += "a=control:" + m_strControl + "\r\n";
    for (int i = 0; i < m_iMediaCount && i < kMaxMedia; ++i)
        text += m_media[i].Build();
    return text;
}

int CSdp::BuildSdp(char* buffer, int capacity) const
{
    if (!buffer || capacity <= 0)
        return 0;
    const std::string text = BuildSdp();
    if (text.size() >= static_cast<size_t>(std::min(capacity, kMaxSdpLength))) {
        PELLMAR_LOG_ERROR(pellmar_log::kSdp, "BuildSdp Fail, %d bytes do not fit %d", static_cast<int>(text.size()),
                          capacity);
        buffer[0] = '\0';
        return 0;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<int>(text.size());
}
