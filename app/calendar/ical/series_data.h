// What the occurrence engine keeps of a series once read: its times resolved in their
// zones, its rules, extra and excluded dates, overrides and texts. Shared by the reading
// (series_read.cpp) and the queries (occurrences.cpp); nothing outside the engine uses it.
#pragma once

#include <libical/ical.h>

#include <atomic>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "app/calendar/ical/occurrences.h"
#include "app/calendar/ical/rule_walk.h"
#include "app/calendar/ical/zones.h"

namespace ical {

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


// The text of wall time `wall` as a RECURRENCE-ID or EXDATE value: a date, a floating or
// zoned date-time, or with `utc` one in UTC ("Z").
std::string FormatWall(int64_t wall, bool is_date, bool utc);

}  // namespace ical

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
    ical::Moment start;
    std::time_t length = 0;    // timed: seconds; all-day: wall seconds (whole days)
    std::vector<ical::Rule> rules;
    IcalRuleShape shape;
    std::vector<ical::RDate> rdates;
    std::vector<std::time_t> exdates;  // sorted instants
    std::vector<int64_t> exdays;       // sorted days (civil) of DATE-valued EXDATEs on a timed series
    std::vector<ical::Override> overrides;   // by RECURRENCE-ID instant
    ical::Content content;
};

// A new series (one hold) from its master (or null) and its overrides, its zones in `zones`.
IcalSeriesData* BuildSeries(icalcomponent* master, const std::vector<icalcomponent*>& overrides, ZoneBook* zones,
                            bool method_cancel);
