#pragma once
// The calling thread's last error. Successful calls never touch it.

#include <cstdint>

namespace tessoran {

void setLastError(uint32_t code);
uint32_t lastError();
const char* errorText(uint32_t code);

// Records the code and returns the failure value of the calling function.
inline int32_t fail(uint32_t code, int32_t result = 0)
{
    setLastError(code);
    return result;
}

} // namespace tessoran
