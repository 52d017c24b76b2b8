#ifndef PELLMAR_CSDPMEDIA_H
#define PELLMAR_CSDPMEDIA_H

#include <cstdint>
#include <string>

#include "SdpConnection.h"
#include "SdpRtpMap.h"

// One media section of a session description.
class CSdpMedia
{
public:
    static constexpr int kMaxFormats = 4;
    static constexpr int kMediaInfoSize = 256;

    CSdpMedia();

    // Formats past the fourth are ignored.
    void Parse(const std::string& section);
    // The section's text; empty when its "m=" line cannot be written.
    std::string Build() const;
    SdpRtpMap* FindFormat(int payloadType);

    std::string m_strMediaType = "video";
    int m_iPort = 0;
    int m_iPortCount = -1;
    std::string m_strProtocol = "RTP/AVP";
    SdpConnection m_connection;
    std::string m_strBandwidth;
    double m_dFrameRate = -1.0;
    std::string m_strRange;
    std::string m_strControl;
    int m_iSendOnly = 0;
    int m_iFormatCount = 0;
    uint8_t m_mediaInfo[kMediaInfoSize] = {};
    int m_iMediaInfoLength = 0;
    SdpRtpMap m_rtpMaps[kMaxFormats];

private:
    void parseMediaLine(const std::string& value);
    void parseRtpMap(const std::string& value);
    void parseFmtp(const std::string& value);
    void parseMediaInfo(const std::string& section);
};

#endif
