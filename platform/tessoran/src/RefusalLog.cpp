#include "RefusalLog.h"

#include "Log.h"

namespace tessoran {

void RefusalLog::refused(const std::string& kind, const std::string& line)
{
    if (!timing_) {
        timing_ = true;
        timer_.expires_after(kInterval);
        timer_.async_wait([this](const boost::system::error_code& error) {
            if (!error)
                report();
        });
    }
    Tally& tally = kinds_[kind];
    if (tally.logged < kLinesPerInterval) {
        ++tally.logged;
        sdkLog().warn("{}", line);
    } else {
        ++tally.counted;
    }
}

void RefusalLog::report()
{
    timing_ = false;
    for (const auto& [kind, tally] : kinds_)
        if (tally.counted > 0)
            sdkLog().warn("alarm listener: {} more connections {} in the last {} s", tally.counted, kind,
                          kInterval.count());
    kinds_.clear();
}

} // namespace tessoran
