// Play control and side requests of a started CRtspClientSession.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "ZMR_Guard.h"
#include "rtsp/CSdpTrackInfo.h"
#include "rtsp/CAnnounceReq.h"
#include "rtsp/CCommonRsp.h"
#include "rtsp/CPauseReq.h"
#include "rtsp/CPtzReq.h"
#include "rtsp/CPtzRsp.h"
#include "rtsp/CRtspClientSession.h"
#include "rtsp/CUriParser.h"
#include "common/PellmarLog.h"
#include "rtsp/RtspMessageText.h"

namespace {
std::string RenderTime(const ABS_TIME_T* time)
{
    if (time == nullptr)
        return std::string();
    char text[64];
    std::snprintf(text, sizeof text, "%u%02u%02uT%02u%02u%02uZ", time->uiYear, time->uiMonth, time->uiDay, time->uiHour,
                  time->uiMinute, time->uiSecond);
    return text;
}

std::string ClockRange(const ABS_TIME_T* from, const ABS_TIME_T* to)
{
    return "clock=" + RenderTime(from) + "-" + RenderTime(to);
}

bool ValidTrack(int track)
{
    return track >= 0 && track < CRtspClientSession::kMaxMediaCount;
}
} // namespace

#define REFUSE_WHEN_CLOSED(result)                                                                                     \
    do {                                                                                                               \
        if (m_bClosed) {                                                                                               \
            PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession Has Closed");                                           \
            return result;                                                                                             \
        }                                                                                                              \
    } while (0)

int CRtspClientSession::SetPlayBackParam(const PLAYBACK_PARAM_T& playBack)
{
    m_iPlayBackMode = playBack.iPlayBackMode;
    if (playBack.bRelRange == 1) {
        if (playBack.iRelFrom < 0) {
            PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession SetSeekRelTime Fail, iRelFrom:%d, iRelTo:%d",
                              playBack.iRelFrom, playBack.iRelTo);
            return -1;
        }
        m_strRange = "npt=" + std::to_string(playBack.iRelFrom) + "-";
        if (playBack.iRelTo > 0 && playBack.iRelFrom < playBack.iRelTo)
            m_strRange += std::to_string(playBack.iRelTo);
        m_bRangePending = true;
    } else if (playBack.bAbsRange == 1) {
        m_strRange = ClockRange(&playBack.stAbsFrom, &playBack.stAbsTo);
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
    CPauseReq request;
    request.m_strUrl = AggregateUrl();
    CCommonRsp response;
    if (SendSimple(request, response, PELLMAR_TRACE_PAUSE, PELLMAR_ERR_SEND_PAUSE, kResponseTimeoutMs) != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "SendPause Fail, ProcPause Fail");
        return -1;
    }
    m_bPlaying = 0;
    // The server session lives on while paused and expires without keep-alives.
    m_bPaused = 1;
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
    m_strRange = ClockRange(from, to);
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

int CRtspClientSession::SendDeviceControl(CPtzReq& request, CCommonRsp& response, int traceKind, const char* failure)
{
    request.m_strUrl = m_strUrl;
    if (SendSimple(request, response, traceKind, 0, kResponseTimeoutMs) != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "%s", failure);
        return -1;
    }
    return 0;
}

int CRtspClientSession::PtzControl(int command, int param1, int param2, int param3, int param4)
{
    ZMR_Guard guard(m_cMutex);
    REFUSE_WHEN_CLOSED(-1);
    CPtzReq request(RTSP_METHOD_PTZ);
    request.m_iCommand = command;
    request.m_iParam1 = param1;
    request.m_iParam2 = param2;
    request.m_iParam3 = param3;
    request.m_iParam4 = param4;
    CCommonRsp response;
    return SendDeviceControl(request, response, PELLMAR_TRACE_PTZ, "SendPtz Fail, ProcPtz Fail");
}

int CRtspClientSession::GetVideoParam(int& brightness, int& contrast, int& saturation, int& hue)
{
    ZMR_Guard guard(m_cMutex);
    REFUSE_WHEN_CLOSED(-1);
    CPtzReq request(RTSP_METHOD_GET_VIDEO_PARAM);
    request.m_iGetParam = 1;
    CPtzRsp response;
    if (SendDeviceControl(request, response, PELLMAR_TRACE_GET_VIDEO_PARAM,
                          "SendGetVideoParam Fail, ProcGetVideoParam Fail") != 0)
        return -1;
    brightness = response.m_iBri;
    contrast = response.m_iCon;
    saturation = response.m_iSat;
    hue = response.m_iHue;
    return 0;
}

int CRtspClientSession::SetVideoParam(int brightness, int contrast, int saturation, int hue)
{
    ZMR_Guard guard(m_cMutex);
    REFUSE_WHEN_CLOSED(-1);
    CPtzReq request(RTSP_METHOD_SET_VIDEO_PARAM);
    request.m_iBri = brightness;
    request.m_iCon = contrast;
    request.m_iSat = saturation;
    request.m_iHue = hue;
    CCommonRsp response;
    return SendDeviceControl(request, response, PELLMAR_TRACE_SET_VIDEO_PARAM,
                             "SendSetVideoParam Fail, ProcSetParameter Fail");
}

int CRtspClientSession::ForceIFrame()
{
    ZMR_Guard guard(m_cMutex);
    REFUSE_WHEN_CLOSED(-1);
    CPtzReq request(RTSP_METHOD_SET_VIDEO_PARAM);
    request.m_iForceIFrame = 1;
    CCommonRsp response;
    return SendDeviceControl(request, response, PELLMAR_TRACE_SET_VIDEO_PARAM,
                             "SendForceIFrame Fail, ProcForceIFrame Fail");
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
    if (data->uiDataLen > static_cast<uint32_t>(CSdpMedia::kMediaInfoSize) ||
        (data->uiDataLen > 0 && data->pData == nullptr)) {
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession SendDataEx Fail, media header length %u over %d",
                          data->uiDataLen, CSdpMedia::kMediaInfoSize);
        return -1;
    }
    REFUSE_WHEN_CLOSED(-1);
    ZMR_Guard guard(m_cMutex);
    CSdpMedia& media = m_cOwnSdp.m_media[track];
    media = CSdpMedia();
    media.m_strMediaType = "video";
    media.m_iFormatCount = 1;
    media.m_rtpMaps[0].payloadType = 96;
    media.m_rtpMaps[0].encodingName = "MP4V-ES";
    media.m_rtpMaps[0].clockRate = 90000;
    media.m_rtpMaps[0].formatParameters = CSdpTrackInfo::kMpeg4Fmtp;
    if (data->uiDataLen > 0)
        std::memcpy(media.m_mediaInfo, data->pData, data->uiDataLen);
    media.m_iMediaInfoLength = static_cast<int>(data->uiDataLen);
    // Only the announced track is described, whatever its index.
    m_cOwnSdp.m_iMediaCount = track + 1;
    return AnnounceSDP();
}

int CRtspClientSession::AnnounceSDP()
{
    ZMR_Guard guard(m_cMutex);
    CSdp sdp;
    sdp.m_iVersion = 0;
    sdp.m_strOriginUser = "-";
    sdp.m_strOriginSessionId = sdp.m_strOriginSessionVersion = m_strSessionId.empty() ? "0" : m_strSessionId;
    sdp.m_strOriginNetType = "IN";
    sdp.m_strOriginAddrType = "IP4";
    sdp.m_strOriginAddress = "0.0.0.0";
    sdp.m_connection.netType = "IN";
    sdp.m_connection.addrType = "IP4";
    sdp.m_connection.address = "0.0.0.0";
    sdp.m_strSessionName = "quenlor";
    sdp.m_strTimeStart = "0";
    sdp.m_strTimeStop = "0";
    sdp.m_strRange = "npt=now-";
    for (int i = 0; i < m_cOwnSdp.m_iMediaCount && i < kMaxMediaCount; ++i) {
        const CSdpMedia& own = m_cOwnSdp.m_media[i];
        if (own.m_iFormatCount == 0)
            continue;
        CSdpMedia& media = sdp.m_media[sdp.m_iMediaCount++];
        media = own;
        media.m_strProtocol = "RTP/AVP";
        media.m_connection = sdp.m_connection;
        media.m_strRange = "npt=now-";
        media.m_strControl = m_strControl;
    }
    const std::string text = sdp.BuildSdp();
    if (text.empty())
        return -1;
    CAnnounceReq request;
    request.m_strUrl = m_strUrl;
    request.m_strBody = text;
    if (!SendRequest(request, -1, nullptr)) {
        PELLMAR_LOG_ERROR(
            kSessionLog, "RTSPProtocolWrapper CRtspClientSession SendAnnounce fail, m_cRtspTransSession SendData fail");
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
    CAnnounceReq request;
    std::string urlUser, urlPassword;
    request.m_strUrl = CUriParser::TakeCredentials(uri, urlUser, urlPassword);
    request.m_mapExtraHeaders["PrepareSessionInfo"] = "1";
    int cseq = 0;
    CCommonRsp response;
    std::string info;
    if (!SendRequest(request, -1, &cseq)) {
        m_uiLastError = PELLMAR_ERR_RECV;
        PELLMAR_LOG_ERROR(kSessionLog,
                          "RTSPProtocolWrapper PrepareSessionInfo fail, m_cRtspTransSession SendData fail");
    } else if (!ReceiveResponse(cseq, response, PELLMAR_TRACE_ANNOUNCE_RSP - 1, kResponseTimeoutMs) ||
               response.m_iStatus != kRtspStatusOk) {
        m_uiLastError = PELLMAR_ERR_TIMEOUT;
        PELLMAR_LOG_ERROR(kSessionLog, "AnnounceMsg Fail, ProcAnnounce Fail timeout");
    } else if (!rtsp_message::GetHeader(response.m_strText, "PrepareSessionInfoRsp", info) || info.empty()) {
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
    if (ownConnection)
        Close();
    return result;
}

int CRtspClientSession::StartMultiCast(const char* url, const char* user, const char* password, const char* userAgent,
                                       int transMethod, int multicastPort, const StreamSetup& setup)
{
    ZMR_Guard guard(m_cMutex);
    if (!AcceptStart("StartMultiCast", url))
        return PELLMAR_ERR_OPEN;
    m_iSuppressReports = 0;
    ApplySetup(setup);
    m_iMulticastPort = multicastPort;
    m_bMulticast = 1;
    if (transMethod != CRtspClientMedia::kRtpOverUdp && transMethod != CRtspClientMedia::kRtpOverRtsp) {
        m_uiLastError = PELLMAR_ERR_PARAM;
        PELLMAR_LOG_ERROR(kSessionLog, "StartMultiCast Fail, Open Fail, RTSP Method[%d] is Not RTP_OVER_UDP/RTSP",
                          transMethod);
        return PELLMAR_ERR_PARAM;
    }
    if (Open(url ? url : "", user ? user : "", password ? password : "", userAgent ? userAgent : "", transMethod) !=
        0) {
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
