// libFuzzer target: URL parsing. Names are "resolved" only when they are
// dotted IPv4 texts, so the fuzzer never waits on a name server.
#include <arpa/inet.h>

#include <cstddef>
#include <cstdint>

#include "rtsp/CUriParser.h"
#include "wexl.h"

namespace {

class OfflineUriParser : public CUriParser
{
protected:
    std::string ResolveHost(const std::string& host, bool& resolved) override
    {
        in_addr address{};
        resolved = inet_pton(AF_INET, host.c_str(), &address) == 1;
        return host;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = (Wexl_SetLevel(7), true);
    (void)quiet;
    OfflineUriParser parser;
    int marker = 0;
    std::map<std::string, std::string> query;
    std::string host, path, scheme;
    uint16_t port = 0;
    parser.ParseUri(marker, query, std::string(reinterpret_cast<const char*>(data), size), host, port, path, scheme);
    return 0;
}
