#include "rtpcore/RtpStatus.h"

namespace rtpcore {

const char* RtpStatusText(RtpStatus status)
{
    switch (status) {
    case RtpStatus::Ok: return "no error";
    case RtpStatus::NotCreated: return "the RTP session has not been created";
    case RtpStatus::AlreadyCreated: return "the RTP session has already been created";
    case RtpStatus::NoSender: return "the RTP session needs a packet sender";
    case RtpStatus::InvalidRtpPacket: return "invalid RTP packet";
    case RtpStatus::InvalidRtcpPacket: return "invalid RTCP compound packet";
    case RtpStatus::PacketTooLarge: return "packet larger than the session's maximum packet size";
    case RtpStatus::SendFailed: return "the packet sender failed";
    case RtpStatus::NothingToReport: return "no report is due";
    }
    return "unknown RTP session error";
}

} // namespace rtpcore
