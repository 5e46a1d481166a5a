// The occurrence engine: a file's VEVENTs grouped into series, their times resolved in
// their zones, and each query walked within its budget (rule_walk.h).
#include "app/calendar/ical/occurrences.h"

#include <libical/ical.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <set>

#include "app/calendar/ical/civil.h"
#include "app/calendar/ical/rule_walk.h"
#include "app/calendar/ical/zones.h"

using civil::kDay;

namespace {

// How far a search for the next occurrence looks ahead: a rule that meets no day in two
// centuries is taken as one that can never match.
constexpr int64_t kReach = 200 * 366 * kDay;
// The last wall time any walk reaches: the end of year 3000, the last libical writes.
const int64_t kLastWall = civil::WallSeconds(3001, 1, 1, 0, 0, 0) - 1;
// Alarms repeated more often than this are cut: a reminder every second for a year is noise.
constexpr int kMaxRepeats = 100;

// A date of years 1 to 3000 that exists and, unless a date alone, a time of day:
// libical passes on whatever digits a file holds.
bool IsReal(const icaltimetype& t) {
    if (t.year < 1 || t.year > 3000 || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.day > icaltime_days_in_month(t.month, t.year))
        return false;
    return t.is_date || (t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 && t.second >= 0 && t.second <= 60);
}

int64_t WallOf(const icaltimetype& t) {
    if (t.is_date) return civil::DaysFromCivil(t.year, t.month, t.day) * kDay;
    return civil::WallSeconds(t.year, t.month, t.day, t.hour, t.minute, std::min(t.second, 59));
}

std::string Text(const char* s) { return s ? s : ""; }

std::string TzidOf(icalproperty* p) {
    icalparameter* param = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER);
    return param ? Text(icalparameter_get_tzid(param)) : "";
}

// A date or date-time of the file, resolved in its zone.
struct Moment {
    int64_t wall = 0;                // in `zone`
    bool is_date = false, is_utc = false;
    const IcalZone* zone = nullptr;  // UtcZone() for UTC, the floating zone for floating times
    std::string tzid;                // as written, for a zoned time
    std::time_t instant = 0;
};

// How a VALARM fires for each occurrence.
struct AlarmRule {
    bool absolute = false;
    std::time_t at = 0;      // absolute: the instant
    int64_t offset = 0;      // relative: seconds after start (or end), negative before
    bool from_end = false;
    int repeat = 0;          // further firings...
    int64_t every = 0;       // ...this many seconds apart
};

struct Content {
    std::string summary, description;
    std::vector<AlarmRule> alarms;
};

struct Rule {
    WalkRule walk;
    long count = 0;           // 0: none
    bool until_utc = false;   // UNTIL with "Z": compared as instants
    bool has_until = false;
    int64_t until = 0;        // the last wall time (or instant) allowed, inclusive
};

struct Override {
    Moment rid;
    std::string rid_text;  // the RECURRENCE-ID value as written
    bool cancelled = false;
    std::time_t start = 0, end = 0;
    bool all_day = false;
    int64_t wall = 0;      // start in its zone, for an all-day one its date
    Content content;
};

struct RDate {
    Moment at;
    std::time_t end = 0;
    bool has_end = false;  // a PERIOD
};

}  // namespace

struct IcalSeriesData {
    explicit IcalSeriesData(ZoneBook* book) : zones(book) { zones->Hold(); }
    ~IcalSeriesData() { zones->Release(); }
    IcalSeriesData(const IcalSeriesData&) = delete;
    IcalSeriesData& operator=(const IcalSeriesData&) = delete;

    std::atomic<long> holders{1};
    ZoneBook* zones;
    std::string uid, summary, unusable;
    std::vector<std::string> notes;
    bool cancelled = false, has_master = true;
    Moment start;
    std::time_t length = 0;    // timed: seconds; all-day: wall seconds (whole days)
    std::vector<Rule> rules;
    IcalRuleShape shape;
    std::vector<RDate> rdates;
    std::vector<std::time_t> exdates;  // sorted instants
    std::vector<int64_t> exdays;       // sorted days (civil) of DATE-valued EXDATEs on a timed series
    std::vector<Override> overrides;   // by RECURRENCE-ID instant
    Content content;
};

namespace {

using Data = IcalSeriesData;

IcalLocalTime LocalOf(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, tm.tm_wday};
}

IcalLocalTime DateOf(int64_t wall) {
    const civil::Ymd ymd = civil::CivilFromDays(civil::FloorDiv(wall, kDay));
    return {int(ymd.year), ymd.month, ymd.day, 0, 0, 0, civil::Weekday(civil::FloorDiv(wall, kDay))};
}

std::string FormatWall(int64_t wall, bool is_date, bool utc) {
    const IcalLocalTime d = DateOf(wall);
    const int64_t s = civil::FloorMod(wall, kDay);
    char text[32];
    if (is_date) std::snprintf(text, sizeof text, "%04d%02d%02d", d.year, d.month, d.day);
    else std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02d%s", d.year, d.month, d.day, int(s / 3600),
                       int(s / 60 % 60), int(s % 60), utc ? "Z" : "");
    return text;
}

// Reads value `t` of property `p` (its TZID parameter naming the zone); false when the
// time is not a real one.
bool Resolve(const icaltimetype& t, icalproperty* p, Data& d, Moment& m) {
    if (!IsReal(t)) return false;
    m.is_date = t.is_date;
    m.wall = WallOf(t);
    m.is_utc = !t.is_date && icaltime_is_utc(t);
    if (m.is_utc) {
        m.zone = &UtcZone();
    } else if (!t.is_date && !(m.tzid = p ? TzidOf(p) : "").empty()) {
        std::string note;
        m.zone = &d.zones->Find(m.tzid, note);
        if (!note.empty() && std::find(d.notes.begin(), d.notes.end(), note) == d.notes.end()) d.notes.push_back(note);
    } else {
        m.zone = &d.zones->Floating();
    }
    m.instant = m.zone->ToUtc(m.wall);
    return true;
}

// The length of a component's occurrences from DTEND or DURATION; timed ones in seconds,
// all-day ones in whole days of wall time.
std::time_t LengthOf(icalcomponent* c, const Moment& start, Data& d) {
    if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_DTEND_PROPERTY)) {
        Moment end;
        if (Resolve(icalproperty_get_dtend(p), p, d, end)) {
            if (start.is_date) return std::max<int64_t>(kDay, (end.wall - start.wall) / kDay * kDay);
            return std::max<std::time_t>(0, end.instant - start.instant);
        }
    }
    if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_DURATION_PROPERTY)) {
        const int seconds = icaldurationtype_as_int(icalproperty_get_duration(p));
        if (start.is_date) return std::max<int64_t>(kDay, seconds / kDay * kDay);
        return std::max(0, seconds);
    }
    return start.is_date ? kDay : 0;
}

Content ContentOf(icalcomponent* c, const Content* fallback) {
    Content out;
    const char* summary = icalcomponent_get_summary(c);
    const char* description = icalcomponent_get_description(c);
    out.summary = summary ? summary : fallback ? fallback->summary : "";
    out.description = description ? description : fallback ? fallback->description : "";
    for (icalcomponent* a = icalcomponent_get_first_component(c, ICAL_VALARM_COMPONENT); a;
         a = icalcomponent_get_next_component(c, ICAL_VALARM_COMPONENT)) {
        icalproperty* action = icalcomponent_get_first_property(a, ICAL_ACTION_PROPERTY);
        icalproperty* trigger = icalcomponent_get_first_property(a, ICAL_TRIGGER_PROPERTY);
        if (!action || !trigger) continue;
        const icalproperty_action kind = icalproperty_get_action(action);
        if (kind != ICAL_ACTION_DISPLAY && kind != ICAL_ACTION_AUDIO) continue;
        const icaltriggertype t = icalproperty_get_trigger(trigger);
        AlarmRule rule;
        if (!icaltime_is_null_time(t.time)) {
            if (!IsReal(t.time)) continue;
            rule.absolute = true;
            rule.at = icaltime_as_timet_with_zone(t.time, icaltimezone_get_utc_timezone());
        } else {
            rule.offset = icaldurationtype_as_int(t.duration);
            icalparameter* related = icalproperty_get_first_parameter(trigger, ICAL_RELATED_PARAMETER);
            rule.from_end = related && icalparameter_get_related(related) == ICAL_RELATED_END;
        }
        icalproperty* repeat = icalcomponent_get_first_property(a, ICAL_REPEAT_PROPERTY);
        icalproperty* every = icalcomponent_get_first_property(a, ICAL_DURATION_PROPERTY);
        if (repeat && every) {
            rule.repeat = std::clamp(icalproperty_get_repeat(repeat), 0, kMaxRepeats);
            rule.every = icaldurationtype_as_int(icalproperty_get_duration(every));
            if (rule.every <= 0) rule.repeat = 0;
        }
        out.alarms.push_back(rule);
    }
    if (out.alarms.empty() && fallback && !icalcomponent_get_first_component(c, ICAL_VALARM_COMPONENT))
        out.alarms = fallback->alarms;
    return out;
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

void ReadRules(icalcomponent* c, Data& d) {
    bool first = true;
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_RRULE_PROPERTY)) {
        Rule rule;
        const icalrecurrencetype raw = icalproperty_get_rrule(p);
        if (!WalkRuleFrom(raw, rule.walk)) {
            d.unusable = "its repeat rule (RRULE) cannot be followed";
            return;
        }
        rule.count = raw.count > 0 ? raw.count : 0;
        const icaltimetype until = raw.until;
        if (!icaltime_is_null_time(until) && IsReal(until)) {
            rule.has_until = true;
            rule.until_utc = !until.is_date && icaltime_is_utc(until);
            // A date ends the rule with its whole day, whatever DTSTART is.
            rule.until = until.is_date ? WallOf(until) + kDay - 1 : WallOf(until);
        }
        if (first) {
            IcalRuleShape& s = d.shape;
            s.freq = rule.walk.freq;
            s.interval = rule.walk.interval;
            for (const auto& day : rule.walk.days) {
                if (day.first == 0) s.weekdays |= 1u << day.second;
                else s.other_parts = true;
            }
            const WalkRule& w = rule.walk;
            for (const std::vector<int>* list : {&w.seconds, &w.minutes, &w.hours, &w.month_days, &w.year_days,
                                                 &w.week_nos, &w.months, &w.set_pos})
                if (!list->empty()) s.other_parts = true;
            s.ends = rule.count > 0 || rule.has_until;
        } else {
            d.shape.several = true;
        }
        first = false;
        d.rules.push_back(rule);
    }
}

void ReadDates(icalcomponent* c, Data& d) {
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_RDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_RDATE_PROPERTY)) {
        const icaldatetimeperiodtype v = icalproperty_get_rdate(p);
        RDate r;
        if (!icaltime_is_null_time(v.time)) {
            if (!Resolve(v.time, p, d, r.at)) continue;
        } else {
            if (!Resolve(v.period.start, p, d, r.at)) continue;
            Moment end;
            if (!icaltime_is_null_time(v.period.end) && Resolve(v.period.end, p, d, end)) r.end = end.instant;
            else r.end = r.at.instant + icaldurationtype_as_int(v.period.duration);
            r.has_end = r.end >= r.at.instant;
        }
        d.rdates.push_back(r);
    }
    d.shape.rdates = !d.rdates.empty();
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_EXDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_EXDATE_PROPERTY)) {
        Moment m;
        if (!Resolve(icalproperty_get_exdate(p), p, d, m)) continue;
        if (m.is_date && !d.start.is_date) d.exdays.push_back(civil::FloorDiv(m.wall, kDay));
        else d.exdates.push_back(m.instant);
    }
    std::sort(d.exdates.begin(), d.exdates.end());
    std::sort(d.exdays.begin(), d.exdays.end());
}

void ReadOverride(icalcomponent* c, Data& d) {
    icalproperty* p = icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY);
    Override o;
    const icaltimetype rid = icalproperty_get_recurrenceid(p);
    if (!Resolve(rid, p, d, o.rid)) return;
    o.rid_text = FormatWall(o.rid.wall, o.rid.is_date, o.rid.is_utc);
    o.cancelled = icalcomponent_get_status(c) == ICAL_STATUS_CANCELLED;
    Moment start = o.rid;
    if (icalproperty* s = icalcomponent_get_first_property(c, ICAL_DTSTART_PROPERTY)) Resolve(icalproperty_get_dtstart(s), s, d, start);
    const bool own_length = icalcomponent_get_first_property(c, ICAL_DTEND_PROPERTY) ||
                            icalcomponent_get_first_property(c, ICAL_DURATION_PROPERTY);
    const std::time_t length = own_length || !d.has_master ? LengthOf(c, start, d) : d.length;
    o.all_day = start.is_date;
    o.wall = start.wall;
    o.start = start.instant;
    o.end = start.is_date ? start.zone->ToUtc(start.wall + length) : start.instant + length;
    o.content = ContentOf(c, d.has_master ? &d.content : nullptr);
    d.overrides.push_back(o);
}

// A series from its master (or null) and its overrides.
Data* BuildSeries(icalcomponent* master, const std::vector<icalcomponent*>& overrides, ZoneBook* zones,
                  bool method_cancel) {
    Data* d = new Data(zones);
    d->has_master = master != nullptr;
    icalcomponent* first = master ? master : overrides.front();
    d->uid = Text(icalcomponent_get_uid(first));
    d->cancelled = method_cancel || (master && icalcomponent_get_status(master) == ICAL_STATUS_CANCELLED);
    if (master) {
        d->summary = Text(icalcomponent_get_summary(master));
        d->content = ContentOf(master, nullptr);
        icalproperty* p = icalcomponent_get_first_property(master, ICAL_DTSTART_PROPERTY);
        if (!p) {
            d->unusable = "no start time (DTSTART)";
        } else if (!Resolve(icalproperty_get_dtstart(p), p, *d, d->start)) {
            d->unusable = "its start (DTSTART) is not a real date and time";
        } else {
            d->length = LengthOf(master, d->start, *d);
            ReadRules(master, *d);
            ReadDates(master, *d);
        }
        // libical drops a property it cannot read and leaves a note of its own in its place.
        for (icalproperty* e = icalcomponent_get_first_property(master, ICAL_XLICERROR_PROPERTY); e;
             e = icalcomponent_get_next_property(master, ICAL_XLICERROR_PROPERTY)) {
            const std::string error = Text(icalproperty_get_xlicerror(e));
            for (const char* name : {"RRULE", "RDATE", "EXDATE", "DTEND", "DURATION"})
                if (error.find(std::string(" in ") + name + " property") != std::string::npos)
                    d->notes.push_back(std::string("its ") + name + " could not be read and was left out");
        }
    }
    for (icalcomponent* o : overrides) ReadOverride(o, *d);
    std::sort(d->overrides.begin(), d->overrides.end(),
              [](const Override& a, const Override& b) { return a.rid.instant < b.rid.instant; });
    if (!master) {
        d->cancelled = d->cancelled || std::all_of(d->overrides.begin(), d->overrides.end(),
                                                   [](const Override& o) { return o.cancelled; });
        d->summary = d->overrides.empty() ? "" : d->overrides.front().content.summary;
        if (d->overrides.empty()) d->unusable = "its start (DTSTART) is not a real date and time";
        else d->start.instant = d->overrides.front().start, d->start.is_date = d->overrides.front().all_day;
    }
    return d;
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

IcalFile ReadIcalFile(const char* data, size_t size) {
    IcalFile out;
    // A zero byte would end the text early for the parser: such a file is not text.
    if (size == 0 || std::memchr(data, 0, size)) return out;
    std::string text(data, size);
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);  // a UTF-8 byte-order mark

    icalerror_set_errors_are_fatal(0);
    icalcomponent* root = icalparser_parse_string(text.c_str());
    if (!root) return out;
    std::vector<icalcomponent*> calendars;
    if (icalcomponent_isa(root) == ICAL_VCALENDAR_COMPONENT) {
        calendars.push_back(root);
    } else if (icalcomponent_isa(root) == ICAL_XROOT_COMPONENT) {  // several in one file
        for (icalcomponent* c = icalcomponent_get_first_component(root, ICAL_VCALENDAR_COMPONENT); c;
             c = icalcomponent_get_next_component(root, ICAL_VCALENDAR_COMPONENT))
            calendars.push_back(c);
    }
    out.is_icalendar = !calendars.empty();
    for (icalcomponent* cal : calendars) {
        ZoneBook* zones = new ZoneBook(cal);
        const bool cancel = icalcomponent_get_method(cal) == ICAL_METHOD_CANCEL;
        out.method_cancel = out.method_cancel || cancel;
        // Each UID's master and overrides, in the order the UIDs first appear; events
        // without a UID stand alone.
        struct Group {
            icalcomponent* master = nullptr;
            std::vector<icalcomponent*> overrides;
        };
        std::vector<Group> groups;
        std::map<std::string, size_t> by_uid;
        for (icalcomponent* c = icalcomponent_get_first_component(cal, ICAL_ANY_COMPONENT); c;
             c = icalcomponent_get_next_component(cal, ICAL_ANY_COMPONENT)) {
            const icalcomponent_kind kind = icalcomponent_isa(c);
            if (kind == ICAL_VTIMEZONE_COMPONENT) continue;
            if (kind != ICAL_VEVENT_COMPONENT) {
                const char* name = icalcomponent_kind_to_string(kind);
                out.others.push_back({name ? name : "item", Text(icalcomponent_get_summary(c))});
                continue;
            }
            const char* uid = icalcomponent_get_uid(c);
            const bool is_override = icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY) != nullptr;
            auto known = uid ? by_uid.find(uid) : by_uid.end();
            if (known == by_uid.end() || (!is_override && groups[known->second].master)) {
                groups.push_back({});
                if (uid) by_uid[uid] = groups.size() - 1;
                known = uid ? by_uid.find(uid) : by_uid.end();
            }
            Group& g = known == by_uid.end() ? groups.back() : groups[known->second];
            if (is_override) g.overrides.push_back(c);
            else g.master = c;
        }
        for (const Group& g : groups)
            out.series.emplace_back(BuildSeries(g.master, g.overrides, zones, cancel));
        for (const std::string& note : zones->Notes()) out.notes.push_back(note);
        zones->Release();  // the series hold it from here
    }
    icalcomponent_free(root);
    return out;
}
