#pragma once
#include "rtp/CIocpUdpTransmitter.h"
#include "rtp/CRtpTransSession.h"
#include "rtp/UdpBatchReceiver.h"
#include "ZMR_Mutex.h"

// RTP over a UDP socket pair: local ports P and P + 1 towards the server's
// RTP port R and R + 1. Only datagrams from the server's host are taken.
class CRtpUdpTransSession : public CRtpTransSession
{
public:
    static constexpr uint32_t kReceiveSize = 65536;
    static constexpr size_t kBufferSize = 65540;
    // Datagrams read in one completion before the next receive is posted:
    // each posted receive costs thread hand-offs in the queue, while a
    // bounded drain still lets Close (which waits for the completion) end.
    // They are read a batch at a time; reports come one or two at a time.
    static constexpr int kDrainPerCompletion = 64;
    static constexpr int kRtpBatch = 16;
    static constexpr int kRtcpBatch = 2;

    using CRtpTransSession::CRtpTransSession;
    ~CRtpUdpTransSession() override;

    int OpenUdp(const char* localAddress, uint16_t localPort, const char* remoteAddress, uint16_t remotePort) override;
    // The address the SETUP answer names in "source=": media sent from it
    // are accepted besides those of the server's host. Before OpenUdp.
    void AcceptSource(const char* address);
    // Receives the group's datagrams on `port` (RTCP on port + 1), bound to
    // the group address so that other groups' traffic stays out, and joins
    // the group on the interface of `localAddress`. Reports go to the group.
    int OpenMulticast(const char* group, uint16_t port, const char* localAddress);
    int Close() override;
    int PeriodicStep() override;

    bool SendRtp(const uint8_t* data, size_t size) override;
    bool SendRtcp(const uint8_t* data, size_t size) override;

private:
    struct Socket
    {
        Socket(CRtpUdpTransSession& owner, ZMR_ASYNCIOQUEUE queue, bool rtcp)
            : owner(owner), transmitter(queue), batch(rtcp ? kRtcpBatch : kRtpBatch), rtcp(rtcp)
        {
        }
        int PostRecv();

        CRtpUdpTransSession& owner;
        CIocpUdpTransmitter transmitter;
        uint8_t* buffer = nullptr;
        // What waits behind the posted receive's datagram (completion thread only).
        UdpBatchReceiver batch;
        const bool rtcp;
    };

    static void OnRecvComplete(int32_t result, uint32_t bytes, void* user);
    void HandleRecv(Socket& socket, int32_t result, uint32_t bytes);
    // One received datagram, injected when it comes from the server (under
    // the session mutex).
    void Take(const Socket& socket, const ZMR_ADDR& from, const uint8_t* data, uint32_t bytes, double arrival);
    bool FromMediaSender(const Socket& socket, const ZMR_ADDR& from, const uint8_t* data, uint32_t bytes);
    static bool IsWellFormedRtp(const uint8_t* data, uint32_t bytes);
    int OpenSocket(Socket& socket, const char* localAddress, uint16_t localPort, const char* remoteAddress,
                   uint16_t remotePort, const char* joinOn = nullptr);
    int OpenPair(const char* localAddress, uint16_t localPort, const char* remoteAddress, uint16_t remotePort,
                 const char* joinOn);

    Socket m_cIocpUdpRtp{*this, m_hQueue, false};
    Socket m_cIocpUdpRtcp{*this, m_hQueue, true};
    ZMR_ADDR m_stRemoteRtpAddr{};
    ZMR_ADDR m_stRemoteRtcpAddr{};
    uint32_t m_uiAnnouncedSource = 0; // network order; 0: none
    uint32_t m_uiLearnedSource = 0;   // network order; 0: none yet
    bool m_bLearnSource = false;
    bool m_bHeardFromServer = false;
    ZMR_Mutex m_cMutex;
};
