#pragma once

// Work handed to Qt's thread pool crosses threads under the pool's own lock,
// inside Qt, where ThreadSanitizer cannot see it: it would report a runnable's
// fields, written where it was made and read where it runs, as raced. The
// thread that made it announces the hand-over before it starts the runnable,
// and the runnable takes it first thing in run(). Nothing in other builds.
#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);

inline void AnnounceHandOver(const void* work)
{
    __tsan_release(const_cast<void*>(work));
}

inline void TakeHandOver(const void* work)
{
    __tsan_acquire(const_cast<void*>(work));
}
#else
inline void AnnounceHandOver(const void*)
{
}

inline void TakeHandOver(const void*)
{
}
#endif
