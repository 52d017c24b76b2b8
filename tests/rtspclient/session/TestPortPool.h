#pragma once
// The local port ranges a test program gives Pellmar_InitLib. Test programs
// run side by side, so each takes ranges of its own (chosen by its process
// id) far above the privileged ports; ports another program holds are
// skipped by the pool.
#include <unistd.h>

#include "Pellmar.h"

inline PORT_POOL_T TestPortPool()
{
    const uint16_t base = static_cast<uint16_t>(20000 + (getpid() % 100) * 400);
    return PORT_POOL_T{base, 100, static_cast<uint16_t>(base + 200), 100};
}
