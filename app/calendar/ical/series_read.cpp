// Reading a file into series: VEVENTs grouped by UID, their times resolved in their zones
// (zones.h), rules turned into walks (rule_walk.h), texts and alarms kept.
#include <libical/ical.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

#include "app/calendar/ical/civil.h"
#include "app/calendar/ical/series_data.h"

using civil::kDay;
using namespace ical;

namespace {

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

using Data = IcalSeriesData;

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

}  // namespace

std::string ical::FormatWall(int64_t wall, bool is_date, bool utc) {
    const civil::Ymd d = civil::CivilFromDays(civil::FloorDiv(wall, kDay));
    const int64_t s = civil::FloorMod(wall, kDay);
    char text[40];
    if (is_date) std::snprintf(text, sizeof text, "%04d%02d%02d", int(d.year), d.month, d.day);
    else std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02d%s", int(d.year), d.month, d.day, int(s / 3600),
                       int(s / 60 % 60), int(s % 60), utc ? "Z" : "");
    return text;
}

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
