// Library counting, threads, time, atomics, dynamic libraries and text.
#include "zmr.h"

#include <dlfcn.h>
#include <pthread.h>
#include <time.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>

namespace {

std::atomic<int> g_initCount{0};

struct ThreadStart
{
    ZMR_THREAD_ROUTINE routine;
    void* argument;
};

struct ThreadHandle
{
    pthread_t thread;
};

void* runThread(void* start)
{
    const ThreadStart copy = *static_cast<ThreadStart*>(start);
    delete static_cast<ThreadStart*>(start);
    copy.routine(copy.argument);
    return nullptr;
}

} // namespace

int ZMR_InitEx(void)
{
    g_initCount.fetch_add(1);
    return 0;
}

int ZMR_FiniEx(void)
{
    int count = g_initCount.load();
    while (count > 0 && !g_initCount.compare_exchange_weak(count, count - 1)) { }
    if (count <= 0) {
        errno = EINVAL;
        return -1;
    }
    return 0;
}

int ZMR_GetSystemLastError(void)
{
    return errno;
}

ZMR_THREAD ZMR_Thread_Create(ZMR_THREAD_ROUTINE routine, void* argument, unsigned int, unsigned int, int, void*)
{
    if (!routine) {
        errno = EINVAL;
        return ZMR_INVALID_THREAD;
    }
    auto* start = new (std::nothrow) ThreadStart{routine, argument};
    auto* handle = new (std::nothrow) ThreadHandle;
    if (!start || !handle) {
        delete start;
        delete handle;
        errno = ENOMEM;
        return ZMR_INVALID_THREAD;
    }
    const int error = pthread_create(&handle->thread, nullptr, runThread, start);
    if (error != 0) {
        delete start;
        delete handle;
        errno = error;
        return ZMR_INVALID_THREAD;
    }
    return reinterpret_cast<ZMR_THREAD>(handle);
}

int ZMR_Thread_Wait(ZMR_THREAD thread)
{
    auto* handle = reinterpret_cast<ThreadHandle*>(thread);
    if (!handle) {
        errno = EINVAL;
        return -1;
    }
    const int error = pthread_join(handle->thread, nullptr);
    delete handle;
    if (error != 0) {
        errno = error;
        return -1;
    }
    return 0;
}

void ZMR_Sleep(unsigned int milliseconds)
{
    timespec remaining{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) { }
}

uint64_t ZMR_GetTimeTick(void)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000U + static_cast<uint64_t>(now.tv_nsec) / 1000000U;
}

int32_t ZMR_AtomicAdd(volatile int32_t* value, int32_t delta)
{
    return __atomic_fetch_add(value, delta, __ATOMIC_SEQ_CST);
}

int32_t ZMR_AtomicInc(volatile int32_t* value)
{
    return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST);
}

int32_t ZMR_AtomicDec(volatile int32_t* value)
{
    return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST);
}

int32_t ZMR_AtomicSet(volatile int32_t* value, int32_t newValue)
{
    return __atomic_exchange_n(value, newValue, __ATOMIC_SEQ_CST);
}

ZMR_DSO ZMR_LoadDSo(const char* file)
{
    if (!file || !*file) {
        errno = EINVAL;
        return nullptr;
    }
    void* handle = dlopen(file, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        errno = ENOENT;
    return handle;
}

void* ZMR_GetDsoSym(ZMR_DSO handle, const char* name)
{
    if (!handle || !name) {
        errno = EINVAL;
        return nullptr;
    }
    return dlsym(handle, name);
}

int ZMR_UnloadDSo(ZMR_DSO handle)
{
    if (!handle || dlclose(handle) != 0) {
        errno = EINVAL;
        return -1;
    }
    return 0;
}

int32_t ZMR_Atoi32(const char* text)
{
    if (!text)
        return 0;
    while (*text == ' ' || *text == '\t')
        ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    int64_t value = 0;
    const int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > limit) {
            value = limit;
            break;
        }
    }
    return static_cast<int32_t>(negative ? -value : value);
}

int ZMR_Strncmp(const char* a, const char* b, size_t count)
{
    if (!a || !b)
        return a == b ? 0 : 1;
    return std::strncmp(a, b, count);
}

char* ZMR_Strncpy(char* destination, const char* source, size_t count)
{
    if (!destination || count == 0)
        return destination;
    size_t length = 0;
    if (source) {
        while (length + 1 < count && source[length] != '\0')
            ++length;
        std::memcpy(destination, source, length);
    }
    destination[length] = '\0';
    return destination;
}
