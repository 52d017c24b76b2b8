#pragma once
// Moves the clock of an MPEG-TS run: every program clock reference and every
// PES time stamp (PTS, DTS) is advanced by the same number of 90 kHz ticks,
// modulo 2^33 as the fields wrap. The looping clip then reads as one
// continuous recording, so players show its true length.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace devsim {

// Shifts the whole 188-byte packets of `ts` in place; a trailing part packet
// and packets that are not TS are left alone.
void shiftTimestamps(std::vector<uint8_t>& ts, int64_t ticks90k);

// The 33-bit time stamp of a PES header's 5-byte field, and its inverse,
// which keeps the field's prefix and marker bits.
uint64_t readTimestamp(const uint8_t* field);
void writeTimestamp(uint8_t* field, uint64_t value);

} // namespace devsim
