// The live calendars' tick against real folders and a real sync command: what the
// notice band says as a sync fails and then succeeds, a folder is missing and then
// appears, and about a config line not understood.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <cstdio>

#include "app/calendar/panels/event_list.h"
#include "app/calendar/live/live_calendars.h"

namespace {

std::string Band(const LiveCalendars& lc, uint32_t tick = 13000) {
    std::string s;
    for (const std::string& l : LiveNoticeLines(lc, tick)) s += (s.empty() ? "" : " / ") + l;
    return s;
}

// Ticks until the sync run has ended (at most 10 s of real time).
NoticeLedger ledger;  // in memory only

void TickUntilSynced(LiveCalendars& lc, uint32_t now) {
    for (int i = 0; i < 1000 && (i == 0 || lc.sync.running); ++i) {
        TickLiveCalendars(lc, now, 1900000000, nullptr, ledger);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

TEST(LiveCalendars, NoticeBandFollowsTheSyncAndTheFolder) {
    char tmpl[] = "/tmp/strigolo-live-XXXXXX";
    ASSERT_TRUE(mkdtemp(tmpl));
    const std::string top = tmpl;
    std::filesystem::create_directories(top + "/strigolo");
    std::ofstream(top + "/strigolo/config")
        << "[calendar casa]\npath = " << top << "/casa\ncolour = blu\n[options]\nsync_minutes = 1\n"
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
    TickLiveCalendars(lc, 13000, 1900000000, nullptr, ledger);
    // Last, and for ten minutes from the start, the config's line that was not understood.
    EXPECT_EQ(Band(lc), "Configurazione: 1 righe ignorate in / " + top + "/strigolo/config");
    EXPECT_EQ(Band(lc, 1000 + kConfigShownMs), "");
    EXPECT_TRUE(lc.folders[0].present);
    std::filesystem::remove_all(top);
}

std::string Utc(std::time_t t) {
    char buf[32];
    std::tm tm{};
    gmtime_r(&t, &tm);
    std::strftime(buf, sizeof buf, "%Y%m%dT%H%M%SZ", &tm);
    return buf;
}

// An item file written as vdirsyncer writes one: a temporary name, then a rename.
void PutItem(const std::string& dir, const std::string& name, const std::string& uid, std::time_t start,
             const char* summary, const char* rule = "") {
    std::ofstream(dir + "/.tmp") << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//T//EN\r\nBEGIN:VEVENT\r\nUID:" << uid
                                 << "\r\nDTSTAMP:20300101T000000Z\r\nDTSTART:" << Utc(start) << "\r\n" << rule
                                 << "SUMMARY:" << summary << "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    std::rename((dir + "/.tmp").c_str(), (dir + "/" + name).c_str());
}

// The rows as "title day/month hour:minute", in list order, due ones marked with '!'.
std::string Rows(LiveCalendars& lc) {
    std::list<Event> none;
    std::string s;
    for (Event* e : ListRows(none, lc.rows, 0)) {
        const bool due = std::any_of(lc.due.begin(), lc.due.end(),
                                     [e](const std::pair<std::time_t, Event*>& d) { return d.second == e; });
        s += (s.empty() ? "" : ", ") + std::string(due ? "!" : "") + e->title + " " + std::to_string(e->date.day) +
             "/" + std::to_string(e->date.month) + " " + std::to_string(e->time.hour) + ":" +
             std::to_string(e->time.min);
    }
    return s;
}

// An item's texts in the font's characters, cut whole: an accent never half written.
TEST(LiveCalendars, OwlText) {
    const struct { const char* utf8; size_t max; const char* text; } rows[] = {
        {"Caff\xC3\xA8 \xC3\x80 l\xC3\xA0", 40, "Caffe' A' la'"}, {"Caff\xC3\xA8", 5, "Caff"},
        {"a\nb\tc\x01" "d", 40, "a b cd"}, {"\xE2\x82\xAC 5 \xF0\x9F\xA6\x89", 40, "? 5 ?"}, {"abc", 2, "ab"}};
    for (const auto& r : rows) EXPECT_EQ(OwlText(r.utf8, r.max), r.text) << r.utf8;
}

// A folder's items become rows and due notices; seen notices are kept in the ledger;
// a rewritten item, a removed one and the folder renamed away and back are followed.
TEST(LiveCalendars, ItemsRowsNoticesAndChanges) {
    setenv("TZ", "UTC", 1);
    tzset();
    char tmpl[] = "/tmp/strigolo-items-XXXXXX";
    ASSERT_TRUE(mkdtemp(tmpl));
    const std::string top = tmpl, cal = top + "/casa";
    std::filesystem::create_directories(top + "/strigolo");
    std::filesystem::create_directories(cal);
    std::ofstream(top + "/strigolo/config") << "[calendar casa]\npath = " << cal << "\n[options]\ndays_ahead = 2\n";
    const std::time_t t0 = 1900000000;  // 2030-03-17 17:46:40 UTC
    PutItem(cal, "a.ics", "a", t0 + 20 * 60, "Dentista");
    PutItem(cal, "past.ics", "p", t0 - 3 * 86400, "Passato");
    PutItem(cal, "w.ics", "w", t0 - 7 * 86400 + 7200, "Corso", "RRULE:FREQ=WEEKLY\r\n");
    PutItem(cal, "far.ics", "f", t0 + 40 * 86400, "Lontano");
    std::ofstream(cal + "/junk.ics") << "not a calendar";
    LiveCalendars lc;
    NoticeLedger ledger;
    OpenLiveCalendars(lc, ConfigEnv{"/nowhere", tmpl, nullptr});
    uint32_t ms = 1000;
    auto tick = [&](std::time_t now, const Event* viewed = nullptr) {
        do TickLiveCalendars(lc, ms += 10, now, viewed, ledger);
        while (!lc.work.empty());
    };
    tick(t0);
    EXPECT_EQ(Rows(lc), "!Dentista 17/3 18:6, Corso 17/3 19:46, Lontano 26/4 17:46");
    ASSERT_FALSE(lc.due.empty());
    Event* dentist = lc.due[0].second;
    tick(t0, dentist);  // seen: the hour's and half hour's notices are given
    EXPECT_EQ(ledger.given.size(), 2u);
    tick(t0 + 60);
    EXPECT_EQ(Rows(lc), "Dentista 17/3 18:6, Corso 17/3 19:46, Lontano 26/4 17:46");
    tick(t0 + 20 * 60);  // its start
    EXPECT_EQ(Rows(lc), "!Dentista 17/3 18:6, Corso 17/3 19:46, Lontano 26/4 17:46");
    PutItem(cal, "a.ics", "a", t0 + 30 * 60, "Dentista alle 18");
    std::filesystem::remove(cal + "/w.ics");
    uint64_t changes = lc.rows_changed;  // an open list is drawn again for each change
    tick(t0 + 20 * 60);
    EXPECT_GT(lc.rows_changed, changes);
    // Moved: the new start's notices are new ones.
    EXPECT_EQ(Rows(lc), "!Dentista alle 18 17/3 18:16, Lontano 26/4 17:46");
    std::filesystem::rename(cal, top + "/via");
    changes = lc.rows_changed;
    tick(t0 + 20 * 60);
    EXPECT_EQ(Rows(lc), "");
    EXPECT_GT(lc.rows_changed, changes);
    std::filesystem::rename(top + "/via", cal);
    ms += kFolderRecheckMs;
    tick(t0 + 20 * 60);
    EXPECT_EQ(Rows(lc), "!Dentista alle 18 17/3 18:16, Lontano 26/4 17:46");
    std::filesystem::remove_all(top);
}

}  // namespace
