#include "COptionsRsp.h"

#include "RtspMessageText.h"
#include "common/RtspText.h"
#include "RtspVocabulary.h"

bool COptionsRsp::ParseOwn(const std::string& text)
{
    rtsp_message::GetHeader(text, "Range", m_strRange);
    std::string value;
    m_vecPublic.clear();
    if (rtsp_message::GetHeader(text, "Public", value)) {
        std::vector<std::string> names;
        rtsp_text::Split(value, {","}, names);
        for (std::string& name : names) {
            rtsp_text::Trim(name);
            m_vecPublic.push_back(GetRtspMethodKind(name));
        }
    }
    rtsp_message::GetHeader(text, "SupportAuth", m_strSupportAuth);
    return true;
}
