#pragma once
#include "rtp/CRtpTransSession.h"
#include "ZMR_Mutex.h"

class CRtspTransSession;

// RTP and RTCP interleaved in the RTSP connection: RTP on an even channel,
// RTCP on the next one.
class CRtpRtspTransSession : public CRtpTransSession
{
public:
    using CRtpTransSession::CRtpTransSession;
    ~CRtpRtspTransSession() override;

    int OpenRtsp(CRtspTransSession* connection, int channel) override;
    int Close() override;
    int PeriodicStep() override;

    bool SendRtp(const uint8_t* data, size_t size) override;
    bool SendRtcp(const uint8_t* data, size_t size) override;

private:
    static void OnChannelData(int channel, const uint8_t* data, int length, void* user);
    bool SendFramed(int channel, const uint8_t* data, size_t size);

    CRtspTransSession* m_pRtspTransSession = nullptr;
    int m_iChannel = 0;
    ZMR_Mutex m_cMutex;
};
