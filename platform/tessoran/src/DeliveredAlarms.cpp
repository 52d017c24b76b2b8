#include "DeliveredAlarms.h"

namespace tessoran {

uint32_t DeliveredAlarms::last(const std::string& device, uint64_t runId) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = runs_.find(device);
  return it != runs_.end() && it->second.id == runId ? it->second.last : 0;
}

bool DeliveredAlarms::isNew(const std::string& device, uint64_t runId, uint32_t number) const {
  return number == 0 || number > last(device, runId);
}

void DeliveredAlarms::markDelivered(const std::string& device, uint64_t runId, uint32_t number) {
  if (number == 0) return;
  std::lock_guard<std::mutex> lock(mutex_);
  Run& run = runs_[device];
  if (run.id != runId) run = Run{runId, 0};
  if (number > run.last) run.last = number;
}

}  // namespace tessoran
