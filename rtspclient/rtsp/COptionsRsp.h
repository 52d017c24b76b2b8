#ifndef PELLMAR_COPTIONSRSP_H
#define PELLMAR_COPTIONSRSP_H

#include <vector>

#include "CCommonRsp.h"

class COptionsRsp : public CCommonRsp
{
public:
    std::string m_strRange;
    std::string m_strSupportAuth;
    // Method kinds of "Public"; unknown names give 16.
    std::vector<int> m_vecPublic;

protected:
    bool ParseOwn(const std::string& text) override;
};

#endif
