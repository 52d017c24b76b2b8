// Crashes in the way its first argument names, with a crash handler writing
// into the folder of the second argument. Prints the expected dump id first.
#include "core/CrashDumpHandler.h"

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace {

__attribute__((noinline)) void CrashByNullDereference()
{
    volatile int* volatile pointer = nullptr;
    *pointer = 42;
}

__attribute__((noinline)) void CrashByAbort()
{
    abort();
}

__attribute__((noinline)) void ThrowRuntimeError()
{
    throw std::runtime_error("thrown through noexcept");
}

__attribute__((noinline)) void PropagateThroughNoexcept() noexcept
{
    ThrowRuntimeError();
}

struct PureCallBase;
void CallPureFromConstructor(PureCallBase* volatile object);

// During the base's constructor the object is still a base, whose Pure() has no body.
struct PureCallBase
{
    PureCallBase() { CallPureFromConstructor(this); }
    virtual ~PureCallBase() = default;
    virtual void Pure() = 0;
};

__attribute__((noinline)) void CallPureFromConstructor(PureCallBase* volatile object)
{
    object->Pure();
}

struct PureCallDerived : PureCallBase
{
    void Pure() override { std::puts("never reached"); }
};

__attribute__((noinline)) void CrashOnWorkerThread()
{
    std::thread worker([] { CrashByNullDereference(); });
    worker.join();
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winfinite-recursion"
__attribute__((noinline)) int OverflowStack(int depth)
{
    volatile char frame[4096];
    frame[depth % sizeof frame] = static_cast<char>(depth);
    return OverflowStack(depth + 1) + frame[0];
}
#pragma GCC diagnostic pop

void PreviousTrapHandler(int)
{
    static const char line[] = "previous trap handler\n";
    (void)!write(STDOUT_FILENO, line, sizeof line - 1);
}

__attribute__((noinline)) void StopAtBreakpoint()
{
    raise(SIGTRAP);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3)
        return 2;
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);

    const std::string how = argv[1];
    if (how == "trap-chained")
        signal(SIGTRAP, &PreviousTrapHandler);

    CrashDumpHandler handler(argv[2], nullptr, nullptr, nullptr,
                             CrashDumpHandler::HandlerFatalSignals | CrashDumpHandler::HandlerTerminate |
                                 CrashDumpHandler::HandlerPureCall);
    std::printf("%s\n", handler.NextDumpId().c_str());
    std::fflush(stdout);

    if (how == "null")
        CrashByNullDereference();
    else if (how == "abort")
        CrashByAbort();
    else if (how == "noexcept")
        PropagateThroughNoexcept();
    else if (how == "pure")
        PureCallDerived{};
    else if (how == "worker")
        CrashOnWorkerThread();
    else if (how == "overflow")
        return OverflowStack(0);
    else if (how == "trap" || how == "trap-chained") {
        StopAtBreakpoint();
        std::printf("continued\n");
        return 4;
    }
    return 3;
}
