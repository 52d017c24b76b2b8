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
    enum HandlerType {
        HandlerNone = 0,
        HandlerFatalSignals = 1, // SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT; SIGTRAP (breakpoints,
                                 // single steps) goes to the previous handler without a dump
        HandlerTerminate = 2,    // std::terminate: uncaught exceptions, noexcept violations
        HandlerPureCall = 4,     // pure virtual calls
    };

    // Both callbacks are optional and run on the dump thread: async-signal-safe code only.
    // A filter returning false writes no dump; the completion's result replaces the dump's.
    using Filter = bool (*)(void* context, const CrashContext* crash, const AssertionRecord* assertion);
    using Completion = bool (*)(const char* folder, const char* dumpId, void* context, const CrashContext* crash,
                                const AssertionRecord* assertion, bool succeeded);

    CrashDumpHandler(const std::string& dumpFolder, Filter filter, Completion completion, void* context,
                     int handlerTypes);
    ~CrashDumpHandler();
    CrashDumpHandler(const CrashDumpHandler&) = delete;
    CrashDumpHandler& operator=(const CrashDumpHandler&) = delete;

    // Hands one request to the dump thread and waits for its answer, at most
    // the dump timeout: a dump that hangs must not hang the crashed process.
    // The request is copied, so a dump that finishes after its requester gave
    // up reads nothing of the requester's, and the next request can follow.
    bool RequestDump(const CrashContext* crash, const AssertionRecord* assertion);

    // How long a request waits for the dump thread (kDumpTimeoutSeconds unless set).
    void SetDumpTimeout(int milliseconds) { m_timeoutMs = milliseconds; }

    // A dump of the calling thread's current state; the next dump gets a new name.
    bool WriteDumpOfCurrentState();

    const std::string& NextDumpId() const { return m_nextDumpId; }
    const std::string& NextDumpPath() const { return m_nextDumpPath; }

    // A temporary handler that installs nothing writes one dump of the caller's state.
    static bool WriteDumpNow(const std::string& dumpFolder, Completion completion, void* context);

    // Lower-case GUID text with dashes: 36 characters.
    static std::string NewGuidText();

    static constexpr int kDumpTimeoutSeconds = 10;

private:
    // Everything the dump thread reads of one request, copied out of the
    // requester's stack and the handler's changing strings.
    struct Request
    {
        unsigned long serial = 0;
        pid_t requestingThread = 0;
        bool hasCrash = false;
        bool hasAssertion = false;
        CrashContext crash;
        AssertionRecord assertion;
        char dumpId[48] = {};
        char dumpPath[4096] = {};
    };
    enum SlotState {
        SlotEmpty,
        SlotFull,
        SlotTaking,
    };

    void NewDumpPath();
    void DumpThreadMain();
    bool TakeRequest(Request& request);
    bool PutRequest(const CrashContext* crash, const AssertionRecord* assertion, unsigned long serial);
    bool WaitForAnswer(unsigned long serial, int milliseconds);
    bool WriteDump(const Request& request);
    void InstallHandlers();
    void RestorePreviousHandlers();
    void LeaveStack();
    // False when there was none to call (the default action).
    bool CallPreviousHandler(int signal, siginfo_t* info, void* ucontext) const;

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
    std::atomic<int> m_timeoutMs{kDumpTimeoutSeconds * 1000};
    sem_t m_startSignal;
    sem_t m_doneSignal;
    // The one request slot: the requester fills it while empty, the dump
    // thread copies it out; a requester that gives up withdraws it if untaken.
    std::atomic<int> m_slotState{SlotEmpty};
    Request m_slot;
    Request m_working; // the dump thread's own copy
    std::atomic<unsigned long> m_nextSerial{0};
    // Answers carry the serial of their request: a late answer to a request
    // that timed out is never taken for the answer to the next one.
    std::atomic<unsigned long> m_answeredSerial{0};
    std::atomic<bool> m_answeredResult{false};
};
