// The import's mapping from the series of an iCalendar file (ical/occurrences.h) to the
// calendar's fixed records: appointments, weekly events and reminders.
#include "app/calendar/ical/ical_import.h"

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <utility>

#include "app/calendar/panels/event_editor.h"
#include "app/calendar/ical/occurrences.h"

namespace {

constexpr std::time_t kDay = 86400;
// A series that ends within this is kept as its next occurrence only: a weekly event
// the record cannot end would outlive it for long.
constexpr std::time_t kShortSeries = 28 * kDay;
// How far ahead moved and cancelled occurrences of a weekly series are looked for.
constexpr std::time_t kExceptionsAhead = 366 * kDay;
// CPU time the import may spend on one series in all its calls of the engine, seconds.
constexpr double kSeriesCpuSeconds = 0.05;
// The editor holds one character more than its limit (EditTextField): so does the import.
constexpr size_t kTitleChars = kTitleLimit + 1, kDescriptionChars = kDescriptionLimit + 1;

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

double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

std::string DateText(const IcalLocalTime& t) {
    return std::to_string(t.day) + "/" + std::to_string(t.month) + "/" + std::to_string(t.year);
}

std::string WhenText(const IcalLocalTime& t, bool all_day) {
    char time[8];
    std::snprintf(time, sizeof time, "%d:%02d", t.hour, t.minute);
    return DateText(t) + (all_day ? "" : std::string(" ") + time);
}

// Weekday (0 Sunday) of a RECURRENCE-ID value "YYYYMMDD...": the series' own weekday.
int WeekdayOfId(const std::string& id) {
    std::tm tm{};
    if (id.size() < 8) return -1;
    tm.tm_year = std::atoi(id.substr(0, 4).c_str()) - 1900;
    tm.tm_mon = std::atoi(id.substr(4, 2).c_str()) - 1;
    tm.tm_mday = std::atoi(id.substr(6, 2).c_str());
    tm.tm_hour = 12;
    const std::time_t t = timegm(&tm);
    gmtime_r(&t, &tm);
    return tm.tm_wday;
}

// The record's key for telling apart events one file gives: what SameEvent compares.
std::string Key(const Event& e) {
    char head[64];
    std::snprintf(head, sizeof head, "%d|%d/%d/%d|%d:%d|%d|%d|", e.type, e.type == kAppointment ? e.date.day : 0,
                  e.type == kAppointment ? e.date.month : 0, e.type == kAppointment ? e.date.year : 0,
                  e.type == kReminder ? 0 : e.time.hour, e.type == kReminder ? 0 : e.time.min,
                  e.type == kWeekly ? e.wday : 0, e.type == kReminder ? e.remind_mode : 0);
    return head + TrimEnd(FieldText(e.title, sizeof e.title));
}

// A title for messages, quoted: the start of a long one is enough to tell it by on a
// terminal.
std::string Quoted(const std::string& summary) {
    const std::string text = FontText(summary);
    return "\"" + (text.size() > 60 ? text.substr(0, 57) + "..." : text) + "\"";
}

class Mapper {
public:
    Mapper(std::time_t now, IcalImport& out) : now_(now), out_(out) { localtime_r(&now, &now_tm_); }

    void Series(const IcalSeries& s, bool method_cancel) {
        name_ = s.Summary().empty() ? "an untitled VEVENT" : Quoted(s.Summary());
        notes_.clear();
        if (!s.Unusable().empty()) return Skip(s.Unusable());
        if (s.Cancelled()) return Skip(method_cancel ? "cancelled (the file says METHOD:CANCEL)" : "cancelled");
        std::string why;
        IcalOccurrence next;
        cpu_start_ = ThreadCpuSeconds();
        if (!s.Next(now_, next, why, Left())) return Skip(why);
        notes_ = s.Notes();
        const IcalRuleShape shape = s.Shape();
        const bool simple = !shape.other_parts && !shape.several && !shape.rdates;
        if (shape.freq == IcalFreq::kHourly && simple && shape.weekdays == 0 && shape.interval <= 3 && !shape.ends &&
            s.Start() <= now_) {
            Event e(now_tm_);
            e.type = kReminder;
            e.remind_mode = shape.interval - 1;
            return Add(s, e, next);
        }
        if ((shape.freq == IcalFreq::kWeekly || shape.freq == IcalFreq::kDaily) && simple && shape.interval == 1)
            return Weekly(s, next);
        if (shape.freq != IcalFreq::kNone || shape.rdates)
            notes_.push_back("repeats in a way the calendar cannot hold: only its next occurrence was kept");
        Appointment(s, next);
    }

    void Other(const IcalOther& o) {
        name_ = o.summary.empty() ? "an untitled " + o.kind : Quoted(o.summary);
        if (o.kind == "VTODO") return Skip("a to-do (VTODO), not an event");
        if (o.kind == "VJOURNAL") return Skip("a journal entry (VJOURNAL), not an event");
        Skip("not an event");
    }

private:
    // A weekly or daily series as one weekly event per weekday, unless it starts after
    // today or ends within four weeks: then as its next occurrence.
    void Weekly(const IcalSeries& s, const IcalOccurrence& next) {
        IcalOccurrence after;
        std::string why;
        if (s.Start() > now_ && !IsToday(s)) {
            notes_.push_back("a repeating series that starts on " + DateText(next.local) +
                             ": only its first occurrence was kept (import it again once it has begun)");
            return Appointment(s, next);
        }
        if (!s.Next(now_ + kShortSeries, after, why, Left())) {
            if (why != "in the past") return Skip(why);
            notes_.push_back("a repeating series that ends within four weeks: only its next occurrence was kept");
            return Appointment(s, next);
        }
        IcalOccurrence last;
        if (s.Shape().ends && s.Last(now_, last, why, Left()))
            notes_.push_back("the calendar cannot end a weekly event: remove it after " + DateText(last.local));
        else if (s.Shape().ends)
            notes_.push_back("the calendar cannot end a weekly event, and its end was not found (" + why + ")");
        if (s.ZoneDriftsFromLocal(now_, now_ + 366 * kDay))
            notes_.push_back("the offset between its time zone and the local one changes during the year: "
                             "its time may be an hour off between summer-time changes");
        // One weekly event per weekday of the series (its own zone's), at the local
        // weekday and time of that weekday's first occurrence from now.
        IcalQuery week;
        week.with_cancelled = true;
        week.budget = Left();
        const IcalOccurrences weeks = s.Between(now_, now_ + 21 * kDay, week);
        std::map<int, IcalOccurrence> by_weekday;
        for (const IcalOccurrence& o : weeks.list)
            if (!o.overridden) by_weekday.emplace((WeekdayOfId(o.recurrence_id) + 6) % 7, o);  // Monday first
        if (!weeks.complete || by_weekday.empty()) return Skip("too much work to follow its repeat rule");
        const size_t weekly = out_.events.size();
        for (const auto& entry : by_weekday) {
            Event e(now_tm_);
            e.type = kWeekly;
            e.wday = entry.second.local.wday;
            e.time = entry.second.all_day ? Time{9, 0} : Time{entry.second.local.hour, entry.second.local.minute};
            Add(s, e, entry.second);
        }
        // The record holds no exceptions: a moved occurrence is added on its own, a
        // cancelled one only told (the weekly event will still announce it).
        IcalQuery changes;
        changes.only_exceptions = true;
        changes.budget = Left();
        const IcalOccurrences exceptions = s.Between(now_, now_ + kExceptionsAhead, changes);
        if (!exceptions.complete)
            out_.events[weekly].notes.push_back("its moved and cancelled dates were not all looked at (" +
                                                exceptions.problem + ")");
        for (const IcalOccurrence& o : exceptions.list) {
            if (o.cancelled) {
                // Told with the weekly event of its weekday (the first when none is).
                size_t at = weekly;
                for (size_t i = weekly; i < out_.events.size(); ++i)
                    if (out_.events[i].event.type == kWeekly && out_.events[i].event.wday == o.local.wday) at = i;
                if (at < out_.events.size())
                    out_.events[at].notes.push_back("the weekly event will still announce " +
                                                    WhenText(o.local, o.all_day) + ", which was cancelled");
            } else {
                notes_.push_back("moved occurrence kept as an appointment of its own");
                Appointment(s, o);
            }
        }
    }

    bool IsToday(const IcalSeries& s) const {
        const std::time_t start = s.Start();
        std::tm tm{};
        localtime_r(&start, &tm);
        return tm.tm_year == now_tm_.tm_year && tm.tm_yday == now_tm_.tm_yday;
    }

    void Appointment(const IcalSeries& s, const IcalOccurrence& o) {
        if (o.local.year < 1 || o.local.year > 3000) return Skip("its date is out of range");
        Event e(now_tm_);
        e.type = kAppointment;
        e.date = {o.local.day, o.local.month, o.local.year};
        // A date without a time is an appointment at 9:00 that day.
        e.time = o.all_day ? Time{9, 0} : Time{o.local.hour, o.local.minute};
        Add(s, e, o);
    }

    void Add(const IcalSeries& s, Event e, const IcalOccurrence& o) {
        IcalEvent found{e, Quoted(o.summary), {}, {}};
        if (o.summary.empty()) found.name = name_;
        if (FillField(found.event.title, sizeof e.title, kTitleChars, FontText(o.summary)))
            found.cut.push_back("title cut to " + std::to_string(kTitleChars) + " characters");
        if (FillField(found.event.description, sizeof e.description, kDescriptionChars, FontText(o.description)))
            found.cut.push_back("description cut to " + std::to_string(kDescriptionChars) + " characters");
        // Two series of the file with different titles that give the same record once cut:
        // the later one's title ends in "~2" (then "~3", ...) so that both are kept, and
        // kept again as the same on the next import of the file.
        const std::string key = Key(found.event), full = FontText(o.summary);
        auto seen = uids_.find(key);
        if (seen != uids_.end() && seen->second.first != s.Uid() && seen->second.second != full) {
            for (int n = 2;; ++n) {
                const std::string tail = "~" + std::to_string(n);
                std::string title = TrimEnd(FieldText(found.event.title, sizeof e.title));
                title = title.substr(0, std::min(title.size(), kTitleChars - tail.size())) + tail;
                FillField(found.event.title, sizeof e.title, kTitleChars, title);
                if (!uids_.count(Key(found.event))) break;
            }
            found.notes.push_back("another event of the file has the same title and time: this one is titled \"" +
                                  FieldText(found.event.title, sizeof e.title) + "\"");
        }
        uids_.emplace(Key(found.event), std::make_pair(s.Uid(), full));
        found.notes.insert(found.notes.begin(), notes_.begin(), notes_.end());
        notes_.clear();
        out_.events.push_back(found);
    }

    void Skip(const std::string& reason) { out_.skipped.push_back(name_ + ": " + reason); }

    // What is left of the CPU time one series may take, for the next call of the engine;
    // never less than 2 ms, so that a call can still answer.
    IcalBudget Left() const {
        IcalBudget budget;
        budget.cpu_seconds = std::max(0.002, kSeriesCpuSeconds - (ThreadCpuSeconds() - cpu_start_));
        return budget;
    }

    const std::time_t now_;
    double cpu_start_ = 0;
    std::tm now_tm_{};
    IcalImport& out_;
    std::string name_;
    std::vector<std::string> notes_;          // for the next event added
    // Record key to the UID and whole title that gave it.
    std::map<std::string, std::pair<std::string, std::string>> uids_;
};

}  // namespace

std::string ImportedTitle(const Event& e) {
    std::string utf8;
    for (unsigned char c : FieldText(e.title, sizeof e.title)) {
        if (c >= 0x80) utf8 += static_cast<char>(0xC0 | c >> 6), utf8 += static_cast<char>(0x80 | (c & 0x3F));
        else utf8 += static_cast<char>(c);
    }
    const std::string text = FontText(utf8);
    return TrimEnd(text.substr(0, std::min(text.size(), kTitleChars)));
}

IcalImport MapIcalendar(const char* data, size_t size, std::time_t now) {
    IcalImport out;
    const IcalFile file = ReadIcalFile(data, size);
    out.refused = file.refused;
    out.long_lines_cut = file.long_lines_cut;
    out.is_icalendar = file.is_icalendar;
    Mapper mapper(now, out);
    for (const IcalSeries& s : file.series) mapper.Series(s, file.method_cancel);
    for (const IcalOther& o : file.others) mapper.Other(o);
    out.notes = file.notes;
    return out;
}

bool SameEvent(const Event& a, const Event& b) {
    if (a.type != b.type || ImportedTitle(a) != ImportedTitle(b)) return false;
    const bool same_time = a.time.hour == b.time.hour && a.time.min == b.time.min;
    switch (a.type) {
    case kAppointment:
        return same_time && a.date.day == b.date.day && a.date.month == b.date.month && a.date.year == b.date.year;
    case kWeekly: return same_time && a.wday == b.wday;
    case kReminder: return a.remind_mode == b.remind_mode;
    default: return false;
    }
}

std::string SameEventKey(const Event& e) {
    char head[80];
    switch (e.type) {
    case kAppointment:
        std::snprintf(head, sizeof head, "A%d:%d %d/%d/%d|", e.time.hour, e.time.min, e.date.day, e.date.month,
                      e.date.year);
        break;
    case kWeekly: std::snprintf(head, sizeof head, "W%d:%d %d|", e.time.hour, e.time.min, e.wday); break;
    case kReminder: std::snprintf(head, sizeof head, "R%d|", e.remind_mode); break;
    default: return "";
    }
    return head + ImportedTitle(e);
}
