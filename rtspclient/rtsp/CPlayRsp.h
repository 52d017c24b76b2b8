#ifndef PELLMAR_CPLAYRSP_H
#define PELLMAR_CPLAYRSP_H

#include <cstdlib>

#include "CCommonRsp.h"
#include "RtspMessageText.h"

class CPlayRsp : public CCommonRsp
{
public:
    double m_dScale = 0.0;

protected:
    bool ParseOwn(const std::string& text) override
    {
        std::string value;
        if (rtsp_message::GetHeader(text, "Scale", value))
            m_dScale = std::strtod(value.c_str(), nullptr);
        return true;
    }
};

#endif
