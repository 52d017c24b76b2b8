#include "rtp/RtpPortSource.h"

#include "rtp/CPortPool.h"
#include "singleton.h"

// Tracks draw from the library's port pool; without a PORT_POOL_T at
// initialisation it stays empty and every draw gives 0.
uint16_t RtpPortSource::TakeTcpPort() { return singleton<CPortPool>::instance()->GetAndCheckTcpPort(); }
uint16_t RtpPortSource::TakeUdpPort() { return singleton<CPortPool>::instance()->GetAndCheckUdpPort(); }
void RtpPortSource::GiveBackTcpPort(uint16_t port) { singleton<CPortPool>::instance()->ReleaseTcpPort(port); }
void RtpPortSource::GiveBackUdpPort(uint16_t port) { singleton<CPortPool>::instance()->ReleaseUdpPort(port); }
