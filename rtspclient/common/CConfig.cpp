#include "common/CConfig.h"

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

bool CConfig::SetMediaSilenceMs(unsigned int milliseconds)
{
    if (milliseconds != 0 && (milliseconds < kMinMediaSilenceMs || milliseconds > kMaxMediaSilenceMs))
        return false;
    m_uiMediaSilenceMs = milliseconds;
    return true;
}
