#ifndef PELLMAR_CPAUSEREQ_H
#define PELLMAR_CPAUSEREQ_H

#include "CCommonReq.h"

// PAUSE request: the common headers only.
class CPauseReq : public CCommonReq
{
public:
    CPauseReq() : CCommonReq(RTSP_METHOD_PAUSE) { }
};

#endif
