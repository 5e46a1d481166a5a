// The import's mapping as it was before the occurrence engine (libical's iterator, one
// call counted as one step), kept for the import benchmark to measure against.
#include "bench/ical_import_before.h"

#include <libical/ical.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "app/calendar/panels/event_editor.h"

namespace {

// Occurrences of one rule looked at before giving up on finding the next one: far more
// than a daily rule that began a century ago needs once started near the present.
constexpr int kMaxOccurrences = 100000;

// Seconds of a day, to start a rule's walk early enough to meet an instance in progress.
constexpr std::time_t kDay = 86400;

bool IsFloating(const icaltimetype& t) { return t.is_date || t.zone == nullptr; }

// A date of years 1 to 3000 (the last libical writes) that exists and, unless a date
// alone, a time of day: libical passes on whatever digits a file holds.
bool IsReal(const icaltimetype& t) {
    if (t.year < 1 || t.year > 3000 || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.day > icaltime_days_in_month(t.month, t.year))
        return false;
    return t.is_date || (t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 && t.second >= 0 && t.second <= 60);
}

// The instant of `t`: zoned and UTC times exactly; floating times and dates on the local
// wall clock (a date at its midnight).
std::time_t InstantOf(const icaltimetype& t) {
    if (!IsFloating(t)) return icaltime_as_timet_with_zone(t, t.zone);
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    if (!t.is_date) tm.tm_hour = t.hour, tm.tm_min = t.minute, tm.tm_sec = t.second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

// `instant` in the same form as `like`: a date, a floating time (both local), or a time
// of like's zone.
icaltimetype SameFormAs(std::time_t instant, const icaltimetype& like) {
    if (!IsFloating(like)) return icaltime_from_timet_with_zone(instant, 0, like.zone);
    std::tm tm{};
    localtime_r(&instant, &tm);
    icaltimetype t = icaltime_null_time();
    t.year = tm.tm_year + 1900, t.month = tm.tm_mon + 1, t.day = tm.tm_mday;
    if (like.is_date) t.is_date = 1;
    else t.hour = tm.tm_hour, t.minute = tm.tm_min, t.second = tm.tm_sec;
    return t;
}

struct LocalTime {
    Date date;
    Time time;
    int wday;  // 0 Sunday to 6 Saturday
};

// The owl's wall clock for `t`: a floating time as written, a date at 9:00, a zoned time
// converted to the local zone.
LocalTime LocalOf(const icaltimetype& t) {
    if (IsFloating(t)) {
        return {{t.day, t.month, t.year}, {t.is_date ? 9 : t.hour, t.is_date ? 0 : t.minute},
                icaltime_day_of_week(t) - 1};
    }
    const std::time_t instant = InstantOf(t);
    std::tm tm{};
    localtime_r(&instant, &tm);
    return {{tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900}, {tm.tm_hour, tm.tm_min}, tm.tm_wday};
}

bool ListEmpty(const short* list) { return list[0] == ICAL_RECURRENCE_ARRAY_MAX; }

// No BY part other than, when allowed, BYDAY.
bool OnlyByDay(const icalrecurrencetype& r, bool by_day_allowed) {
    for (const short* list : {r.by_second, r.by_minute, r.by_hour, r.by_month_day, r.by_year_day,
                              r.by_week_no, r.by_month, r.by_set_pos})
        if (!ListEmpty(list)) return false;
    return by_day_allowed || ListEmpty(r.by_day);
}

// Every week, on DTSTART's weekday or on one plain weekday.
bool IsWeeklyRule(const icalrecurrencetype& r) {
    return r.freq == ICAL_WEEKLY_RECURRENCE && r.interval == 1 && OnlyByDay(r, true) &&
           (ListEmpty(r.by_day) ||
            (r.by_day[1] == ICAL_RECURRENCE_ARRAY_MAX && icalrecurrencetype_day_position(r.by_day[0]) == 0));
}

bool IsReminderRule(const icalrecurrencetype& r) {
    return r.freq == ICAL_HOURLY_RECURRENCE && r.interval >= 1 && r.interval <= 3 && OnlyByDay(r, false);
}

// The text without the spaces that end it: iCalendar readers drop them.
std::string TrimEnd(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// Cuts `text` to `limit` characters into a zeroed field, less the spaces that then end
// it; true when more than spaces was cut off.
bool FillField(char* field, size_t size, size_t limit, const std::string& text) {
    std::memset(field, 0, size);
    const size_t kept = std::min({text.size(), limit, size - 1});
    const std::string head = TrimEnd(text.substr(0, kept));
    std::memcpy(field, head.data(), head.size());
    return text.find_first_not_of(' ', kept) != std::string::npos;
}

std::string Text(const char* s) { return s ? s : ""; }

class Mapper {
public:
    Mapper(std::time_t now, IcalImport& out) : now_(now), out_(out) { localtime_r(&now, &now_tm_); }

    void Calendar(icalcomponent* cal) {
        // Instances moved or cancelled by an event of their own are not the series' to give.
        for (icalcomponent* c = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT); c;
             c = icalcomponent_get_next_component(cal, ICAL_VEVENT_COMPONENT)) {
            const icaltimetype id = icalcomponent_get_recurrenceid(c);
            if (!icaltime_is_null_time(id)) moved_.insert({Text(icalcomponent_get_uid(c)), InstantOf(id)});
        }
        for (icalcomponent* c = icalcomponent_get_first_component(cal, ICAL_ANY_COMPONENT); c;
             c = icalcomponent_get_next_component(cal, ICAL_ANY_COMPONENT))
            Item(c);
    }

private:
    void Item(icalcomponent* c) {
        switch (icalcomponent_isa(c)) {
        case ICAL_VEVENT_COMPONENT: return Vevent(c);
        case ICAL_VTIMEZONE_COMPONENT: return;
        case ICAL_VTODO_COMPONENT: return Skip(c, "a to-do (VTODO), not an event");
        case ICAL_VJOURNAL_COMPONENT: return Skip(c, "a journal entry (VJOURNAL), not an event");
        default: return Skip(c, "not an event");
        }
    }

    void Vevent(icalcomponent* c) {
        if (icalcomponent_get_status(c) == ICAL_STATUS_CANCELLED) return Skip(c, "cancelled");
        const icaltimetype start = icalcomponent_get_dtstart(c);
        if (icaltime_is_null_time(start)) return Skip(c, "no start time (DTSTART)");
        if (!IsReal(start)) return Skip(c, "its start (DTSTART) is not a real date and time");
        // Length of the event (of each instance), seconds; a date alone lasts its day.
        const icaltimetype end = icalcomponent_get_dtend(c);
        const std::time_t length = IsReal(end) ? std::max<std::time_t>(0, InstantOf(end) - InstantOf(start)) : 0;

        IcalEvent found{Event(now_tm_), Name(c), {}, {}};
        Event& e = found.event;
        icaltimetype at = start;
        icalproperty* rrule = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY);
        const icalrecurrencetype r = rrule ? icalproperty_get_rrule(rrule) : icalrecurrencetype{};
        if (!rrule) {
            if (InstantOf(start) + length < now_) return Skip(c, "in the past");
        } else if (IsReminderRule(r)) {
            const bool ended = (IsReal(r.until) && InstantOf(r.until) < now_) ||
                               (r.count > 0 && InstantOf(start) + std::time_t(r.count - 1) * r.interval * 3600 < now_);
            if (ended) return Skip(c, "in the past");
            e.type = kReminder;
            e.remind_mode = r.interval - 1;
        } else {
            std::string why;
            if (!NextInstance(c, start, r, length, at, why)) return Skip(c, why);
            if (IsWeeklyRule(r)) e.type = kWeekly;
        }
        if (e.type != kReminder) {
            const LocalTime local = LocalOf(at);
            if (local.date.year < 1 || local.date.year > 3000) return Skip(c, "its date is out of range");
            e.time = local.time;
            if (e.type == kWeekly) e.wday = local.wday;
            else e.date = local.date;
        }
        if (FillField(e.title, sizeof e.title, kTitleLimit, FontText(Text(icalcomponent_get_summary(c)))))
            found.cut.push_back("title cut to " + std::to_string(kTitleLimit) + " characters");
        if (FillField(e.description, sizeof e.description, kDescriptionLimit,
                      FontText(Text(icalcomponent_get_description(c)))))
            found.cut.push_back("description cut to " + std::to_string(kDescriptionLimit) + " characters");
        out_.events.push_back(found);
    }

    // The first instance of the series that has not wholly passed, is not excluded
    // (EXDATE) and is not moved by an event of its own; false, with the reason, if none.
    bool NextInstance(icalcomponent* c, icaltimetype start, const icalrecurrencetype& rule,
                      std::time_t length, icaltimetype& at, std::string& why) {
        icalrecur_iterator* it = icalrecur_iterator_new(rule, start);
        if (!it) {
            why = "its repeat rule (RRULE) cannot be followed";
            return false;
        }
        // A rule with COUNT must be walked from its start to count its instances.
        if (rule.count == 0) icalrecur_iterator_set_start(it, SameFormAs(now_ - length - kDay, start));
        const std::string uid = Text(icalcomponent_get_uid(c));
        why = "repeats too often to find its next time";
        for (int i = 0; i < kMaxOccurrences; ++i) {
            icaltimetype t = icalrecur_iterator_next(it);
            if (icaltime_is_null_time(t)) {
                why = "in the past";
                break;
            }
            const std::time_t instant = InstantOf(t);
            if (!IsReal(t) || instant + length < now_ || icalproperty_recurrence_is_excluded(c, &start, &t) ||
                moved_.count({uid, instant}))
                continue;
            at = t;
            why.clear();
            break;
        }
        icalrecur_iterator_free(it);
        return why.empty();
    }

    std::string Name(icalcomponent* c) {
        const char* summary = icalcomponent_get_summary(c);
        if (summary) return "\"" + FontText(summary) + "\"";
        const char* kind = icalcomponent_kind_to_string(icalcomponent_isa(c));
        return std::string("an untitled ") + (kind ? kind : "item");
    }

    void Skip(icalcomponent* c, const std::string& reason) { out_.skipped.push_back(Name(c) + ": " + reason); }

    const std::time_t now_;
    std::tm now_tm_{};
    IcalImport& out_;
    std::set<std::pair<std::string, std::time_t>> moved_;
};

}  // namespace

IcalImport MapIcalendarBefore(const char* data, size_t size, std::time_t now) {
    IcalImport out;
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
    Mapper mapper(now, out);
    for (icalcomponent* cal : calendars) mapper.Calendar(cal);
    icalcomponent_free(root);
    return out;
}
