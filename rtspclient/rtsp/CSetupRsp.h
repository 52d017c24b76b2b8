#ifndef PELLMAR_CSETUPRSP_H
#define PELLMAR_CSETUPRSP_H

#include <cstdint>

#include "CCommonRsp.h"

class CSetupRsp : public CCommonRsp
{
public:
    static constexpr int kBodySize = 4096;

    uint16_t m_usClientPort = 0;
    uint16_t m_usServerPort = 0;
    uint16_t m_usServerPort2 = 0;
    int m_iLowerTransport = 0;
    int m_iMulticast = 0;
    std::string m_strSsrc;
    uint16_t m_usInterleavedChannel = 0;
    std::string m_strDestination;
    std::string m_strSource;
    std::string m_strMulticastPort;
    int m_iBodyLength = 0;
    char m_szBody[kBodySize] = {};

protected:
    bool ParseOwn(const std::string& text) override;

private:
    void copyBody(const std::string& text);
};

#endif
