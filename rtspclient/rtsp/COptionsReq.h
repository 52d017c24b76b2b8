#ifndef PELLMAR_COPTIONSREQ_H
#define PELLMAR_COPTIONSREQ_H

#include "CCommonReq.h"

// OPTIONS request: the common headers only.
class COptionsReq : public CCommonReq
{
public:
    COptionsReq() : CCommonReq(RTSP_METHOD_OPTIONS) { }
};

#endif
