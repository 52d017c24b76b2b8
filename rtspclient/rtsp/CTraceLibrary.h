#ifndef PELLMAR_CTRACELIBRARY_H
#define PELLMAR_CTRACELIBRARY_H

#include <string>

// The optional distributed-trace library, loaded by file name at library
// initialisation. Missing is normal: every call then does nothing.
class CTraceLibrary
{
public:
    static constexpr const char* kDefaultFile = "libpirlek.so";
    // Size of each id buffer handed to the library (it writes into them).
    static constexpr int kIdSize = 128;

    // Loads `file`, resolves the functions and starts the library as
    // "media" on `localIp`. 0 when trace context is on, else -1 (missing
    // file, a required function missing, or the library's own refusal).
    static int Load(const std::string& localIp, const char* file = kDefaultFile);
    static void Unload();
    static bool IsLoaded();
    // A fresh trace id and span id, each shorter than kIdSize; false
    // without the library or when it gives none.
    static bool GetTraceIds(std::string& traceId, std::string& spanId);
    static void TraceStart();
};

int LoadTraceLibrary(const char* localIp);
void UnloadTraceLibrary();

#endif
