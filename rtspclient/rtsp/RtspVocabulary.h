#ifndef PELLMAR_RTSPVOCABULARY_H
#define PELLMAR_RTSPVOCABULARY_H

#include <string>

// RTSP method kinds as the request line writes them. Kinds 12 to 14 are
// OPTIONS requests that carry device controls.
enum RtspMethodKind {
    RTSP_METHOD_OPTIONS = 0,
    RTSP_METHOD_DESCRIBE = 1,
    RTSP_METHOD_SETUP = 2,
    RTSP_METHOD_PLAY = 3,
    RTSP_METHOD_PAUSE = 4,
    RTSP_METHOD_TEARDOWN = 5,
    RTSP_METHOD_GET_PARAMETER = 6,
    RTSP_METHOD_SET_PARAMETER = 7,
    RTSP_METHOD_ANNOUNCE = 8,
    RTSP_METHOD_REDIRECT = 9,
    RTSP_METHOD_RECORD = 10,
    RTSP_METHOD_HEARTBEAT = 11,
    RTSP_METHOD_PTZ = 12,
    RTSP_METHOD_GET_VIDEO_PARAM = 13,
    RTSP_METHOD_SET_VIDEO_PARAM = 14,
    RTSP_METHOD_UNKNOWN = 16,
};

// The first kind 0..14 whose name equals `name` exactly, else 16.
int GetRtspMethodKind(const std::string& name);
// The name written for a kind; empty for 16 and unknown kinds.
const char* GetRtspMethodName(int kind);

constexpr int kRtspStatusCount = 44;
constexpr int kRtspStatusOk = 1;
constexpr int kRtspStatusUnauthorized = 11;
// Position of the exact status code text in the status table, -1 if absent.
int GetRtspStatusText(const std::string& code);
// Code text and reason phrase of a position; empty outside the table.
const char* GetRtspStatusCode(int position);
const char* GetRtspStatusReason(int position);

// Tells an incoming request from a response. A request (first word without
// "RTSP") gives true and its method kind, OPTIONS refined to 13 ("GetParam"),
// 14 ("bri") or 12 ("command"). With `peerCheck` 2 on entry it is set to 1
// when the text names one of the known peer programs, else 0.
bool ClassifyRtspMessage(int& peerCheck, const std::string& text, int& kind);

#endif
