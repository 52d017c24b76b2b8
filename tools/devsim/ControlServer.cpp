#include "ControlServer.h"

#include "ControlCommands.h"

namespace devsim {

using tessoran::wire::IoStatus;

bool ControlServer::start(const std::string& address, uint16_t port, std::string& error)
{
    server_ = tessoran::wire::Socket::listenOn(address, port, error);
    if (!server_.valid())
        return false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void ControlServer::stop()
{
    stopWaker_.signal();
    if (thread_.joinable())
        thread_.join();
    server_.close();
}

void ControlServer::run()
{
    for (;;) {
        IoStatus status = server_.waitReadable(-1, {stopWaker_.fd()});
        if (status == IoStatus::Woken)
            return;
        if (status != IoStatus::Ok)
            continue;
        tessoran::wire::Socket client = server_.accept();
        if (client.valid())
            serve(client);
    }
}

void ControlServer::serve(tessoran::wire::Socket& client)
{
    std::string pending;
    for (;;) {
        char byte;
        IoStatus status = client.readExact(&byte, 1, -1, {stopWaker_.fd()});
        if (status != IoStatus::Ok)
            return;
        if (byte != '\n') {
            if (pending.size() < 4096)
                pending.push_back(byte);
            continue;
        }
        if (!pending.empty() && pending.back() == '\r')
            pending.pop_back();
        std::string answer = executeControl(simulator_, pending) + "\n";
        pending.clear();
        if (client.writeAll(answer.data(), answer.size(), 5000, {stopWaker_.fd()}) != IoStatus::Ok)
            return;
    }
}

} // namespace devsim
