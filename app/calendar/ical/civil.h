// Calendar arithmetic on wall-clock times counted as seconds from 1970-01-01 0:00 of
// whatever zone they are read in, with no zone at all: what a repeat rule steps through.
#pragma once

#include <cstdint>

namespace civil {

constexpr int64_t kDay = 86400;  // seconds

// Division rounding down, for times before 1970.
inline int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
inline int64_t FloorMod(int64_t a, int64_t b) { return a - FloorDiv(a, b) * b; }

// Days from 1970-01-01 to the proleptic Gregorian y-m-d (H. Hinnant's algorithm).
inline int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = FloorDiv(y, 400);
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

struct Ymd {
    int64_t year;
    int month, day;
};

inline Ymd CivilFromDays(int64_t z) {
    z += 719468;
    const int64_t era = FloorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (m <= 2), m, d};
}

// 0 Sunday to 6 Saturday.
inline int Weekday(int64_t days) { return static_cast<int>(FloorMod(days + 4, 7)); }

inline bool IsLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

inline int DaysInMonth(int64_t y, int m) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

inline int64_t WallSeconds(int64_t y, int mo, int d, int h, int mi, int s) {
    return DaysFromCivil(y, mo, d) * kDay + h * 3600 + mi * 60 + s;
}

}  // namespace civil
