#include "api/CConfig.h"

CConfig& CConfig::Instance()
{
    static CConfig config;
    return config;
}

bool CConfig::SetDescribeTimeoutMs(unsigned int milliseconds)
{
    if (milliseconds < kMinDescribeTimeoutMs || milliseconds > kMaxDescribeTimeoutMs)
        return false;
    m_uiDescribeTimeoutMs = milliseconds;
    return true;
}
