#ifndef PELLMAR_CPTZREQ_H
#define PELLMAR_CPTZREQ_H

#include "CCommonReq.h"

// The OPTIONS requests that carry device controls (kinds 12 to 14); every
// value of -1 is left out.
class CPtzReq : public CCommonReq
{
public:
    explicit CPtzReq(int kind = RTSP_METHOD_PTZ) : CCommonReq(kind) { }

    int m_iBri = -1;
    int m_iCon = -1;
    int m_iSat = -1;
    int m_iHue = -1;
    int m_iCommand = -1;
    int m_iParam1 = -1;
    int m_iParam2 = -1;
    int m_iParam3 = -1;
    int m_iParam4 = -1;
    int m_iForceIFrame = -1;
    int m_iGetParam = -1;

protected:
    void AppendHeaders(std::string& text) override;
};

#endif
