#ifndef PELLMAR_CSETUPREQ_H
#define PELLMAR_CSETUPREQ_H

#include <cstdint>

#include "CCommonReq.h"

// Lower transports of SETUP.
enum RtspLowerTransport { RTSP_TRANSPORT_UDP = 0, RTSP_TRANSPORT_INTERLEAVED = 1, RTSP_TRANSPORT_TCP = 2 };

class CSetupReq : public CCommonReq
{
public:
    CSetupReq() : CCommonReq(RTSP_METHOD_SETUP) { }

    uint16_t m_usClientPort = 0;
    // 0 means the port above the client port.
    uint16_t m_usClientPort2 = 0;
    int m_iLowerTransport = RTSP_TRANSPORT_UDP;
    std::string m_strSsrc;
    uint16_t m_usInterleavedChannel = 0;
    std::string m_strDestination;
    // 0 plain; otherwise written as "ActiveConnVal".
    int m_iTcpVariant = 0;
    int m_iMulticast = 0;
    int m_iMulticastPort = -1;

protected:
    void AppendHeaders(std::string& text) override;

private:
    std::string transport() const;
};

#endif
