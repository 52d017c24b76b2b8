#include "CPlayReq.h"

void CPlayReq::AppendHeaders(std::string& text)
{
    if (m_dScale != 0.0)
        text += RtspFormat("Scale: %f\r\n", m_dScale);
    if (!m_strRange.empty())
        text += "Range: " + m_strRange + "\r\n";
    if (m_iModeChange != -1)
        text += RtspFormat("ModeChange: %d\r\n", m_iModeChange);
    if (m_iDrawFrame != -1) {
        text += RtspFormat("DrawFrame: %d\r\n", m_iDrawFrame);
        text += "DrawFrameTime: " + m_strDrawFrameTime + "\r\n";
        text += RtspFormat("DrawFrameType: %d\r\n", m_iDrawFrameType);
    }
    AppendBackChannelRequire(text);
}
