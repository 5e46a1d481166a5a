// The sync command's schedule, step by step: the first run, the period, an edit's
// delay (pushed on by a later edit), and no run while one is going.
#include <gtest/gtest.h>

#include "app/calendar/live/sync_schedule.h"

namespace {

TEST(SyncSchedule, StartPeriodEditsAndOneRunAtATime) {
    enum Act { kCheck, kEdit, kStart, kEnd };
    // Each step: what happens at which tick (ms), and for kCheck whether a run is due.
    // Runs every 2 minutes (120000 ms). The tick count wraps past 2^32 in the last rows.
    const struct { Act act; uint32_t at; bool due = false; } steps[] = {
        {kCheck, 5, true}, {kStart, 5}, {kCheck, 6, false}, {kEnd, 900},
        {kCheck, 120004, false}, {kCheck, 120005, true},
        {kEdit, 30000}, {kCheck, 39999, false}, {kEdit, 35000}, {kCheck, 44999, false}, {kCheck, 45000, true},
        {kStart, 45000}, {kEdit, 46000}, {kCheck, 60000, false}, {kEnd, 61000}, {kCheck, 61000, true},
        {kStart, 61000}, {kEnd, 62000}, {kCheck, 180999, false},
        {kStart, 0xFFFFF000u}, {kEnd, 0xFFFFF100u}, {kCheck, 100000, false}, {kCheck, 120000 - 0x1000, true},
    };
    SyncSchedule s;
    for (const auto& st : steps) {
        switch (st.act) {
        case kCheck: EXPECT_EQ(SyncDue(s, st.at, 2), st.due) << &st - steps; break;
        case kEdit: NoteEdit(s, st.at); break;
        case kStart: NoteSyncStarted(s, st.at); break;
        case kEnd: NoteSyncEnded(s, ""); break;
        }
    }
}

}  // namespace
