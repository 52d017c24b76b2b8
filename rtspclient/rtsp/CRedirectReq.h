#ifndef PELLMAR_CREDIRECTREQ_H
#define PELLMAR_CREDIRECTREQ_H

#include "CCommonReq.h"

class CRedirectReq : public CCommonReq
{
public:
    CRedirectReq() : CCommonReq(RTSP_METHOD_REDIRECT) { }

    std::string m_strLocation;

protected:
    void AppendHeaders(std::string& text) override
    {
        if (!m_strLocation.empty())
            text += "Location: " + m_strLocation + "\r\n";
    }
};

#endif
