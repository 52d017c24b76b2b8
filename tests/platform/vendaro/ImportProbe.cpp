// Plays a file through the import library, as the client does, and prints
// what came of it: "played <frames>" or "failed <error code>". The import
// test runs it from different folders.
#include "Vendaro.h"
#include "../../support/WaitUntil.h"

#include <cstdio>

namespace {

int Failed(long port)
{
    std::printf("failed %u\n", Mavro_GetLastError(port));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    long port = -1;
    if (!Mavro_GetPort(&port))
        return Failed(port);
    if (!Mavro_OpenFile(port, argv[1]) || !Mavro_Play(port, 0))
        return Failed(port);
    testsupport::WaitUntil([port] { return Mavro_GetDecodedFrameCount(port) > 0; });
    const unsigned int frames = Mavro_GetDecodedFrameCount(port);
    Mavro_Stop(port);
    Mavro_CloseFile(port);
    Mavro_FreePort(port);
    std::printf("played %u\n", frames);
    return frames > 0 ? 0 : 1;
}
