#pragma once

namespace rtpcore {

enum class RtpStatus {
    Ok,
    NotCreated,
    AlreadyCreated,
    NoSender,
    InvalidRtpPacket,
    InvalidRtcpPacket,
    PacketTooLarge,
    SendFailed,
    NothingToReport,
};

const char* RtpStatusText(RtpStatus status);

} // namespace rtpcore
