#pragma once
#include <atomic>
#include <cstdint>
#include <memory>

#include "ZMR_Mutex.h"
#include "zmr.h"

// Completion routine of a transmitter's operations: (result, bytes, user).
typedef void (*IOCP_CALLBACK)(int32_t result, uint32_t bytes, void* user);

// The I/O context of one direction of a transmitter. Every posted operation
// holds a reference, so the context (and the receive buffer it owns) outlives
// the transmitter's Close until the last completion has run.
struct IOCP_DATA
{
    enum Direction { kSend = 0, kReceive = 1 };

    explicit IOCP_DATA(Direction direction) : direction(direction) { }

    void AddRef() { references.fetch_add(1, std::memory_order_relaxed); }
    static void Release(IOCP_DATA* data)
    {
        if (data->references.fetch_sub(1, std::memory_order_acq_rel) == 1)
            delete data;
    }
    // Operations posted and not yet completed.
    int Pending() const { return references.load(std::memory_order_relaxed) - 1; }

    const Direction direction;
    IOCP_CALLBACK callback = nullptr;
    void* user = nullptr;
    std::atomic<int> references{1};
    // Serialises the callback with Close: once Close has marked the context
    // closed under it, no callback runs again.
    ZMR_Mutex mutex;
    bool closed = false;
    std::unique_ptr<uint8_t[]> buffer;
    ZMR_ADDR from{}; // sender of the datagram under way (receive-from)
};

// Runs a completion: the context's callback unless closed, then drops the
// operation's reference. The context pointer is the ZMR operation context.
void IocpCompletion(int32_t result, uint32_t bytes, void* context);
