// The live calendars' tick against real folders and a real sync command: what the
// notice band says as a sync fails and then succeeds, and a folder is missing and
// then appears.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/calendar/live/live_calendars.h"

namespace {

std::string Band(const LiveCalendars& lc) {
    std::string s;
    for (const std::string& l : LiveNoticeLines(lc)) s += (s.empty() ? "" : " / ") + l;
    return s;
}

// Ticks until the sync run has ended (at most 10 s of real time).
void TickUntilSynced(LiveCalendars& lc, uint32_t now) {
    for (int i = 0; i < 1000 && (i == 0 || lc.sync.running); ++i) {
        TickLiveCalendars(lc, now);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

TEST(LiveCalendars, NoticeBandFollowsTheSyncAndTheFolder) {
    char tmpl[] = "/tmp/strigolo-live-XXXXXX";
    ASSERT_TRUE(mkdtemp(tmpl));
    const std::string top = tmpl;
    std::filesystem::create_directories(top + "/strigolo");
    std::ofstream(top + "/strigolo/config")
        << "[calendar casa]\npath = " << top << "/casa\n[options]\nsync_minutes = 1\n"
        << "sync_command = test -e " << top << "/online || { echo 'rete assente' >&2; exit 2; }\n";
    LiveCalendars lc;
    OpenLiveCalendars(lc, ConfigEnv{"/nowhere", tmpl, nullptr});
    ASSERT_EQ(lc.folders.size(), 1u);
    TickUntilSynced(lc, 1000);
    EXPECT_EQ(Band(lc), "Sincronizzazione non riuscita: / exit status 2: rete assente");
    std::ofstream(top + "/online");
    NoteEdit(lc.sync, 2000);
    TickUntilSynced(lc, 12000);
    EXPECT_EQ(Band(lc), "Cartella del calendario assente: / casa");
    ASSERT_EQ(mkdir((top + "/casa").c_str(), 0700), 0);
    TickLiveCalendars(lc, 13000);
    EXPECT_EQ(Band(lc), "");
    EXPECT_TRUE(lc.folders[0].present);
    std::filesystem::remove_all(top);
}

}  // namespace
