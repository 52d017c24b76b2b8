/*
 * ZMR: the portable runtime Pellmar stands on (threads, time, atomics, locks,
 * IPv4 sockets, completion queues, dynamic libraries, text helpers).
 *
 * Conventions: unless a function says otherwise it returns 0 on success and
 * non-zero on failure, and ZMR_GetSystemLastError() then gives the reason
 * (an errno value). A socket is an int; ZMR_INVALID_SOCKET (-1) means none.
 */
#ifndef ZMR_H
#define ZMR_H

#include <stddef.h>
#include <stdint.h>
#include <netdb.h>
#include <netinet/in.h>

#include "zmr_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Library ---------------------------------------------------------- */

/* Counted: every successful ZMR_InitEx needs one ZMR_FiniEx. */
ZMR_API int ZMR_InitEx(void);
ZMR_API int ZMR_FiniEx(void);
/* The calling thread's last system error (errno) after a failed call. */
ZMR_API int ZMR_GetSystemLastError(void);

/* ---- Threads and time ------------------------------------------------- */

typedef uintptr_t ZMR_THREAD;
#define ZMR_INVALID_THREAD ((ZMR_THREAD)0)
typedef unsigned int (*ZMR_THREAD_ROUTINE)(void* argument);

/* Starts `routine(argument)` on a new thread. The last four arguments exist
 * for source compatibility (stack size, flags, priority, reserved) and must be
 * 0 or are ignored. Returns 0 on failure. Every handle must be passed to
 * ZMR_Thread_Wait exactly once, which joins the thread and frees the handle. */
ZMR_API ZMR_THREAD ZMR_Thread_Create(ZMR_THREAD_ROUTINE routine, void* argument, unsigned int stackSize,
                                     unsigned int flags, int priority, void* reserved);
ZMR_API int ZMR_Thread_Wait(ZMR_THREAD thread);
ZMR_API void ZMR_Sleep(unsigned int milliseconds);
/* Milliseconds of a monotonic clock; only differences are meaningful. */
ZMR_API uint64_t ZMR_GetTimeTick(void);

/* ---- Atomics on 32-bit integers (sequentially consistent) ------------- */

/* Returns the value held before the addition; adding 0 reads it. */
ZMR_API int32_t ZMR_AtomicAdd(volatile int32_t* value, int32_t delta);
/* Return the value after the change, so `ZMR_AtomicDec(&refs) == 0` frees. */
ZMR_API int32_t ZMR_AtomicInc(volatile int32_t* value);
ZMR_API int32_t ZMR_AtomicDec(volatile int32_t* value);
/* Returns the value held before. */
ZMR_API int32_t ZMR_AtomicSet(volatile int32_t* value, int32_t newValue);

/* ---- IPv4 sockets ------------------------------------------------------ */

typedef int ZMR_SOCKET;
#define ZMR_INVALID_SOCKET (-1)
#define ZMR_AF_INET 2
#define ZMR_SOCK_STREAM 1
#define ZMR_SOCK_DGRAM 2
#define ZMR_IPPROTO_TCP 6
#define ZMR_IPPROTO_UDP 17
#define ZMR_SD_BOTH 2
/* The Windows control that stops ICMP port-unreachable being reported as a
 * receive error on UDP sockets. Linux never reports it on unconnected UDP
 * sockets, so the control is accepted and changes nothing. */
#define ZMR_SIO_UDP_CONNRESET 0x9800000CU
#define ZMR_FIONBIO 0x8004667EU
#define ZMR_FIONREAD 0x4004667FU
#define ZMR_ADDR_STRING_MAX 16

/* An IPv4 address with port, in network byte order. */
typedef struct sockaddr_in ZMR_ADDR;
/* One resolved address; entries are chained through ai_next. */
typedef struct addrinfo ZMR_ADDRINFO;

/* Only family 2 (IPv4) with types 1/6 (TCP) or 2/17 (UDP). Close-on-exec. */
ZMR_API ZMR_SOCKET ZMR_CreateSocket(int family, int type, int protocol);
/* Fills `address` from a dotted IPv4 text and a port in host order; a null or
 * empty text means any address. Host names are not resolved here. */
ZMR_API int ZMR_MakeAddrByString(int family, const char* text, uint16_t port, ZMR_ADDR* address);
ZMR_API int ZMR_Bind(ZMR_SOCKET socket, const ZMR_ADDR* address);
/* Connects within `milliseconds`; the socket stays blocking afterwards. */
ZMR_API int ZMR_ConnectWithTimeOut(ZMR_SOCKET socket, const ZMR_ADDR* address, unsigned int milliseconds);
ZMR_API int ZMR_SetReuseAddr(ZMR_SOCKET socket, int on);
ZMR_API int ZMR_SetBuffSize(ZMR_SOCKET socket, int sendBytes, int receiveBytes);
/* Joins the IPv4 multicast group `group` on the interface of `localAddress`
 * (null or empty: the one the system chooses) and stops the socket hearing
 * its own multicast sends. 0 on success, -1 for texts that are no IPv4
 * address, a group outside 224.0.0.0/4 or a refused join. */
ZMR_API int ZMR_JoinMulticastGroup(ZMR_SOCKET socket, const char* group, const char* localAddress);
ZMR_API int ZMR_ShutDown(ZMR_SOCKET socket, int how);
/* Unbinds the socket from its completion queue first (pending operations
 * complete with ZMR_ASYNCIO_ABORTED), then closes it. `flags` is unused. */
ZMR_API int ZMR_CloseSocket(ZMR_SOCKET socket, int flags);
/* Blocking send of the whole buffer; never raises SIGPIPE. Returns the number
 * of bytes sent, or -1. */
ZMR_API int ZMR_Send(ZMR_SOCKET socket, const void* data, size_t length);
/* One datagram already waiting on `socket`, without waiting for one: its
 * length (0 for an empty datagram) with the sender in `from` (may be null),
 * or -1 when none waits (errno EAGAIN) or on failure. For a receiver that
 * drains a socket inside its completion before posting the next receive. */
ZMR_API int ZMR_RecvFromNoWait(ZMR_SOCKET socket, void* buffer, size_t length, ZMR_ADDR* from);
ZMR_API int ZMR_Ioctl(ZMR_SOCKET socket, unsigned int control, void* value);
/* Writes the dotted text of `address` into `buffer` (ZMR_ADDR_STRING_MAX is
 * enough); returns `buffer`, or null when it does not fit. */
ZMR_API char* ZMR_GetAddrString(const ZMR_ADDR* address, char* buffer, size_t size);
/* The port in host order. */
ZMR_API uint16_t ZMR_GetAddrPort(const ZMR_ADDR* address);
/* Resolves `host` to IPv4 addresses only. `service` may be null; `flags` is
 * unused. The list must be freed with ZMR_FreeAddressInfo. */
ZMR_API int ZMR_GetAddressInfo(const char* host, const char* service, int flags, ZMR_ADDRINFO** list);
ZMR_API int ZMR_GetAddrStringEx(const ZMR_ADDRINFO* entry, char* buffer, size_t size);
ZMR_API void ZMR_FreeAddressInfo(ZMR_ADDRINFO* list);
ZMR_API uint16_t ZMR_Htons(uint16_t value);
ZMR_API uint16_t ZMR_Ntohs(uint16_t value);

/* ---- Completion queues -------------------------------------------------
 *
 * A queue is a pool of threads that run completions. A socket is bound to one
 * queue; each started operation (a call below that returned 0) completes
 * exactly once by calling its callback on one of the queue's threads, with no
 * ZMR lock held:
 *   callback(result, bytes, context)
 * result 0 is success; ZMR_ASYNCIO_ABORTED (995) means the operation was
 * cancelled (unbind, close, queue destroyed); any other value is an errno.
 * A TCP receive that completes with result 0 and 0 bytes is the end of the
 * stream. Buffers given to receives must stay valid until the completion;
 * data given to sends is copied at the call. TCP sends on one socket are
 * written whole and in the order of the calls, and complete in that order.
 * Completions belong to the operation: after a socket is unbound or closed,
 * a new socket that reuses its number never sees them.
 * Unbinding or closing does not wait: the cancelled operations' callbacks
 * may still run on the queue after the call returned, so their contexts and
 * receive buffers must live until then. Once ZMR_AsyncIO_DestroyQueueEx
 * returned, no callback of that queue runs again.
 */
typedef void* ZMR_ASYNCIOQUEUE;
#define ZMR_INVALID_ASYNCIOQUEUE ((ZMR_ASYNCIOQUEUE)0)
#define ZMR_ASYNCIO_ABORTED 995
typedef void (*ZMR_ASYNCIO_CALLBACK)(int32_t result, uint32_t bytes, void* context);

/* Starts `threads` threads (1 to 256); returns null on failure. */
ZMR_API ZMR_ASYNCIOQUEUE ZMR_AsyncIO_CreateQueueEx_New(int threads);
/* Cancels the operations of every socket still bound (those sockets are
 * unbound, not closed), runs every outstanding completion, joins the threads
 * and frees the queue. Refused (EDEADLK) from one of the queue's own threads. */
ZMR_API int ZMR_AsyncIO_DestroyQueueEx(ZMR_ASYNCIOQUEUE queue);
ZMR_API int ZMR_AsyncIO_BindIOHandleToQueueEx(ZMR_SOCKET socket, ZMR_ASYNCIOQUEUE queue);
/* Default callback for operations started on `socket` with a null callback. */
ZMR_API int ZMR_AsyncIO_BindCallBackToIOHandleEx(ZMR_SOCKET socket, ZMR_ASYNCIO_CALLBACK callback);
/* Pending operations complete with ZMR_ASYNCIO_ABORTED; the socket stays open
 * and returns to blocking mode. */
ZMR_API int ZMR_AsyncIO_UnBindIOHandleEx(ZMR_SOCKET socket, ZMR_ASYNCIOQUEUE queue);
ZMR_API int ZMR_AsyncIO_RecvEx(ZMR_SOCKET socket, void* buffer, uint32_t length, void* context,
                               ZMR_ASYNCIO_CALLBACK callback);
/* `from` receives the sender's address and must stay valid until completion. */
ZMR_API int ZMR_AsyncIO_RecvFromEx(ZMR_SOCKET socket, void* buffer, uint32_t length, void* context, ZMR_ADDR* from,
                                   ZMR_ASYNCIO_CALLBACK callback);
ZMR_API int ZMR_AsyncIO_SendEx(ZMR_SOCKET socket, const void* data, uint32_t length, void* context,
                               ZMR_ASYNCIO_CALLBACK callback);
ZMR_API int ZMR_AsyncIO_SendToEx(ZMR_SOCKET socket, const void* data, uint32_t length, void* context,
                                 const ZMR_ADDR* to, ZMR_ASYNCIO_CALLBACK callback);
/* Queues a completion carrying (result, bytes, context) without any I/O.
 * `socket` may be ZMR_INVALID_SOCKET; otherwise it must be bound to `queue`,
 * and a null callback means the socket's bound callback. */
ZMR_API int ZMR_AsyncIO_PostQueuedCompleteStatusEx(ZMR_ASYNCIOQUEUE queue, ZMR_SOCKET socket, int32_t result,
                                                   uint32_t bytes, void* context, ZMR_ASYNCIO_CALLBACK callback);

/* ---- Dynamic libraries ------------------------------------------------- */

typedef void* ZMR_DSO;
ZMR_API ZMR_DSO ZMR_LoadDSo(const char* file);
ZMR_API void* ZMR_GetDsoSym(ZMR_DSO handle, const char* name);
ZMR_API int ZMR_UnloadDSo(ZMR_DSO handle);

/* ---- Text -------------------------------------------------------------- */

/* Decimal with optional sign and leading blanks; stops at the first other
 * character; saturates at the 32-bit limits; null gives 0. */
ZMR_API int32_t ZMR_Atoi32(const char* text);
/* 0 when the first `count` characters are equal. */
ZMR_API int ZMR_Strncmp(const char* a, const char* b, size_t count);
/* Copies at most count - 1 characters and always terminates (count > 0). */
ZMR_API char* ZMR_Strncpy(char* destination, const char* source, size_t count);

#ifdef __cplusplus
}
#endif

#endif
