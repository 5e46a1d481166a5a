// Wall clock and tick counter, read through here so tests can set them.
#pragma once

#include <cstdint>
#include <ctime>

// Monotonic milliseconds, truncated to unsigned 32 bits (wraps like a tick counter).
uint32_t GetTickCount();
// Seconds since the epoch, as time() gives them (libfaketime applies).
std::time_t WallClock();

// Test hooks: a fixed tick count or wall clock replaces the real one until cleared.
void SetTickCountForTesting(uint32_t ms);
void SetWallClockForTesting(std::time_t t);
void ClearClocksForTesting();
