#pragma once
#include <cstdint>
#include <map>
#include <string>

#include "ZMR_Mutex.h"
#include "ZMR_Sema.h"

// Responses of one RTSP session by CSeq, between the connection's receive
// thread (Store) and the one request step that waits (WaitPosted, Take).
// Entries nobody takes (late answers, answers to abandoned waits) are swept:
// at most once every 25 s, everything older than 50 s goes. Times are
// milliseconds of the caller's clock, so tests can drive them.
class CRtspResponseMap {
public:
    static constexpr uint64_t kSweepIntervalMs = 25000;
    static constexpr uint64_t kMaxAgeMs = 50000;

    explicit CRtspResponseMap(uint64_t nowMs);

    // Replaces an older entry of the same CSeq and wakes the waiter.
    void Store(uint16_t cseq, std::string text, uint64_t nowMs);
    // Moves the entry's text out and erases it; false when absent.
    bool Take(uint16_t cseq, std::string& text);
    // True when Store posted within `milliseconds`.
    bool WaitPosted(unsigned int milliseconds);
    // Sweeps when the last sweep is more than 25 s ago; returns the entries erased.
    size_t SweepIfDue(uint64_t nowMs);
    size_t Size();
    void Clear();

private:
    struct Entry {
        std::string text;
        uint64_t storedMs;
    };

    std::map<uint16_t, Entry> m_mapResponses;
    ZMR_Mutex m_cMutex;
    uint64_t m_ullLastSweepMs;
    ZMR_Sema m_cPosted{0, 65535};
};
