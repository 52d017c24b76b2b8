#ifndef PELLMAR_CDESCRIBERSP_H
#define PELLMAR_CDESCRIBERSP_H

#include "CCommonRsp.h"

class CDescribeRsp : public CCommonRsp
{
public:
    // The SDP text after the header block.
    std::string m_strBody;
    std::string m_strContentBase;

protected:
    bool ParseOwn(const std::string& text) override;
};

#endif
