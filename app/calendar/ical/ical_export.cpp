// The calendar as iCalendar text, built and written out by libical.
#include "app/calendar/ical/ical_export.h"

#include <libical/ical.h>
#include <unicode/ucal.h>
#include <unicode/ustring.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

namespace {

const char kProdId[] = "-//Strigolo//Strigolo calendar//IT";
// The record keeps no length: each occurrence is written as lasting this long, seconds.
constexpr int kWrittenLength = 3600;

// The local zone (TZ, else the system's) by its IANA name as ICU finds it, as one of
// libical's zones (its UTC for UTC); null when it has none (a POSIX TZ string, say).
icaltimezone* LocalZone() {
    UChar id[128];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucal_getDefaultTimeZone(id, 128, &status);
    if (U_FAILURE(status) || length <= 0 || length >= 128) return nullptr;
    char name[256];
    int32_t written = 0;
    u_strToUTF8(name, sizeof name, &written, id, length, &status);
    if (U_FAILURE(status)) return nullptr;
    const std::string iana(name, size_t(written));
    if (iana == "UTC" || iana == "Etc/UTC" || iana == "Etc/GMT" || iana == "GMT") return icaltimezone_get_utc_timezone();
    return icaltimezone_get_builtin_timezone(iana.c_str());
}

// The bytes of a text field as UTF-8, reading them as Latin-1.
std::string FieldUtf8(const char* field, size_t size) {
    std::string out;
    for (unsigned char c : FieldText(field, size)) {
        if (c >= 0xA0) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += c >= 32 && c < 127 ? static_cast<char>(c) : '?';
        }
    }
    return out;
}

// Years 1 to 3000: libical writes no later ones.
bool ValidDate(const Date& d) {
    return d.year >= 1 && d.year <= 3000 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
           d.day <= icaltime_days_in_month(d.month, d.year);
}

bool ValidTime(const Time& t) { return t.hour >= 0 && t.hour < 24 && t.min >= 0 && t.min < 60; }

// Why `e` cannot be written, or null when it can.
const char* Unwritable(const Event& e) {
    switch (e.type) {
    case kAppointment: return !ValidDate(e.date) ? "its date does not exist" : !ValidTime(e.time) ? "its time does not exist" : nullptr;
    case kWeekly: return e.wday < 0 || e.wday > 6 ? "its weekday is out of range" : !ValidTime(e.time) ? "its time does not exist" : nullptr;
    case kReminder: return e.remind_mode < 0 || e.remind_mode > 2 ? "its period is out of range" : nullptr;
    default: return "its kind is unknown";
    }
}

// A local date and time, in `zone` (floating when null); the date of `today` for a date
// the record does not hold, midnight for such a time.
icaltimetype Local(const Date& d, const Time& t, const std::tm& today, icaltimezone* zone) {
    icaltimetype out = icaltime_null_time();
    const bool date_ok = ValidDate(d), time_ok = ValidTime(t);
    out.year = date_ok ? d.year : today.tm_year + 1900;
    out.month = date_ok ? d.month : today.tm_mon + 1;
    out.day = date_ok ? d.day : today.tm_mday;
    out.hour = time_ok ? t.hour : 0;
    out.minute = time_ok ? t.min : 0;
    if (zone) out = icaltime_set_timezone(&out, zone);
    return out;
}

// FNV-1a, 64 bits, over what makes the event what it is (not its notice state).
uint64_t Fingerprint(const Event& e) {
    const std::string key = FieldText(e.title, sizeof e.title) + '\0' + FieldText(e.description, sizeof e.description);
    const int32_t numbers[] = {e.type, e.date.day, e.date.month, e.date.year, e.time.hour, e.time.min, e.wday, e.remind_mode};
    uint64_t h = 14695981039346656037ull;
    auto mix = [&h](unsigned char b) { h = (h ^ b) * 1099511628211ull; };
    for (unsigned char c : key) mix(c);
    for (int32_t n : numbers)
        for (int k = 0; k < 4; ++k) mix(static_cast<unsigned char>(static_cast<uint32_t>(n) >> (8 * k)));
    return h;
}

// A property holding `t`, with the TZID of its zone when it has one.
icalproperty* WithZone(icalproperty* p, const icaltimetype& t) {
    if (t.zone && !icaltime_is_utc(t))
        icalproperty_add_parameter(p, icalparameter_new_tzid(icaltimezone_get_location(const_cast<icaltimezone*>(t.zone))));
    return p;
}

// The text of an observance's RRULE without its UNTIL, with its kind and offsets: two
// observances with the same key are one rule that libical split in two years.
std::string RuleKey(icalcomponent* observance) {
    icalproperty* rrule = icalcomponent_get_first_property(observance, ICAL_RRULE_PROPERTY);
    if (!rrule) return "";
    icalrecurrencetype r = icalproperty_get_rrule(rrule);
    r.until = icaltime_null_time();
    char* text = icalrecurrencetype_as_string_r(&r);
    std::string key = std::to_string(icalcomponent_isa(observance)) + text;
    std::free(text);
    for (icalproperty_kind kind : {ICAL_TZOFFSETFROM_PROPERTY, ICAL_TZOFFSETTO_PROPERTY})
        if (icalproperty* p = icalcomponent_get_first_property(observance, kind))
            key += "|" + std::to_string(kind == ICAL_TZOFFSETTO_PROPERTY ? icalproperty_get_tzoffsetto(p)
                                                                          : icalproperty_get_tzoffsetfrom(p));
    return key;
}

// libical ends the zone's current rules with an UNTIL at 2037 and starts them again as new
// observances (its zone data is cut there); readers such as python3-icalendar cannot
// follow an UTC UNTIL beside a local DTSTART. Each rule that goes on unchanged after its
// UNTIL loses the UNTIL and its continuation.
void JoinSplitRules(icalcomponent* vtimezone) {
    std::vector<icalcomponent*> observances;
    for (icalcomponent* o = icalcomponent_get_first_component(vtimezone, ICAL_ANY_COMPONENT); o;
         o = icalcomponent_get_next_component(vtimezone, ICAL_ANY_COMPONENT))
        observances.push_back(o);
    for (icalcomponent* ending : observances) {
        icalproperty* rrule = icalcomponent_get_first_property(ending, ICAL_RRULE_PROPERTY);
        if (!rrule || icaltime_is_null_time(icalproperty_get_rrule(rrule).until)) continue;
        const std::string key = RuleKey(ending);
        for (icalcomponent*& going_on : observances) {
            if (!going_on || going_on == ending || RuleKey(going_on) != key) continue;
            icalproperty* next = icalcomponent_get_first_property(going_on, ICAL_RRULE_PROPERTY);
            if (!icaltime_is_null_time(icalproperty_get_rrule(next).until)) continue;
            icalrecurrencetype r = icalproperty_get_rrule(rrule);
            r.until = icaltime_null_time();
            icalproperty_set_rrule(rrule, r);
            icalcomponent_remove_component(vtimezone, going_on);
            icalcomponent_free(going_on);
            going_on = nullptr;
            break;
        }
    }
}

icalcomponent* NewVevent(const Event& e, const std::string& uid, const icaltimetype& stamp, const std::tm& today,
                         icaltimezone* zone) {
    icalcomponent* ev = icalcomponent_new(ICAL_VEVENT_COMPONENT);
    icalcomponent_add_property(ev, icalproperty_new_uid(uid.c_str()));
    icalcomponent_add_property(ev, icalproperty_new_dtstamp(stamp));
    icaltimetype start = Local(e.date, e.time, today, zone);
    icalrecurrencetype rule;
    icalrecurrencetype_clear(&rule);
    if (e.type == kWeekly) {
        // Its weekday on or before its own date, so the series has begun as the record
        // has (icaltime_day_of_week counts 1 Sunday to 7 Saturday).
        icaltime_adjust(&start, -(((icaltime_day_of_week(start) - 1) - e.wday + 7) % 7), 0, 0, 0);
        rule.freq = ICAL_WEEKLY_RECURRENCE;
        rule.by_day[0] = static_cast<short>(e.wday + 1);
    } else if (e.type == kReminder) {
        rule.freq = ICAL_HOURLY_RECURRENCE;
        rule.interval = static_cast<short>(e.remind_mode + 1);
    }
    icalcomponent_add_property(ev, WithZone(icalproperty_new_dtstart(start), start));
    icaltimetype end = start;
    icaltime_adjust(&end, 0, 0, 0, kWrittenLength);
    icalcomponent_add_property(ev, WithZone(icalproperty_new_dtend(end), end));
    const std::string title = FieldUtf8(e.title, sizeof e.title);
    const std::string description = FieldUtf8(e.description, sizeof e.description);
    if (!title.empty()) icalcomponent_add_property(ev, icalproperty_new_summary(title.c_str()));
    if (!description.empty()) icalcomponent_add_property(ev, icalproperty_new_description(description.c_str()));
    if (rule.freq != ICAL_NO_RECURRENCE) icalcomponent_add_property(ev, icalproperty_new_rrule(rule));
    return ev;
}

}  // namespace

std::string ExportIcalendar(const std::list<Event>& calendar, std::time_t now, std::vector<std::string>& left_out) {
    std::tm today{};
    localtime_r(&now, &today);
    const icaltimetype stamp = icaltime_from_timet_with_zone(now, 0, icaltimezone_get_utc_timezone());
    icalcomponent* cal = icalcomponent_new(ICAL_VCALENDAR_COMPONENT);
    icalcomponent_add_property(cal, icalproperty_new_version("2.0"));
    icalcomponent_add_property(cal, icalproperty_new_prodid(kProdId));
    icaltimezone* zone = LocalZone();
    std::vector<icalcomponent*> vevents;
    icaltimetype earliest = icaltime_null_time();  // UTC
    // Equal events get the same fingerprint; a count after it keeps their UIDs apart.
    std::map<uint64_t, int> seen;
    for (const Event& e : calendar) {
        if (const char* why = Unwritable(e)) {
            left_out.push_back("\"" + FieldText(e.title, sizeof e.title) + "\": " + why);
            continue;
        }
        const uint64_t print = Fingerprint(e);
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(print));
        const int repeat = seen[print]++;
        const std::string uid = hex + (repeat ? "-" + std::to_string(repeat + 1) : "") + "@strigolo";
        vevents.push_back(NewVevent(e, uid, stamp, today, zone));
        const icaltimetype start = icaltime_convert_to_zone(icalcomponent_get_dtstart(vevents.back()),
                                                            icaltimezone_get_utc_timezone());
        if (icaltime_is_null_time(earliest) || icaltime_compare(start, earliest) < 0) earliest = start;
    }
    // The zone's rules as libical has them, for readers that do not know its name, from
    // the first event on (older rules end with UNTIL, which some readers cannot follow),
    // named by the zone's IANA name rather than libical's own TZID.
    if (icalcomponent* rules = zone && zone != icaltimezone_get_utc_timezone() ? icaltimezone_get_component(zone) : nullptr) {
        icalcomponent* vtimezone = icalcomponent_new_clone(rules);
        if (icaltime_is_null_time(earliest)) earliest = stamp;
        icaltime_adjust(&earliest, -1, 0, 0, 0);
        icaltimezone_truncate_vtimezone(vtimezone, earliest, icaltime_null_time(), 0);
        JoinSplitRules(vtimezone);
        if (icalproperty* tzid = icalcomponent_get_first_property(vtimezone, ICAL_TZID_PROPERTY))
            icalproperty_set_tzid(tzid, icaltimezone_get_location(zone));
        icalcomponent_add_component(cal, vtimezone);
    }
    for (icalcomponent* ev : vevents) icalcomponent_add_component(cal, ev);
    char* text = icalcomponent_as_ical_string_r(cal);
    std::string out = text ? text : "";
    std::free(text);
    icalcomponent_free(cal);
    return out;
}
