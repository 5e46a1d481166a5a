// The live calendars of a run: the config read at the start, the folders watched and
// what they hold, and the sync command. Everything here is held in memory; nothing of
// it goes into database.bin.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/calendar/live/live_config.h"
#include "app/calendar/live/sync_schedule.h"
#include "platform/background_command.h"
#include "platform/folder_watch.h"

// One configured folder as the owl knows it now.
struct LiveFolder {
    LiveCalendar calendar;
    bool present = false;  // the folder is there and watched
    bool told_missing = false;  // stderr heard that it is missing, once until it is back
};

struct LiveCalendars {
    LiveConfig config;
    std::vector<LiveFolder> folders;
    std::unique_ptr<FolderWatch> watch;  // made when there is a folder to watch
    SyncSchedule sync;
    BackgroundCommand sync_run;
};
extern LiveCalendars live_calendars;

// Start: reads the config (khal's without ours; neither: nothing to do), tells stderr
// each line it did not understand, and readies the watch.
void OpenLiveCalendars(LiveCalendars& lc, const ConfigEnv& env);

// The frame loop's call on every tick after the first frame, `now_ms` a tick count:
// takes in what the watch saw, starts the sync command when it is due and looks at
// the run going. Never waits.
void TickLiveCalendars(LiveCalendars& lc, uint32_t now_ms);

// What the notice band says about the live calendars: a failed sync, then a folder
// that is missing; none when all is well. At most two lines of kNoticeColumns.
std::vector<std::string> LiveNoticeLines(const LiveCalendars& lc);

// The program's calls, on live_calendars.
void OpenLiveCalendarsOfUser();
void WatchLiveCalendars();
