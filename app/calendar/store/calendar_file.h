// The calendar file shared by every writer: two owls on two displays and the import.
// Nothing that could not be read is ever written over; each writer locks the file for
// its read-modify-write and merges what another saved meanwhile; the running owl
// notices a replaced file and merges it in.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <list>
#include <string>

#include "app/calendar/store/event_store.h"
#include "platform/regular_file.h"

// How a read of the calendar file went.
enum class CalendarRead {
    kMissing,     // nothing there: an empty calendar
    kWhole,       // every byte read and every record whole
    kPartial,     // read, but damaged: a bad count, a record cut off, stray bytes
    kUnreadable,  // not a regular file, too large, or refused (permission, I/O error)
};

// One read of the calendar file.
struct CalendarImage {
    CalendarRead how = CalendarRead::kMissing;
    std::list<Event> records;  // the whole records, byte for byte as stored
    FileIdentity identity;     // of the file read
    int error_number = 0;      // errno of a refused read (EACCES, EIO, ...), else 0
    std::string problem;       // why it was not read in full, for stderr
};
// Reads at most the file's size (and no more than kMaxCalendarReadBytes), without
// blocking on a FIFO.
CalendarImage ReadCalendarFile(const std::string& path);

// What the window says about the calendar file (app/calendar/panels/calendar_notice.cpp).
struct CalendarNotices {
    // The last save failed: errno of the failure, 0 when it succeeded.
    int save_error = 0;
    // Found at start or reload, cleared by the next save that succeeds: the file could
    // not be read in full (`unreadable_error` the errno of a refused read, -1 for a
    // damaged file of which `loaded` records loaded), or a link points at nothing.
    bool not_read_in_full = false;
    int unreadable_error = 0;
    size_t loaded = 0;
    std::string dangling_target;
    // The name a file that could not be read was kept under, and the tick (ms) from
    // which the window shows it for kPutAsideShownMs.
    std::string put_aside;
    uint32_t put_aside_tick = 0;
    // An event the editor was not let add (the calendar holds kMaxCalendarEvents), and
    // the tick (ms) from which the window shows it for kFullShownMs.
    bool full = false;
    uint32_t full_tick = 0;
};
constexpr uint32_t kPutAsideShownMs = 10u * 60u * 1000u, kFullShownMs = 10u * 1000u;

// The calendar file as this process knows it.
struct CalendarStore {
    std::string path = kDatabasePath;
    CalendarRead read = CalendarRead::kMissing;  // how it was read last
    std::list<Event> base;   // the records as last read or written: the base of a merge
    FileIdentity identity;   // the file at that moment; another identity means another writer
    bool unsaved = false;    // a save failed: the list holds changes the file lacks
    uint32_t last_check_tick = 0, last_retry_tick = 0;  // ms, of WatchCalendar
    CalendarNotices notices;
};
extern CalendarStore calendar_store;

// Start-up: removes temporary files of writers that are gone, reads the file into
// `list`, tells stderr and the notices what could not be read, what a link points at
// when there is nothing there, and readies the merge base. Every reminder comes back
// due. A weekly event's flags are left as stored: the reminder scan sets them from the
// notices given (app/calendar/reminders/notice_ledger.h), whenever the file was written.
void OpenCalendar(CalendarStore& st, std::list<Event>& list, std::time_t now);

// Three-way merge in place, records compared by all their bytes but `remind_te` (which
// runs by itself). Per record, with counts in `base`, `theirs` (the file now) and `ours`
// (`list`): added or removed on one side only follows that side; added by both, or
// removed by both, counts once. What is added is appended from `theirs`, reminders among
// it due at once; what goes is unlinked from `list`, never `keep`, so every other
// Event* into it stays valid.
void MergeEvents(const std::list<Event>& base, const std::list<Event>& theirs, std::list<Event>& list,
                 const Event* keep);

// Saves `list` holding the lock (a file beside `st.path`, named as it is with ".lock"
// added, shared by every writer of that path): merges first when the file changed since it was last read
// or written; refuses (EFBIG) to grow the calendar past kMaxCalendarEvents; puts a file
// that could not be read in full aside (MoveAside, suffix
// ".unreadable-YYYYMMDD-HHMMSS", local time `now`); then writes atomically. On failure
// the file and `list` stay as they were, stderr and the notices say why, and `unsaved`
// asks WatchCalendar to retry. `keep` is the event an open editor shows (null if none);
// `tick` (ms) dates the notices.
bool SaveCalendar(CalendarStore& st, std::list<Event>& list, const Event* keep, std::time_t now, uint32_t tick);

// The frame loop's cheap check, `tick` in ms, at most once a second: with no panel open,
// merges in what another writer saved (a damaged replacement is reported and left for
// the next save to put aside); panel or not, retries a failed save every 10 s, keeping
// `keep`, the event an open editor shows.
void WatchCalendar(CalendarStore& st, std::list<Event>& list, uint32_t tick, bool panel_open, const Event* keep,
                   std::time_t now);

// For other writers of a calendar file, such as an import: under the lock, reads `path`
// (links followed; a missing file is an empty calendar), lets `change` edit the records,
// and when it returns true writes them atomically. Records are handed over byte for
// byte as stored (reminders are not re-armed), so those `change` leaves alone are
// written back unchanged. False, with `error` set and the file untouched, when the file
// exists but could not be read in full, the lock was not had within 5 s, `change` grew
// the records past kMaxCalendarEvents, or the write failed. A running owl merges the
// result in within about two seconds.
bool UpdateCalendarFile(const std::string& path, const std::function<bool(std::list<Event>&)>& change,
                        std::string& error);

// The program's calls, on `events` and `calendar_store`: the periodic check for the
// frame loop (every frame; it costs a clock read until its second has passed).
void WatchCalendarFile();
