// The calendar file between writers: reading it without trusting it, the three-way
// merge, the locked save that never writes over what it could not read, the importer's
// read-modify-write and the running owl's watch on the file.
#include "app/calendar/store/calendar_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "app/calendar/live/live_calendars.h"
#include "app/calendar/live/live_writeback.h"
#include "app/shared/tick_state.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/file_lock.h"

CalendarStore calendar_store;

namespace {

// A writer holds the lock for milliseconds; the frame loop waits at most this long.
constexpr int kSaveLockWaitMs = 1000, kUpdateLockWaitMs = 5000;
constexpr uint32_t kWatchPeriodMs = 1000, kRetryPeriodMs = 10000;
constexpr float kReminderDue = 10800.0f;  // passes every reminder period (3 h)

bool ReadInFull(CalendarRead how) { return how == CalendarRead::kMissing || how == CalendarRead::kWhole; }

// The record's bytes but remind_te: what two writers agree an event is.
std::string MergeKey(const Event& e) {
    unsigned char image[kEventRecordSize];
    EncodeEvent(e, image);
    std::memset(image + 564, 0, sizeof e.remind_te);
    return std::string(reinterpret_cast<const char*>(image), kEventRecordSize);
}

void ReportDamage(CalendarStore& st, const CalendarImage& img) {
    CalendarNotices& n = st.notices;
    n.not_read_in_full = true;
    n.unreadable_error = img.how == CalendarRead::kUnreadable ? (img.error_number ? img.error_number : EINVAL) : -1;
    n.loaded = img.records.size();
    std::fprintf(stderr, "strigolo: %s could not be read in full (%s); %zu events loaded; it will not be written over\n",
                 st.path.c_str(), img.problem.c_str(), img.records.size());
}

// Takes in what the file holds now: merged into `list` when read in full; otherwise
// reported and remembered, so the next save puts it aside. A file gone is not a
// calendar emptied: the list stays and the next save writes it again.
void Refresh(CalendarStore& st, std::list<Event>& list, const Event* keep) {
    CalendarImage img = ReadCalendarFile(st.path);
    if (img.how == CalendarRead::kMissing) {
        st.identity = img.identity;
        st.read = CalendarRead::kMissing;
        return;
    }
    if (img.identity != st.identity && !ReadInFull(img.how)) ReportDamage(st, img);
    st.identity = img.identity;
    st.read = img.how;
    if (!ReadInFull(img.how)) return;
    st.notices.not_read_in_full = false;
    MergeEvents(st.base, img.records, list, keep);
    st.base = std::move(img.records);
}

std::string Stamp(std::time_t now) {
    std::tm local{};
    localtime_r(&now, &local);
    char buf[40];
    std::strftime(buf, sizeof buf, ".unreadable-%Y%m%d-%H%M%S", &local);
    return buf;
}

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

}  // namespace

CalendarImage ReadCalendarFile(const std::string& path) {
    CalendarImage img;
    FileRead r = ReadRegularFile(path, kMaxCalendarReadBytes);
    img.identity = r.identity;
    img.error_number = r.error_number;
    img.problem = r.error;
    switch (r.status) {
    case FileReadStatus::kMissing:
        img.how = CalendarRead::kMissing;
        img.problem.clear();
        return img;
    case FileReadStatus::kRead: {
        ParseReport report;
        img.records = ParseEvents(r.bytes.data(), r.bytes.size(), &report);
        img.how = report.whole ? CalendarRead::kWhole : CalendarRead::kPartial;
        img.problem = report.problem;
        return img;
    }
    case FileReadStatus::kError:  // the whole records before the failure still load
        img.records = ParseEvents(r.bytes.data(), r.bytes.size());
        [[fallthrough]];
    default:
        img.how = CalendarRead::kUnreadable;
        return img;
    }
}

void MergeEvents(const std::list<Event>& base, const std::list<Event>& theirs, std::list<Event>& list,
                 const Event* keep) {
    ++events_generation;
    struct Counts { int base = 0, theirs = 0, ours = 0; };
    std::map<std::string, Counts> counts;
    for (const Event& e : base) counts[MergeKey(e)].base++;
    for (const Event& e : theirs) counts[MergeKey(e)].theirs++;
    std::vector<std::string> our_keys;
    for (const Event& e : list) {
        our_keys.push_back(MergeKey(e));
        counts[our_keys.back()].ours++;
    }
    // How many of each record this side should hold minus how many it holds.
    std::map<std::string, int> change;
    for (const auto& [key, c] : counts) {
        const int d_ours = c.ours - c.base, d_theirs = c.theirs - c.base;
        int wanted = c.base + d_ours + d_theirs;
        if (d_ours >= 0 && d_theirs >= 0) wanted = c.base + std::max(d_ours, d_theirs);
        if (d_ours <= 0 && d_theirs <= 0) wanted = c.base + std::min(d_ours, d_theirs);
        if (std::max(wanted, 0) != c.ours) change[key] = std::max(wanted, 0) - c.ours;
    }
    auto key = our_keys.rbegin();
    for (auto it = list.end(); it != list.begin(); ++key) {
        --it;
        int& c = change[*key];
        if (c < 0 && &*it != keep) {
            ++c;
            it = list.erase(it);
        }
    }
    for (const Event& e : theirs) {
        int& c = change[MergeKey(e)];
        if (c <= 0) continue;
        --c;
        list.push_back(e);
        if (e.type == kReminder) list.back().remind_te = kReminderDue;
    }
}

void OpenCalendar(CalendarStore& st, std::list<Event>& list, std::time_t now) {
    RemoveStaleTempFiles(st.path, now);
    std::string target, error;
    char link[4096];
    const ssize_t n = ::readlink(st.path.c_str(), link, sizeof link - 1);
    if (n > 0 && (!ResolveLinks(st.path, target, error) || !StatFileIdentity(target).exists)) {
        st.notices.dangling_target.assign(link, size_t(n));
        std::fprintf(stderr, "strigolo: %s is a link to %s, which is not there%s\n", st.path.c_str(),
                     st.notices.dangling_target.c_str(),
                     error.empty() ? "; the first save creates it" : "; saves fail until its folder is back");
    }
    CalendarImage img = ReadCalendarFile(st.path);
    if (!ReadInFull(img.how)) ReportDamage(st, img);
    st.read = img.how;
    st.identity = img.identity;
    st.base = img.records;
    list = std::move(img.records);
    ++events_generation;
    for (Event& e : list)
        if (e.type == kReminder) e.remind_te = kReminderDue;
}

bool SaveCalendar(CalendarStore& st, std::list<Event>& list, const Event* keep, std::time_t now, uint32_t tick) {
    std::string target, error, warning;
    int err = 0;
    FileLock lock;
    bool ok = ResolveLinks(st.path, target, error);
    if (!ok) err = ENOENT;
    if (ok) ok = lock.Acquire(st.path + ".lock", kSaveLockWaitMs, error, err);
    if (ok && StatFileIdentity(target) != st.identity) Refresh(st, list, keep);
    if (ok && !CalendarFits(list.size(), st.base.size())) {
        ok = false, err = EFBIG;
        error = "more than " + std::to_string(kMaxCalendarEvents) + " events";
    }
    if (ok && !ReadInFull(st.read)) {
        std::string moved;
        ok = MoveAside(st.path, Stamp(now), moved, error, &err);
        if (ok) {
            std::fprintf(stderr, "strigolo: %s could not be read in full; it is kept, as it was, in %s\n",
                         st.path.c_str(), moved.c_str());
            st.notices.put_aside = BaseName(moved);
            st.notices.put_aside_tick = tick;
            st.read = CalendarRead::kMissing;
        }
    }
    const std::vector<unsigned char> bytes = SerializeEvents(list);
    ok = ok && WriteFileAtomically(target, bytes.data(), bytes.size(), error, warning, &err);
    if (!ok) {
        std::fprintf(stderr, "strigolo: could not save %s (%s); the file keeps the previous calendar\n",
                     st.path.c_str(), error.c_str());
        st.notices.save_error = err ? err : EIO;
        st.unsaved = true;
        st.last_retry_tick = tick;
        return false;
    }
    if (!warning.empty())
        std::fprintf(stderr, "strigolo: saved %s, but it may not survive a power cut (%s)\n", st.path.c_str(),
                     warning.c_str());
    st.base = list;
    st.identity = StatFileIdentity(target);
    st.read = CalendarRead::kWhole;
    st.unsaved = false;
    st.notices.save_error = 0;
    st.notices.not_read_in_full = false;
    st.notices.dangling_target.clear();
    return true;
}

void WatchCalendar(CalendarStore& st, std::list<Event>& list, uint32_t tick, bool panel_open, const Event* keep,
                   std::time_t now) {
    if (uint32_t(tick - st.last_check_tick) < kWatchPeriodMs) return;
    st.last_check_tick = tick;
    if (!panel_open) {
        const FileIdentity id = StatFileIdentity(st.path);
        if (id.exists && id != st.identity) Refresh(st, list, nullptr);
    }
    if (st.unsaved && uint32_t(tick - st.last_retry_tick) >= kRetryPeriodMs) SaveCalendar(st, list, keep, now, tick);
}

bool UpdateCalendarFile(const std::string& path, const std::function<bool(std::list<Event>&)>& change,
                        std::string& error) {
    std::string target, warning;
    FileLock lock;
    int err = 0;
    if (!lock.Acquire(path + ".lock", kUpdateLockWaitMs, error, err) || !ResolveLinks(path, target, error))
        return false;
    CalendarImage img = ReadCalendarFile(target);
    if (!ReadInFull(img.how)) {
        error = path + " could not be read in full (" + img.problem + "); it is left as it is";
        return false;
    }
    const size_t held = img.records.size();
    if (!change(img.records)) return true;
    if (!CalendarFits(img.records.size(), held)) {
        error = "it would hold " + std::to_string(img.records.size()) + " events, more than the " +
                std::to_string(kMaxCalendarEvents) + " a calendar may hold";
        return false;
    }
    const std::vector<unsigned char> bytes = SerializeEvents(img.records);
    return WriteFileAtomically(target, bytes.data(), bytes.size(), error, warning);
}

void LoadEvents() {
    edit_event = nullptr;  // any pointer into the old list is gone with it
    OpenCalendar(calendar_store, events, WallClock());
}

namespace {
// An erased event must not stay behind in edit_event; a calendar folder's row, or the
// draft of one, is not the file's to forget.
void ForgetErasedEditEvent() {
    if (!edit_event || IsLiveRow(live_calendars, edit_event) || IsLiveDraft(live_calendars, edit_event)) return;
    for (const Event& e : events)
        if (&e == edit_event) return;
    edit_event = nullptr;
}

// The event the open editor shows, which no merge may take away; null when it is closed.
const Event* EditorEvent() { return menu_case_id == kMenuEdit || menu_case_id == kMenuView ? edit_event : nullptr; }

}  // namespace

void SaveEvents() {
    SaveCalendar(calendar_store, events, EditorEvent(), WallClock(), GetTickCount());
    ForgetErasedEditEvent();
}

void WatchCalendarFile() {
    const uint64_t before = events_generation;
    WatchCalendar(calendar_store, events, GetTickCount(), menu_case_id != kMenuScene, EditorEvent(), WallClock());
    if (events_generation != before) ForgetErasedEditEvent();  // only a merge takes events away
}
