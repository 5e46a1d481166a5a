// The calendar file: its records byte for byte; every bad file a user can have, opened
// and saved over by an unprivileged user; the merge; the import and the running owl's
// watch; the writers' limit; what the export refuses and leaves out; saves killed, and
// four writers at once.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <sstream>

#include "app/calendar/store/calendar_file.h"
#include "app/calendar/panels/calendar_notice.h"
#include "app/calendar/ical/calendar_transfer.h"
#include "app/calendar/reminders/reminders.h"
#include "../calendar_helpers.h"

namespace {

namespace fs = std::filesystem;

// The layout, little-endian, offsets from the file's start: a title without a zero
// byte, a float, flags; padding is ignored and any non-zero flag reads true.
TEST(CalendarRecords, LayoutAndRoundTrip) {
    Event e = Ev("", kWeekly, {3, 7, 2027}, {9, 5}, 6);
    std::memset(e.title, 'T', sizeof e.title);
    std::strcpy(e.description, "Po");
    e.remind_mode = 2, e.remind_te = 12.5f, e.notify_1h = e.notify = true;
    const Bytes b = SerializeEvents({e});
    ASSERT_EQ(4u + 572, b.size());
    const struct { size_t at; Bytes bytes; } rows[] = {
        {0, {1, 0, 0, 0, 'T'}}, {23, {'T', 'P', 'o', 0}}, {536, {3, 0, 0, 0, 7, 0, 0, 0, 0xEB, 7, 0, 0, 9, 0, 0, 0, 5, 0, 0, 0}},
        {556, {6, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0x48, 0x41, 1, 0, 1, 0}}};
    for (const auto& r : rows) EXPECT_EQ(r.bytes, Bytes(b.begin() + r.at, b.begin() + r.at + r.bytes.size())) << r.at;
    Bytes odd = b;
    odd[575] = 0xAB, odd[572] = 7;
    EXPECT_EQ(b, SerializeEvents(ParseEvents(odd.data(), odd.size())));
}

std::list<Event> FileEvents(const std::string& path) {
    const Bytes b = Get(path);
    return ParseEvents(b.data(), b.size());
}
std::string Notice(const CalendarStore& st) {
    const std::vector<std::string> lines = CalendarNoticeLines(st.notices, 0);
    return lines.empty() ? "" : lines[0];
}

class CalendarWriters : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/dev/shm/strigolo-writers-XXXXXX";  // tmpfs: the disk does not slow the saves
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl, db = dir + "/database.bin", store.path = db;
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string dir, db;
    CalendarStore store;  // of the file in `dir`, not yet opened
    // Two minutes ahead: a start sweeps any temporary file, as one a minute old.
    const std::time_t now = std::time(nullptr) + 120;
};

TEST_F(CalendarWriters, WhatCouldNotBeReadIsNeverWrittenOverAndTheWindowSaysSo) {
    const Bytes two = SerializeEvents({Ev("A"), Ev("B")});
    Bytes cut = SerializeEvents({Ev("A"), Ev("B"), Ev("C")});
    cut.resize(cut.size() - 300);
    auto file = [](Bytes b, mode_t mode) { return [=](const std::string& p) { Put(p, b), chmod(p.c_str(), mode); }; };
    auto link = [this](std::string to) { return [=](const std::string& p) { symlink((dir + to).c_str(), p.c_str()); }; };
    // Events loaded and the window's first line at start | after adding one and saving |
    // the original still there ("kept"), the titles the file then holds, what was put aside.
    struct Row { const char* name; std::function<void(const std::string&)> make; std::string seen; };
    const std::string unread = "0 Calendario illeggibile: ", aside = " | saved Il calendario originale e' conservato in: | ";
    const Row rows[] = {
        {"mode 000", file(two, 0), unread + "permesso negato | failed Calendario NON salvato: sola lettura | kept A B"},
        {"mode 0444", file(two, 0444), "2  | failed Calendario NON salvato: sola lettura | kept A B"},
        {"a folder", [](const std::string& p) { mkdir(p.c_str(), 0755); }, unread + "non e' un file" + aside + "Nuovo aside"},
        {"a FIFO", [](const std::string& p) { mkfifo(p.c_str(), 0644); }, unread + "non e' un file" + aside + "Nuovo aside"},
        {"cut off", file(cut, 0644), "2 Calendario danneggiato: letti 2 eventi" + aside + "A B Nuovo aside"},
        {"link, folder gone", link("/gone/database.bin"),
         "0 Il calendario punta a un file assente: | failed Calendario NON salvato: cartella assente | kept "},
        {"link, file not yet there", [&](const std::string& p) { fs::create_directory(dir + "/synced"), link("/synced/database.bin")(p); },
         "0 Il calendario punta a un file assente: | saved  | kept Nuovo"},
        {"temporary names taken", [&](const std::string& p) {
             Put(p, two), fs::create_directories(p + ".tmp/x"), Put(p + ".tmp-999999999-0badf00d", {1});
         }, "2  | saved  | A B Nuovo"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        fs::remove_all(dir), fs::create_directory(dir), r.make(db);
        for (const auto& e : fs::recursive_directory_iterator(dir)) lchown(e.path().c_str(), 65534, 65534);
        lchown(dir.c_str(), 65534, 65534);
        const fs::file_type made = fs::symlink_status(db).type();
        const fs::path target = made == fs::file_type::symlink ? fs::read_symlink(db) : "";
        const Bytes before = made == fs::file_type::regular ? Get(db) : Bytes{};
        auto as_made = [&](const fs::path& p) {
            return fs::symlink_status(p).type() == made && (made != fs::file_type::symlink || fs::read_symlink(p) == target) &&
                   (made != fs::file_type::regular || Get(p) == before);
        };
        setfsgid(65534), setfsuid(65534);  // files are opened as the user nobody: root ignores permissions
        CalendarStore st = store;
        std::list<Event> list;
        OpenCalendar(st, list, now);
        std::string seen = std::to_string(list.size()) + " " + Notice(st) + " | ";
        list.push_back(Ev("Nuovo"));
        seen += SaveCalendar(st, list, nullptr, now, 0) ? "saved " : "failed ";
        setfsuid(0), setfsgid(0);
        seen += Notice(st) + " | " + (as_made(db) ? "kept " : "") + Titles(FileEvents(db));
        for (const auto& e : fs::directory_iterator(dir)) {
            const std::string name = e.path().filename();
            if (name.find(".tmp") != std::string::npos) seen += " " + name;
            if (name.rfind("database.bin.unreadable-", 0) == 0) seen += as_made(e.path()) ? " aside" : " changed aside";
        }
        EXPECT_EQ(r.seen, seen);
    }
}

// Per record: one side's change follows that side, both sides' additions count once, the
// open event stays; `kept` of our elements are the very same objects afterwards.
TEST(CalendarMerge, KeepsBothSidesChangesOnceAndNeverTheOpenEvent) {
    auto L = [](const std::string& titles) {
        std::list<Event> l;
        std::istringstream in(titles);
        for (std::string t; in >> t;) l.push_back(Ev(t.c_str()));
        return l;
    };
    // Base, theirs, ours, whether our first event is open in the editor, the result.
    struct Row { const char *base, *theirs, *ours; bool keep; const char* result; size_t kept; } rows[] = {
        {"A", "A X", "A", false, "A X", 1}, {"A B", "B", "A B", false, "B", 1}, {"A B", "B", "A2 B", false, "A2 B", 2},
        {"A", "A X", "A Y", false, "A Y X", 2}, {"A", "A X", "A X", false, "A X", 2}, {"A", "A3", "", false, "A3", 0},
        {"A B", "B", "A B", true, "A B", 2}, {"A A", "A A A", "A", false, "A A", 1}};
    for (const Row& r : rows) {
        std::list<Event> ours = L(r.ours);
        std::vector<const Event*> before;
        for (const Event& e : ours) before.push_back(&e);
        MergeEvents(L(r.base), L(r.theirs), ours, r.keep ? before.front() : nullptr);
        size_t kept = 0;
        for (const Event& e : ours) kept += size_t(std::count(before.begin(), before.end(), &e));
        EXPECT_EQ(r.result + std::string(" ") + std::to_string(r.kept), Titles(ours) + " " + std::to_string(kept))
            << r.base << " / " << r.theirs << " / " << r.ours;
    }
}

// The running owl takes in an import a second after it, once no panel is open, its
// reminders due; a failed save keeps the list and is retried, panel open or not.
TEST_F(CalendarWriters, TheRunningOwlTakesInAnImportAndRetriesAFailedSave) {
    CalendarStore a = store;
    std::list<Event> la;
    std::string error;
    OpenCalendar(a, la, now);
    la.push_back(Ev("X"));
    ASSERT_TRUE(SaveCalendar(a, la, nullptr, now, 0));
    ASSERT_TRUE(UpdateCalendarFile(db, [](std::list<Event>& l) { return l.push_back(Ev("R", kReminder)), true; }, error));
    WatchCalendar(a, la, 5000, true, nullptr, now);
    EXPECT_EQ("X", Titles(la));
    WatchCalendar(a, la, 6000, false, nullptr, now);
    EXPECT_EQ("X R 10800", Titles(la) + " " + std::to_string(int(la.back().remind_te)));
    chmod(db.c_str(), 0444);
    la.push_back(Ev("Z"));
    EXPECT_FALSE(SaveCalendar(a, la, nullptr, now, 6000));
    chmod(db.c_str(), 0644);
    WatchCalendar(a, la, 16000, true, nullptr, now);
    EXPECT_EQ("X R Z|", Titles(FileEvents(db)) + "|" + Notice(a));
}

// One limit for every writer, a larger cap for readers: a file of 30,000 events an older
// build wrote (17,160,004 bytes) still opens; no writer grows a calendar past
// kMaxCalendarEvents, and the window says why; shrinking that file is a save as any other.
TEST_F(CalendarWriters, OneLimitForWritersALargerCapForReaders) {
    const auto add = [](size_t n) {
        return [n](std::list<Event>& l) { return l.insert(l.end(), n, Ev("y")), true; };
    };
    std::string error;
    EXPECT_FALSE(UpdateCalendarFile(db, add(kMaxCalendarEvents + 1), error));
    EXPECT_FALSE(fs::exists(db)) << error;
    ASSERT_TRUE(UpdateCalendarFile(db, add(kMaxCalendarEvents), error)) << error;
    EXPECT_EQ(4u + kMaxCalendarEvents * 572, fs::file_size(db));
    Put(db, SerializeEvents(std::list<Event>(30000, Ev("x"))));
    EXPECT_FALSE(UpdateCalendarFile(db, add(1), error));
    std::list<Event> list;
    OpenCalendar(store, list, now);
    ASSERT_EQ(30000u, list.size());
    list.push_back(Ev("z"));
    EXPECT_FALSE(SaveCalendar(store, list, nullptr, now, 0));
    EXPECT_EQ("Calendario NON salvato: troppi eventi|17160004",
              Notice(store) + "|" + std::to_string(fs::file_size(db)));
    list.pop_back(), list.pop_back();
    EXPECT_TRUE(SaveCalendar(store, list, nullptr, now, 0));
    EXPECT_EQ(17160004u - 572, fs::file_size(db));
}

// An export over a backup: a calendar that is a link into a folder not there (an
// unmounted disk), or in a folder that is such a link, is an error and the backup stays;
// one that does not exist yet is an empty calendar.
TEST_F(CalendarWriters, ExportOfALinkToNothingFailsAMissingCalendarIsEmpty) {
    const std::string backup = dir + "/backup.ics";
    Put(backup, {'o', 'l', 'd'});
    ASSERT_EQ(0, symlink((dir + "/unmounted/database.bin").c_str(), db.c_str()));
    ASSERT_EQ(0, symlink((dir + "/unmounted").c_str(), (dir + "/Data").c_str()));
    for (const std::string& calendar : {db, dir + "/Data/database.bin"})
        EXPECT_EQ(1, RunCalendarExport(backup, calendar)) << calendar;
    EXPECT_EQ(Bytes({'o', 'l', 'd'}), Get(backup));
    fs::remove(db);
    EXPECT_EQ(0, RunCalendarExport(backup, db));
    EXPECT_NE(Bytes({'o', 'l', 'd'}), Get(backup));
}

// A record no event can express (31 February) is left out, counted in the summary, and
// the export ends with 1; the rest is written.
TEST_F(CalendarWriters, ExportCountsWhatItLeavesOutAndFails) {
    const std::string out = dir + "/out.ics";
    Put(db, SerializeEvents({Ev("Cena", kAppointment, {31, 2, 2030}), Ev("Treno", kAppointment, {2, 3, 2030})}));
    testing::internal::CaptureStdout();
    EXPECT_EQ(1, RunCalendarExport(out, db));
    EXPECT_EQ("exported 1 events to " + out + ", 1 left out\n", testing::internal::GetCapturedStdout());
    const Bytes written = Get(out);
    EXPECT_NE(std::string(written.begin(), written.end()).find("SUMMARY:Treno"), std::string::npos);
}

// Saves killed with SIGKILL at random moments leave the old or the new calendar, and the
// next start removes the temporary file of the writer gone; four writers at once (two
// owls, two imports) lose none of each other's events. On the real clock, so a start
// leaves the temporary files of the writers running alone.
TEST_F(CalendarWriters, KilledSavesAndFourWritersAtOnce) {
    std::list<Event> cals[2];
    for (int i = 0; i < 503; ++i) cals[i >= 3].push_back(Ev(("c" + std::to_string(i)).c_str()));
    const Bytes bytes[2] = {SerializeEvents(cals[0]), SerializeEvents(cals[1])};
    std::mt19937 rng(1);
    int inside = 0;  // kills that left a temporary file (a start sweeps it: see the bad files above)
    for (int k = 0; k < 150; ++k) {
        const pid_t pid = fork();
        if (pid == 0) {
            CalendarStore st = store;
            std::list<Event> l;
            OpenCalendar(st, l, std::time(nullptr));
            for (int i = 0;; i ^= 1) l = cals[i], SaveCalendar(st, l, nullptr, 0, 0);
        }
        usleep(useconds_t(rng() % 50000)), kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
        const Bytes left = Get(db);
        ASSERT_TRUE(!fs::exists(db) || left == bytes[0] || left == bytes[1]) << "kill " << k;
        for (const auto& e : fs::directory_iterator(dir))
            if (e.path().filename().string().find(".tmp") != std::string::npos) inside += fs::remove(e.path());
    }
    EXPECT_GT(inside, 0) << "no kill landed inside a save";

    Put(db, bytes[1]);  // long saves: writers overlap
    std::vector<pid_t> writers;
    for (int w = 0; w < 4; ++w) {
        if (const pid_t pid = fork()) { writers.push_back(pid); continue; }
        CalendarStore st = store;
        std::list<Event> l;
        std::string error;
        OpenCalendar(st, l, std::time(nullptr));
        bool ok = true;
        for (int i = 0; i < 25 && ok; ++i) {
            const Event e = Ev(("w" + std::to_string(w) + " " + std::to_string(i)).c_str());
            // An owl retries a failed save once, as the running one does later.
            ok = w < 2 ? (l.push_back(e), SaveCalendar(st, l, nullptr, 0, 0) || SaveCalendar(st, l, nullptr, 0, 0))
                       : UpdateCalendarFile(db, [&e](std::list<Event>& file) { return file.push_back(e), true; }, error);
        }
        _exit(ok ? 0 : 1);
    }
    int status = -1;
    for (const pid_t pid : writers) EXPECT_TRUE(waitpid(pid, &status, 0) == pid && status == 0) << status;
    EXPECT_EQ(600u, FileEvents(db).size());
}

}  // namespace
