#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "rtp/IOCP_DATA.h"
#include "ZMR_Mutex.h"
#include "zmr.h"

// What the TCP and UDP transmitters share: one socket bound to a completion
// queue, a send and a receive context, sends serialised by a mutex and
// limited by the number still pending. Completion callbacks run on the
// queue's threads; after Close returns none runs again.
class CIocpTransmitter
{
public:
    static constexpr int kMaxPendingSends = 5000;
    static constexpr int kOverLimit = -180;
    static constexpr int kSocketBufferSize = 524288;

    // A null queue means the RTP transport manager's shared queue, taken at Open.
    explicit CIocpTransmitter(ZMR_ASYNCIOQUEUE queue = ZMR_INVALID_ASYNCIOQUEUE);
    virtual ~CIocpTransmitter();
    CIocpTransmitter(const CIocpTransmitter&) = delete;
    CIocpTransmitter& operator=(const CIocpTransmitter&) = delete;

    virtual int Close();
    // Queues a completion carrying (result, bytes) to the receive callback;
    // fails until a receive has been posted.
    virtual int PostIoEvent(int32_t result, uint32_t bytes);
    // The receive context's buffer, allocated on first use; it lives as long
    // as the context, so a receive pending past Close never writes into freed memory.
    virtual uint8_t* GetBuffer(size_t size);

    void SetQueue(ZMR_ASYNCIOQUEUE queue) { m_hAsyncIocpQueue = queue; }
    ZMR_SOCKET Socket() const { return m_iConnSocketFd; }
    bool IsOpen() const { return m_bOpen; }
    int PendingSends() const;

protected:
    // Binds an already created socket to the queue; closes it on failure.
    int Attach(ZMR_SOCKET socket, const char* owner);
    bool OverLimit(int limitFlag) const;
    int PostSend(const void* data, uint32_t length, const ZMR_ADDR* to, IOCP_CALLBACK callback, void* user,
                 const char* owner);
    int PostReceive(void* buffer, uint32_t size, bool withSender, IOCP_CALLBACK callback, void* user,
                    const char* owner);
    const ZMR_ADDR& ReceiveSender() const { return m_pRecvData->from; }

    ZMR_ASYNCIOQUEUE m_hAsyncIocpQueue;
    ZMR_SOCKET m_iConnSocketFd = ZMR_INVALID_SOCKET;
    IOCP_DATA* m_pSendData = nullptr;
    IOCP_DATA* m_pRecvData = nullptr;
    // Keeps a header and its data adjacent, and guards the socket and the
    // contexts against Close for every post.
    ZMR_Mutex m_cSendMutex;
    std::atomic<bool> m_bOpen{false}; // read without the mutex by IsOpen
    int m_iMaxPending = kMaxPendingSends;

private:
    void ReleaseContexts();
};
