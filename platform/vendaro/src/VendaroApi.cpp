// The exported C calls: each finds the port and forwards to it, recording a
// failure as the port's last error.

#include "Vendaro.h"

#include "PlayerPort.h"
#include "PortCallbacks.h"
#include "PortRegistry.h"
#include "VideoOutput.h"

using vendaro::PlayerPort;
using vendaro::PortRegistry;

namespace {

template <typename Operation>
int onPort(long port, Operation operation)
{
    const auto player = PortRegistry::instance().find(port);
    if (!player)
        return 0;
    const unsigned int error = operation(*player);
    if (error != MAVRO_NOERROR)
        player->setLastError(error);
    return error == MAVRO_NOERROR ? 1 : 0;
}

template <typename Result, typename Query>
Result queryPort(long port, Result invalid, Query query)
{
    const auto player = PortRegistry::instance().find(port);
    if (!player)
        return invalid;
    return query(*player);
}

} // namespace

extern "C" {

int Mavro_SetPortPoolSize(unsigned int count)
{
    return PortRegistry::instance().setPoolSize(count) ? 1 : 0;
}

int Mavro_GetPort(long* port)
{
    if (!port)
        return 0;
    const long acquired = PortRegistry::instance().acquire();
    if (acquired < 0)
        return 0;
    *port = acquired;
    return 1;
}

int Mavro_FreePort(long port)
{
    return PortRegistry::instance().release(port) ? 1 : 0;
}

unsigned int Mavro_GetLastError(long port)
{
    return queryPort(port, unsigned(MAVRO_ERR_INVALID_PORT), [](PlayerPort& p) { return p.lastError(); });
}

int Mavro_SetStreamOpenMode(long port, unsigned int mode)
{
    return onPort(port, [&](PlayerPort& p) { return p.setStreamOpenMode(mode); });
}

int Mavro_OpenStreamAdvanced(long port, int protocolType, const MAVRO_SESSION_INFO* info, unsigned int bufferPoolSize)
{
    return onPort(port, [&](PlayerPort& p) { return p.openStream(protocolType, info, bufferPoolSize); });
}

int Mavro_CloseStream(long port)
{
    return onPort(port, [](PlayerPort& p) { return p.closeStream(); });
}

int Mavro_InputData(long port, const unsigned char* data, unsigned int length)
{
    return onPort(port, [&](PlayerPort& p) { return p.inputData(data, length); });
}

int Mavro_OpenFile(long port, const char* path)
{
    return onPort(port, [&](PlayerPort& p) { return p.openFile(path); });
}

int Mavro_CloseFile(long port)
{
    return onPort(port, [](PlayerPort& p) { return p.closeFile(); });
}

int Mavro_SetFileRefCallBack(long port, MAVRO_FILE_REF_CALLBACK callback, void* user)
{
    return onPort(port, [&](PlayerPort& p) {
        p.callbacks().set(vendaro::PortCallbacks::FileIndexed, callback, user);
        return unsigned(MAVRO_NOERROR);
    });
}

int Mavro_SetFileEndCallback(long port, MAVRO_FILE_END_CALLBACK callback, void* user)
{
    return onPort(port, [&](PlayerPort& p) {
        p.callbacks().set(vendaro::PortCallbacks::FileEnded, callback, user);
        return unsigned(MAVRO_NOERROR);
    });
}

int Mavro_Play(long port, MAVRO_HWND window)
{
    return onPort(port, [&](PlayerPort& p) { return p.play(window); });
}

int Mavro_Stop(long port)
{
    return onPort(port, [](PlayerPort& p) { return p.stop(); });
}

int Mavro_Pause(long port, unsigned int pause)
{
    return onPort(port, [&](PlayerPort& p) { return p.pause(pause != 0); });
}

int Mavro_Fast(long port)
{
    return onPort(port, [](PlayerPort& p) { return p.changeSpeed(+1); });
}

int Mavro_Slow(long port)
{
    return onPort(port, [](PlayerPort& p) { return p.changeSpeed(-1); });
}

int Mavro_OneByOne(long port)
{
    return onPort(port, [](PlayerPort& p) { return p.stepForward(); });
}

int Mavro_OneByOneBack(long port)
{
    return onPort(port, [](PlayerPort& p) { return p.stepBack(); });
}

int Mavro_SetPlayedTimeEx(long port, unsigned int milliseconds)
{
    return onPort(port, [&](PlayerPort& p) { return p.seekMs(milliseconds); });
}

int Mavro_SetPlayPos(long port, float position)
{
    return onPort(port, [&](PlayerPort& p) { return p.seekPosition(position); });
}

float Mavro_GetPlayPos(long port)
{
    return queryPort(port, 0.0f, [](PlayerPort& p) { return p.playPosition(); });
}

unsigned int Mavro_GetFileTime(long port)
{
    return queryPort(port, 0u, [](PlayerPort& p) { return p.fileSeconds(); });
}

int Mavro_GetPlayedTime(long port)
{
    return queryPort(port, -1, [](PlayerPort& p) {
        const int ms = p.playedMs();
        return ms < 0 ? -1 : ms / 1000;
    });
}

int Mavro_GetPlayedTimeEx(long port)
{
    return queryPort(port, -1, [](PlayerPort& p) { return p.playedMs(); });
}

unsigned int Mavro_GetFileTotalFrames(long port)
{
    return queryPort(port, 0u, [](PlayerPort& p) { return p.totalFrames(); });
}

unsigned int Mavro_GetCurrentFrameNum(long port)
{
    return queryPort(port, 0u, [](PlayerPort& p) { return p.currentFrame(); });
}

int Mavro_PlaySoundShare(long port)
{
    return onPort(port, [](PlayerPort& p) { return p.playSound(); });
}

int Mavro_StopSoundShare(long port)
{
    return onPort(port, [](PlayerPort& p) { return p.stopSound(); });
}

unsigned int Mavro_GetDecodedFrameCount(long port)
{
    return queryPort(port, 0u, [](PlayerPort& p) { return p.output().decodedFrames(); });
}

unsigned int Mavro_GetPlayedSoundFrameCount(long port)
{
    return queryPort(port, 0u, [](PlayerPort& p) { return p.playedSoundFrames(); });
}

unsigned int Mavro_GetShownFrameCount(long port)
{
    return queryPort(port, 0u, [](PlayerPort& p) { return p.output().shownFrames(); });
}

int Mavro_GetLastFrameImage(long port, unsigned char* buffer, unsigned int bufferSize, int* width, int* height)
{
    return onPort(port, [&](PlayerPort& p) {
        return p.output().lastFrameImage(buffer, bufferSize, width, height) ? unsigned(MAVRO_NOERROR)
                                                                            : unsigned(MAVRO_ERR_PARAMETER);
    });
}

} // extern "C"
