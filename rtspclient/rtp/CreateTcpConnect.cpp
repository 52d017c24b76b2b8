#include "rtp/CreateTcpConnect.h"

#include "rtp/CIocpTransmitter.h"
#include "rtp/PellmarTransportLog.h"
#include "rtp/ResolveIPv4Address.h"

namespace {

const char kFunction[] = "Connect";

ZMR_SOCKET Fail(ZMR_SOCKET socket)
{
    ZMR_CloseSocket(socket, 0);
    return ZMR_INVALID_SOCKET;
}

} // namespace

ZMR_SOCKET CreateTcpConnect(const char* sourceAddress, const char* destinationAddress, uint16_t sourcePort,
                            uint16_t destinationPort, unsigned int timeoutMs)
{
    const char* source = sourceAddress ? sourceAddress : "";
    const char* destination = destinationAddress ? destinationAddress : "";
    ZMR_SOCKET socket = ZMR_CreateSocket(ZMR_AF_INET, ZMR_SOCK_STREAM, ZMR_IPPROTO_TCP);
    if (socket == ZMR_INVALID_SOCKET) {
        TRANSPORT_LOG_ERROR_IN(kFunction, "Create Socket Fail, errCode<%d>", ZMR_GetSystemLastError());
        return ZMR_INVALID_SOCKET;
    }
    if (ZMR_SetReuseAddr(socket, 1) != 0) {
        TRANSPORT_LOG_ERROR_IN(kFunction, "ZMR_SetReuseAddr Fail, errCode<%d>", ZMR_GetSystemLastError());
        return Fail(socket);
    }
    if ((sourceAddress && *sourceAddress) || sourcePort != 0) {
        ZMR_ADDR local;
        if (ZMR_MakeAddrByString(ZMR_AF_INET, sourceAddress, sourcePort, &local) != 0) {
            TRANSPORT_LOG_ERROR_IN(kFunction, "ZMR_MakeAddrByString Fail, src Addr<%s:%d>, errCode<%d>", source,
                                   sourcePort, ZMR_GetSystemLastError());
            return Fail(socket);
        }
        if (ZMR_Bind(socket, &local) != 0) {
            TRANSPORT_LOG_ERROR_IN(kFunction, "Bind Fail, src Addr<%s:%d>, errCode<%d>", source, sourcePort,
                                   ZMR_GetSystemLastError());
            return Fail(socket);
        }
    }
    ZMR_ADDR remote;
    if (!ResolveIPv4Address(destination, destinationPort, remote)) {
        TRANSPORT_LOG_ERROR_IN(kFunction, "ZMR_MakeAddrByString Fail, dst Addr<%s:%d>, errCode<%d>", destination,
                               destinationPort, ZMR_GetSystemLastError());
        return Fail(socket);
    }
    if (ZMR_ConnectWithTimeOut(socket, &remote, timeoutMs) != 0) {
        TRANSPORT_LOG_ERROR_IN(kFunction, "ZMR_ConnectWithTimeOut, dst Addr<%s:%d>, errCode<%d>", destination,
                               destinationPort, ZMR_GetSystemLastError());
        return Fail(socket);
    }
    if (ZMR_SetBuffSize(socket, CIocpTransmitter::kSocketBufferSize, CIocpTransmitter::kSocketBufferSize) != 0) {
        TRANSPORT_LOG_ERROR_IN(kFunction, "ZMR_SetBuffSize Fail, errCode<%d>", ZMR_GetSystemLastError());
        return Fail(socket);
    }
    return socket;
}
