#pragma once
// Threads and open descriptors of this process, from /proc.
#include <dirent.h>

#include <cstddef>

inline size_t CountEntries(const char* folder)
{
    size_t count = 0;
    if (DIR* dir = opendir(folder)) {
        while (const dirent* entry = readdir(dir))
            count += entry->d_name[0] != '.';
        closedir(dir);
    }
    return count;
}

inline size_t ProcessThreads()
{
    return CountEntries("/proc/self/task");
}
inline size_t OpenDescriptors()
{
    return CountEntries("/proc/self/fd");
}
