#ifndef PELLMAR_CHEARTBEATREQ_H
#define PELLMAR_CHEARTBEATREQ_H

#include "CCommonReq.h"

// HEARTBEAT request: the common headers only.
class CHeartBeatReq : public CCommonReq
{
public:
    CHeartBeatReq() : CCommonReq(RTSP_METHOD_HEARTBEAT) { }
};

#endif
