#ifndef PELLMAR_CPTZRSP_H
#define PELLMAR_CPTZRSP_H

#include "CCommonRsp.h"
#include "RtspMessageText.h"

// Answer to a video-parameter query; -1 marks a value the device left out.
class CPtzRsp : public CCommonRsp
{
public:
    int m_iBri = -1;
    int m_iCon = -1;
    int m_iSat = -1;
    int m_iHue = -1;

protected:
    bool ParseOwn(const std::string& text) override
    {
        m_iBri = rtsp_message::GetIntHeader(text, "bri", -1);
        m_iCon = rtsp_message::GetIntHeader(text, "con", -1);
        m_iSat = rtsp_message::GetIntHeader(text, "sat", -1);
        m_iHue = rtsp_message::GetIntHeader(text, "hue", -1);
        return true;
    }
};

#endif
