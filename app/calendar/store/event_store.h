// The calendar: the event records, the list held for the whole run, and the file
// "Data/database.bin" that mirrors it (a 4-byte count, then 572-byte records).
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <list>
#include <string>
#include <vector>

struct Date {
    int32_t day = 0;    // 1 to 31
    int32_t month = 0;  // 1 (January) to 12
    int32_t year = 0;   // full year, such as 2012
};

struct Time {
    int32_t hour = 0;  // 0 to 23
    int32_t min = 0;   // 0 to 59
};

// One calendar entry. The texts are zero-terminated inside their fields when the
// program wrote them; a damaged file can leave a field without a zero byte, so
// readers go through FieldText.
struct Event {
    char title[20];
    char description[512];
    Date date;   // day of an appointment; for other kinds, the last date it was given
    Time time;   // time of day of an appointment or weekly event
    int32_t wday = 0;         // weekday of a weekly event, 0 Sunday to 6 Saturday
    int32_t type = 0;         // 0 appointment, 1 weekly event, 2 reminder
    int32_t remind_mode = 0;  // reminder period: 0 one hour, 1 two hours, 2 three hours
    float remind_te = 0.0f;   // seconds gathered since the reminder last fired
    bool notify_1h = false;   // the one-hour notice has been given
    bool notify_hh = false;   // the half-hour notice has been given
    bool notify = false;      // the due notice has been given

    // Empty texts, today's date and weekday, the current hour with minute 0, from the
    // wall clock of platform/clock.h in local time.
    Event();
    // The same defaults for the given local time.
    explicit Event(const std::tm& now);
};

enum EventType { kAppointment = 0, kWeekly = 1, kReminder = 2 };

// The whole calendar, in the order of the last sort. std::list never moves its
// elements, so the Event* held by the editor and the reminder scan stay valid while
// others are added, removed or the list is sorted.
extern std::list<Event> events;
// Counts the changes made to `events` other than by the reminder scan (a load, a merge,
// a panel open): the scan keeps its last result while it stands still.
extern uint64_t events_generation;
// The event the editor shows (an element of `events`), or null.
extern Event* edit_event;
// Buffer that GetWdayStr fills and returns.
extern char wdaystr[5];

// The file the calendar lives in, relative to the working directory.
extern const char* const kDatabasePath;

// Reads kDatabasePath into `events` at start-up (app/calendar/store/calendar_file.h says what
// it guarantees about files that cannot be read in full); every reminder comes back due.
void LoadEvents();
// Writes the whole calendar to kDatabasePath in one step, merged first with what another
// writer saved meanwhile. A failure leaves the file and the list as they were, goes to
// stderr and to the window, and is retried.
void SaveEvents();

// Ordering predicate: reminders first (equal among themselves), then by the minute
// count of the date, a weekly event counted on its next weekday from today. Reads
// today's weekday from the wall clock.
bool sort_by_date(const Event& f, const Event& s);
// The same ordering with today's weekday given (0 Sunday to 6 Saturday).
bool EventGoesBefore(const Event& f, const Event& s, int today_wday);
// Stable in-place sort of a list by that ordering; elements are relinked, not moved.
void SortEvents(std::list<Event>& list, int today_wday);

// Minutes since a reference in 1900 in a calendar of 31-day months and 12-month years:
// m + 60 h + 1440 dd + 44640 mm + 535680 (yy - 1900), exact in double for every int.
// The local calendar time of the wall clock (platform/clock.h), read now.
std::tm LocalNow();
// Whether `d` is the day of `now`.
bool IsToday(const Date& d, const std::tm& now);

double ConvertDAM(int dd, int mm, int yy, int h, int m);
// Italian weekday abbreviation of wd (0 "dom" to 6 "sab"), empty for any other value.
// Fills and returns wdaystr, so each call overwrites the previous result.
char* GetWdayStr(int wd);

// The characters of a text field up to its first zero byte or the end of the field.
std::string FieldText(const char* field, size_t size);

// The file format, byte for byte, little-endian whatever the host.
constexpr size_t kEventRecordSize = 572;
constexpr size_t kDatabaseHeaderSize = 4;
// The most events any writer writes: 16 MiB of file. Readers take files up to four times
// that, so a calendar an older build let grow past the limit still opens.
constexpr size_t kMaxCalendarEvents = ((size_t(16) << 20) - kDatabaseHeaderSize) / kEventRecordSize;  // 29,330
constexpr size_t kMaxCalendarReadBytes = size_t(64) << 20;
// Whether `events` records may be written over a file that holds `held`: within the
// limit, or no more than it holds already (an older file past the limit may shrink).
inline bool CalendarFits(size_t events, size_t held) { return events <= kMaxCalendarEvents || events <= held; }

void EncodeEvent(const Event& e, unsigned char out[kEventRecordSize]);
// Reads a record image; padding byte 571 is ignored, flags are true for any non-zero
// byte.
Event DecodeEvent(const unsigned char in[kEventRecordSize]);
std::vector<unsigned char> SerializeEvents(const std::list<Event>& list);

// What ParseEvents found wrong with a file image, if anything.
struct ParseReport {
    bool whole = true;    // exactly a count of 0 or more and that many records
    std::string problem;  // otherwise what is wrong, for a line on stderr
};
// Parses a whole file image into its whole records, touching nothing in them (reminders
// are re-armed by the loader). Never reads past `size`. A count that is negative or names
// more records than the bytes hold is damaged: every whole record there loads. Bytes past
// the records the count names are left out; a record cut off part way is dropped.
std::list<Event> ParseEvents(const unsigned char* data, size_t size, ParseReport* report = nullptr);
