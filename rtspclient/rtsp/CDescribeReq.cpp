#include "CDescribeReq.h"

#include "auth/Authorization.h"

void CDescribeReq::AppendHeaders(std::string& text)
{
    text += "Accept: application/sdp\r\n";
    if (m_iAuthMode == AUTH_MODE_SEP)
        text += "Sep: CIPHER_SUITES=\"0\"\r\n";
    if (m_iStandardStream != -1)
        text += RtspFormat("StandardStream: %d\r\n", m_iStandardStream);
    if (m_iDevicePushData != -1)
        text += RtspFormat("Device-PushData: %d\r\n", m_iDevicePushData);
    if (m_iDownload != -1)
        text += RtspFormat("Download: %d\r\n", m_iDownload);
    for (const auto& [name, value] : m_mapExtraHeaders)
        text += name + ": " + value + "\r\n";
    m_mapExtraHeaders.clear();
    AppendBackChannelRequire(text);
}
