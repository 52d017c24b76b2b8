#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "api/Pellmar.h"
#include "ZMR_Mutex.h"
#include "zmr.h"

class CRtpTransSession;
class CRtspTransSession;

// One track of a session: its local port, its RTP transport session and the
// caller's data callback. Every operation takes the track mutex; delivery
// (OnData) runs on completion threads without it.
class CRtspClientMedia
{
public:
    enum TransMethod { kRtpOverUdp = 0, kRtpOverRtsp = 1, kRtpOverTcp = 2 };
    static constexpr unsigned int kTcpConnectTimeoutMs = 4000;
    static constexpr unsigned int kRtcpConnectTimeoutMs = 200;
    static constexpr int kOwnQueueThreads = 2;

    CRtspClientMedia();
    ~CRtspClientMedia();
    CRtspClientMedia(const CRtspClientMedia&) = delete;
    CRtspClientMedia& operator=(const CRtspClientMedia&) = delete;

    // Stores the method, packing flag and index; UDP and TCP take a local port pair.
    int Init(int transMethod, int rtpPack, int mediaIndex);
    int Open(CRtspTransSession* connection, int channel, const char* serverHost, uint16_t serverRtpPort,
             uint16_t serverRtcpPort, const char* bindAddress);
    // A multicast track: no local port of the pool; OpenMulticast receives.
    int InitMulticast(int rtpPack, int mediaIndex);
    // Joins `group` and receives on `port`; datagrams are taken from
    // `source` (the server) only.
    int OpenMulticast(const char* group, uint16_t port, const char* source, const char* bindAddress);
    int Close();
    int RecvData(pfnStreamDataCB callback, void* user);
    // Sends one back-channel RTP packet: data, length, payload type (low
    // byte), marker (non-zero), timestamp increment.
    int SendData(const STREAM_DATA_T* data);
    // Pushes a new packing flag into the running transport session.
    int ApplyRtpPack(int rtpPack);

    static int OnData(STREAM_DATA_T* data, void* track);
    static bool IsEndOfStream(const STREAM_DATA_T* data);

    void SetFirstSend(const std::string& text);
    void SetCascade(int cascade) { m_bCascade = cascade; }
    void SetOwnQueue(int ownQueue) { m_bOwnQueue = ownQueue; }
    // The track's RTP clock rate from its rtpmap (0: unknown, 90 kHz is assumed).
    void SetClockRate(int clockRate) { m_iClockRate = clockRate; }
    // The SETUP answer's "source=" address: UDP media from it are accepted too.
    void SetAnnouncedSource(const std::string& address) { m_strAnnouncedSource = address; }
    int TransMethod() const { return m_eRtpTransMethod; }
    int RtpPackApplied() const { return m_bRtpPackApplied; }
    int MediaIndex() const { return m_iMediaIndex; }
    uint16_t LocalPort() const { return m_usLocalPort; }
    bool IsOpen() const { return m_pRtpTransSession != nullptr; }
    // Media packets delivered since the track was made (wraps around).
    uint32_t DeliveredPackets() const { return m_uiDelivered.load(std::memory_order_relaxed); }

private:
    int OpenInterleaved(CRtspTransSession* connection, int channel);
    int OpenTcp(int channel, const char* serverHost, uint16_t serverRtpPort, uint16_t serverRtcpPort,
                const char* bindAddress);
    int OpenUdp(const char* serverHost, uint16_t serverRtpPort);
    bool WriteFirstSend(ZMR_SOCKET socket);
    int CreateOwnQueue(const char* failText);
    // Takes the new transport session as the track's, clocked at its rate.
    void Adopt(CRtpTransSession* session);
    void CloseTransport();
    void ReleasePort();

    int m_eRtpTransMethod = kRtpOverRtsp;
    int m_bRtpPack = 1;
    int m_bRtpPackApplied = 0;
    int m_bCascade = 0;
    int m_iMediaIndex = 0;
    CRtpTransSession* m_pRtpTransSession = nullptr;
    uint16_t m_usLocalPort = 0;
    std::string m_strFirstSend;
    pfnStreamDataCB m_pfnDataCB = nullptr;
    void* m_pDataUser = nullptr;
    ZMR_Mutex m_cMutex;
    ZMR_ASYNCIOQUEUE m_hOwnQueue = ZMR_INVALID_ASYNCIOQUEUE;
    int m_bOwnQueue = 0;
    int m_iClockRate = 0;
    std::string m_strAnnouncedSource;
    std::atomic<uint32_t> m_uiDelivered{0};
};
