#ifndef PELLMAR_CSETPARAMETERRSP_H
#define PELLMAR_CSETPARAMETERRSP_H

#include "CCommonRsp.h"

// SET_PARAMETER response: the common fields only.
class CSetParameterRsp : public CCommonRsp
{ };

#endif
