#pragma once

#include <cstdint>

// A failed check that is not a signal: std::terminate (type 1) or a pure
// virtual call (type 2). Texts are UTF-16, truncated and zero-terminated.
struct AssertionRecord
{
    char16_t expression[128];
    char16_t function[128];
    char16_t file[128];
    uint32_t line;
    uint32_t type;
};
static_assert(sizeof(AssertionRecord) == 776, "the assertion record is written into dumps whole");
