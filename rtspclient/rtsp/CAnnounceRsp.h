#ifndef PELLMAR_CANNOUNCERSP_H
#define PELLMAR_CANNOUNCERSP_H

#include "CCommonRsp.h"

// ANNOUNCE response: the common fields only.
class CAnnounceRsp : public CCommonRsp
{ };

#endif
