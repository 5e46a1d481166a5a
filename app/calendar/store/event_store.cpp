// The calendar list, its ordering and minute count, and the database file's records:
// encoding, and a parser that never reads past the bytes it has.
#include "app/calendar/store/event_store.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/clock.h"

std::list<Event> events;
Event* edit_event = nullptr;
uint64_t events_generation = 0;
char wdaystr[5];
const char* const kDatabasePath = "Data/database.bin";

std::tm LocalNow() {
    std::time_t t = WallClock();
    std::tm now{};
    localtime_r(&t, &now);
    return now;
}

bool IsToday(const Date& d, const std::tm& now) {
    return d.day == now.tm_mday && d.month == now.tm_mon + 1 && d.year == now.tm_year + 1900;
}

namespace {

// Field offsets inside a record.
constexpr size_t kTitle = 0, kDescription = 20, kDay = 532, kMonth = 536, kYear = 540,
                 kHour = 544, kMin = 548, kWday = 552, kType = 556, kRemindMode = 560,
                 kRemindTe = 564, kNotify1h = 568, kNotifyHh = 569, kNotify = 570,
                 kPadding = 571;

void PutU32(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

uint32_t GetU32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void PutI32(unsigned char* p, int32_t v) { PutU32(p, static_cast<uint32_t>(v)); }
int32_t GetI32(const unsigned char* p) { return static_cast<int32_t>(GetU32(p)); }

// The minute count with every term in double, so no int sum can overflow.
double MinuteCount(double dd, double mm, double yy, double h, double m) {
    return m + 60.0 * h + 1440.0 * dd + 44640.0 * mm + 535680.0 * (yy - 1900.0);
}

// Days from today to the next occurrence of a weekly event's weekday, 0 to 6.
double WeeklyOffset(const Event& e, int today_wday) {
    if (e.type != kWeekly) return 0.0;
    double d = double(e.wday) - double(today_wday);
    return d >= 0.0 ? d : d + 7.0;
}

double SortKey(const Event& e, int today_wday) {
    return MinuteCount(double(e.date.day) + WeeklyOffset(e, today_wday), e.date.month,
                       e.date.year, e.time.hour, e.time.min);
}

}  // namespace

Event::Event() : Event(LocalNow()) {}

Event::Event(const std::tm& now) {
    std::memset(title, 0, sizeof title);
    std::memset(description, 0, sizeof description);
    date.day = now.tm_mday;
    date.month = now.tm_mon + 1;
    date.year = now.tm_year + 1900;
    time.hour = now.tm_hour;
    time.min = 0;
    wday = now.tm_wday;
}

double ConvertDAM(int dd, int mm, int yy, int h, int m) {
    return MinuteCount(dd, mm, yy, h, m);
}

char* GetWdayStr(int wd) {
    static const char* const kNames[7] = {"dom", "lun", "mar", "merc", "giov", "ven", "sab"};
    std::memset(wdaystr, 0, sizeof wdaystr);
    if (wd >= 0 && wd < 7) std::strcpy(wdaystr, kNames[wd]);
    return wdaystr;
}

std::string FieldText(const char* field, size_t size) {
    return std::string(field, strnlen(field, size));
}

bool EventGoesBefore(const Event& f, const Event& s, int today_wday) {
    if (f.type == kReminder) return s.type != kReminder;
    if (s.type == kReminder) return false;
    return SortKey(f, today_wday) < SortKey(s, today_wday);
}

bool sort_by_date(const Event& f, const Event& s) {
    return EventGoesBefore(f, s, LocalNow().tm_wday);
}

void SortEvents(std::list<Event>& list, int today_wday) {
    // std::list::sort is a stable merge sort that relinks nodes.
    list.sort([today_wday](const Event& f, const Event& s) {
        return EventGoesBefore(f, s, today_wday);
    });
}

void EncodeEvent(const Event& e, unsigned char out[kEventRecordSize]) {
    std::memcpy(out + kTitle, e.title, sizeof e.title);
    std::memcpy(out + kDescription, e.description, sizeof e.description);
    PutI32(out + kDay, e.date.day);
    PutI32(out + kMonth, e.date.month);
    PutI32(out + kYear, e.date.year);
    PutI32(out + kHour, e.time.hour);
    PutI32(out + kMin, e.time.min);
    PutI32(out + kWday, e.wday);
    PutI32(out + kType, e.type);
    PutI32(out + kRemindMode, e.remind_mode);
    uint32_t bits;
    std::memcpy(&bits, &e.remind_te, sizeof bits);
    PutU32(out + kRemindTe, bits);
    out[kNotify1h] = e.notify_1h ? 1 : 0;
    out[kNotifyHh] = e.notify_hh ? 1 : 0;
    out[kNotify] = e.notify ? 1 : 0;
    out[kPadding] = 0;
}

Event DecodeEvent(const unsigned char in[kEventRecordSize]) {
    std::tm zero{};
    Event e(zero);
    std::memcpy(e.title, in + kTitle, sizeof e.title);
    std::memcpy(e.description, in + kDescription, sizeof e.description);
    e.date.day = GetI32(in + kDay);
    e.date.month = GetI32(in + kMonth);
    e.date.year = GetI32(in + kYear);
    e.time.hour = GetI32(in + kHour);
    e.time.min = GetI32(in + kMin);
    e.wday = GetI32(in + kWday);
    e.type = GetI32(in + kType);
    e.remind_mode = GetI32(in + kRemindMode);
    uint32_t bits = GetU32(in + kRemindTe);
    std::memcpy(&e.remind_te, &bits, sizeof bits);
    e.notify_1h = in[kNotify1h] != 0;
    e.notify_hh = in[kNotifyHh] != 0;
    e.notify = in[kNotify] != 0;
    return e;
}

std::vector<unsigned char> SerializeEvents(const std::list<Event>& list) {
    std::vector<unsigned char> out(kDatabaseHeaderSize + kEventRecordSize * list.size());
    PutI32(out.data(), static_cast<int32_t>(list.size()));
    unsigned char* p = out.data() + kDatabaseHeaderSize;
    for (const Event& e : list) {
        EncodeEvent(e, p);
        p += kEventRecordSize;
    }
    return out;
}

std::list<Event> ParseEvents(const unsigned char* data, size_t size, ParseReport* report) {
    ParseReport r;
    std::list<Event> out;
    const size_t held = size < kDatabaseHeaderSize ? 0 : (size - kDatabaseHeaderSize) / kEventRecordSize;
    const int32_t count = size < kDatabaseHeaderSize ? 0 : GetI32(data);
    // A count that cannot be right is no limit: every whole record there is loads.
    const bool count_damaged = count < 0 || size_t(count) > held;
    const size_t n = count_damaged ? held : size_t(count);
    for (size_t i = 0; i < n; ++i) out.push_back(DecodeEvent(data + kDatabaseHeaderSize + i * kEventRecordSize));

    const size_t extra = size < kDatabaseHeaderSize ? 0 : size - kDatabaseHeaderSize - n * kEventRecordSize;
    char why[160] = "";
    if (size > 0 && size < kDatabaseHeaderSize)
        std::snprintf(why, sizeof why, "%zu bytes, too short for its count", size);
    else if (count_damaged)
        std::snprintf(why, sizeof why, "its count says %d, but it holds %zu whole records%s", int(count), held,
                      extra > 0 ? " and a record cut off part way" : "");
    else if (extra > 0)
        std::snprintf(why, sizeof why, "%zu bytes after its %zu records", extra, n);
    r.whole = why[0] == 0;
    r.problem = why;
    if (report) *report = r;
    return out;
}
