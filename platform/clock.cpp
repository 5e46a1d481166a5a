// Tick counter and wall clock, with fixed values that tests can put in their place.
#include "platform/clock.h"

namespace {
bool tick_fixed = false;
uint32_t tick_value = 0;
bool wall_fixed = false;
std::time_t wall_value = 0;
int (*tick_reader)(clockid_t, timespec*) = clock_gettime;
}  // namespace

uint32_t GetTickCount() {
    if (tick_fixed) return tick_value;
    timespec ts{};
    if (tick_reader(CLOCK_BOOTTIME, &ts) != 0) tick_reader(CLOCK_MONOTONIC, &ts);
    const uint64_t ms = uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);  // wraps every 49.7 days, like the Win32 counter
}

std::time_t WallClock() { return wall_fixed ? wall_value : std::time(nullptr); }

void SetTickCountForTesting(uint32_t ms) {
    tick_fixed = true;
    tick_value = ms;
}

void SetWallClockForTesting(std::time_t t) {
    wall_fixed = true;
    wall_value = t;
}

void SetTickClockReaderForTesting(int (*reader)(clockid_t, timespec*)) {
    tick_reader = reader ? reader : clock_gettime;
}

void ClearClocksForTesting() {
    tick_fixed = false;
    wall_fixed = false;
    tick_reader = clock_gettime;
}
