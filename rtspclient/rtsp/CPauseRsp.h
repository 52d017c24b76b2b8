#ifndef PELLMAR_CPAUSERSP_H
#define PELLMAR_CPAUSERSP_H

#include "CCommonRsp.h"

// PAUSE response: the common fields only.
class CPauseRsp : public CCommonRsp
{ };

#endif
