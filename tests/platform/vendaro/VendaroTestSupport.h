#pragma once

#include "Vendaro.h"
#include "../../support/WaitUntil.h"

#include <cstdint>
#include <vector>

using testsupport::WaitUntil;

// Feeds a block as a live source would, trying again while the buffer is full.
inline bool feedBlock(long port, const std::vector<uint8_t>& block)
{
    return WaitUntil([&] { return Mavro_InputData(port, block.data(), unsigned(block.size())) != 0; });
}

inline std::vector<uint8_t> lastFrame(long port)
{
    int width = 0;
    int height = 0;
    if (!Mavro_GetLastFrameImage(port, nullptr, 0, &width, &height))
        return {};
    std::vector<uint8_t> pixels(size_t(width) * height * 4);
    if (!Mavro_GetLastFrameImage(port, pixels.data(), unsigned(pixels.size()), &width, &height))
        return {};
    return pixels;
}

// Opens a stream port with the given session header.
inline long openStreamPort(const std::vector<uint8_t>& header, unsigned int bufferSize = 6291456)
{
    long port = -1;
    if (!Mavro_GetPort(&port))
        return -1;
    MAVRO_SESSION_INFO info{MAVRO_SESSION_HEADER, int32_t(header.size()), header.data()};
    if (!Mavro_SetStreamOpenMode(port, MAVRO_STREAM_REALTIME) ||
        !Mavro_OpenStreamAdvanced(port, 1, &info, bufferSize)) {
        Mavro_FreePort(port);
        return -1;
    }
    return port;
}
