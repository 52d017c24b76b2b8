#include "CTraceLibrary.h"

#include <mutex>

#include "common/PellmarLog.h"
#include "zmr.h"

namespace {

using InitFunction = int (*)(const char* service, const char* localIp);
using TraceStartFunction = int (*)();
using IdsFunction = int (*)(char* traceId, char* spanId);

// Resolved in this order; the positions name the ones the library calls.
const char* const kSymbols[] = {
    "pirlek_init",
    "pirlek_trace_start",
    "pirlek_trace_end",
    "pirlek_client_send",
    "pirlek_client_receive",
    "pirlek_server_receive",
    "pirlek_server_send",
    "pirlek_client_convert_contextintls_to_msgstring",
    "pirlek_server_convert_contextintls_to_msgstring",
    "pirlek_client_convert_msgstring_to_contextintls",
    "pirlek_server_convert_msgstring_to_contextintls",
    "pirlek_method_invoke",
    "pirlek_method_return",
    "pirlek_get_traceinfo",
    "pirlek_get_contexthandle_from_tls",
    "pirlek_set_contexthandle_to_tls",
    "pirlek_destory_contexthandle",
    "pirlek_show_contexthandle",
};
constexpr int kSymbolCount = sizeof kSymbols / sizeof kSymbols[0];
constexpr int kInit = 0;
constexpr int kTraceStart = 1;
constexpr int kClientIds = 9;
constexpr int kMethodInvoke = 11;

struct TraceTable
{
    std::mutex mutex;
    ZMR_DSO handle = nullptr;
    void* functions[kSymbolCount] = {};
};

TraceTable& table()
{
    static TraceTable instance;
    return instance;
}

void clearLocked(TraceTable& trace)
{
    for (void*& function : trace.functions)
        function = nullptr;
    if (trace.handle) {
        ZMR_UnloadDSo(trace.handle);
        trace.handle = nullptr;
    }
}

} // namespace

int CTraceLibrary::Load(const std::string& localIp, const char* file)
{
    TraceTable& trace = table();
    std::lock_guard<std::mutex> lock(trace.mutex);
    clearLocked(trace);
    trace.handle = ZMR_LoadDSo(file);
    if (!trace.handle) {
        PELLMAR_LOG_INFO("trace library %s not present, trace context off", file ? file : "");
        return -1;
    }
    for (int i = 0; i < kSymbolCount; ++i)
        trace.functions[i] = ZMR_GetDsoSym(trace.handle, kSymbols[i]);
    if (!trace.functions[kInit] || !trace.functions[kTraceStart] || !trace.functions[kMethodInvoke]) {
        PELLMAR_LOG_ERROR(pellmar_log::kTrace, "trace library %s lacks a required function", file);
        clearLocked(trace);
        return -1;
    }
    const int result = reinterpret_cast<InitFunction>(trace.functions[kInit])("media", localIp.c_str());
    if (result != 0) {
        // Context stays off: nothing may call into a library that refused.
        PELLMAR_LOG_ERROR(pellmar_log::kTrace, "pirlek_init Fail, result<%d>", result);
        clearLocked(trace);
    }
    return result;
}

void CTraceLibrary::Unload()
{
    TraceTable& trace = table();
    std::lock_guard<std::mutex> lock(trace.mutex);
    clearLocked(trace);
}

bool CTraceLibrary::IsLoaded()
{
    TraceTable& trace = table();
    std::lock_guard<std::mutex> lock(trace.mutex);
    return trace.handle != nullptr;
}

bool CTraceLibrary::GetTraceIds(std::string& traceId, std::string& spanId)
{
    TraceTable& trace = table();
    std::lock_guard<std::mutex> lock(trace.mutex);
    auto ids = reinterpret_cast<IdsFunction>(trace.functions[kClientIds]);
    if (!ids)
        return false;
    char traceBuffer[kIdSize] = {};
    char spanBuffer[kIdSize] = {};
    if (ids(traceBuffer, spanBuffer) != 0)
        return false;
    // Stay inside the buffers even if the library forgot the terminator.
    traceBuffer[kIdSize - 1] = '\0';
    spanBuffer[kIdSize - 1] = '\0';
    traceId = traceBuffer;
    spanId = spanBuffer;
    return !traceId.empty();
}

void CTraceLibrary::TraceStart()
{
    TraceTable& trace = table();
    std::lock_guard<std::mutex> lock(trace.mutex);
    if (auto start = reinterpret_cast<TraceStartFunction>(trace.functions[kTraceStart]))
        start();
}

int LoadTraceLibrary(const char* localIp)
{
    return CTraceLibrary::Load(localIp && *localIp ? localIp : "127.0.0.1");
}

void UnloadTraceLibrary()
{
    CTraceLibrary::Unload();
}
