#pragma once
#include "rtp/CIocpTcpTransmitter.h"
#include "rtp/CRtpStreamFramer.h"
#include "rtp/CRtpTransSession.h"
#include "ZMR_Mutex.h"

// RTP over TCP connections of the track's own: '$' frames on the RTP
// connection (RTCP on the odd channel when it has no connection of its own,
// or in cascade mode), and a separate RTCP connection when the server gave one.
class CRtpTcpTransSession : public CRtpTransSession
{
public:
    using CRtpTransSession::CRtpTransSession;
    ~CRtpTcpTransSession() override;

    // Takes both sockets; a separate RTCP socket is closed on every failure.
    // The RTCP socket equal to the RTP one, or -1, means RTCP shares it.
    int OpenTcp(ZMR_SOCKET rtpSocket, ZMR_SOCKET rtcpSocket, int channel) override;
    int Close() override;
    int PeriodicStep() override;

    bool SendRtp(const uint8_t* data, size_t size) override;
    bool SendRtcp(const uint8_t* data, size_t size) override;

private:
    // One connection's receive side: its transmitter, framer and what its
    // frames are injected as.
    struct Connection : CRtpStreamFramer::Sink
    {
        Connection(CRtpTcpTransSession& owner, ZMR_ASYNCIOQUEUE queue, bool rtcpOnly)
            : owner(owner), transmitter(queue), rtcpOnly(rtcpOnly)
        {
        }
        void OnStreamFrame(uint8_t channel, const uint8_t* data, size_t size) override;
        int PostRecv();

        CRtpTcpTransSession& owner;
        CIocpTcpTransmitter transmitter;
        CRtpStreamFramer framer;
        const bool rtcpOnly;
        double arrival = 0; // of the receive being parsed
    };

    static void OnRecvComplete(int32_t result, uint32_t bytes, void* user);
    void HandleRecv(Connection& connection, int32_t result, uint32_t bytes);
    int OpenConnection(Connection& connection, ZMR_SOCKET socket, const char* openFail, const char* bufferFail,
                       const char* recvFail);
    bool SendOn(CIocpTcpTransmitter& transmitter, int channel, const uint8_t* data, size_t size);

    Connection m_cIocpTcpRtp{*this, m_hQueue, false};
    Connection m_cIocpTcpRtcp{*this, m_hQueue, true};
    int m_iChannel = 0;
    bool m_bSharedConnection = false;
    ZMR_Mutex m_cMutex;
};
