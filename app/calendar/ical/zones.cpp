// Zones by name: the VCALENDAR's own VTIMEZONE, libical's system zones, ICU's map of
// Windows names; offsets and the RFC reading of skipped and repeated wall times.
#include "app/calendar/ical/zones.h"

#include <libical/ical.h>
#include <unicode/ucal.h>
#include <unicode/ustring.h>

#include <cstdlib>
#include <cstring>

#include "app/calendar/ical/civil.h"

namespace {

// Real zones lie between UTC-12 and UTC+14; RFC 5545 allows no more than a day.
constexpr int kMaxOffset = 18 * 3600;

std::string OffsetText(int seconds) {
    char text[16];
    const int a = std::abs(seconds);
    std::snprintf(text, sizeof text, "%c%02d:%02d", seconds < 0 ? '-' : '+', a / 3600, a / 60 % 60);
    return text;
}

// The first offset of a VTIMEZONE's observances beyond kMaxOffset, or 0 when all are real.
int ImpossibleOffset(icalcomponent* vtimezone) {
    for (icalcomponent* o = icalcomponent_get_first_component(vtimezone, ICAL_ANY_COMPONENT); o;
         o = icalcomponent_get_next_component(vtimezone, ICAL_ANY_COMPONENT)) {
        for (icalproperty_kind kind : {ICAL_TZOFFSETTO_PROPERTY, ICAL_TZOFFSETFROM_PROPERTY})
            for (icalproperty* p = icalcomponent_get_first_property(o, kind); p;
                 p = icalcomponent_get_next_property(o, kind)) {
                const int offset = kind == ICAL_TZOFFSETTO_PROPERTY ? icalproperty_get_tzoffsetto(p)
                                                                     : icalproperty_get_tzoffsetfrom(p);
                if (std::abs(offset) > kMaxOffset) return offset;
            }
    }
    return 0;
}

bool HasObservance(icalcomponent* vtimezone) {
    return icalcomponent_get_first_component(vtimezone, ICAL_XSTANDARD_COMPONENT) ||
           icalcomponent_get_first_component(vtimezone, ICAL_XDAYLIGHT_COMPONENT);
}

// One of the system's zones by IANA name; also a name after a program's prefix such as
// "/mozilla.org/20070129_1/Europe/Rome".
icaltimezone* SystemZone(const std::string& name) {
    if (name.empty()) return nullptr;
    if (icaltimezone* z = icaltimezone_get_builtin_timezone(name.c_str())) return z;
    for (size_t at = name.find('/'); at != std::string::npos; at = name.find('/', at + 1))
        if (at + 1 < name.size() && name.find('/', at + 1) != std::string::npos)
            if (icaltimezone* z = icaltimezone_get_builtin_timezone(name.c_str() + at + 1)) return z;
    return nullptr;
}

}  // namespace

int64_t IcalZone::OffsetAt(std::time_t utc) const {
    if (!zone) {
        std::tm tm{};
        localtime_r(&utc, &tm);
        return tm.tm_gmtoff;
    }
    icaltimetype t = icaltime_from_timet_with_zone(utc, 0, icaltimezone_get_utc_timezone());
    int is_daylight = 0;
    return icaltimezone_get_utc_offset_of_utc_time(zone, &t, &is_daylight);
}

std::time_t IcalZone::ToUtc(int64_t wall) const {
    if (zone == icaltimezone_get_utc_timezone()) return std::time_t(wall);
    // The offsets in force a day either side hold every offset the wall time can have:
    // zones change their offset far less often than twice in two days.
    const int64_t before = OffsetAt(std::time_t(wall - civil::kDay));
    const int64_t after = OffsetAt(std::time_t(wall + civil::kDay));
    bool found = false;
    int64_t best = 0;
    for (int64_t offset : {before, after}) {
        const int64_t utc = wall - offset;
        if (OffsetAt(std::time_t(utc)) != offset) continue;
        if (!found || utc < best) best = utc;  // passed twice: the first
        found = true;
    }
    return std::time_t(found ? best : wall - before);  // skipped: the offset before the gap
}

const IcalZone& UtcZone() {
    static const IcalZone utc{icaltimezone_get_utc_timezone()};
    return utc;
}

ZoneBook::ZoneBook(icalcomponent* vcalendar) {
    for (icalcomponent* c = icalcomponent_get_first_component(vcalendar, ICAL_VTIMEZONE_COMPONENT); c;
         c = icalcomponent_get_next_component(vcalendar, ICAL_VTIMEZONE_COMPONENT)) {
        icalproperty* p = icalcomponent_get_first_property(c, ICAL_TZID_PROPERTY);
        const char* tzid = p ? icalproperty_get_tzid(p) : nullptr;
        if (!tzid || vtimezones_.count(tzid)) continue;
        vtimezones_[tzid] = icalcomponent_new_clone(c);
    }
    for (icalproperty* p = icalcomponent_get_first_property(vcalendar, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(vcalendar, ICAL_X_PROPERTY)) {
        const char* name = icalproperty_get_x_name(p);
        const char* value = icalproperty_get_x(p);
        if (!name || !value || std::strcmp(name, "X-WR-TIMEZONE") != 0) continue;
        std::string note;
        floating_ = &Find(value, note);
        if (!note.empty()) notes_.push_back("X-WR-TIMEZONE: " + note);
        break;
    }
}

ZoneBook::~ZoneBook() {
    for (icaltimezone* z : owned_) icaltimezone_free(z, 1);
    for (auto& entry : vtimezones_)
        if (entry.second) icalcomponent_free(entry.second);
}

const IcalZone& ZoneBook::Find(const std::string& tzid, std::string& note) {
    auto known = found_.find(tzid);
    if (known != found_.end()) {
        if (!known->second->zone) note = "unknown time zone \"" + tzid + "\": its times are read on the local clock";
        return *known->second;
    }
    auto made = std::make_unique<IcalZone>();
    auto own = vtimezones_.find(tzid);
    if (own != vtimezones_.end() && own->second) {
        icalcomponent* vtimezone = own->second;
        if (const int bad = ImpossibleOffset(vtimezone)) {
            notes_.push_back("time zone \"" + tzid + "\" gives the offset " + OffsetText(bad) +
                             ", which no place has: its VTIMEZONE is not used");
        } else if (HasObservance(vtimezone)) {
            icaltimezone* z = icaltimezone_new();
            icaltimezone_set_component(z, icalcomponent_new_clone(vtimezone));
            owned_.push_back(z);
            made->zone = z;
        }
    }
    if (!made->zone) made->zone = SystemZone(tzid);
    if (!made->zone) made->zone = SystemZone(IanaForWindowsZone(tzid));
    if (!made->zone) note = "unknown time zone \"" + tzid + "\": its times are read on the local clock";
    return *(found_[tzid] = std::move(made));
}

bool ZoneBook::DriftsFromLocal(const IcalZone& zone, std::time_t from, std::time_t to) {
    if (!zone.zone) return false;
    auto known = drifts_.find({&zone, from});
    if (known != drifts_.end()) return known->second;
    bool drifts = false;
    const int64_t first = zone.OffsetAt(from) - local_.OffsetAt(from);
    for (std::time_t t = from; t < to && !drifts; t += civil::kDay) drifts = zone.OffsetAt(t) - local_.OffsetAt(t) != first;
    return drifts_[{&zone, from}] = drifts;
}

std::string IanaForWindowsZone(const std::string& windows_name) {
    if (windows_name.empty() || windows_name.size() > 200) return "";
    UChar windows[256], iana[128];
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8(windows, 256, &length, windows_name.c_str(), int32_t(windows_name.size()), &status);
    if (U_FAILURE(status)) return "";
    const int32_t got = ucal_getTimeZoneIDForWindowsID(windows, length, nullptr, iana, 128, &status);
    if (U_FAILURE(status) || got <= 0) return "";
    char out[256];
    u_strToUTF8(out, sizeof out, &length, iana, got, &status);
    return U_SUCCESS(status) ? std::string(out, size_t(length)) : "";
}
