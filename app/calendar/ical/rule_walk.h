// The occurrences of one repeat rule (RRULE) as wall-clock times, walked within a budget
// of work. Daily, weekly and shorter rules are walked here day by day, so a rule that can
// never match costs a day's check per day up to the horizon, and INTERVAL counts from
// DTSTART whatever day the walk starts on; monthly and yearly ones month by month or
// year by year. libical's iterator is not used: one call of it can run for minutes
// (a minutely rule that never matches), and it misaligns HOURLY and MINUTELY rules
// started late and weekly ones with INTERVAL whose BYDAY leaves out DTSTART's weekday.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "app/calendar/ical/occurrences.h"

struct icalrecurrencetype;

// Steps of work left and the CPU time (of this thread) allowed for one call.
class WorkMeter {
public:
    explicit WorkMeter(const IcalBudget& budget);
    // Counts `n` steps; false once the steps or the CPU time have run out (and from then on).
    bool Spend(long n = 1);
    bool Exhausted() const { return exhausted_; }

private:
    long steps_left_;
    double cpu_end_;  // seconds of thread CPU time
    long since_clock_ = 0;
    bool exhausted_ = false;
};

// A rule in our own terms. BY lists are empty when the rule has none; weekdays count 0
// Sunday to 6 Saturday; COUNT and UNTIL are applied by the caller, not by the walk.
struct WalkRule {
    IcalFreq freq = IcalFreq::kNone;
    int interval = 1;
    std::vector<int> seconds, minutes, hours, month_days, year_days, week_nos, months, set_pos;
    std::vector<std::pair<int, int>> days;  // (ordinal, weekday); ordinal 0 for every such weekday
    int week_start = 1;                     // WKST, Monday by default
    bool by_period = false;                 // monthly, yearly, or weekly with BYSETPOS
};

// Our rule from libical's parsed one; false when it names no frequency.
bool WalkRuleFrom(const icalrecurrencetype& r, WalkRule& out);

enum class WalkEnd { kEnded, kStopped, kBudget };

// Visits the occurrences of `rule` for a series starting at wall time `start`, in order:
// those at or after `from` and not after `horizon` (all wall seconds). With `limit` > 0
// only the rule's first `limit` occurrences from `start` exist (the walk then counts from
// `start`, without `limit` it may begin at `from`). `visit` returns false to stop.
// kEnded: the rule, the limit or the horizon ended the walk; kBudget: the meter ran out.
WalkEnd WalkOccurrences(const WalkRule& rule, int64_t start, int64_t from,
                        int64_t horizon, long limit, WorkMeter& meter, const std::function<bool(int64_t)>& visit);
