// Play control and side requests of a started CRtspClientSession.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "rtsp/PellmarLog.h"
#include "rtsp/CRtspClientSession.h"
#include "rtsp/CRtspMessageText.h"
#include "ZMR_Guard.h"

namespace {
std::string RenderTime(const ABS_TIME_T* time)
{
    if (time == nullptr)
        return std::string();
    char text[64];
    std::snprintf(text, sizeof text, "%u%02u%02uT%02u%02u%02uZ", time->uiYear, time->uiMonth, time->uiDay,
                  time->uiHour, time->uiMinute, time->uiSecond);
    return text;
}

bool ValidTrack(int track) { return track >= 0 && track < CRtspClientSession::kMaxMediaCount; }

const char* const kAnnounceFmtp =
    "profile-level-id=8;config=000001B0F5000001B50900000100000001200886C400670C58112051";
}

#define REFUSE_WHEN_CLOSED(result)                                                                             \
    do {                                                                                                       \
        if (m_bClosed) {                                                                                       \
            PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession Has Closed");                                                \
            return result;                                                                                     \
        }                                                                                                      \
    } while (0)

int CRtspClientSession::SetPlayBackParam(const PLAYBACK_PARAM_T& playBack)
{
    ZMR_Guard guard(m_cMutex);
    m_iPlayBackMode = playBack.iPlayBackMode;
    if (playBack.bRelRange == 1) {
        if (playBack.iRelFrom < 0) {
            PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession SetSeekRelTime Fail, iRelFrom:%d, iRelTo:%d", playBack.iRelFrom,
                              playBack.iRelTo);
            return -1;
        }
        m_strRange = "npt=" + std::to_string(playBack.iRelFrom) + "-";
        if (playBack.iRelTo > 0 && playBack.iRelFrom < playBack.iRelTo)
            m_strRange += std::to_string(playBack.iRelTo);
        m_bRangePending = true;
    } else if (playBack.bAbsRange == 1) {
        m_strRange = "clock=" + RenderTime(&playBack.stAbsFrom) + "-" + RenderTime(&playBack.stAbsTo);
        m_bRangePending = true;
    }
    if (playBack.bScale == 1) {
        m_dScale = playBack.dScale;
        m_bScalePending = true;
    }
    return 0;
}

int CRtspClientSession::PlayWithPending()
{
    if (SendPlay() != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession SendPlay Fail");
        return -1;
    }
    return 0;
}

int CRtspClientSession::Pause()
{
    ZMR_Guard guard(m_cMutex);
    REFUSE_WHEN_CLOSED(-1);
    if (SendSimple("PAUSE", AggregateUrl(), {}, PELLMAR_TRACE_PAUSE, PELLMAR_ERR_SEND_PAUSE, kResponseTimeoutMs,
                   nullptr) != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "SendPause Fail, ProcPause Fail");
        return -1;
    }
    m_bPlaying = 0;
    return 0;
}

int CRtspClientSession::Resume()
{
    ZMR_Guard guard(m_cMutex);
    REFUSE_WHEN_CLOSED(-1);
    return PlayWithPending();
}

int CRtspClientSession::SetScale(double scale)
{
    ZMR_Guard guard(m_cMutex);
    REFUSE_WHEN_CLOSED(-1);
    m_dScale = scale;
    m_bScalePending = true;
    return PlayWithPending();
}

int CRtspClientSession::SeekByRelTime(int from, int to)
{
    ZMR_Guard guard(m_cMutex);
    REFUSE_WHEN_CLOSED(-1);
    PLAYBACK_PARAM_T playBack{};
    playBack.iPlayBackMode = m_iPlayBackMode;
    playBack.bRelRange = 1;
    playBack.iRelFrom = from;
    playBack.iRelTo = to;
    if (SetPlayBackParam(playBack) != 0) {
        m_uiLastError = PELLMAR_ERR_PARAM;
        PELLMAR_LOG_ERROR(kSessionLog, "SeekByRelTime Fail, SetSeekRelTime Fail");
        return -1;
    }
    return PlayWithPending();
}

int CRtspClientSession::SeekByAbsTime(const ABS_TIME_T* from, const ABS_TIME_T* to)
{
    ZMR_Guard guard(m_cMutex);
    REFUSE_WHEN_CLOSED(-1);
    if (from == nullptr) {
        m_uiLastError = PELLMAR_ERR_PARAM;
        PELLMAR_LOG_ERROR(kSessionLog, "SetSeekAbsTime Fail, pstAbsFrom == NULL");
        return -1;
    }
    m_strRange = "clock=" + RenderTime(from) + "-" + RenderTime(to);
    m_bRangePending = true;
    return PlayWithPending();
}

int CRtspClientSession::SeekByAbsTimeEx(const char* from, const char* to)
{
    ZMR_Guard guard(m_cMutex);
    REFUSE_WHEN_CLOSED(-1);
    char range[512];
    std::snprintf(range, sizeof range, "Scope: clock=%s;%s", from ? from : "", to ? to : "");
    m_strRange = range;
    m_bRangePending = true;
    return PlayWithPending();
}

int CRtspClientSession::StreamControl(const STREAM_CONTROL_T* control)
{
    ZMR_Guard guard(m_cMutex);
    if (control == nullptr)
        return PELLMAR_ERR_PARAM;
    REFUSE_WHEN_CLOSED(PELLMAR_ERR_CLOSED);
    m_dScale = control->fScale;
    m_bScalePending = true;
    if (control->iModeChange != 0 || control->iDrawFrame != 0) {
        m_iModeChange = control->iModeChange;
        m_bModeChangePending = true;
        m_iDrawFrame = control->iDrawFrame;
        m_iDrawFrameType = control->iDrawFrameType;
        m_strDrawFrameTime.assign(control->szDrawFrameTime,
                                  strnlen(control->szDrawFrameTime, sizeof control->szDrawFrameTime));
        m_bDrawFramePending = true;
    }
    PELLMAR_LOG_INFO("CRtspClientSession StreamControl, ModeChange=%d, DrawFrame=%d, DrawFrameType=%d, "
                     "DrawFrameTime=%s, fScale=%f",
                     control->iModeChange, control->iDrawFrame, control->iDrawFrameType, m_strDrawFrameTime.c_str(),
                     control->fScale);
    return PlayWithPending();
}

int CRtspClientSession::PtzControl(int command, int param1, int param2, int param3, int param4)
{
    ZMR_Guard guard(m_cMutex);
    REFUSE_WHEN_CLOSED(-1);
    Headers headers{{"command", std::to_string(command)}, {"param1", std::to_string(param1)},
                    {"param2", std::to_string(param2)}, {"param3", std::to_string(param3)},
                    {"param4", std::to_string(param4)}};
    if (SendSimple("OPTIONS", m_strUrl, headers, PELLMAR_TRACE_PTZ, 0, kResponseTimeoutMs, nullptr) != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "SendPtz Fail, ProcPtz Fail");
        return -1;
    }
    return 0;
}

int CRtspClientSession::GetVideoParam(int& brightness, int& contrast, int& saturation, int& hue)
{
    ZMR_Guard guard(m_cMutex);
    REFUSE_WHEN_CLOSED(-1);
    std::string text;
    if (SendSimple("OPTIONS", m_strUrl, {{"GetParam", "1"}}, PELLMAR_TRACE_GET_VIDEO_PARAM, 0, kResponseTimeoutMs,
                   &text) != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "SendGetVideoParam Fail, ProcGetVideoParam Fail");
        return -1;
    }
    const CRtspMessageText response(text);
    auto value = [&response](const char* name) {
        return response.HasHeader(name) ? std::atoi(response.Header(name).c_str()) : -1;
    };
    brightness = value("bri");
    contrast = value("con");
    saturation = value("sat");
    hue = value("hue");
    return 0;
}

int CRtspClientSession::SetVideoParam(int brightness, int contrast, int saturation, int hue)
{
    ZMR_Guard guard(m_cMutex);
    REFUSE_WHEN_CLOSED(-1);
    Headers headers{{"bri", std::to_string(brightness)}, {"con", std::to_string(contrast)},
                    {"sat", std::to_string(saturation)}, {"hue", std::to_string(hue)}};
    if (SendSimple("OPTIONS", m_strUrl, headers, PELLMAR_TRACE_SET_VIDEO_PARAM, 0, kResponseTimeoutMs, nullptr) != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "SendSetVideoParam Fail, ProcSetParameter Fail");
        return -1;
    }
    return 0;
}

int CRtspClientSession::ForceIFrame()
{
    ZMR_Guard guard(m_cMutex);
    REFUSE_WHEN_CLOSED(-1);
    if (SendSimple("OPTIONS", m_strUrl, {{"forceiframe", "1"}}, PELLMAR_TRACE_SET_VIDEO_PARAM, 0,
                   kResponseTimeoutMs, nullptr) != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "SendForceIFrame Fail, ProcForceIFrame Fail");
        return -1;
    }
    return 0;
}

int CRtspClientSession::SendData(int track, const STREAM_DATA_T* data)
{
    if (!ValidTrack(track) || data == nullptr) {
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession SendData Fail, Channel: %d >= MAX_MEDIA_COUNT", track);
        return -1;
    }
    REFUSE_WHEN_CLOSED(-1);
    if (data->uiDataLen > 0 && data->pData == nullptr)
        return -1;
    // One frame split into pieces: every piece carries the frame's timestamp,
    // which advances once, after the last piece, and the marker, when asked
    // for, closes the last piece only.
    size_t offset = 0;
    while (offset < data->uiDataLen) {
        const size_t piece = std::min(kSendPieceBytes, data->uiDataLen - offset);
        const bool last = offset + piece == data->uiDataLen;
        STREAM_DATA_T packet{data->pData + offset, static_cast<uint32_t>(piece), data->uiPayloadType,
                             last ? data->uiMarker : 0u, last ? data->uiTimeStamp : 0u};
        if (m_cClientMediaArray[track].SendData(&packet) != 0)
            return -1;
        offset += piece;
    }
    return 0;
}

int CRtspClientSession::SendDataEx(int kind, int track, const STREAM_DATA_T* data)
{
    const bool announce = kind == PELLMAR_SEND_ANNOUNCE || kind == PELLMAR_SEND_ANNOUNCE_10 ||
                          kind == PELLMAR_SEND_ANNOUNCE_12 || kind == PELLMAR_SEND_ANNOUNCE_14;
    if (!announce)
        return SendData(track, data);
    if (!ValidTrack(track) || data == nullptr) {
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession SendDataEx Fail, Channel: %d >= MAX_MEDIA_COUNT", track);
        return -1;
    }
    if (data->uiDataLen > CSessionSdp::kMaxMediaHeader || (data->uiDataLen > 0 && data->pData == nullptr)) {
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession SendDataEx Fail, media header length %u over %zu", data->uiDataLen,
                          CSessionSdp::kMaxMediaHeader);
        return -1;
    }
    REFUSE_WHEN_CLOSED(-1);
    ZMR_Guard guard(m_cMutex);
    if (m_vecOwnMedia.size() <= static_cast<size_t>(track))
        m_vecOwnMedia.resize(static_cast<size_t>(track) + 1);
    CSessionSdp::Media& media = m_vecOwnMedia[static_cast<size_t>(track)];
    media.type = "video";
    media.formats = {CSessionSdp::Format{96, "MP4V-ES", 90000, "", kAnnounceFmtp}};
    media.header.assign(data->pData, data->pData + data->uiDataLen);
    return AnnounceSDP();
}

int CRtspClientSession::AnnounceSDP()
{
    ZMR_Guard guard(m_cMutex);
    const std::string sdp = CSessionSdp::Build(m_strSessionId, m_strControl, m_vecOwnMedia);
    if (sdp.empty())
        return -1;
    if (!SendRequest("ANNOUNCE", m_strUrl, {}, -1, nullptr, sdp)) {
        PELLMAR_LOG_ERROR(kSessionLog, "RTSPProtocolWrapper CRtspClientSession SendAnnounce fail, m_cRtspTransSession SendData fail");
        return -1;
    }
    return 0;
}

int CRtspClientSession::PrepareSessionInfo(const char* uri, char* buffer, int bufferSize, int* length)
{
    ZMR_Guard guard(m_cMutex);
    if (uri == nullptr || buffer == nullptr || bufferSize <= 0) {
        m_uiLastError = PELLMAR_ERR_BAD_ARGUMENT;
        PELLMAR_LOG_ERROR(kSessionLog, "PrepareSessionInfo Fail, pszUri =%p or pSessionInfoData=%p is wrong, size %d",
                          static_cast<const void*>(uri), static_cast<void*>(buffer), bufferSize);
        return -1;
    }
    const bool ownConnection = !m_cRtspTransSession.IsConnectionOpen();
    if (ownConnection && Open(uri, m_strUser, m_strPassword, m_strUserAgent, CRtspClientMedia::kRtpOverRtsp) != 0) {
        m_uiLastError = PELLMAR_ERR_OPEN;
        PELLMAR_LOG_ERROR(kSessionLog, "PrepareSessionInfo Fail, open failed");
        return -1;
    }
    int result = -1;
    int cseq = 0;
    std::string text;
    if (!SendRequest("ANNOUNCE", uri, {{"PrepareSessionInfo", "1"}}, -1, &cseq)) {
        m_uiLastError = PELLMAR_ERR_RECV;
        PELLMAR_LOG_ERROR(kSessionLog, "RTSPProtocolWrapper PrepareSessionInfo fail, m_cRtspTransSession SendData fail");
    } else if (!RecvRtspRsp(cseq, text, kResponseTimeoutMs)) {
        m_uiLastError = PELLMAR_ERR_TIMEOUT;
        PELLMAR_LOG_ERROR(kSessionLog, "AnnounceMsg Fail, ProcAnnounce Fail timeout");
    } else {
        ReportTrace(PELLMAR_TRACE_ANNOUNCE_RSP, text.c_str(), static_cast<int>(text.size()));
        CRtspMessageText response(text);
        const std::string info = response.Header("PrepareSessionInfoRsp");
        if (!response.ParseStatusLine() || response.StatusCode() != 200) {
            m_uiLastError = PELLMAR_ERR_TIMEOUT;
            PELLMAR_LOG_ERROR(kSessionLog, "AnnounceMsg Fail, ProcAnnounce Fail, Status<%d>", response.StatusCode());
        } else if (info.empty()) {
            m_uiLastError = PELLMAR_ERR_RECV;
            PELLMAR_LOG_ERROR(kSessionLog, "AnnounceMsg Fail, ProcAnnounce Fail, not recv PrepareSessionInfoRsp");
        } else {
            // The buffer is always terminated; the length is what was really copied.
            const size_t copied = std::min(info.size(), static_cast<size_t>(bufferSize) - 1);
            std::memcpy(buffer, info.data(), copied);
            buffer[copied] = '\0';
            if (length)
                *length = static_cast<int>(copied);
            result = 0;
        }
    }
    if (ownConnection)
        Close();
    return result;
}

int CRtspClientSession::StartMultiCast(const char* url, const char* user, const char* password,
                                       const char* userAgent, int transMethod, int multicastPort)
{
    ZMR_Guard guard(m_cMutex);
    m_iSuppressReports = 0;
    m_iMulticastPort = multicastPort;
    m_bMulticast = 1;
    if (transMethod != CRtspClientMedia::kRtpOverUdp && transMethod != CRtspClientMedia::kRtpOverRtsp) {
        m_uiLastError = PELLMAR_ERR_PARAM;
        PELLMAR_LOG_ERROR(kSessionLog, "StartMultiCast Fail, Open Fail, RTSP Method[%d] is Not RTP_OVER_UDP/RTSP", transMethod);
        return PELLMAR_ERR_PARAM;
    }
    if (Open(url ? url : "", user ? user : "", password ? password : "", userAgent ? userAgent : "", transMethod) != 0) {
        m_uiLastError = PELLMAR_ERR_OPEN;
        return PELLMAR_ERR_OPEN;
    }
    if (CheckCancelOperate()) {
        Close();
        return -1;
    }
    m_strResumeSessionId.clear();
    return StartSequence(false) == 0 ? 0 : (m_uiLastError ? static_cast<int>(m_uiLastError.load()) : -1);
}

int CRtspClientSession::SetContext(const Session_Context_T* context)
{
    ZMR_Guard guard(m_cMutex);
    if (context == nullptr)
        return -1;
    const std::string name(context->szName, strnlen(context->szName, sizeof context->szName - 1));
    if (m_cContexts.Add(name, context->pValue, context->iValueLen) != CSessionContextMap::kOk) {
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession SetContext Fail, Have find it");
        return -1;
    }
    return 0;
}

int CRtspClientSession::SetContextEx(const char* name, const void* value, int length)
{
    ZMR_Guard guard(m_cMutex);
    if (name == nullptr || value == nullptr || length <= 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "SetContext Fail, Param is wrong");
        return -1;
    }
    if (m_cContexts.Add(name, value, length) != CSessionContextMap::kOk) {
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession SetContext Fail, Have find it");
        return -1;
    }
    return 0;
}

int CRtspClientSession::GetContext(const char* name, void* buffer, int bufferSize, int* length)
{
    ZMR_Guard guard(m_cMutex);
    if (name == nullptr || length == nullptr)
        return -1;
    int needed = 0;
    const CSessionContextMap::Result result = m_cContexts.Get(name, buffer, bufferSize, needed);
    if (result == CSessionContextMap::kUnknown)
        return -1;
    *length = needed;
    if (result == CSessionContextMap::kTooSmall) {
        PELLMAR_LOG_ERROR(kSessionLog, "GetContext Fail, buffer of %d bytes, %d needed", bufferSize, needed);
        return -1;
    }
    return 0;
}
