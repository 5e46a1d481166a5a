// The time zones one VCALENDAR names, found the way calendar programs write them (its own
// VTIMEZONEs, IANA names, Windows names through ICU), and the RFC 5545 reading of a wall
// time that a zone skips or repeats.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

typedef struct _icaltimezone icaltimezone;
typedef struct icalcomponent_impl icalcomponent;

// One zone: libical's (built from a VTIMEZONE, or one of the system's) or, when `zone` is
// null, the owl's wall clock (TZ).
struct IcalZone {
    icaltimezone* zone = nullptr;

    // Seconds east of UTC at the instant `utc`.
    int64_t OffsetAt(std::time_t utc) const;
    // The instant of wall time `wall` (seconds as civil.h counts them) in this zone. A wall
    // time the zone skips is read with the offset before the gap; one it passes twice is
    // the first of the two (RFC 5545, 3.3.5).
    std::time_t ToUtc(int64_t wall) const;
    int64_t ToWall(std::time_t utc) const { return int64_t(utc) + OffsetAt(utc); }
};

// UTC itself, for times written with "Z".
const IcalZone& UtcZone();

// The zones of one VCALENDAR. Its VTIMEZONEs are copied, so the book outlives the parsed text.
class ZoneBook {
public:
    explicit ZoneBook(icalcomponent* vcalendar);
    ZoneBook(const ZoneBook&) = delete;
    ZoneBook& operator=(const ZoneBook&) = delete;
    // The book lives while someone holds it: made with one hold, freed with the last.
    void Hold() { ++holders_; }
    void Release() {
        if (--holders_ == 0) delete this;
    }

    // The zone TZID `tzid` names; the local wall clock when none can be found, with `note`
    // saying so (left alone when it is found).
    const IcalZone& Find(const std::string& tzid, std::string& note);
    // Where floating times and dates are read: X-WR-TIMEZONE's zone, else the local one.
    const IcalZone& Floating() const { return *floating_; }
    // Doubts about the calendar's zones (a VTIMEZONE with an impossible offset, an unknown
    // X-WR-TIMEZONE), one line each.
    const std::vector<std::string>& Notes() const { return notes_; }
    // Whether zone's offset minus the local zone's takes more than one value in [from, to),
    // looked at once a day (zones change offset on different days); remembered per zone.
    bool DriftsFromLocal(const IcalZone& zone, std::time_t from, std::time_t to);

private:
    ~ZoneBook();
    std::atomic<long> holders_{1};
    std::map<std::pair<const IcalZone*, std::time_t>, bool> drifts_;
    std::map<std::string, icalcomponent*> vtimezones_;  // copies of the VTIMEZONEs, by TZID
    std::map<std::string, std::unique_ptr<IcalZone>> found_;
    std::vector<icaltimezone*> owned_;
    IcalZone local_;
    const IcalZone* floating_ = &local_;
    std::vector<std::string> notes_;
};

// The IANA name ICU gives for a Windows zone name ("Tokyo Standard Time" is "Asia/Tokyo");
// empty when it knows none.
std::string IanaForWindowsZone(const std::string& windows_name);
