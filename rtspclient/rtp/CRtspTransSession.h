#pragma once
#include <atomic>
#include <cstdint>

#include "rtp/CIocpTcpTransmitter.h"
#include "rtp/CRtspStreamFramer.h"
#include "ZMR_Mutex.h"

// Receives the text messages of the connection: (text, length, user). A
// length of 0 or less means the connection is gone; the value says why
// (CRtspTransSession::kLost*).
typedef void (*pfnClientSessionRecvDataCB)(const char* text, int length, void* user);

// Receives the interleaved frames of one channel pair: (channel, data,
// length, user). Length -1 with no data is the periodic event posted by
// PostChannelEvent, so that the pair's owner polls on a queue thread.
typedef void (*pfnRtspMediaDataCB)(int channel, const uint8_t* data, int length, void* user);

// The RTSP connection of a session: a TCP transmitter whose receive side cuts
// the stream into text messages and '$' interleaved frames. Both callbacks run
// on a queue thread; the message callback without any lock of ours, a frame
// hook under its pair's mutex. Once Close returns neither runs again.
class CRtspTransSession : public CIocpTcpTransmitter, private CRtspStreamFramer::Sink
{
public:
    static constexpr int kChannelPairs = 4;
    static constexpr int kMaxChannel = 7;
    // Results of a posted channel event: 0xFFFFFF + channel, with byte count 1.
    static constexpr int32_t kChannelEventBase = 0xFFFFFF;
    // Lengths of the message callback's "connection gone" call, by cause.
    static constexpr int kLostClosed = 0;      // closed by the peer, or failed
    static constexpr int kLostTooLarge = -1;   // a message longer than the buffer
    static constexpr int kLostUnreadable = -2; // bytes that never form a message

    using CIocpTcpTransmitter::CIocpTcpTransmitter;
    ~CRtspTransSession() override;

    int Open(ZMR_SOCKET socket) override;
    int Close() override;

    void SetRecvMessageCallback(pfnClientSessionRecvDataCB callback, void* user);
    // Posts the first receive; later ones follow each completion.
    int StartRecv();

    // Installs the hook of the pair serving `channel` (0..7); -1 above 7.
    int RecvMediaData(int channel, pfnRtspMediaDataCB hook, void* user);
    int RemoveMediaData(int channel);
    // Queues the periodic event for `channel`'s pair on the connection's queue.
    int PostChannelEvent(int channel);

    bool IsConnectionOpen() const { return m_bConnOpen; }
    // Wall clock (seconds since 1900) of the receive completion being parsed:
    // the arrival time of every frame in it. Valid inside a hook.
    double ReceiveTime() const { return m_dReceiveTime; }

private:
    struct ChannelPair
    {
        pfnRtspMediaDataCB hook = nullptr;
        void* user = nullptr;
        ZMR_Mutex mutex;
    };

    static void OnRecvComplete(int32_t result, uint32_t bytes, void* user);
    void HandleRecv(int32_t result, uint32_t bytes);
    void ConnectionLost(int cause = kLostClosed);
    void DeliverToPair(int channel, const uint8_t* data, int length);
    void OnRtspMessage(const char* text, size_t size) override;
    void OnInterleavedFrame(uint8_t channel, const uint8_t* data, size_t size) override;

    pfnClientSessionRecvDataCB m_pfnRecvDataCB = nullptr;
    void* m_pRecvDataUser = nullptr;
    ChannelPair m_stPairs[kChannelPairs];
    CRtspStreamFramer m_cFramer;
    std::atomic<bool> m_bConnOpen{false};
    double m_dReceiveTime = 0;
};
