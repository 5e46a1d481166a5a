// libFuzzer entry for the iCalendar import: any bytes are parsed and mapped, every event
// that comes out must be one the owl can hold and export, and its export must import
// back to the same events. A broken promise aborts. The local zone is Europe/Rome
// whatever TZ says, so a run is the same on every machine.
#include <cstring>
#include <ctime>
#include <list>

#include "app/calendar/event_editor.h"
#include "app/calendar/ical_export.h"
#include "app/calendar/ical_import.h"
#include "fuzz/fuzz.h"

namespace {

// Friday 1 March 2030, 09:00 UTC.
constexpr std::time_t kNow = 1898586000;

// Printable ASCII within the editor's limit, zeros after it.
void CheckText(const char* field, size_t size, size_t limit) {
    const size_t n = strnlen(field, size);
    Require(n <= limit);
    for (size_t i = 0; i < size; ++i) Require(i < n ? field[i] >= 32 && field[i] < 127 : field[i] == 0);
}

void CheckEvent(const Event& e) {
    static const int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int y = e.date.year;
    CheckText(e.title, sizeof e.title, kTitleLimit);
    CheckText(e.description, sizeof e.description, kDescriptionLimit);
    Require(e.type >= kAppointment && e.type <= kReminder && y >= 1 && y <= 3000 && e.date.month >= 1 && e.date.month <= 12);
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    Require(e.date.day >= 1 && e.date.day <= kDays[e.date.month - 1] - (e.date.month == 2 && !leap));
    Require(e.time.hour >= 0 && e.time.hour < 24 && e.time.min >= 0 && e.time.min < 60);
    Require(e.wday >= 0 && e.wday < 7 && e.remind_mode >= 0 && e.remind_mode < 3);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool zone_set = (setenv("TZ", "Europe/Rome", 1), tzset(), true);
    (void)zone_set;
    const IcalImport got = MapIcalendar(reinterpret_cast<const char*>(data), size, kNow);
    Require(got.is_icalendar || (got.events.empty() && got.skipped.empty()));
    std::list<Event> list;
    for (const IcalEvent& f : got.events) CheckEvent(f.event), list.push_back(f.event);
    std::vector<std::string> left_out;
    const std::string text = ExportIcalendar(list, kNow, left_out);
    Require(left_out.empty());
    // Back come the same events, less appointments under way (an export has no length).
    const IcalImport back = MapIcalendar(text.data(), text.size(), kNow);
    Require(back.is_icalendar && back.events.size() + back.skipped.size() == list.size());
    size_t k = 0;
    for (const Event& e : list)
        k += k < back.events.size() && SameEvent(e, back.events[k].event) &&
             std::strcmp(e.description, back.events[k].event.description) == 0;
    Require(k == back.events.size());
    for (const std::string& why : back.skipped) Require(why.size() >= 11 && why.compare(why.size() - 11, 11, "in the past") == 0);
    return 0;
}
