#ifndef PELLMAR_CTEARDOWNREQ_H
#define PELLMAR_CTEARDOWNREQ_H

#include "CCommonReq.h"

class CTeardownReq : public CCommonReq
{
public:
    CTeardownReq() : CCommonReq(RTSP_METHOD_TEARDOWN) { }

    std::string m_strStopStream;

protected:
    void AppendHeaders(std::string& text) override
    {
        if (!m_strStopStream.empty())
            text += "StopStream: " + m_strStopStream + "\r\n";
        AppendBackChannelRequire(text);
    }
};

#endif
