#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include <sys/socket.h>

#include "zmr.h"

// Reads the datagrams already waiting on a UDP socket, many with one system
// call (recvmmsg), without waiting for more. A stream's packets come in
// bursts of a picture's worth; read one call each, the calls cost more than
// the rest of receiving them.
//
// Each slot holds the largest datagram, so none is ever cut; the slots'
// memory is not touched before the kernel writes into it, so only what
// datagrams filled is resident.
class UdpBatchReceiver
{
public:
    static constexpr size_t kSlotSize = 65536;

    explicit UdpBatchReceiver(int slots);
    UdpBatchReceiver(const UdpBatchReceiver&) = delete;
    UdpBatchReceiver& operator=(const UdpBatchReceiver&) = delete;

    // The datagrams waiting now, at most Slots(); 0 when none waits or the
    // socket failed. Their data stays valid until the next call.
    int Receive(ZMR_SOCKET socket);

    int Slots() const { return int(m_vMessages.size()); }
    const uint8_t* Data(int slot) const { return m_pMemory.get() + size_t(slot) * kSlotSize; }
    uint32_t Length(int slot) const { return m_vMessages[size_t(slot)].msg_len; }
    const ZMR_ADDR& From(int slot) const { return m_vSenders[size_t(slot)]; }

private:
    std::unique_ptr<uint8_t[]> m_pMemory;
    std::vector<iovec> m_vBuffers;
    std::vector<ZMR_ADDR> m_vSenders;
    std::vector<mmsghdr> m_vMessages;
};
