#pragma once
#include <cstdint>
#include <map>
#include <string>

#include "ZMR_Mutex.h"
#include "ZMR_Sema.h"

// Responses of one RTSP session by CSeq, between the connection's receive
// thread (Store) and the one request step that waits (Expect, WaitPosted,
// Take). Only the response to the request announced by Expect is kept: a
// server answering CSeqs nobody asked for (or answering twice) cannot fill
// memory while a stream plays. At most kMaxEntries are held in any case, and
// entries nobody takes are swept: at most once every 25 s, everything older
// than 50 s goes. Times are milliseconds of the caller's clock, so tests can
// drive them.
class CRtspResponseMap
{
public:
    static constexpr uint64_t kSweepIntervalMs = 25000;
    static constexpr uint64_t kMaxAgeMs = 50000;

    static constexpr size_t kMaxEntries = 4;
    static constexpr int kNone = -1;

    explicit CRtspResponseMap(uint64_t nowMs);

    // The CSeq whose response is awaited (kNone: none). Announced before the
    // request is sent, as the answer can arrive before the wait begins;
    // kNone also drops whatever is held.
    void Expect(int cseq);
    // Keeps the awaited response (replacing an older entry of the same
    // CSeq) and wakes the waiter; false, dropped, for any other.
    bool Store(uint16_t cseq, std::string text, uint64_t nowMs);
    // Wakes the waiter without a response (something else for it to check).
    void Wake() { m_cPosted.Post(); }
    // Moves the entry's text out and erases it; false when absent.
    bool Take(uint16_t cseq, std::string& text);
    // True when Store posted within `milliseconds`.
    bool WaitPosted(unsigned int milliseconds);
    // Sweeps when the last sweep is more than 25 s ago; returns the entries erased.
    size_t SweepIfDue(uint64_t nowMs);
    size_t Size();
    void Clear();

private:
    struct Entry
    {
        std::string text;
        uint64_t storedMs;
    };

    std::map<uint16_t, Entry> m_mapResponses;
    int m_iExpected = kNone;
    ZMR_Mutex m_cMutex;
    uint64_t m_ullLastSweepMs;
    ZMR_Sema m_cPosted{0, 65535};
};
