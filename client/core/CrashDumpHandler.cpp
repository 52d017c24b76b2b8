#include "CrashDumpHandler.h"

#include <QUuid>

#include <cxxabi.h>
#include <execinfo.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <typeinfo>

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP};
constexpr int kMaxHandlers = 16;

// The handler stack is read from signal handlers, so it is a fixed array with
// an atomic size; changes to it are serialised by the mutex.
std::mutex g_stackMutex;
CrashDumpHandler* g_stack[kMaxHandlers] = {};
std::atomic<int> g_stackSize{0};
std::atomic<int> g_handlingDepth{0};
std::atomic<CrashDumpHandler*> g_pureCallHandler{nullptr};

// Fresh stack for the thread that installed the handlers, so that a stack
// overflow there can still be reported.
alignas(16) char g_alternateStack[64 * 1024];

pid_t CurrentThreadId()
{
    return static_cast<pid_t>(syscall(SYS_gettid));
}

const char* SignalName(int signal)
{
    switch (signal) {
    case 0: return "none";
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGFPE: return "SIGFPE";
    case SIGILL: return "SIGILL";
    case SIGABRT: return "SIGABRT";
    case SIGTRAP: return "SIGTRAP";
    default: return "other";
    }
}

const void* ProgramCounter(void* ucontext)
{
#if defined(__x86_64__)
    return reinterpret_cast<const void*>(static_cast<ucontext_t*>(ucontext)->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    return reinterpret_cast<const void*>(static_cast<ucontext_t*>(ucontext)->uc_mcontext.pc);
#else
    (void)ucontext;
    return nullptr;
#endif
}

void FillCrashContext(CrashContext& crash, int signal, const siginfo_t* info, void* ucontext)
{
    crash.signal = signal;
    crash.code = info ? info->si_code : 0;
    crash.address = info ? info->si_addr : nullptr;
    crash.programCounter = ucontext ? ProgramCounter(ucontext) : nullptr;
    crash.threadId = CurrentThreadId();
    crash.frameCount = backtrace(crash.frames, CrashContext::kMaxFrames);
}

// The newest handler that is not already handling a crash: a crash inside a
// handling goes one handler further down the stack.
CrashDumpHandler* EnterHandling()
{
    const int depth = ++g_handlingDepth;
    const int index = g_stackSize.load() - depth;
    return index >= 0 ? g_stack[index] : nullptr;
}

void LeaveHandling()
{
    --g_handlingDepth;
}

void CopyUtf16(char16_t (&target)[128], const char* utf8)
{
    // Latin and CJK text both fit; characters outside the BMP become '?'.
    size_t out = 0;
    for (const unsigned char* in = reinterpret_cast<const unsigned char*>(utf8); *in && out + 1 < 128;) {
        char32_t c = *in++;
        int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        c &= more == 3 ? 0x07 : more == 2 ? 0x0F : more == 1 ? 0x1F : 0x7F;
        for (; more > 0 && (*in & 0xC0) == 0x80; --more)
            c = (c << 6) | (*in++ & 0x3F);
        target[out++] = c > 0xFFFF || more > 0 ? u'?' : static_cast<char16_t>(c);
    }
    target[out] = 0;
}

AssertionRecord MakeAssertion(uint32_t type, const char* expression, const char* function)
{
    AssertionRecord record;
    std::memset(&record, 0, sizeof record);
    CopyUtf16(record.expression, expression);
    CopyUtf16(record.function, function);
    record.type = type;
    return record;
}

// Buffered writer over a file descriptor with async-signal-safe calls only.
class DumpWriter
{
public:
    explicit DumpWriter(int fd) : m_fd(fd) { }
    ~DumpWriter() { Flush(); }

    DumpWriter& Text(const char* text)
    {
        while (*text)
            Put(*text++);
        return *this;
    }
    DumpWriter& Decimal(long long value)
    {
        char digits[24];
        int n = 0;
        const bool negative = value < 0;
        unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value) : value;
        do {
            digits[n++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude);
        if (negative)
            Put('-');
        while (n)
            Put(digits[--n]);
        return *this;
    }
    DumpWriter& Hex(const void* pointer)
    {
        const auto value = reinterpret_cast<uintptr_t>(pointer);
        Text("0x");
        for (int shift = static_cast<int>(sizeof value * 8) - 4; shift >= 0; shift -= 4)
            Put("0123456789abcdef"[(value >> shift) & 0xF]);
        return *this;
    }
    DumpWriter& Utf16(const char16_t* text, size_t capacity)
    {
        for (size_t i = 0; i < capacity && text[i]; ++i) {
            const char32_t c = text[i];
            if (c < 0x20 || c == 0x7F) {
                // One line per field: a line feed in an exception's text must
                // not start a line of its own.
                Text("\\x");
                Put("0123456789abcdef"[c >> 4]);
                Put("0123456789abcdef"[c & 0xF]);
            } else if (c < 0x80) {
                Put(static_cast<char>(c));
            } else if (c < 0x800) {
                Put(static_cast<char>(0xC0 | (c >> 6)));
                Put(static_cast<char>(0x80 | (c & 0x3F)));
            } else {
                Put(static_cast<char>(0xE0 | (c >> 12)));
                Put(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
                Put(static_cast<char>(0x80 | (c & 0x3F)));
            }
        }
        return *this;
    }
    DumpWriter& FileContents(const char* path)
    {
        Flush();
        const int in = open(path, O_RDONLY | O_CLOEXEC);
        if (in < 0) {
            m_failed = true;
            return *this;
        }
        ssize_t n;
        while ((n = read(in, m_buffer, sizeof m_buffer)) != 0) {
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                m_failed = true;
                break;
            }
            m_used = static_cast<size_t>(n);
            Flush();
        }
        close(in);
        return *this;
    }
    bool Flush()
    {
        for (size_t done = 0; done < m_used;) {
            const ssize_t n = write(m_fd, m_buffer + done, m_used - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                m_failed = true;
                break;
            }
            done += static_cast<size_t>(n);
        }
        m_used = 0;
        return !m_failed;
    }
    bool Failed() const { return m_failed; }

private:
    void Put(char c)
    {
        if (m_used == sizeof m_buffer)
            Flush();
        m_buffer[m_used++] = c;
    }

    int m_fd;
    size_t m_used = 0;
    bool m_failed = false;
    char m_buffer[4096];
};

[[noreturn]] void AbortWithoutHandlers()
{
    // The dump is written: die of SIGABRT without a second dump.
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigaction(SIGABRT, &action, nullptr);
    abort();
}

} // namespace

CrashDumpHandler::CrashDumpHandler(const std::string& dumpFolder, Filter filter, Completion completion, void* context,
                                   int handlerTypes)
    : m_filter(filter), m_completion(completion), m_context(context), m_dumpFolder(dumpFolder),
      m_handlerTypes(handlerTypes)
{
    while (m_dumpFolder.size() > 1 && m_dumpFolder.back() == '/')
        m_dumpFolder.pop_back();
    NewDumpPath();

    // backtrace() loads its unwinder on first use, which allocates: do it now,
    // not inside a signal handler.
    void* warmUp[2];
    backtrace(warmUp, 2);

    sem_init(&m_startSignal, 0, 0);
    sem_init(&m_doneSignal, 0, 0);
    m_dumpThread = std::thread([this] { DumpThreadMain(); });

    if (m_handlerTypes != HandlerNone)
        InstallHandlers();
}

CrashDumpHandler::~CrashDumpHandler()
{
    if (m_handlerTypes != HandlerNone) {
        RestorePreviousHandlers();
        LeaveStack();
    }
    m_quit = true;
    sem_post(&m_startSignal);
    m_dumpThread.join();
    sem_destroy(&m_startSignal);
    sem_destroy(&m_doneSignal);
}

std::string CrashDumpHandler::NewGuidText()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower().toStdString();
}

void CrashDumpHandler::NewDumpPath()
{
    m_nextDumpId = NewGuidText();
    m_nextDumpPath = m_dumpFolder + "/" + m_nextDumpId + ".dmp";
}

void CrashDumpHandler::InstallHandlers()
{
    std::lock_guard<std::mutex> lock(g_stackMutex);
    if (g_stackSize < kMaxHandlers)
        g_stack[g_stackSize++] = this;
    else
        fputs("warning: too many crash handlers, this one is not stacked\n", stderr);

    if (m_handlerTypes & HandlerFatalSignals) {
        stack_t stack = {};
        stack.ss_sp = g_alternateStack;
        stack.ss_size = sizeof g_alternateStack;
        sigaltstack(&stack, nullptr);

        struct sigaction action = {};
        action.sa_sigaction = &CrashDumpHandler::OnFatalSignal;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        for (int signal : kFatalSignals)
            sigaction(signal, &action, &m_previousActions[signal]);
    }
    if (m_handlerTypes & HandlerTerminate)
        m_previousTerminate = std::set_terminate(&CrashDumpHandler::OnTerminate);
    if (m_handlerTypes & HandlerPureCall)
        g_pureCallHandler = this;
}

void CrashDumpHandler::RestorePreviousHandlers()
{
    std::lock_guard<std::mutex> lock(g_stackMutex);
    if (m_handlerTypes & HandlerFatalSignals) {
        for (int signal : kFatalSignals)
            sigaction(signal, &m_previousActions[signal], nullptr);
    }
    if (m_handlerTypes & HandlerTerminate)
        std::set_terminate(m_previousTerminate);
    if (m_handlerTypes & HandlerPureCall) {
        CrashDumpHandler* self = this;
        g_pureCallHandler.compare_exchange_strong(self, nullptr);
    }
}

void CrashDumpHandler::LeaveStack()
{
    std::lock_guard<std::mutex> lock(g_stackMutex);
    const int size = g_stackSize;
    if (size > 0 && g_stack[size - 1] == this) {
        g_stack[--g_stackSize] = nullptr;
        return;
    }
    fputs("warning: removing crash handler out of order\n", stderr);
    int kept = 0;
    for (int i = 0; i < size; ++i) {
        if (g_stack[i] != this)
            g_stack[kept++] = g_stack[i];
    }
    std::fill(g_stack + kept, g_stack + size, nullptr);
    g_stackSize = kept;
}

void CrashDumpHandler::DumpThreadMain()
{
    m_dumpThreadId = CurrentThreadId();
    for (;;) {
        while (sem_wait(&m_startSignal) == -1 && errno == EINTR) { }
        if (m_quit)
            return;
        if (!TakeRequest(m_working))
            continue; // withdrawn by a requester that gave up
        const bool result = WriteDump(m_working);
        m_answeredResult = result;
        m_answeredSerial = m_working.serial;
        sem_post(&m_doneSignal);
    }
}

bool CrashDumpHandler::TakeRequest(Request& request)
{
    int full = SlotFull;
    if (!m_slotState.compare_exchange_strong(full, SlotTaking))
        return false;
    std::memcpy(static_cast<void*>(&request), &m_slot, sizeof request);
    m_slotState = SlotEmpty;
    return true;
}

bool CrashDumpHandler::PutRequest(const CrashContext* crash, const AssertionRecord* assertion, unsigned long serial)
{
    // The slot is empty but for the moment the dump thread copies it out.
    for (int tries = 0; m_slotState.load() != SlotEmpty; ++tries) {
        if (tries > 1000)
            return false;
        const timespec oneMillisecond{0, 1000000};
        nanosleep(&oneMillisecond, nullptr);
    }
    if (m_nextDumpPath.size() >= sizeof m_slot.dumpPath || m_nextDumpId.size() >= sizeof m_slot.dumpId)
        return false;
    m_slot.serial = serial;
    m_slot.requestingThread = CurrentThreadId();
    m_slot.hasCrash = crash != nullptr;
    if (crash)
        std::memcpy(static_cast<void*>(&m_slot.crash), crash, sizeof *crash);
    m_slot.hasAssertion = assertion != nullptr;
    if (assertion)
        std::memcpy(&m_slot.assertion, assertion, sizeof *assertion);
    std::memcpy(m_slot.dumpId, m_nextDumpId.c_str(), m_nextDumpId.size() + 1);
    std::memcpy(m_slot.dumpPath, m_nextDumpPath.c_str(), m_nextDumpPath.size() + 1);
    m_slotState = SlotFull;
    return true;
}

bool CrashDumpHandler::WaitForAnswer(unsigned long serial, int milliseconds)
{
    timespec deadline;
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_sec += milliseconds / 1000;
    deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    while (m_answeredSerial.load() != serial) {
        // A late answer to an earlier request also posts: it is passed over.
        if (sem_timedwait(&m_doneSignal, &deadline) == -1 && errno != EINTR)
            return false;
    }
    return true;
}

bool CrashDumpHandler::RequestDump(const CrashContext* crash, const AssertionRecord* assertion)
{
    if (CurrentThreadId() == m_dumpThreadId)
        return false; // the dump thread itself crashed: nobody is left to write

    // One request at a time; a second crashing thread waits its turn, but not forever.
    const int timeoutMs = m_timeoutMs;
    bool idle = false;
    for (int tries = 0; !m_requestBusy.compare_exchange_weak(idle, true); idle = false) {
        if (++tries > timeoutMs)
            return false;
        const timespec oneMillisecond{0, 1000000};
        nanosleep(&oneMillisecond, nullptr);
    }
    const unsigned long serial = ++m_nextSerial;
    bool result = false;
    if (PutRequest(crash, assertion, serial)) {
        sem_post(&m_startSignal);
        const bool answered = WaitForAnswer(serial, timeoutMs);
        if (answered) {
            result = m_answeredResult;
        } else {
            // Not taken yet: withdrawn. Taken: the dump thread works on its
            // own copy and its late answer carries this serial.
            int full = SlotFull;
            m_slotState.compare_exchange_strong(full, SlotEmpty);
        }
    }
    m_requestBusy = false;
    return result;
}

bool CrashDumpHandler::WriteDump(const Request& request)
{
    const pid_t requestingThread = request.requestingThread;
    const CrashContext* crash = request.hasCrash ? &request.crash : nullptr;
    const AssertionRecord* assertion = request.hasAssertion ? &request.assertion : nullptr;
    bool result = false;
    if (!m_filter || m_filter(m_context, crash, assertion)) {
        const int fd = open(request.dumpPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd >= 0) {
            DumpWriter out(fd);
            out.Text("CORVANE CRASH DUMP 1\n");
            out.Text("dump-id: ").Text(request.dumpId).Text("\n");
            out.Text("process: ").Decimal(getpid()).Text("\n");
            out.Text("requesting-thread: ").Decimal(requestingThread).Text("\n");
            out.Text("dump-thread: ").Decimal(m_dumpThreadId.load()).Text("\n");
            if (crash) {
                out.Text("signal: ").Decimal(crash->signal).Text(" ").Text(SignalName(crash->signal)).Text("\n");
                out.Text("code: ").Decimal(crash->code).Text("\n");
                out.Text("address: ").Hex(crash->address).Text("\n");
                out.Text("crashing-thread: ").Decimal(crash->threadId).Text("\n");
            }
            if (assertion) {
                out.Text("assertion-type: ").Decimal(assertion->type).Text("\n");
                out.Text("assertion-expression: ").Utf16(assertion->expression, 128).Text("\n");
                out.Text("assertion-function: ").Utf16(assertion->function, 128).Text("\n");
                out.Text("assertion-file: ").Utf16(assertion->file, 128).Text("\n");
                out.Text("assertion-line: ").Decimal(assertion->line).Text("\n");
            }
            if (crash) {
                // The program counter first: the faulting instruction itself.
                const bool havePc = crash->programCounter != nullptr;
                out.Text("frames: ").Decimal(crash->frameCount + (havePc ? 1 : 0)).Text("\n");
                if (havePc)
                    out.Text("pc ").Hex(crash->programCounter).Text("\n");
                for (int i = 0; i < crash->frameCount; ++i)
                    out.Text("ret ").Hex(crash->frames[i]).Text("\n");
            }
            out.Text("maps:\n");
            out.FileContents("/proc/self/maps");
            out.Text("end\n");
            result = out.Flush() && !out.Failed();
            if (fsync(fd) != 0)
                result = false;
            close(fd);
        }
    }
    if (m_completion)
        result = m_completion(m_dumpFolder.c_str(), request.dumpId, m_context, crash, assertion, result);
    return result;
}

bool CrashDumpHandler::WriteDumpOfCurrentState()
{
    CrashContext crash;
    FillCrashContext(crash, 0, nullptr, nullptr);
    const bool written = RequestDump(&crash, nullptr);
    NewDumpPath();
    return written;
}

bool CrashDumpHandler::WriteDumpNow(const std::string& dumpFolder, Completion completion, void* context)
{
    CrashDumpHandler handler(dumpFolder, nullptr, completion, context, HandlerNone);
    return handler.WriteDumpOfCurrentState();
}

bool CrashDumpHandler::CallPreviousHandler(int signal, siginfo_t* info, void* ucontext) const
{
    const struct sigaction& previous = m_previousActions[signal];
    if ((previous.sa_flags & SA_SIGINFO) && previous.sa_sigaction) {
        previous.sa_sigaction(signal, info, ucontext);
        return true;
    }
    if (previous.sa_handler == SIG_IGN)
        return true;
    if (previous.sa_handler != SIG_DFL) {
        previous.sa_handler(signal);
        return true;
    }
    return false;
}

void CrashDumpHandler::OnFatalSignal(int signal, siginfo_t* info, void* ucontext)
{
    const int savedErrno = errno;
    CrashDumpHandler* handler = EnterHandling();
    if (signal == SIGTRAP) {
        // A breakpoint or single step is no crash: it goes, without a dump, to
        // whatever handled it before us; only the default action ends the process.
        const bool handled = handler && handler->CallPreviousHandler(signal, info, ucontext);
        LeaveHandling();
        if (handled) {
            errno = savedErrno;
            return;
        }
    } else {
        CrashContext crash;
        FillCrashContext(crash, signal, info, ucontext);
        const bool dumped = handler && handler->RequestDump(&crash, nullptr);
        // No dump: whatever handled this signal before us gets it.
        if (handler && !dumped)
            handler->CallPreviousHandler(signal, info, ucontext);
        LeaveHandling();
    }

    // Die of the original signal so the exit status tells the truth: it is
    // blocked while we run and arrives, under the default action, as we return.
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigaction(signal, &action, nullptr);
    raise(signal);
    errno = savedErrno;
}

void CrashDumpHandler::OnTerminate()
{
    std::string what = "std::terminate";
    if (const std::type_info* type = abi::__cxa_current_exception_type()) {
        int status = 0;
        char* name = abi::__cxa_demangle(type->name(), nullptr, nullptr, &status);
        what += std::string(" with uncaught ") + (status == 0 && name ? name : type->name());
        std::free(name);
        try {
            throw;
        } catch (const std::exception& e) {
            what += std::string(": ") + e.what();
        } catch (...) {
        }
    }
    const AssertionRecord record = MakeAssertion(1, what.c_str(), "std::terminate");
    CrashContext crash;
    FillCrashContext(crash, 0, nullptr, nullptr);

    CrashDumpHandler* handler = EnterHandling();
    const bool dumped = handler && handler->RequestDump(&crash, &record);
    const std::terminate_handler previous = handler ? handler->m_previousTerminate : nullptr;
    LeaveHandling();
    if (!dumped && previous)
        previous();
    AbortWithoutHandlers();
}

static void RunPureCallHandler()
{
    CrashDumpHandler* handler = g_pureCallHandler.load();
    if (!handler) {
        static const char message[] = "pure virtual method called\n";
        (void)!write(STDERR_FILENO, message, sizeof message - 1);
        std::terminate();
    }
    const AssertionRecord record = MakeAssertion(2, "pure virtual function call", "__cxa_pure_virtual");
    CrashContext crash;
    FillCrashContext(crash, 0, nullptr, nullptr);
    if (handler->RequestDump(&crash, &record))
        AbortWithoutHandlers();
    std::terminate();
}

// Replaces the C++ runtime's routine for calls of pure virtual functions in
// this program, so that they can be dumped with their own record.
extern "C" void __cxa_pure_virtual()
{
    RunPureCallHandler();
}
