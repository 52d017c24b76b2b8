#pragma once
// What a hostile host does to an alarm listener, for tests and demos: trickle a
// frame a byte at a time, send alarms without proving a device, hold many
// connections open with a large announced frame. Each attack runs on a thread
// of its own and reports one line of what the listener did.

#include "Waker.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace devsim {

class ListenerAttacks
{
public:
    ListenerAttacks(std::string host, uint16_t port) : host_(std::move(host)), port_(port) { }
    ~ListenerAttacks() { stop(); }
    ListenerAttacks(const ListenerAttacks&) = delete;
    ListenerAttacks& operator=(const ListenerAttacks&) = delete;

    // A hello sent one byte every intervalMs.
    void trickle(int intervalMs);
    // An alarm frame (body given) sent without the hello that proves a device.
    void unauthenticatedAlarm(std::vector<uint8_t> alarmBody);
    // `count` connections, each sending a header that announces the largest body
    // and then one byte every few seconds, held until stop().
    void hold(int count);
    void stop();

    // One line per finished attack, oldest first.
    std::vector<std::string> results() const;

private:
    void run(std::string name, std::function<std::string()> attack);
    void report(const std::string& line);

    const std::string host_;
    const uint16_t port_;
    tessoran::wire::Waker stopWaker_;
    std::mutex mutex_;
    std::vector<std::thread> threads_;
    mutable std::mutex resultsMutex_;
    std::vector<std::string> results_;
};

} // namespace devsim
