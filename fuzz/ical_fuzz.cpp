// libFuzzer entry for the iCalendar import: any bytes are parsed and mapped, every event
// that comes out must be one the owl can hold and export, and its export must import
// back to the same events. A broken promise aborts. The local zone is Europe/Rome
// whatever TZ says, so a run is the same on every machine.
#include <cstring>
#include <ctime>
#include <list>

#include "app/calendar/panels/event_editor.h"
#include "app/calendar/ical/ical_export.h"
#include "app/calendar/ical/ical_import.h"
#include "fuzz/fuzz.h"

// Friday 1 March 2030, 09:00 UTC; set with it, before any input, the local zone.
static const std::time_t kNow = (setenv("TZ", "Europe/Rome", 1), tzset(), 1898586000);

// Printable ASCII within what the editor holds (one past its limit), zeros after it.
static void CheckText(const char* field, size_t size, size_t limit) {
    const size_t n = strnlen(field, size);
    for (size_t i = 0; i < size; ++i) Require(n <= limit && (i < n ? field[i] >= 32 && field[i] < 127 : field[i] == 0));
}

// A real date of years 1 to 3000 and a real time, and every choice within its range.
static void CheckEvent(const Event& e) {
    static const int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int y = e.date.year, m = e.date.month, d = e.date.day, leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    CheckText(e.title, sizeof e.title, kTitleLimit + 1);
    CheckText(e.description, sizeof e.description, kDescriptionLimit + 1);
    Require(e.type >= kAppointment && e.type <= kReminder && e.remind_mode >= 0 && e.remind_mode < 3);
    Require(y >= 1 && y <= 3000 && m >= 1 && m <= 12 && d >= 1 && d <= kDays[m - 1] - (m == 2 && !leap));
    Require(e.time.hour >= 0 && e.time.hour < 24 && e.time.min >= 0 && e.time.min < 60 && e.wday >= 0 && e.wday < 7);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const IcalImport got = MapIcalendar(reinterpret_cast<const char*>(data), size, kNow);
    Require(got.is_icalendar || (got.events.empty() && got.skipped.empty()));
    std::list<Event> list;
    for (const IcalEvent& f : got.events) CheckEvent(f.event), list.push_back(f.event);
    std::vector<std::string> left_out;
    const std::string text = ExportIcalendar(list, kNow, left_out);
    // Back come the same events, less appointments under way (an export has no length).
    const IcalImport back = MapIcalendar(text.data(), text.size(), kNow);
    Require(left_out.empty() && back.is_icalendar && back.events.size() + back.skipped.size() == list.size());
    size_t k = 0;
    for (const Event& e : list)
        k += k < back.events.size() && SameEvent(e, back.events[k].event) &&
             std::strcmp(e.description, back.events[k].event.description) == 0;
    Require(k == back.events.size());
    for (const auto& why : back.skipped) Require(why.size() >= 11 && why.substr(why.size() - 11) == "in the past");
    return 0;
}
