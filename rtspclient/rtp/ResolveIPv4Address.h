#pragma once
#include <cstdint>

#include "zmr.h"

// Fills `address` from dotted IPv4 text or, failing that, from the first IPv4
// address the host name resolves to. An empty or null host fails: it would
// otherwise mean "any address", which reaches this host.
bool ResolveIPv4Address(const char* host, uint16_t port, ZMR_ADDR& address);
