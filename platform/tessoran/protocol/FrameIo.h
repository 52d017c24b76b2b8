#pragma once
// Whole frames over a Socket.

#include "Frame.h"
#include "Socket.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessoran::wire {

struct Frame
{
    FrameHeader header;
    std::vector<uint8_t> body;
};

enum class ReadStatus { Ok, Timeout, Woken, Closed, Malformed };

// Waits up to firstByteMs for a frame to begin (-1: no limit), then reads it
// whole within frameMs of its first byte: one deadline for the frame, so a peer
// that trickles bytes cannot hold the reader. The body grows with the bytes
// received, never to the announced length ahead of them. Malformed: bad magic,
// version or length, with the reason in `why`; the caller answers with an Error
// frame and closes. A frame cut by close or silence is logged by the caller
// (`why` says how far it got).
ReadStatus readFrame(Socket& socket, int firstByteMs, int frameMs, const std::vector<int>& wakeFds, Frame& out,
                     std::string& why);

IoStatus writeFrame(Socket& socket, Kind kind, uint32_t sequence, const std::vector<uint8_t>& body, int timeoutMs,
                    const std::vector<int>& wakeFds);

} // namespace tessoran::wire
