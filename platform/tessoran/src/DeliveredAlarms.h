#pragma once
// The last alarm number delivered per device and alarm run: a device sends again
// what it had no acknowledgement for, and what was delivered already is only
// acknowledged again, not delivered twice. With a ledger file the numbers
// outlive the process: a client killed after its callback stored an alarm but
// before the acknowledgement left does not store it again when the device sends
// it to the restarted client. The file is written right after each callback;
// sync() puts what was written on the disk, which a killed process does not
// need but a machine that loses power does.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace tessoran {

class DeliveredAlarms
{
public:
    DeliveredAlarms() = default;
    ~DeliveredAlarms();
    DeliveredAlarms(const DeliveredAlarms&) = delete;
    DeliveredAlarms& operator=(const DeliveredAlarms&) = delete;

    // Loads and then keeps the numbers in `path`; false with the reason.
    bool openLedger(const std::string& path, std::string& error);

    // The last number delivered in this run of the device, 0 for none.
    uint32_t last(const std::string& device, uint64_t runId) const;
    // False when the alarm was delivered already. Numbers start at 1: 0 is never new.
    bool isNew(const std::string& device, uint64_t runId, uint32_t number) const;
    void markDelivered(const std::string& device, uint64_t runId, uint32_t number);
    // Waits until the records written since the last call are on the disk; true
    // also when there is nothing to sync (or no ledger). False with the reason.
    bool sync(std::string& error);

private:
    struct Run
    {
        uint64_t id = 0;
        uint32_t last = 0;
        int64_t offset = -1; // of its record in the ledger
    };
    void write(const std::string& device, Run& run);

    mutable std::mutex mutex_;
    std::map<std::string, Run> runs_;
    int ledger_ = -1;
    int64_t ledgerSize_ = 0;
    bool unsynced_ = false;
    std::string writeError_; // of a record written since the last sync
};

} // namespace tessoran
