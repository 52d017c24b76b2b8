// A tiny trace library of our own for the loaded path of the trace loader.
// PIRLEK_WITHOUT_INVOKE leaves out a required function; PIRLEK_REFUSES makes
// the start fail.
#include <cstdio>
#include <cstring>

namespace {
char g_service[64];
char g_localIp[64];
int g_traceStarts = 0;
int g_ids = 0;
} // namespace

#define PIRLEK_EXPORT extern "C" __attribute__((visibility("default")))

PIRLEK_EXPORT int pirlek_init(const char* service, const char* localIp)
{
    std::snprintf(g_service, sizeof g_service, "%s", service ? service : "");
    std::snprintf(g_localIp, sizeof g_localIp, "%s", localIp ? localIp : "");
#ifdef PIRLEK_REFUSES
    return 7;
#else
    return std::strcmp(g_service, "media") == 0 ? 0 : 1;
#endif
}

PIRLEK_EXPORT int pirlek_trace_start()
{
    return ++g_traceStarts;
}

PIRLEK_EXPORT int pirlek_client_convert_msgstring_to_contextintls(char* traceId, char* spanId)
{
    ++g_ids;
    std::snprintf(traceId, 64, "trace-%d", g_ids);
    std::snprintf(spanId, 64, "span-%d", g_ids);
    return 0;
}

#ifndef PIRLEK_WITHOUT_INVOKE
PIRLEK_EXPORT int pirlek_method_invoke()
{
    return 0;
}
#endif

PIRLEK_EXPORT int pirlek_trace_end()
{
    return 0;
}

// What the test reads back to see how the loader drove the library.
PIRLEK_EXPORT const char* pirlek_test_service()
{
    return g_service;
}
PIRLEK_EXPORT const char* pirlek_test_local_ip()
{
    return g_localIp;
}
PIRLEK_EXPORT int pirlek_test_trace_starts()
{
    return g_traceStarts;
}
