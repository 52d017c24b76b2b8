#ifndef PELLMAR_CSDP_H
#define PELLMAR_CSDP_H

#include <string>

#include "CSdpMedia.h"
#include "SdpConnection.h"

// One SDP session description with up to four media sections. Parsing is
// lenient: a missing or malformed line leaves its fields at their defaults,
// and only a text without any media section fails.
class CSdp
{
public:
    static constexpr int kMaxMedia = 4;
    // Largest text BuildSdp copies out, terminating zero included.
    static constexpr int kMaxSdpLength = 10240;

    // Media sections past the fourth are ignored.
    bool ParseSdp(const char* text, int length);
    bool ParseSdp(const std::string& text) { return ParseSdp(text.data(), static_cast<int>(text.size())); }
    // Writes the text and a terminating zero into `buffer` of `capacity`
    // bytes; returns its length, or 0 without a buffer or when the text is
    // not shorter than both the capacity and kMaxSdpLength.
    int BuildSdp(char* buffer, int capacity) const;
    std::string BuildSdp() const;

    int m_iVersion = -1;
    std::string m_strOriginUser;
    std::string m_strOriginSessionId;
    std::string m_strOriginSessionVersion;
    std::string m_strOriginNetType;
    std::string m_strOriginAddrType;
    std::string m_strOriginAddress;
    SdpConnection m_connection;
    std::string m_strSessionName;
    std::string m_strInformation;
    std::string m_strTimeStart;
    std::string m_strTimeStop;
    std::string m_strControl;
    std::string m_strTool;
    int m_iDirection = 0;
    std::string m_strType;
    std::string m_strCharset;
    std::string m_strRange;
    int m_iMediaCount = 0;
    CSdpMedia m_media[kMaxMedia];

private:
    void parseSession(const std::string& section);
    bool originSet() const;
};

#endif
