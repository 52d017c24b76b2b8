#include "rtp/UdpBatchReceiver.h"

#include <cerrno>

UdpBatchReceiver::UdpBatchReceiver(int slots)
    // Left uninitialised on purpose: zeroing would make every slot resident.
    : m_pMemory(new uint8_t[size_t(slots) * kSlotSize]), m_vBuffers(size_t(slots)), m_vSenders(size_t(slots)),
      m_vMessages(size_t(slots))
{
}

int UdpBatchReceiver::Receive(ZMR_SOCKET socket)
{
    for (size_t slot = 0; slot < m_vMessages.size(); ++slot) {
        m_vBuffers[slot] = {m_pMemory.get() + slot * kSlotSize, kSlotSize};
        msghdr& header = m_vMessages[slot].msg_hdr;
        header = {};
        header.msg_name = &m_vSenders[slot];
        header.msg_namelen = sizeof(ZMR_ADDR);
        header.msg_iov = &m_vBuffers[slot];
        header.msg_iovlen = 1;
        m_vMessages[slot].msg_len = 0;
    }
    int received;
    do {
        received = recvmmsg(socket, m_vMessages.data(), unsigned(m_vMessages.size()), MSG_DONTWAIT, nullptr);
    } while (received < 0 && errno == EINTR);
    return received < 0 ? 0 : received;
}
