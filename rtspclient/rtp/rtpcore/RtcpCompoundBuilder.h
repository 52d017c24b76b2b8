#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "rtpcore/NtpTime.h"
#include "rtpcore/RtcpReportBlock.h"

namespace rtpcore {

// Builds one RTCP compound packet: a sender or receiver report with its
// blocks, then SDES CNAME and optionally BYE. Every Add fails (false) rather
// than outgrow the maximum size.
class RtcpCompoundBuilder
{
public:
    static constexpr int kMaxReportBlocks = 31;

    explicit RtcpCompoundBuilder(size_t maxSize);

    void BeginReceiverReport(uint32_t ssrc);
    void BeginSenderReport(uint32_t ssrc, const NtpTime& ntpTime, uint32_t rtpTimestamp, uint32_t packetCount,
                           uint32_t octetCount);
    bool AddReportBlock(const RtcpReportBlock& block);
    bool AddCname(uint32_t ssrc, std::string_view cname);
    bool AddBye(uint32_t ssrc, std::string_view reason);

    const uint8_t* Data() const { return m_buffer.data(); }
    size_t Size() const { return m_buffer.size(); }

private:
    uint8_t* BeginPacket(uint8_t type, uint8_t count, size_t size);
    bool Fits(size_t more) const { return m_buffer.size() + more <= m_maxSize; }

    size_t m_maxSize;
    std::vector<uint8_t> m_buffer;
    size_t m_reportOffset = 0;
};

} // namespace rtpcore
