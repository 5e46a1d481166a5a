// When the calendar's sync command runs: once the owl has started, every sync_minutes
// after the last start, and kSyncAfterEditMs after the last edit made in the owl; never
// while a run is going (a run due meanwhile waits for it). Times are ticks in ms.
#pragma once

#include <cstdint>
#include <string>

constexpr uint32_t kSyncAfterEditMs = 10000;

struct SyncSchedule {
    bool running = false;
    bool started_once = false;
    uint32_t last_start_ms = 0;
    bool edit_waiting = false;  // an edit since the last start
    uint32_t edit_ms = 0;       // the latest such edit
    std::string failure;        // how the last run failed; empty after a success
};

void NoteEdit(SyncSchedule& s, uint32_t now_ms);
// Whether a run must start now, with `minutes` between periodic runs.
bool SyncDue(const SyncSchedule& s, uint32_t now_ms, int minutes);
void NoteSyncStarted(SyncSchedule& s, uint32_t now_ms);
// `failure` empty for a run that succeeded.
void NoteSyncEnded(SyncSchedule& s, const std::string& failure);
