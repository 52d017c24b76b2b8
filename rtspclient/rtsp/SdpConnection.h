#ifndef PELLMAR_SDPCONNECTION_H
#define PELLMAR_SDPCONNECTION_H

#include <string>

// A "c=" line: network type, address type, address, TTL and address count
// (-1 when absent).
struct SdpConnection
{
    std::string netType;
    std::string addrType;
    std::string address;
    int ttl = -1;
    int count = -1;

    // Only a value of exactly three blank-separated fields is taken.
    bool Parse(const std::string& value);
    bool IsSet() const { return !netType.empty() && !addrType.empty() && !address.empty(); }
    // "c=..." with its line end; `positiveOnly` writes TTL and count only
    // when above 0 (media level) instead of when not negative (session level).
    std::string Build(bool positiveOnly) const;
};

#endif
