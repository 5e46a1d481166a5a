// Walking a repeat rule within a budget: daily, weekly and shorter rules day by day,
// monthly and yearly ones period by period, each with its own arithmetic.
#include "app/calendar/ical/rule_walk.h"

#include <libical/ical.h>
#include <time.h>

#include <algorithm>

#include "app/calendar/ical/civil.h"

using civil::FloorDiv;
using civil::FloorMod;
using civil::kDay;

namespace {

double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Steps between two looks at the CPU clock: a look costs about a system call.
constexpr long kStepsPerClock = 1024;
void AddList(const short* list, int size, std::vector<int>& out) {
    for (int i = 0; i < size && list[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) out.push_back(list[i]);
}

// The values of `list` in [lo, hi], sorted and once each; `all` (every value of the range)
// when the rule gives none. A list whose values are all out of range gives none.
std::vector<int> Values(const std::vector<int>& list, int lo, int hi, const std::vector<int>& all) {
    if (list.empty()) return all;
    std::vector<int> out;
    for (int v : list)
        if (v >= lo && v <= hi) out.push_back(v);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

std::vector<int> Range(int lo, int hi) {
    std::vector<int> out;
    for (int v = lo; v <= hi; ++v) out.push_back(v);
    return out;
}

// BYSETPOS picks, by position from the start (1 on) or the end (-1 on), from one period's set.
std::vector<int64_t> PickPositions(const std::vector<int64_t>& set, const std::vector<int>& positions) {
    if (positions.empty()) return set;
    std::vector<int64_t> out;
    const int n = static_cast<int>(set.size());
    for (int p : positions) {
        const int at = p > 0 ? p - 1 : n + p;
        if (p != 0 && at >= 0 && at < n) out.push_back(set[at]);
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

// A daily, weekly or shorter rule as a walk through days. A day that passes the day
// filters holds the rule's units (days, hours, minutes or seconds) in `ranges`, of which
// every interval-th counted from DTSTART's unit is an occurrence, at each of the offsets
// in `offsets` (the finer BY parts, or DTSTART's minute and second).
class DayWalk {
public:
    DayWalk(const WalkRule& rule, int64_t start) : r_(rule), start_(start) {
        d0_ = FloorDiv(start, kDay);
        const int64_t in_day = start - d0_ * kDay;
        const int h0 = int(in_day / 3600), m0 = int(in_day / 60 % 60), s0 = int(in_day % 60);
        const std::vector<int> hours = Values(rule.hours, 0, 23, {}), minutes = Values(rule.minutes, 0, 59, {}),
                               seconds = Values(rule.seconds, 0, 59, {});
        const bool hour_set = !rule.hours.empty(), minute_set = !rule.minutes.empty(), second_set = !rule.seconds.empty();
        const std::vector<int> h_or = hour_set ? hours : std::vector<int>{h0};
        const std::vector<int> m_or = minute_set ? minutes : std::vector<int>{m0};
        const std::vector<int> s_or = second_set ? seconds : std::vector<int>{s0};
        const std::vector<int> h_all = hour_set ? hours : Range(0, 23);
        const std::vector<int> m_all = minute_set ? minutes : Range(0, 59);
        std::vector<int64_t> offsets;
        switch (rule.freq) {
        case IcalFreq::kHourly:
            unit_ = 3600;
            for (int h : h_all) AddRange(h, h + 1);
            for (int m : m_or)
                for (int s : s_or) offsets.push_back(m * 60 + s);
            break;
        case IcalFreq::kMinutely:
            unit_ = 60;
            for (int h : h_all) {
                if (!minute_set) AddRange(h * 60, h * 60 + 60);
                for (int m : minute_set ? minutes : std::vector<int>{}) AddRange(h * 60 + m, h * 60 + m + 1);
            }
            for (int s : s_or) offsets.push_back(s);
            break;
        case IcalFreq::kSecondly:
            unit_ = 1;
            for (int h : h_all) {
                if (!minute_set && !second_set) {
                    AddRange(h * 3600, h * 3600 + 3600);
                    continue;
                }
                for (int m : m_all) {
                    const int64_t at = h * 3600 + m * 60;
                    if (!second_set) AddRange(at, at + 60);
                    for (int s : second_set ? seconds : std::vector<int>{}) AddRange(at + s, at + s + 1);
                }
            }
            offsets.push_back(0);
            break;
        default:  // daily and weekly: the day is the unit, its times the offsets
            unit_ = kDay;
            AddRange(0, 1);
            for (int h : h_or)
                for (int m : m_or)
                    for (int s : s_or) offsets.push_back(h * 3600 + m * 60 + s);
            break;
        }
        std::sort(offsets.begin(), offsets.end());
        offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
        offsets_ = PickPositions(offsets, rule.set_pos);
        per_day_ = kDay / unit_;
        u0_ = in_day / unit_;
        step_ = (rule.freq == IcalFreq::kDaily || rule.freq == IcalFreq::kWeekly) ? 1 : rule.interval;

        for (const auto& d : rule.days)
            if (d.second >= 0 && d.second <= 6) weekdays_ |= 1u << d.second;
        if (rule.freq == IcalFreq::kWeekly && rule.days.empty()) weekdays_ = 1u << civil::Weekday(d0_);
        if (!rule.days.empty() && weekdays_ == 0) offsets_.clear();  // only impossible weekdays
        for (const std::vector<int>* list : {&rule.hours, &rule.minutes, &rule.seconds})
            if (!list->empty() && ranges_.empty()) offsets_.clear();
    }

    WalkEnd Walk(int64_t from, int64_t horizon, long limit, WorkMeter& meter, const std::function<bool(int64_t)>& visit) {
        if (offsets_.empty() || ranges_.empty()) return WalkEnd::kEnded;
        const int64_t last_day = FloorDiv(horizon, kDay);
        long n = 0;
        for (int64_t d = limit > 0 ? d0_ : std::max(d0_, FloorDiv(from, kDay)); d <= last_day; ++d) {
            if (!meter.Spend()) return WalkEnd::kBudget;
            if (!DayPasses(d)) {
                d = LastOfMonthLeftOut(d);
                continue;
            }
            const int64_t day_start = d * kDay;
            for (const auto& range : ranges_) {
                int64_t lo = range.first;
                if (d == d0_) {  // no unit before DTSTART's counts
                    if (range.second <= u0_) continue;
                    lo = std::max(lo, u0_);
                }
                const int64_t cut = std::clamp(FloorDiv(from - day_start, unit_), lo, range.second);
                // DTSTART's own unit is walked, as some of its offsets may come before DTSTART;
                // the units after it wholly before `from` are only counted, when a limit needs it.
                int64_t counted = lo;
                if (d == d0_ && lo == u0_ && cut > lo) {
                    const WalkEnd end = Unit(day_start, u0_, from, horizon, limit, n, meter, visit);
                    if (end != WalkEnd(-1)) return end;
                    counted = lo + 1;
                }
                if (limit > 0 && cut > counted) {
                    n += long(Aligned(d, counted, cut) * int64_t(offsets_.size()));
                    if (n >= limit) return WalkEnd::kEnded;
                }
                for (int64_t u = FirstAligned(d, std::max(cut, counted)); u < range.second; u += step_) {
                    const WalkEnd end = Unit(day_start, u, from, horizon, limit, n, meter, visit);
                    if (end != WalkEnd(-1)) return end;
                }
            }
        }
        return WalkEnd::kEnded;
    }

private:
    // The occurrences of unit u of the day beginning at `day_start`; WalkEnd(-1) to go on.
    WalkEnd Unit(int64_t day_start, int64_t u, int64_t from, int64_t horizon, long limit, long& n, WorkMeter& meter,
                 const std::function<bool(int64_t)>& visit) const {
        if (!meter.Spend()) return WalkEnd::kBudget;
        for (int64_t offset : offsets_) {
            const int64_t wall = day_start + u * unit_ + offset;
            if (wall < start_) continue;
            if (wall > horizon) return WalkEnd::kEnded;
            ++n;
            if (wall >= from && !visit(wall)) return WalkEnd::kStopped;
            if (limit > 0 && n >= limit) return WalkEnd::kEnded;
        }
        return WalkEnd(-1);
    }

    void AddRange(int64_t lo, int64_t hi) {
        if (!ranges_.empty() && ranges_.back().second == lo) ranges_.back().second = hi;
        else ranges_.push_back({lo, hi});
    }

    // The first unit at or after `u` of day d whose count from DTSTART's unit is a multiple
    // of the interval.
    int64_t FirstAligned(int64_t d, int64_t u) const {
        const int64_t k = (d - d0_) * per_day_ + u - u0_;
        return u + FloorMod(-k, step_);
    }

    int64_t Aligned(int64_t d, int64_t lo, int64_t hi) const {
        const int64_t first = FirstAligned(d, lo);
        return first < hi ? (hi - 1 - first) / step_ + 1 : 0;
    }

    bool DayPasses(int64_t d) const {
        if (weekdays_ && !(weekdays_ >> civil::Weekday(d) & 1u)) return false;
        if (r_.freq == IcalFreq::kDaily && FloorMod(d - d0_, r_.interval) != 0) return false;
        if (r_.freq == IcalFreq::kWeekly) {
            const int64_t week = WeekOf(d) - WeekOf(d0_);
            if (FloorMod(FloorDiv(week, 7), r_.interval) != 0) return false;
        }
        if (r_.months.empty() && r_.month_days.empty() && r_.year_days.empty()) return true;
        const civil::Ymd ymd = civil::CivilFromDays(d);
        if (!r_.months.empty() && std::find(r_.months.begin(), r_.months.end(), ymd.month) == r_.months.end())
            return false;
        if (!r_.month_days.empty()) {
            const int last = civil::DaysInMonth(ymd.year, ymd.month);
            if (std::none_of(r_.month_days.begin(), r_.month_days.end(),
                             [&](int md) { return md > 0 ? md == ymd.day : last + md + 1 == ymd.day; }))
                return false;
        }
        if (!r_.year_days.empty()) {
            const int64_t doy = d - civil::DaysFromCivil(ymd.year, 1, 1) + 1;
            const int64_t length = civil::IsLeap(ymd.year) ? 366 : 365;
            if (std::none_of(r_.year_days.begin(), r_.year_days.end(),
                             [&](int yd) { return yd > 0 ? yd == doy : length + yd + 1 == doy; }))
                return false;
        }
        return true;
    }

    // The last day of d's month when BYMONTH leaves that month out (the walk goes on
    // from the next month), else d.
    int64_t LastOfMonthLeftOut(int64_t d) const {
        if (r_.months.empty()) return d;
        const civil::Ymd ymd = civil::CivilFromDays(d);
        if (std::find(r_.months.begin(), r_.months.end(), ymd.month) != r_.months.end()) return d;
        return d + civil::DaysInMonth(ymd.year, ymd.month) - ymd.day;
    }

    // The first day of d's week (WKST), as a day count.
    int64_t WeekOf(int64_t d) const { return d - FloorMod(civil::Weekday(d) - r_.week_start, 7); }

    const WalkRule& r_;
    const int64_t start_;
    int64_t d0_ = 0, unit_ = kDay, per_day_ = 1, u0_ = 0, step_ = 1;
    unsigned weekdays_ = 0;
    std::vector<std::pair<int64_t, int64_t>> ranges_;  // units of a day, [first, last + 1)
    std::vector<int64_t> offsets_;                       // seconds after a unit's start
};

// Monthly and yearly rules, and weekly ones with BYSETPOS, period by period: each month,
// year or week gives its days (at most 366 looked at), DTSTART's time or the BY times on
// each, and BYSETPOS picks among them. A rule that can never match costs one period's
// days per period up to the horizon.
class PeriodWalk {
public:
    PeriodWalk(const WalkRule& rule, int64_t start) : r_(rule), start_(start) {
        d0_ = FloorDiv(start, kDay);
        ymd0_ = civil::CivilFromDays(d0_);
        const int64_t in_day = start - d0_ * kDay;
        const int h0 = int(in_day / 3600), m0 = int(in_day / 60 % 60), s0 = int(in_day % 60);
        for (int h : rule.hours.empty() ? std::vector<int>{h0} : Values(rule.hours, 0, 23, {}))
            for (int m : rule.minutes.empty() ? std::vector<int>{m0} : Values(rule.minutes, 0, 59, {}))
                for (int s : rule.seconds.empty() ? std::vector<int>{s0} : Values(rule.seconds, 0, 59, {}))
                    times_.push_back(h * 3600 + m * 60 + s);
        std::sort(times_.begin(), times_.end());
        for (const auto& d : rule.days)
            if (d.second >= 0 && d.second <= 6) plain_days_ |= d.first == 0 ? 1u << d.second : 0u;
    }

    WalkEnd Walk(int64_t from, int64_t horizon, long limit, WorkMeter& meter, const std::function<bool(int64_t)>& visit) {
        if (times_.empty()) return WalkEnd::kEnded;
        const int64_t p0 = PeriodOf(d0_);
        int64_t p = p0;
        if (limit == 0 && from > start_) p = p0 + FloorDiv(PeriodOf(FloorDiv(from, kDay)) - p0, r_.interval) * r_.interval;
        const int64_t last_day = FloorDiv(horizon, kDay);
        long n = 0;
        std::vector<int64_t> days, set;
        for (;; p += r_.interval) {
            if (!meter.Spend()) return WalkEnd::kBudget;
            if (FirstDay(p) > last_day) return WalkEnd::kEnded;
            days.clear();
            if (!DaysOf(p, days, meter)) return WalkEnd::kBudget;
            set.clear();
            for (int64_t d : days)
                for (int64_t t : times_) set.push_back(d * kDay + t);
            for (int64_t wall : PickPositions(set, r_.set_pos)) {
                if (wall < start_) continue;
                if (wall > horizon) return WalkEnd::kEnded;
                ++n;
                if (wall >= from && !visit(wall)) return WalkEnd::kStopped;
                if (limit > 0 && n >= limit) return WalkEnd::kEnded;
            }
        }
    }

private:
    // Periods are counted as months since year 0, years, or weeks (their first day).
    int64_t PeriodOf(int64_t day) const {
        const civil::Ymd ymd = civil::CivilFromDays(day);
        switch (r_.freq) {
        case IcalFreq::kMonthly: return ymd.year * 12 + ymd.month - 1;
        case IcalFreq::kYearly: return ymd.year;
        default: return FloorDiv(day - FloorMod(civil::Weekday(day) - r_.week_start, 7), 7);
        }
    }
    int64_t FirstDay(int64_t p) const {
        switch (r_.freq) {
        case IcalFreq::kMonthly: return civil::DaysFromCivil(FloorDiv(p, 12), int(FloorMod(p, 12)) + 1, 1);
        case IcalFreq::kYearly: return civil::DaysFromCivil(p, 1, 1);
        default: return p * 7;
        }
    }

    bool InMonths(int month) const {
        return r_.months.empty() || std::find(r_.months.begin(), r_.months.end(), month) != r_.months.end();
    }
    static bool MatchesNumber(const std::vector<int>& list, int64_t value, int64_t last) {
        return std::any_of(list.begin(), list.end(), [&](int v) { return v > 0 ? v == value : last + v + 1 == value; });
    }
    // Whether weekday `wd`, the index-th such day of its month or year counted from the
    // start and the from_end-th counted from the end (both from 1), is among BYDAY's.
    bool MatchesDay(int wd, int64_t index, int64_t from_end) const {
        for (const auto& d : r_.days)
            if (d.second == wd && (d.first == 0 || (d.first > 0 && d.first == index) || (d.first < 0 && -d.first == from_end)))
                return true;
        return false;
    }

    bool DaysOf(int64_t p, std::vector<int64_t>& out, WorkMeter& meter) const {
        const int64_t first = FirstDay(p);
        if (r_.freq == IcalFreq::kWeekly) {
            const unsigned wanted = plain_days_ ? plain_days_ : r_.days.empty() ? 1u << civil::Weekday(d0_) : 0u;
            for (int64_t d = first; d < first + 7; ++d)
                if (wanted >> civil::Weekday(d) & 1u && InMonths(civil::CivilFromDays(d).month)) out.push_back(d);
            return meter.Spend(7);
        }
        const bool by_day_parts = !r_.month_days.empty() || !r_.days.empty() || !r_.year_days.empty() || !r_.week_nos.empty();
        const civil::Ymd ymd = civil::CivilFromDays(first);
        if (r_.freq == IcalFreq::kMonthly) {
            if (!InMonths(ymd.month)) return true;
            const int length = civil::DaysInMonth(ymd.year, ymd.month);
            if (!by_day_parts) {
                if (ymd0_.day <= length) out.push_back(first + ymd0_.day - 1);
                return true;
            }
            for (int day = 1; day <= length; ++day) {
                const int64_t d = first + day - 1;
                if (!r_.month_days.empty() && !MatchesNumber(r_.month_days, day, length)) continue;
                if (!r_.days.empty() && !MatchesDay(civil::Weekday(d), (day - 1) / 7 + 1, (length - day) / 7 + 1)) continue;
                out.push_back(d);
            }
            return meter.Spend(length);
        }
        // Yearly.
        const int64_t year = ymd.year;
        const int64_t length = civil::IsLeap(year) ? 366 : 365;
        if (!by_day_parts) {
            for (int month : r_.months.empty() ? std::vector<int>{ymd0_.month} : Values(r_.months, 1, 12, {}))
                if (ymd0_.day <= civil::DaysInMonth(year, month)) out.push_back(civil::DaysFromCivil(year, month, ymd0_.day));
            return true;
        }
        // Week 1 is the first with four days or more of the year, weeks beginning on WKST.
        const int64_t lead = FloorMod(civil::Weekday(first) - r_.week_start, 7);
        const int64_t week1 = lead <= 3 ? first - lead : first + 7 - lead;
        const int64_t next_first = first + length;
        const int64_t next_lead = FloorMod(civil::Weekday(next_first) - r_.week_start, 7);
        const int64_t weeks = ((next_lead <= 3 ? next_first - next_lead : next_first + 7 - next_lead) - week1) / 7;
        for (int64_t doy = 1; doy <= length; ++doy) {
            const int64_t d = first + doy - 1;
            const civil::Ymd day = civil::CivilFromDays(d);
            if (!InMonths(day.month)) continue;
            if (!r_.year_days.empty() && !MatchesNumber(r_.year_days, doy, length)) continue;
            if (!r_.month_days.empty() && !MatchesNumber(r_.month_days, day.day, civil::DaysInMonth(year, day.month))) continue;
            if (!r_.week_nos.empty()) {
                const int64_t week = FloorDiv(d - week1, 7) + 1;
                if (week < 1 || week > weeks || !MatchesNumber(r_.week_nos, week, weeks)) continue;
                if (r_.days.empty() && civil::Weekday(d) != civil::Weekday(d0_)) continue;
            }
            if (!r_.days.empty()) {
                // A numbered weekday counts within the month when BYMONTH is given, else the year.
                const bool in_month = !r_.months.empty();
                const int64_t index = in_month ? (day.day - 1) / 7 + 1 : (doy - 1) / 7 + 1;
                const int64_t from_end = in_month ? (civil::DaysInMonth(year, day.month) - day.day) / 7 + 1 : (length - doy) / 7 + 1;
                if (!MatchesDay(civil::Weekday(d), index, from_end)) continue;
            }
            out.push_back(d);
        }
        return meter.Spend(length);
    }

    const WalkRule& r_;
    const int64_t start_;
    int64_t d0_ = 0;
    civil::Ymd ymd0_{};
    std::vector<int64_t> times_;  // seconds of the day, in order
    unsigned plain_days_ = 0;     // BYDAY's weekdays without a number, bit 0 Sunday
};

}  // namespace

WorkMeter::WorkMeter(const IcalBudget& budget)
    : steps_left_(budget.steps), cpu_end_(ThreadCpuSeconds() + budget.cpu_seconds) {}

bool WorkMeter::Spend(long n) {
    if (exhausted_) return false;
    steps_left_ -= n;
    since_clock_ += n;
    if (steps_left_ < 0) {
        exhausted_ = true;
    } else if (since_clock_ >= kStepsPerClock) {
        since_clock_ = 0;
        exhausted_ = ThreadCpuSeconds() > cpu_end_;
    }
    return !exhausted_;
}

bool WalkRuleFrom(const icalrecurrencetype& r, WalkRule& out) {
    switch (r.freq) {
    case ICAL_SECONDLY_RECURRENCE: out.freq = IcalFreq::kSecondly; break;
    case ICAL_MINUTELY_RECURRENCE: out.freq = IcalFreq::kMinutely; break;
    case ICAL_HOURLY_RECURRENCE: out.freq = IcalFreq::kHourly; break;
    case ICAL_DAILY_RECURRENCE: out.freq = IcalFreq::kDaily; break;
    case ICAL_WEEKLY_RECURRENCE: out.freq = IcalFreq::kWeekly; break;
    case ICAL_MONTHLY_RECURRENCE: out.freq = IcalFreq::kMonthly; break;
    case ICAL_YEARLY_RECURRENCE: out.freq = IcalFreq::kYearly; break;
    default: return false;
    }
    out.interval = r.interval < 1 ? 1 : r.interval;
    AddList(r.by_second, ICAL_BY_SECOND_SIZE, out.seconds);
    AddList(r.by_minute, ICAL_BY_MINUTE_SIZE, out.minutes);
    AddList(r.by_hour, ICAL_BY_HOUR_SIZE, out.hours);
    AddList(r.by_month_day, ICAL_BY_MONTHDAY_SIZE, out.month_days);
    AddList(r.by_year_day, ICAL_BY_YEARDAY_SIZE, out.year_days);
    AddList(r.by_week_no, ICAL_BY_WEEKNO_SIZE, out.week_nos);
    AddList(r.by_month, ICAL_BY_MONTH_SIZE, out.months);
    AddList(r.by_set_pos, ICAL_BY_SETPOS_SIZE, out.set_pos);
    for (int i = 0; i < ICAL_BY_DAY_SIZE && r.by_day[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i)
        out.days.push_back({icalrecurrencetype_day_position(r.by_day[i]),
                            int(icalrecurrencetype_day_day_of_week(r.by_day[i])) - 1});
    out.week_start = r.week_start == ICAL_NO_WEEKDAY ? 1 : int(r.week_start) - 1;
    // A week's BYSETPOS picks among the days of a whole week.
    out.by_period = out.freq == IcalFreq::kMonthly || out.freq == IcalFreq::kYearly ||
                      (out.freq == IcalFreq::kWeekly && !out.set_pos.empty());
    return true;
}

WalkEnd WalkOccurrences(const WalkRule& rule, int64_t start, int64_t from,
                        int64_t horizon, long limit, WorkMeter& meter, const std::function<bool(int64_t)>& visit) {
    if (rule.by_period) return PeriodWalk(rule, start).Walk(from, horizon, limit, meter, visit);
    return DayWalk(rule, start).Walk(from, horizon, limit, meter, visit);
}
