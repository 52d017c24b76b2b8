#ifndef PELLMAR_CTEARDOWNRSP_H
#define PELLMAR_CTEARDOWNRSP_H

#include "CCommonRsp.h"

// TEARDOWN response: the common fields only.
class CTeardownRsp : public CCommonRsp
{ };

#endif
