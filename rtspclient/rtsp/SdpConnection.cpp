#include "SdpConnection.h"

#include <vector>

#include "RtspMessageText.h"
#include "common/RtspText.h"

bool SdpConnection::Parse(const std::string& value)
{
    std::vector<std::string> fields;
    if (rtsp_text::Split(value, {" "}, fields) != 3)
        return false;
    netType = fields[0];
    addrType = fields[1];
    std::vector<std::string> parts;
    const int partCount = rtsp_text::Split(fields[2], {"/"}, parts);
    address = partCount <= 3 ? parts[0] : fields[2];
    ttl = partCount == 2 || partCount == 3 ? rtsp_message::DecimalOf(parts[1]) : -1;
    count = partCount == 3 ? rtsp_message::DecimalOf(parts[2]) : -1;
    return true;
}

std::string SdpConnection::Build(bool positiveOnly) const
{
    const int least = positiveOnly ? 1 : 0;
    std::string line = "c=" + netType + " " + addrType + " " + address;
    if (ttl >= least && count >= least)
        line += "/" + std::to_string(ttl) + "/" + std::to_string(count);
    else if (ttl >= least)
        line += "/" + std::to_string(ttl);
    return line + "\r\n";
}
