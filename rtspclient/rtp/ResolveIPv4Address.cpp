#include "rtp/ResolveIPv4Address.h"

bool ResolveIPv4Address(const char* host, uint16_t port, ZMR_ADDR& address)
{
    if (host == nullptr || *host == '\0')
        return false;
    if (ZMR_MakeAddrByString(ZMR_AF_INET, host, port, &address) == 0)
        return true;
    ZMR_ADDRINFO* list = nullptr;
    if (ZMR_GetAddressInfo(host, nullptr, 0, &list) != 0 || list == nullptr)
        return false;
    char text[256] = {};
    const bool found = ZMR_GetAddrStringEx(list, text, sizeof text) == 0 &&
                       ZMR_MakeAddrByString(ZMR_AF_INET, text, port, &address) == 0;
    ZMR_FreeAddressInfo(list);
    return found;
}
