// The sync command's schedule; differences of ticks stay right across their wrap.
#include "app/calendar/live/sync_schedule.h"

void NoteEdit(SyncSchedule& s, uint32_t now_ms) {
    s.edit_waiting = true;
    s.edit_ms = now_ms;
}

bool SyncDue(const SyncSchedule& s, uint32_t now_ms, int minutes) {
    if (s.running) return false;
    if (!s.started_once) return true;
    if (s.edit_waiting && now_ms - s.edit_ms >= kSyncAfterEditMs) return true;
    return now_ms - s.last_start_ms >= uint32_t(minutes) * 60000u;
}

void NoteSyncStarted(SyncSchedule& s, uint32_t now_ms) {
    s.running = s.started_once = true;
    s.last_start_ms = now_ms;
    s.edit_waiting = false;
}

void NoteSyncEnded(SyncSchedule& s, const std::string& failure) {
    s.running = false;
    s.failure = failure;
}
