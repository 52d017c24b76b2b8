#ifndef PELLMAR_CPLAYREQ_H
#define PELLMAR_CPLAYREQ_H

#include "CCommonReq.h"

class CPlayReq : public CCommonReq
{
public:
    CPlayReq() : CCommonReq(RTSP_METHOD_PLAY) { }

    std::string m_strRange;
    double m_dScale = 0.0; // 0: no Scale header
    int m_iModeChange = -1;
    int m_iDrawFrame = -1;
    std::string m_strDrawFrameTime;
    int m_iDrawFrameType = 0;

protected:
    void AppendHeaders(std::string& text) override;
};

#endif
