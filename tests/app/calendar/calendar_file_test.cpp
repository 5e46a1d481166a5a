// The calendar file between writers: every bad file a user can have, opened and saved
// over by an unprivileged user (root ignores permissions); the merge in tables; two
// owls and an import on one file; the running owl's watch; weekly events after a week.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "app/calendar/calendar_file.h"
#include "app/calendar/calendar_notice.h"
#include "app/calendar/reminders.h"

namespace {

using Bytes = std::vector<unsigned char>;
namespace fs = std::filesystem;

Event E(const std::string& title, int type = kAppointment) {
    Event e{std::tm{}};
    std::snprintf(e.title, sizeof e.title, "%s", title.c_str());
    e.type = type, e.date = {1, 1, 2030}, e.wday = 1;
    return e;
}
std::list<Event> L(std::initializer_list<const char*> titles) {
    std::list<Event> l;
    for (const char* t : titles) l.push_back(E(t));
    return l;
}
std::string Titles(const std::list<Event>& l) {
    std::string s;
    for (const Event& e : l) s += (s.empty() ? "" : " ") + FieldText(e.title, sizeof e.title);
    return s;
}
void Put(const std::string& path, const Bytes& b) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}
Bytes Get(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
}
std::string FileTitles(const std::string& path) {
    const Bytes b = Get(path);
    return Titles(ParseEvents(b.data(), b.size()));
}
std::string Notice(const CalendarStore& st, uint32_t tick = 0) {
    const std::vector<std::string> lines = CalendarNoticeLines(st.notices, tick);
    return lines.empty() ? "" : lines[0];
}

// Runs `fn` in a child process as the user nobody (as this user when not root) and
// returns what it returned.
std::string AsNobody(const std::function<std::string()>& fn) {
    int p[2];
    if (pipe(p) != 0) return "no pipe";
    const pid_t pid = fork();
    if (pid == 0) {
        close(p[0]);
        if (getuid() == 0 && (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
                              setresuid(65534, 65534, 65534) != 0))
            _exit(3);
        const std::string out = fn();
        _exit(write(p[1], out.data(), out.size()) == ssize_t(out.size()) ? 0 : 4);
    }
    close(p[1]);
    std::string out;
    char buf[512];
    for (ssize_t n; (n = read(p[0], buf, sizeof buf)) > 0;) out.append(buf, size_t(n));
    close(p[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? out : "child failed " + std::to_string(status);
}

class CalendarWriters : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/strigolo-writers-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl, db = dir + "/database.bin";
    }
    void TearDown() override { fs::remove_all(dir); }
    CalendarStore Store() {
        CalendarStore st;
        st.path = db;
        return st;
    }
    std::string dir, db;
    const std::time_t now = std::time(nullptr) + 120;  // a temporary file of now is a minute old by then
};

TEST_F(CalendarWriters, WhatCouldNotBeReadIsNeverWrittenOverAndTheWindowSaysSo) {
    const Bytes two = SerializeEvents(L({"A", "B"}));
    Bytes negative = two, cut = SerializeEvents(L({"A", "B", "C"}));
    negative[0] = negative[1] = negative[2] = negative[3] = 0xFF;
    cut.resize(cut.size() - 300);
    auto file = [](Bytes b, mode_t mode) { return [=](const std::string& p) { Put(p, b), chmod(p.c_str(), mode); }; };
    auto link = [this](std::string to, bool with_folder) {
        return [=](const std::string& p) {
            if (with_folder) fs::create_directory(dir + "/synced");
            symlink(to.c_str(), p.c_str());
        };
    };
    const std::string illegible = "Il calendario originale e' conservato in:";
    struct Row { const char* name; std::function<void(const std::string&)> make; std::string start, save, original; };
    const Row rows[] = {
        {"mode 000", file(two, 0), "0 Calendario illeggibile: permesso negato", "failed Calendario NON salvato: sola lettura", "in place"},
        {"mode 0444", file(two, 0444), "2 ", "failed Calendario NON salvato: sola lettura", "in place"},
        {"mode 0200", file(two, 0200), "0 Calendario illeggibile: permesso negato", "saved " + illegible, "aside"},
        {"a folder", [](const std::string& p) { mkdir(p.c_str(), 0755); }, "0 Calendario illeggibile: non e' un file", "saved " + illegible, "aside"},
        {"a FIFO", [](const std::string& p) { mkfifo(p.c_str(), 0644); }, "0 Calendario illeggibile: non e' un file", "saved " + illegible, "aside"},
        {"count -1", file(negative, 0644), "2 Calendario danneggiato: letti 2 eventi", "saved " + illegible, "aside"},
        {"cut off", file(cut, 0644), "2 Calendario danneggiato: letti 2 eventi", "saved " + illegible, "aside"},
        {"link to a device", link("/dev/urandom", false), "0 Calendario illeggibile: non e' un file", "failed Calendario NON salvato: non e' un file", "link"},
        {"link, folder gone", link(dir + "/gone/database.bin", false), "0 Il calendario punta a un file assente:", "failed Calendario NON salvato: cartella assente", "link"},
        {"link, file not yet there", link(dir + "/synced/database.bin", true), "0 Il calendario punta a un file assente:", "saved ", "link"},
        {"link to a file", [&](const std::string& p) { link("synced/database.bin", true)(p), Put(dir + "/synced/database.bin", two); }, "2 ", "saved ", "link"},
        {"temporary names taken", [&](const std::string& p) {
             Put(p, two), fs::create_directories(p + ".tmp/x"), Put(p + ".tmp-999999999-0badf00d", {1});
         }, "2 ", "saved ", "new"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(dir), fs::create_directory(dir);
        row.make(db);
        lchown(dir.c_str(), 65534, 65534);
        for (const auto& e : fs::recursive_directory_iterator(dir)) lchown(e.path().c_str(), 65534, 65534);
        const fs::file_type made = fs::symlink_status(db).type();
        const std::string target = made == fs::file_type::symlink ? fs::read_symlink(db).string() : "";
        CalendarStore st = Store();
        EXPECT_EQ(row.start + " | " + row.save, AsNobody([&] {
            std::list<Event> list;
            OpenCalendar(st, list, now);
            std::string seen = std::to_string(list.size()) + " " + Notice(st) + " | ";
            list.push_back(E("Nuovo"));
            seen += SaveCalendar(st, list, nullptr, now, 0) ? "saved " : "failed ";
            return seen + Notice(st);
        }));
        std::vector<fs::path> aside, temporary;
        for (const auto& e : fs::directory_iterator(dir)) {
            const std::string name = e.path().filename();
            if (name.rfind("database.bin.unreadable-", 0) == 0) aside.push_back(e.path());
            if (name.find(".tmp") != std::string::npos) temporary.push_back(e.path());
        }
        EXPECT_TRUE(temporary.empty()) << temporary.front();
        if (row.original == "in place") {
            EXPECT_TRUE(chmod(db.c_str(), 0600) == 0 && Get(db) == two);
        } else if (row.original == "link") {
            EXPECT_EQ(target, fs::read_symlink(db).string());
        }
        if (row.original == "aside") {
            ASSERT_EQ(1u, aside.size());
            EXPECT_EQ(made, fs::symlink_status(aside[0]).type());
            const Bytes kept = made == fs::file_type::regular ? Get(aside[0]) : two;
            EXPECT_TRUE(kept == two || kept == negative || kept == cut);
        }
        if (row.save.rfind("saved", 0) == 0) {
            EXPECT_EQ(row.start[0] == '2' ? "A B Nuovo" : "Nuovo", FileTitles(db));
        }
    }
}

TEST_F(CalendarWriters, TheMergeKeepsBothSidesChangesOnceAndNeverTheOpenEvent) {
    // `kept`: how many of our elements must stay in place, the very same objects.
    struct Row { std::list<Event> base, theirs, ours; const char* keep; const char* result; size_t kept; };
    const Row rows[] = {
        {L({"A"}), L({"A", "X"}), L({"A"}), nullptr, "A X", 1},           // they added
        {L({"A", "B"}), L({"B"}), L({"A", "B"}), nullptr, "B", 1},         // they removed
        {L({"A", "B"}), L({"B"}), L({"A2", "B"}), nullptr, "A2 B", 2},     // ... what we changed
        {L({"A"}), L({"A", "X"}), L({"A", "Y"}), nullptr, "A Y X", 2},     // both added
        {L({"A"}), L({"A", "X"}), L({"A", "X"}), nullptr, "A X", 2},       // the same, once
        {L({"A", "B"}), L({"B"}), L({"B"}), nullptr, "B", 1},              // both removed it
        {L({"A"}), L({"A3"}), L({}), nullptr, "A3", 0},                    // we removed, they changed
        {L({"A", "B"}), L({"B"}), L({"A", "B"}), "A", "A B", 2},           // they removed the open one
        {L({"A", "A"}), L({"A", "A", "A"}), L({"A"}), nullptr, "A A", 1},  // copies counted
    };
    for (const Row& r : rows) {
        std::list<Event> ours = r.ours;
        std::vector<const Event*> before;
        const Event* keep = nullptr;
        for (const Event& e : ours) {
            before.push_back(&e);
            if (r.keep && FieldText(e.title, sizeof e.title) == r.keep) keep = &e;
        }
        MergeEvents(r.base, r.theirs, ours, keep);
        EXPECT_EQ(r.result, Titles(ours)) << Titles(r.base) << " / " << Titles(r.theirs) << " / " << Titles(r.ours);
        size_t kept = 0, j = 0;
        for (const Event& e : ours) {
            while (j < before.size() && before[j] != &e) ++j;
            if (j < before.size()) ++kept, ++j;
        }
        EXPECT_EQ(r.kept, kept) << r.result;
    }
    // A reminder's running seconds are no change; one new from the file comes in due.
    std::list<Event> ours{E("R", kReminder)}, theirs{E("R", kReminder), E("S", kReminder)};
    ours.front().remind_te = 5, theirs.front().remind_te = 99, theirs.back().remind_te = 7;
    MergeEvents({E("R", kReminder)}, theirs, ours, nullptr);
    EXPECT_EQ("R S", Titles(ours));
    EXPECT_EQ(5.0f + 10800.0f, ours.front().remind_te + ours.back().remind_te);
}

TEST_F(CalendarWriters, TwoOwlsAndAnImportOnOneFileLoseNothing) {
    Put(db, SerializeEvents(L({"A"})));
    CalendarStore a = Store(), b = Store();
    std::list<Event> la, lb;
    OpenCalendar(a, la, now), OpenCalendar(b, lb, now);
    la.push_back(E("X"));
    ASSERT_TRUE(SaveCalendar(a, la, nullptr, now, 0));
    lb.push_back(E("Y"));
    ASSERT_TRUE(SaveCalendar(b, lb, nullptr, now, 0));
    la.pop_front();  // owl a removes A, knowing nothing of Y yet
    ASSERT_TRUE(SaveCalendar(a, la, nullptr, now, 0));
    EXPECT_EQ("X Y", FileTitles(db));

    // The import: records handed over as stored, a reminder's seconds included.
    std::string error;
    ASSERT_TRUE(UpdateCalendarFile(db, [](std::list<Event>& l) {
        l.push_back(E("R", kReminder)), l.back().remind_te = 123;
        return true;
    }, error)) << error;
    float seen = 0;
    ASSERT_TRUE(UpdateCalendarFile(db, [&seen](std::list<Event>& l) { return seen = l.back().remind_te, false; }, error));
    EXPECT_EQ(123.0f, seen);

    // The running owl: nothing while a panel is open, the import a second later.
    WatchCalendar(a, la, 5000, true, nullptr, now);
    EXPECT_EQ("X Y", Titles(la));
    WatchCalendar(a, la, 6000, false, nullptr, now);
    EXPECT_EQ("X Y R", Titles(la));
    EXPECT_EQ(10800.0f, la.back().remind_te);

    // A failed save keeps the list and is retried every 10 s until it succeeds, panel or not.
    chmod(db.c_str(), 0444);
    la.push_back(E("Z"));
    EXPECT_FALSE(SaveCalendar(a, la, nullptr, now, 6000));
    EXPECT_EQ("Calendario NON salvato: sola lettura", Notice(a));
    chmod(db.c_str(), 0644);
    WatchCalendar(a, la, 15000, true, nullptr, now);
    EXPECT_EQ("X Y R", FileTitles(db));
    WatchCalendar(a, la, 16000, true, nullptr, now);
    EXPECT_EQ("X Y R Z", FileTitles(db));
    EXPECT_EQ("", Notice(a));

    // An import refuses a file it cannot read in full, and leaves it as it is.
    Bytes damaged = Get(db);
    damaged.pop_back();
    Put(db, damaged);
    EXPECT_FALSE(UpdateCalendarFile(db, [](std::list<Event>&) { return true; }, error));
    EXPECT_EQ(damaged, Get(db));
}

TEST_F(CalendarWriters, AWeeklyEventAcknowledgedComesBackAWeekLater) {
    std::tm monday{};
    monday.tm_year = 126, monday.tm_mon = 11, monday.tm_mday = 7, monday.tm_hour = 12, monday.tm_isdst = -1;
    const std::time_t at_noon = mktime(&monday);
    for (const int days_ago : {7, 0}) {
        Event w = E("Corso", kWeekly);
        w.time = {12, 0}, w.notify = w.notify_1h = w.notify_hh = true;
        Put(db, SerializeEvents({w}));
        const timespec written[2] = {{at_noon - days_ago * 86400 - 3600, 0}, {at_noon - days_ago * 86400 - 3600, 0}};
        utimensat(AT_FDCWD, db.c_str(), written, 0);
        CalendarStore st = Store();
        std::list<Event> l;
        OpenCalendar(st, l, at_noon);
        EXPECT_EQ(days_ago > 0 ? 1 : 0, ScanEvents(l, monday, 0.0f).n_notify) << days_ago;
    }
}

}  // namespace
