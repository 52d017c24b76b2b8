#pragma once

#include "AssertionRecord.h"
#include "CrashContext.h"

#include <semaphore.h>
#include <signal.h>
#include <sys/types.h>

#include <atomic>
#include <exception>
#include <string>
#include <thread>

// Writes "<folder>/<GUID>.dmp" when the process crashes. The dump is written by
// a thread started in advance, with async-signal-safe calls only, while the
// crashing thread waits; then the process dies with the original signal.
// Handlers form a process-wide stack: the newest one handles.
class CrashDumpHandler
{
public:
    enum HandlerType
    {
        HandlerNone = 0,
        HandlerFatalSignals = 1,  // SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP
        HandlerTerminate = 2,     // std::terminate: uncaught exceptions, noexcept violations
        HandlerPureCall = 4,      // pure virtual calls
    };

    // Both callbacks are optional and run on the dump thread: async-signal-safe code only.
    // A filter returning false writes no dump; the completion's result replaces the dump's.
    using Filter = bool (*)(void* context, const CrashContext* crash, const AssertionRecord* assertion);
    using Completion = bool (*)(const char* folder, const char* dumpId, void* context,
                                const CrashContext* crash, const AssertionRecord* assertion, bool succeeded);

    CrashDumpHandler(const std::string& dumpFolder, Filter filter, Completion completion, void* context,
                     int handlerTypes);
    ~CrashDumpHandler();
    CrashDumpHandler(const CrashDumpHandler&) = delete;
    CrashDumpHandler& operator=(const CrashDumpHandler&) = delete;

    // Hands one request to the dump thread and waits for its answer, at most
    // kDumpTimeoutSeconds: a dump that hangs must not hang the crashed process.
    bool RequestDump(const CrashContext* crash, const AssertionRecord* assertion);

    // A dump of the calling thread's current state; the next dump gets a new name.
    bool WriteDumpOfCurrentState();

    const std::string& DumpFolder() const { return m_dumpFolder; }
    const std::string& NextDumpId() const { return m_nextDumpId; }
    const std::string& NextDumpPath() const { return m_nextDumpPath; }

    // A temporary handler that installs nothing writes one dump of the caller's state.
    static bool WriteDumpNow(const std::string& dumpFolder, Completion completion, void* context);

    // Lower-case GUID text with dashes: 36 characters.
    static std::string NewGuidText();

    static constexpr int kDumpTimeoutSeconds = 10;

private:
    void NewDumpPath();
    void DumpThreadMain();
    bool WriteDump(pid_t requestingThread, const CrashContext* crash, const AssertionRecord* assertion);
    void InstallHandlers();
    void RestorePreviousHandlers();
    void LeaveStack();
    void DieAfterFailedDump(int signal, siginfo_t* info, void* ucontext) const;

    static void OnFatalSignal(int signal, siginfo_t* info, void* ucontext);
    [[noreturn]] static void OnTerminate();

    Filter m_filter;
    Completion m_completion;
    void* m_context;
    std::string m_dumpFolder;
    std::string m_nextDumpId;
    std::string m_nextDumpPath;
    int m_handlerTypes;

    struct sigaction m_previousActions[NSIG] = {};
    std::terminate_handler m_previousTerminate = nullptr;

    std::thread m_dumpThread;
    std::atomic<pid_t> m_dumpThreadId{0};
    std::atomic<bool> m_quit{false};
    std::atomic<bool> m_requestBusy{false};
    sem_t m_startSignal;
    sem_t m_doneSignal;
    pid_t m_requestingThread = 0;
    const CrashContext* m_crash = nullptr;
    const AssertionRecord* m_assertion = nullptr;
    bool m_result = false;
};
