// The occurrence engine's queries: a series' occurrences in a window, its next and last,
// each walked within its budget (rule_walk.h).
#include "app/calendar/ical/occurrences.h"

#include <libical/ical.h>

#include <algorithm>
#include <set>

#include "app/calendar/ical/civil.h"
#include "app/calendar/ical/series_data.h"

using civil::kDay;

namespace {

// How far a search for the next occurrence looks ahead: a rule that meets no day in two
// centuries is taken as one that can never match.
constexpr int64_t kReach = 200 * 366 * kDay;
// The last wall time any walk reaches: the end of year 3000, the last libical writes.
const int64_t kLastWall = civil::WallSeconds(3001, 1, 1, 0, 0, 0) - 1;

using Data = IcalSeriesData;
using ical::AlarmRule;
using ical::Content;
using ical::FormatWall;
using ical::Moment;
using ical::Override;
using ical::RDate;
using ical::Rule;

IcalLocalTime LocalOf(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, tm.tm_wday};
}

IcalLocalTime DateOf(int64_t wall) {
    const civil::Ymd ymd = civil::CivilFromDays(civil::FloorDiv(wall, kDay));
    return {int(ymd.year), ymd.month, ymd.day, 0, 0, 0, civil::Weekday(civil::FloorDiv(wall, kDay))};
}

std::vector<std::time_t> AlarmsOf(const Content& content, std::time_t start, std::time_t end) {
    std::vector<std::time_t> out;
    for (const AlarmRule& a : content.alarms) {
        const std::time_t first = a.absolute ? a.at : (a.from_end ? end : start) + a.offset;
        for (int k = 0; k <= a.repeat; ++k) out.push_back(first + std::time_t(k * a.every));
    }
    std::sort(out.begin(), out.end());
    return out;
}

// The walk of one query: the master's occurrences from its rules, DTSTART and RDATEs, as
// the overrides and exceptions leave them.
class Query {
public:
    Query(const Data& d, const IcalBudget& budget) : d_(d), meter_(budget) {}

    // Whether DTSTART's zone keeps one offset for three hours either side of `t`: then
    // wall times near it run in the order of their instants. A DST change moves the wall
    // clock by two hours at most (Antarctica's Troll).
    bool Steady(std::time_t t) const {
        return d_.start.zone->OffsetAt(t - kFold) == d_.start.zone->OffsetAt(t + kFold);
    }
    // Wall times in DTSTART's zone surely before and after the instant `t`.
    int64_t WallBefore(std::time_t t) const { return d_.start.zone->ToWall(t) - (Steady(t) ? 0 : kFold); }
    int64_t WallAfter(std::time_t t) const { return d_.start.zone->ToWall(t) + (Steady(t) ? 0 : kFold); }
    static constexpr int64_t kFold = 3 * 3600;

    // The end of the master's occurrence at wall time `wall`, beginning at `instant`.
    std::time_t EndOf(int64_t wall, std::time_t instant) const {
        return d_.start.is_date ? d_.start.zone->ToUtc(wall + d_.length) : instant + d_.length;
    }

    // The master's occurrence at wall time `wall` (in DTSTART's zone).
    IcalOccurrence Make(int64_t wall) const {
        IcalOccurrence o;
        const Moment& s = d_.start;
        o.start = s.zone->ToUtc(wall);
        o.all_day = s.is_date;
        o.end = EndOf(wall, o.start);
        o.local = s.is_date ? DateOf(wall) : LocalOf(o.start);
        o.summary = d_.content.summary;
        o.description = d_.content.description;
        o.recurrence_id = FormatWall(s.is_utc ? int64_t(o.start) : wall, s.is_date, s.is_utc);
        if (!s.is_utc && !s.is_date) o.recurrence_tzid = s.tzid;
        o.alarms = AlarmsOf(d_.content, o.start, o.end);
        return o;
    }

    IcalOccurrence FromRdate(const RDate& r) const {
        const Moment& s = d_.start;
        IcalOccurrence o = Make(r.at.is_date == s.is_date && r.at.zone == s.zone ? r.at.wall : s.zone->ToWall(r.at.instant));
        o.start = r.at.instant;
        o.end = r.has_end ? r.end : s.is_date ? o.end : o.start + d_.length;
        if (!s.is_date) o.local = LocalOf(o.start);
        o.alarms = AlarmsOf(d_.content, o.start, o.end);
        return o;
    }

    IcalOccurrence FromOverride(const Override& v) const {
        IcalOccurrence o;
        o.start = v.start, o.end = v.end, o.all_day = v.all_day;
        o.local = v.all_day ? DateOf(v.wall) : LocalOf(v.start);
        o.summary = v.content.summary, o.description = v.content.description;
        o.recurrence_id = v.rid_text;
        if (!v.rid.is_utc && !v.rid.is_date) o.recurrence_tzid = v.rid.tzid;
        o.overridden = true;
        o.cancelled = v.cancelled;
        o.alarms = AlarmsOf(v.content, o.start, o.end);
        return o;
    }

    // Whether the master's occurrence at `instant` (wall time `wall`) is left out by an
    // EXDATE, or taken over by an override.
    bool Excluded(std::time_t instant, int64_t wall) const {
        if (std::binary_search(d_.exdates.begin(), d_.exdates.end(), instant)) return true;
        return !d_.exdays.empty() && std::binary_search(d_.exdays.begin(), d_.exdays.end(), civil::FloorDiv(wall, kDay));
    }
    const Override* OverrideAt(std::time_t instant) const {
        auto it = std::lower_bound(d_.overrides.begin(), d_.overrides.end(), instant,
                                   [](const Override& o, std::time_t t) { return o.rid.instant < t; });
        return it != d_.overrides.end() && it->rid.instant == instant ? &*it : nullptr;
    }

    // Walks the rules' occurrences whose wall time lies in [from, to] in DTSTART's zone,
    // COUNT and UNTIL applied, DTSTART itself included; `visit` gets each wall time and
    // returns false to stop that rule. False when the budget ran out.
    bool Walk(int64_t from, int64_t to, const std::function<bool(int64_t)>& visit) {
        const Moment& s = d_.start;
        bool start_seen = false;
        for (const Rule& rule : d_.rules) {
            long limit = rule.count;
            int64_t horizon = std::min(to, kLastWall);
            if (rule.has_until && !rule.until_utc) horizon = std::min(horizon, rule.until);
            if (rule.has_until && rule.until_utc) horizon = std::min(horizon, rule.until + 18 * 3600);
            if (limit > 0) {
                // DTSTART is the first occurrence even where the rule would not give it.
                bool matches = false;
                if (WalkOccurrences(rule.walk, s.wall, s.wall, s.wall, 0, meter_, [&](int64_t w) {
                        return !(matches = (w == s.wall));
                    }) == WalkEnd::kBudget)
                    return false;
                if (!matches) --limit;
            }
            const WalkEnd end = limit == 0 && rule.count > 0 ? WalkEnd::kEnded
                : WalkOccurrences(rule.walk, s.wall, from, horizon, limit, meter_, [&](int64_t w) {
                      if (rule.has_until && rule.until_utc && s.zone->ToUtc(w) > rule.until) return false;
                      if (w == s.wall) start_seen = true;
                      return visit(w);
                  });
            if (end == WalkEnd::kBudget) return false;
        }
        if (!start_seen && s.wall >= from && s.wall <= to) visit(s.wall);
        return true;
    }

    bool OutOfBudget() const { return meter_.Exhausted(); }
    WorkMeter& Meter() { return meter_; }

private:
    const Data& d_;
    WorkMeter meter_;
};

bool Meets(const IcalOccurrence& o, std::time_t from, std::time_t to) {
    return o.start < to && (o.end > from || (o.end == o.start && o.start >= from));
}

bool Earlier(const IcalOccurrence& a, const IcalOccurrence& b) {
    return a.start != b.start ? a.start < b.start : a.end < b.end;
}

}  // namespace

IcalSeries::IcalSeries(const IcalSeries& other) : d_(other.d_) { ++d_->holders; }

IcalSeries& IcalSeries::operator=(const IcalSeries& other) {
    ++other.d_->holders;
    this->~IcalSeries();
    d_ = other.d_;
    return *this;
}

IcalSeries::~IcalSeries() {
    if (--d_->holders == 0) delete d_;
}

const std::string& IcalSeries::Uid() const { return d_->uid; }
const std::string& IcalSeries::Summary() const { return d_->summary; }
bool IcalSeries::Cancelled() const { return d_->cancelled; }
const std::string& IcalSeries::Unusable() const { return d_->unusable; }
const std::vector<std::string>& IcalSeries::Notes() const { return d_->notes; }
bool IcalSeries::AllDay() const { return d_->start.is_date; }
IcalRuleShape IcalSeries::Shape() const { return d_->shape; }
std::time_t IcalSeries::Start() const { return d_->start.instant; }
std::time_t IcalSeries::Length() const { return d_->length; }

IcalOccurrences IcalSeries::Between(std::time_t from, std::time_t to, const IcalQuery& query) const {
    IcalOccurrences out;
    if (!d_->unusable.empty() || to <= from) return out;
    const bool only_exceptions = query.only_exceptions;
    if (only_exceptions && d_->exdates.empty() && d_->exdays.empty() && d_->overrides.empty()) return out;
    Query q(*d_, query.budget);
    std::set<std::time_t> seen;
    auto add = [&](IcalOccurrence o) {
        if (!Meets(o, from, to) || (o.cancelled && !query.with_cancelled && !only_exceptions)) return true;
        if (only_exceptions && !o.cancelled && !o.overridden) return true;
        if (out.list.size() >= query.max_count) {
            out.complete = false;
            out.problem = "more than " + std::to_string(query.max_count) + " occurrences";
            return false;
        }
        out.list.push_back(std::move(o));
        return true;
    };
    auto master = [&](std::time_t instant, int64_t wall, IcalOccurrence o) {
        if (!seen.insert(instant).second || q.OverrideAt(instant)) return true;
        if (q.Excluded(instant, wall)) o.cancelled = true;
        else if (only_exceptions) return true;
        return add(std::move(o));
    };
    if (d_->has_master && only_exceptions) {
        // Only the excluded occurrences: the rule is walked at each EXDATE, not between.
        const IcalZone& z = *d_->start.zone;
        auto excluded = [&](int64_t lo, int64_t hi) {
            return q.Walk(lo, hi, [&](int64_t w) {
                const std::time_t instant = z.ToUtc(w);
                return !q.Excluded(instant, w) || master(instant, w, q.Make(w));
            });
        };
        bool whole = true;
        for (auto e = std::lower_bound(d_->exdates.begin(), d_->exdates.end(), from - d_->length - kDay);
             whole && e != d_->exdates.end() && *e < to; ++e)
            whole = excluded(z.ToWall(*e), z.ToWall(*e));
        for (auto day = std::lower_bound(d_->exdays.begin(), d_->exdays.end(), civil::FloorDiv(q.WallBefore(from), kDay) - 1);
             whole && day != d_->exdays.end() && *day * kDay < q.WallAfter(to); ++day)
            whole = excluded(*day * kDay, *day * kDay + kDay - 1);
        if (!whole) out.complete = false, out.problem = "too much work to follow its repeat rule";
    } else if (d_->has_master) {
        // An occurrence that began before `from` may still last into it.
        const int64_t wall_from = q.WallBefore(from) - d_->length;
        const int64_t wall_to = q.WallAfter(to);
        const bool whole = q.Walk(wall_from, wall_to, [&](int64_t w) {
            const std::time_t instant = d_->start.zone->ToUtc(w);
            if (instant >= to) return !(w >= wall_to - Query::kFold);  // past the fold, if any: done
            const std::time_t end = q.EndOf(w, instant);
            if (end <= from && !(end == instant && instant >= from)) return true;  // wholly before
            return master(instant, w, q.Make(w));
        });
        if (!whole) out.complete = false, out.problem = "too much work to follow its repeat rule";
        for (const RDate& r : d_->rdates) {
            const IcalOccurrence o = q.FromRdate(r);
            if (!master(o.start, d_->start.zone->ToWall(o.start), o)) break;
        }
    }
    for (const Override& v : d_->overrides)
        if (!add(q.FromOverride(v))) break;
    std::sort(out.list.begin(), out.list.end(), Earlier);
    return out;
}

bool IcalSeries::ZoneDriftsFromLocal(std::time_t from, std::time_t to) const {
    if (!d_->has_master || d_->start.is_date || !d_->start.zone) return false;
    return d_->zones->DriftsFromLocal(*d_->start.zone, from, to);
}

bool IcalSeries::Last(std::time_t at, IcalOccurrence& out, std::string& why, const IcalBudget& budget) const {
    why.clear();
    if (!d_->unusable.empty()) {
        why = d_->unusable;
        return false;
    }
    for (const Rule& rule : d_->rules)
        if (rule.count == 0 && !rule.has_until) {
            why = "repeats without end";
            return false;
        }
    Query q(*d_, budget);
    bool found = false;
    auto offer = [&](const IcalOccurrence& o) {
        if (o.cancelled || !(o.end > at || (o.end == o.start && o.start >= at))) return;
        if (!found || Earlier(out, o)) out = o, found = true;
    };
    if (d_->has_master) {
        // The walk keeps only the last wall time it met; one occurrence is built at the end.
        int64_t last = 0;
        bool any = false;
        const bool whole = q.Walk(q.WallBefore(at) - d_->length, kLastWall, [&](int64_t w) {
            const std::time_t instant = d_->start.zone->ToUtc(w);
            if (!q.Excluded(instant, w) && !q.OverrideAt(instant)) last = w, any = true;
            return true;
        });
        if (!whole) {
            why = "too much work to find its last occurrence";
            return false;
        }
        if (any) offer(q.Make(last));
        for (const RDate& r : d_->rdates) {
            const IcalOccurrence o = q.FromRdate(r);
            if (!q.Excluded(o.start, d_->start.zone->ToWall(o.start)) && !q.OverrideAt(o.start)) offer(o);
        }
    }
    for (const Override& v : d_->overrides) offer(q.FromOverride(v));
    if (!found) why = "in the past";
    return found;
}

bool IcalSeries::Next(std::time_t at, IcalOccurrence& out, std::string& why, const IcalBudget& budget) const {
    why.clear();
    if (!d_->unusable.empty()) {
        why = d_->unusable;
        return false;
    }
    Query q(*d_, budget);
    bool found = false;
    auto offer = [&](const IcalOccurrence& o) {
        if (o.cancelled || !(o.end > at || (o.end == o.start && o.start >= at))) return;
        if (!found || Earlier(o, out)) out = o, found = true;
    };
    bool rule_matched = d_->rules.empty();
    if (d_->has_master) {
        const bool whole = q.Walk(q.WallBefore(at) - d_->length, q.WallAfter(at) + kReach, [&](int64_t w) {
            const std::time_t instant = d_->start.zone->ToUtc(w);
            if (w != d_->start.wall) rule_matched = true;
            if (found && instant > out.start) return false;
            if (q.EndOf(w, instant) <= at && !(d_->length == 0 && instant >= at)) return true;  // wholly past
            if (q.Excluded(instant, w) || q.OverrideAt(instant)) return true;
            offer(q.Make(w));
            return !found;
        });
        if (!whole) {
            why = "too much work to find its next occurrence";
            return false;
        }
        for (const RDate& r : d_->rdates) {
            const IcalOccurrence o = q.FromRdate(r);
            if (!q.Excluded(o.start, d_->start.zone->ToWall(o.start)) && !q.OverrideAt(o.start)) offer(o);
        }
    }
    for (const Override& v : d_->overrides) offer(q.FromOverride(v));
    if (found) return true;
    if (!rule_matched) {
        // Did the rule ever match, before `at`? If not, it never will within reach.
        const bool whole = q.Walk(d_->start.wall, int64_t(at) + kDay, [&](int64_t w) {
            return !(rule_matched = w != d_->start.wall);
        });
        if (!whole) {
            why = "too much work to find its next occurrence";
            return false;
        }
    }
    why = rule_matched || d_->rules.empty() ? "in the past" : "no occurrence found";
    return false;
}
