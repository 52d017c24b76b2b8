#pragma once
// The last alarm number delivered per device and alarm run: a device sends again
// what it had no acknowledgement for, and what was delivered already is only
// acknowledged again, not delivered twice.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace tessoran {

class DeliveredAlarms {
public:
  // The last number delivered in this run of the device, 0 for none.
  uint32_t last(const std::string& device, uint64_t runId) const;
  // False when the alarm was delivered already. Number 0 is unnumbered: always new.
  bool isNew(const std::string& device, uint64_t runId, uint32_t number) const;
  void markDelivered(const std::string& device, uint64_t runId, uint32_t number);

private:
  struct Run {
    uint64_t id = 0;
    uint32_t last = 0;
  };
  mutable std::mutex mutex_;
  std::map<std::string, Run> runs_;
};

}  // namespace tessoran
