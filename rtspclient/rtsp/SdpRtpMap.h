#ifndef PELLMAR_SDPRTPMAP_H
#define PELLMAR_SDPRTPMAP_H

#include <string>

// One format of an "m=" line with its rtpmap and fmtp attributes.
struct SdpRtpMap
{
    int payloadType = -1;
    std::string encodingName;
    int clockRate = 0;
    std::string encodingParameters;
    std::string formatParameters;
};

#endif
