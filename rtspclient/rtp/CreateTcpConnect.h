#pragma once
#include <cstdint>

#include "zmr.h"

// Connects a TCP socket from (source address or any, source port or any) to
// the destination within `timeoutMs`, with 512 KiB socket buffers. Returns
// the socket, or -1 (logged) with nothing left open.
ZMR_SOCKET CreateTcpConnect(const char* sourceAddress, const char* destinationAddress, uint16_t sourcePort,
                            uint16_t destinationPort, unsigned int timeoutMs);
