#pragma once
#include <cstddef>
#include <cstdint>

#include "api/Pellmar.h"
#include "ZMR_Mutex.h"
#include "rtpcore/RtpSession.h"
#include "zmr.h"

class CRtspTransSession;

// Hands one received packet to the track: (record, context). Runs on a
// completion thread under the transport session's mutex.
typedef int (*pfnRtpDeliveryCB)(STREAM_DATA_T* data, void* context);

// One track's RTP session over one of three transports. The bytes move
// through our completion-queue transmitters; the RTP layer parses them in
// place, keeps the source statistics and answers with RTCP. Injection,
// polling and sending are serialised by the session mutex.
class CRtpTransSession : public rtpcore::RtpSession, public rtpcore::RtpPacketSender
{
public:
    static constexpr size_t kMaxPacketSize = 10000;
    static constexpr int kDefaultClockRate = 90000;
    // The 8 bytes an RTCP BYE is announced with.
    static const uint8_t kEndOfStreamMark[8];

    explicit CRtpTransSession(ZMR_ASYNCIOQUEUE queue = ZMR_INVALID_ASYNCIOQUEUE, int cascade = 0);
    ~CRtpTransSession() override;

    // Each transport implements its own open; the others answer -2.
    virtual int OpenTcp(ZMR_SOCKET rtpSocket, ZMR_SOCKET rtcpSocket, int channel);
    virtual int OpenRtsp(CRtspTransSession* connection, int channel);
    virtual int OpenUdp(const char* localAddress, uint16_t localPort, const char* remoteAddress, uint16_t remotePort);
    virtual int Close() = 0;
    // Run by the manager's thread about once a second: posts an event so that
    // the RTCP timing is polled on a completion thread.
    virtual int PeriodicStep() = 0;

    // Installs the delivery callback; `wholePacket` 1 delivers whole RTP
    // packets, 0 payloads only.
    int RecvData(pfnRtpDeliveryCB callback, void* context, int wholePacket);
    void SetWholePacket(int wholePacket);
    // The clock rate of the received stream (its rtpmap), for the
    // interarrival jitter; set before the transport opens.
    void SetReceiveClockRate(int clockRate);
    // One back-channel RTP packet of ours.
    int SendData(const void* data, size_t length, uint8_t payloadType, bool marker, uint32_t timestampIncrement);

protected:
    // Creates the RTP session; logs and returns -1 on failure.
    int CreateRtpSession();
    // Under the session mutex: ends the RTP session.
    void DestroyRtpSession();
    // Both run with the session mutex held.
    void Inject(bool rtcp, const uint8_t* data, size_t length, double arrival, const rtpcore::RtpEndpoint& from = {});
    // Wall clock of a receive completion, read once for all its packets.
    static double ReceiveTime();
    void PollSession(double now = -1);

    void OnRtpPacket(const rtpcore::RtpPacket& packet, const rtpcore::RtpSourceState& source) override;
    void OnRtcpCompoundPacket(const rtpcore::RtcpCompoundPacket& compound, const rtpcore::RtpEndpoint& from) override;

    ZMR_ASYNCIOQUEUE m_hQueue;
    int m_bCascade;
    pfnRtpDeliveryCB m_pfnDeliver = nullptr;
    void* m_pDeliverContext = nullptr;
    ZMR_Mutex m_cSessionMutex;
    int m_bWholePacket = 1;
    double m_dReceiveClockRate = kDefaultClockRate;
};
