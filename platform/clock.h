// Wall clock and tick counter, read through here so tests can set them.
#pragma once

#include <time.h>

#include <cstdint>
#include <ctime>

// Milliseconds that keep counting while the machine is suspended (CLOCK_BOOTTIME;
// CLOCK_MONOTONIC where the kernel lacks it), so after a resume every timer advances
// by the whole sleep. Truncated to unsigned 32 bits: wraps like a tick counter.
uint32_t GetTickCount();
// Seconds since the epoch, as time() gives them (libfaketime applies).
std::time_t WallClock();

// Test hooks: a fixed tick count or wall clock replaces the real one until cleared;
// `reader` (clock_gettime's signature, null for the real one) is what the tick counter
// reads its clocks through.
void SetTickCountForTesting(uint32_t ms);
void SetWallClockForTesting(std::time_t t);
void SetTickClockReaderForTesting(int (*reader)(clockid_t, timespec*));
void ClearClocksForTesting();
