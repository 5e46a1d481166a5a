// The live calendars of a run: the config read at the start, the folders watched and
// the items they hold with their occurrences, the list rows and notices they give, and
// the sync command. Everything here is held in memory; nothing of it goes into
// database.bin. Item files are written only by an edit made in the owl
// (app/calendar/live/live_writeback.h).
#pragma once

#include <cstdint>
#include <ctime>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/calendar/store/event_store.h"
#include "app/calendar/live/live_agenda.h"
#include "app/calendar/live/live_config.h"
#include "app/calendar/live/live_item.h"
#include "app/calendar/live/sync_schedule.h"
#include "app/calendar/reminders/notice_ledger.h"
#include "app/calendar/reminders/reminders.h"
#include "platform/background_command.h"
#include "platform/folder_watch.h"

// One item file of a folder as the owl knows it.
struct LiveEntry {
    LiveItem item;
    std::vector<LiveOccurrence> occurrences;  // those that get notices, by start
    std::time_t computed_at = 0;              // the `now` they were found for
    Event* row = nullptr;                     // its row in the list; null when it has none
    int shown = -1;                           // which occurrence the row stands for; -1 one past the window
    bool has_beyond = false;                  // the first occurrence after the window, for the
    IcalOccurrence beyond;                    // row of an item with none left inside it
};

// One configured folder as the owl knows it now.
struct LiveFolder {
    LiveCalendar calendar;
    bool present = false;       // the folder is there and watched
    bool told_missing = false;  // stderr heard that it is missing, once until it is back
    bool has_color = false;     // its "color" file gave a colour
    float rgb[3] = {0, 0, 0};
    std::map<std::string, LiveEntry> entries;  // by file name
};

// Work left for later ticks: an item file to read, or one whose occurrences must be
// found again for a later `now`.
struct LiveWork {
    size_t folder = 0;
    std::string name;
    bool read = true;
};

// An item the editor has open in edit mode. The editor changes `draft`, never the row,
// so a re-read of the file meanwhile cannot take the user's typing away.
struct LiveEdit {
    bool open = false;
    bool fresh = false;        // a new event for the new_events folder, not yet in a file
    size_t folder = 0;
    std::string path;          // the item's file (of a fresh one: made at confirm)
    std::string base;          // its text when the editor opened it
    Event original, draft;     // the row as opened, and as the user changes it
    bool series = false;       // the row stands for one occurrence of a series
    bool overridden = false;   // that occurrence has an override of its own
    std::string rid, rid_tzid; // its RECURRENCE-ID value and TZID (empty: none)
};

struct LiveCalendars {
    LiveConfig config;
    size_t config_warnings = 0;      // lines of the config file that were not understood
    bool ticked = false;             // the first tick after the first frame has run
    uint32_t first_tick_ms = 0;      // its tick count
    std::vector<LiveFolder> folders;
    std::unique_ptr<FolderWatch> watch;  // made when there is a folder to watch
    std::deque<LiveWork> work;
    // Files just created, read once kCreatedSettleMs have passed (tick in ms): one whose
    // writing goes on is read again when it is closed.
    std::vector<std::pair<uint32_t, LiveWork>> created;
    std::time_t refreshed_at = 0;        // when every item's occurrences were last queued anew
    // The list's rows, one per item with an occurrence to come. std::list keeps the Event*
    // of the list and the editor valid; a row whose item went while the editor shows it
    // waits in `orphans` until it is closed.
    std::list<Event> rows, orphans;
    struct RowOwner {
        size_t folder;
        std::string name;                // the item's file in it
        std::list<Event>::iterator node;  // the row's place in `rows`
    };
    std::map<const Event*, RowOwner> row_owner;
    // Rows with a notice due now, by the start of the occurrence due (earliest first).
    std::vector<std::pair<std::time_t, Event*>> due;
    std::time_t wake = 0;      // the next moment a notice falls due or a row moves on; 0 none
    uint64_t rows_changed = 0;  // counts changes to the rows or a folder's colour: an open list redraws
    bool due_stale = true;     // every row's due state must be worked out again
    SyncSchedule sync;
    BackgroundCommand sync_run;
    LiveEdit edit;
    // What the last write into a folder has to say (a failure, a field changed on both
    // sides), shown on the band for kWriteShownMs from `write_notice_ms`.
    std::vector<std::string> write_notice;
    uint32_t write_notice_ms = 0;
    // When the user last tried to change an item of a read-only calendar (tick in ms).
    bool read_only_said = false;
    uint32_t read_only_said_ms = 0;
};
constexpr uint32_t kWriteShownMs = 10000, kReadOnlySaidMs = 3000;
extern LiveCalendars live_calendars;

// Start: reads the config (khal's without ours; neither: nothing to do), tells stderr
// each line it did not understand, and readies the watch. Reads no folder.
void OpenLiveCalendars(LiveCalendars& lc, const ConfigEnv& env);

// Milliseconds of reading and working out occurrences one tick may spend; the rest
// waits for the next tick, so a folder of thousands of items never holds a frame up.
// While the window cannot be seen no frame is drawn, and the ticks come 10 a second.
constexpr double kLiveWorkMsPerTick = 6.0, kLiveWorkMsPerHiddenTick = 40.0;
constexpr uint32_t kCreatedSettleMs = 250;

// The frame loop's call on every tick after the first frame, `now_ms` a tick count and
// `now` the wall clock: takes in what the watch saw, reads items within the tick's
// budget, marks the notices of `viewed` (the row the editor shows in view mode, or
// null) as given in `ledger`, works out which rows are due, starts the sync command
// when it is due and looks at the run going. Never waits.
void TickLiveCalendars(LiveCalendars& lc, uint32_t now_ms, std::time_t now, const Event* viewed,
                       NoticeLedger& ledger, double work_ms = kLiveWorkMsPerTick);

// Whether `e` is a row of a folder's item (read-only, drawn with its folder's colour);
// `rgb` gets the colour, grey when the folder has no color file.
bool IsLiveRow(const LiveCalendars& lc, const Event* e, float rgb[3] = nullptr);

// Adds the due rows to a scan of the owl's own calendar: they count among its due
// notices (and the sound), and the first is what the notification button opens when
// none of the calendar's appointments or weekly events is due.
void AddLiveDue(const LiveCalendars& lc, ScanResult& r);

// What the notice band says about the live calendars: a failed sync, then a folder
// that is missing, then, for kConfigShownMs after the start (`tick` in ms), a config file
// with lines that were not understood; none when all is well. At most two lines of
// kNoticeColumns.
constexpr uint32_t kConfigShownMs = 10u * 60u * 1000u;
std::vector<std::string> LiveNoticeLines(const LiveCalendars& lc, uint32_t tick);

// An item's text as the owl's font shows it: printable ASCII, Italian accented letters
// written as the question bank writes them ("e'"), other characters as '?', cut to
// `max` characters.
std::string OwlText(const std::string& utf8, size_t max);

// The program's calls, on live_calendars and the program's notice ledger; `visible`:
// some of the window can be seen.
void OpenLiveCalendarsOfUser();
void WatchLiveCalendars(bool visible);
