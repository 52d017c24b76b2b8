#include "RtspVocabulary.h"

#include "common/RtspText.h"

namespace {

const char* const kMethodNames[] = {"OPTIONS",  "DESCRIBE",      "SETUP",         "PLAY",     "PAUSE",
                                    "TEARDOWN", "GET_PARAMETER", "SET_PARAMETER", "ANNOUNCE", "REDIRECT",
                                    "RECORD",   "HEARTBEAT",     "OPTIONS",       "OPTIONS",  "OPTIONS"};
constexpr int kMethodNameCount = sizeof kMethodNames / sizeof kMethodNames[0];

struct Status
{
    const char* code;
    const char* reason;
};

const Status kStatuses[kRtspStatusCount] = {
    {"100", "Continue"},
    {"200", "OK"},
    {"201", "Created"},
    {"250", "Low on Storage Space"},
    {"300", "Multiple Choices"},
    {"301", "Moved Permanently"},
    {"302", "Moved Temporarily"},
    {"303", "See Other"},
    {"304", "Not Modified"},
    {"305", "Use Proxy"},
    {"400", "Bad Request"},
    {"401", "Unauthorized"},
    {"402", "Payment Required"},
    {"403", "Forbidden"},
    {"404", "Not Found"},
    {"405", "Method Not Allowed"},
    {"406", "Not Acceptable"},
    {"407", "Proxy Authentication Required"},
    {"408", "Request Timeout"},
    {"410", "Gone"},
    {"411", "Length Required"},
    {"412", "Precondition Failed"},
    {"413", "Request Entity Too Large"},
    {"414", "Request-URI Too Long"},
    {"415", "Unsupported Media Type"},
    {"451", "Invalid parameter"},
    {"452", "Illegal Conference Identifier"},
    {"453", "Not Enough Bandwidth"},
    {"454", "Session Not Found"},
    {"455", "Method Not Valid In This State"},
    {"456", "Header Field Not Valid"},
    {"457", "Invalid Range"},
    {"458", "Parameter Is Read-Only"},
    {"459", "Aggregate Operation Not Allowed"},
    {"460", "Only Aggregate Operation Allowed"},
    {"461", "Unsupported Transport"},
    {"462", "Destination Unreachable"},
    {"500", "Internal Server Error"},
    {"501", "Not Implemented"},
    {"502", "Bad Gateway"},
    {"503", "Service Unavailable"},
    {"504", "Gateway Timeout"},
    {"505", "RTSP Version Not Supported"},
    {"551", "Option not support"},
};

// The programs whose requests the peer check recognises.
const char* const kKnownPeers[] = {"Kvorplayer\r\n", "tarnuvex\r\n", "selbrino\r\n"};

} // namespace

int GetRtspMethodKind(const std::string& name)
{
    for (int kind = 0; kind < kMethodNameCount; ++kind) {
        if (name == kMethodNames[kind])
            return kind;
    }
    return RTSP_METHOD_UNKNOWN;
}

const char* GetRtspMethodName(int kind)
{
    return kind >= 0 && kind < kMethodNameCount ? kMethodNames[kind] : "";
}

int GetRtspStatusText(const std::string& code)
{
    for (int position = 0; position < kRtspStatusCount; ++position) {
        if (code == kStatuses[position].code)
            return position;
    }
    return -1;
}

const char* GetRtspStatusCode(int position)
{
    return position >= 0 && position < kRtspStatusCount ? kStatuses[position].code : "";
}

const char* GetRtspStatusReason(int position)
{
    return position >= 0 && position < kRtspStatusCount ? kStatuses[position].reason : "";
}

bool ClassifyRtspMessage(int& peerCheck, const std::string& text, int& kind)
{
    if (peerCheck == 2) {
        peerCheck = 0;
        for (const char* peer : kKnownPeers) {
            if (rtsp_text::Contains(peer, text))
                peerCheck = 1;
        }
    }
    const size_t blank = text.find(' ');
    if (blank == std::string::npos)
        return false;
    const std::string first = text.substr(0, blank);
    if (rtsp_text::Contains("RTSP", first))
        return false;
    kind = GetRtspMethodKind(first);
    if (kind == RTSP_METHOD_OPTIONS) {
        if (rtsp_text::Contains("GetParam", text))
            kind = RTSP_METHOD_GET_VIDEO_PARAM;
        else if (rtsp_text::Contains("bri", text))
            kind = RTSP_METHOD_SET_VIDEO_PARAM;
        else if (rtsp_text::Contains("command", text))
            kind = RTSP_METHOD_PTZ;
    }
    return true;
}
