#include "rtpcore/RtpSessionParams.h"

#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <vector>

namespace rtpcore {

namespace {

std::string UserName()
{
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name)
        return found->pw_name;
    const char* user = std::getenv("USER");
    return user ? user : "user";
}

std::string HostName()
{
    char host[HOST_NAME_MAX + 1] = {};
    if (gethostname(host, sizeof host - 1) != 0 || host[0] == '\0')
        return "localhost";
    return host;
}

} // namespace

std::string DefaultCname()
{
    return UserName() + "@" + HostName();
}

} // namespace rtpcore
