#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

// Sends standard output and standard error to /dev/null while it lives, so
// tests that log thousands of lines through the console sinks stay readable.
class ConsoleSilencer
{
public:
    ConsoleSilencer()
    {
        std::fflush(stdout);
        std::fflush(stderr);
        savedOut_ = dup(STDOUT_FILENO);
        savedErr_ = dup(STDERR_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        close(null);
    }
    ~ConsoleSilencer()
    {
        std::fflush(stdout);
        std::fflush(stderr);
        dup2(savedOut_, STDOUT_FILENO);
        dup2(savedErr_, STDERR_FILENO);
        close(savedOut_);
        close(savedErr_);
    }
    ConsoleSilencer(const ConsoleSilencer&) = delete;
    ConsoleSilencer& operator=(const ConsoleSilencer&) = delete;

private:
    int savedOut_;
    int savedErr_;
};
