// The live calendars' start and tick: the config, the folders' watch and the sync
// command, with what stderr and the notice band are told.
#include "app/calendar/live/live_calendars.h"

#include <cstdio>

#include "app/calendar/calendar_notice.h"
#include "platform/clock.h"

LiveCalendars live_calendars;

namespace {

// Printable ASCII of `s`, at most kNoticeColumns characters: the band's font has
// nothing else.
std::string BandText(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (out.size() == kNoticeColumns) break;
        out += (c >= 32 && c < 127) ? c : '?';
    }
    return out;
}

void FolderGone(LiveFolder& f) {
    f.present = false;
    if (!f.told_missing)
        std::fprintf(stderr, "strigolo: calendar \"%s\": folder %s is missing; watched for its return\n",
                     f.calendar.name.c_str(), f.calendar.path.c_str());
    f.told_missing = true;
}

}  // namespace

void OpenLiveCalendars(LiveCalendars& lc, const ConfigEnv& env) {
    std::vector<std::string> warnings;
    lc.config = LoadLiveConfig(env, warnings);
    for (const std::string& w : warnings) std::fprintf(stderr, "strigolo: %s\n", w.c_str());
    lc.folders.clear();
    if (lc.config.calendars.empty()) return;
    lc.watch.reset(new FolderWatch());
    if (!lc.watch->error().empty())
        std::fprintf(stderr, "strigolo: calendar folders are read once, not watched: %s\n",
                     lc.watch->error().c_str());
    for (const LiveCalendar& c : lc.config.calendars) {
        LiveFolder f;
        f.calendar = c;
        lc.watch->Add(c.path);
        lc.folders.push_back(f);
    }
}

void TickLiveCalendars(LiveCalendars& lc, uint32_t now_ms) {
    if (lc.watch) {
        for (const FolderChange& c : lc.watch->Poll(now_ms)) {
            LiveFolder& f = lc.folders[c.folder];
            switch (c.event) {
            case FolderEvent::kFolderBack:
                f.present = true;
                f.told_missing = false;
                break;
            case FolderEvent::kFolderGone: FolderGone(f); break;
            case FolderEvent::kFileChanged:
            case FolderEvent::kFileGone: break;
            }
        }
        // A folder not there at the start is told once, after the watch has looked.
        for (LiveFolder& f : lc.folders)
            if (!f.present && !f.told_missing) FolderGone(f);
    }
    if (lc.config.sync_command.empty()) return;
    std::string failure;
    if (lc.sync_run.Finished(failure)) {
        if (!failure.empty())
            std::fprintf(stderr, "strigolo: sync command \"%s\" failed: %s\n", lc.config.sync_command.c_str(),
                         failure.c_str());
        NoteSyncEnded(lc.sync, failure);
    }
    if (SyncDue(lc.sync, now_ms, lc.config.sync_minutes)) {
        NoteSyncStarted(lc.sync, now_ms);
        if (!lc.sync_run.Start(lc.config.sync_command, failure)) {
            std::fprintf(stderr, "strigolo: sync command \"%s\" not started: %s\n", lc.config.sync_command.c_str(),
                         failure.c_str());
            NoteSyncEnded(lc.sync, failure);
        }
    }
}

std::vector<std::string> LiveNoticeLines(const LiveCalendars& lc) {
    if (!lc.sync.failure.empty()) return {"Sincronizzazione non riuscita:", BandText(lc.sync.failure)};
    for (const LiveFolder& f : lc.folders)
        if (f.told_missing) return {"Cartella del calendario assente:", BandText(f.calendar.name)};
    return {};
}

void OpenLiveCalendarsOfUser() { OpenLiveCalendars(live_calendars, ConfigEnvFromProcess()); }

void WatchLiveCalendars() { TickLiveCalendars(live_calendars, GetTickCount()); }
