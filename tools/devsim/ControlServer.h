#pragma once
// Serves the control language on a TCP port, for demos (nc 127.0.0.1 <port>)
// and scripts: one connection at a time, one answer per line.

#include "Socket.h"
#include "Waker.h"

#include <cstdint>
#include <string>
#include <thread>

namespace devsim {

class Simulator;

class ControlServer
{
public:
    explicit ControlServer(Simulator& simulator) : simulator_(simulator) { }
    ~ControlServer() { stop(); }

    bool start(const std::string& address, uint16_t port, std::string& error);
    void stop();

private:
    void run();
    void serve(tessoran::wire::Socket& client);

    Simulator& simulator_;
    tessoran::wire::Socket server_;
    tessoran::wire::Waker stopWaker_;
    std::thread thread_;
};

} // namespace devsim
