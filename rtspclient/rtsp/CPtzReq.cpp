#include "CPtzReq.h"

void CPtzReq::AppendHeaders(std::string& text)
{
    const std::pair<const char*, int> values[] = {{"bri", m_iBri},          {"con", m_iCon},
                                                  {"sat", m_iSat},          {"hue", m_iHue},
                                                  {"command", m_iCommand},  {"param1", m_iParam1},
                                                  {"param2", m_iParam2},    {"param3", m_iParam3},
                                                  {"param4", m_iParam4},    {"forceiframe", m_iForceIFrame},
                                                  {"GetParam", m_iGetParam}};
    for (const auto& [name, value] : values) {
        if (value != -1)
            text += RtspFormat("%s: %d\r\n", name, value);
    }
}
