// The owl's edits written into a real folder: a single event changed, merged with a
// change made elsewhere meanwhile, and binned; one occurrence of a series overridden and
// left out; a new event made in the new_events folder; a read-only calendar left alone.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "app/calendar/live/live_writeback.h"

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Put(const std::string& path, const std::string& body) {
    std::ofstream(path + ".part") << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//T//EN\r\nBEGIN:VEVENT\r\n" << body
                                  << "END:VEVENT\r\nEND:VCALENDAR\r\n";
    std::rename((path + ".part").c_str(), path.c_str());
}

Event* RowTitled(LiveCalendars& lc, const char* title) {
    for (Event& e : lc.rows)
        if (std::strcmp(e.title, title) == 0) return &e;
    return nullptr;
}

TEST(LiveWriteback, EditsReachTheFiles) {
    setenv("TZ", "UTC", 1);
    tzset();
    char tmpl[] = "/tmp/strigolo-write-XXXXXX";
    ASSERT_TRUE(mkdtemp(tmpl));
    const std::string top = tmpl, cal = top + "/casa", ro = top + "/feste";
    std::filesystem::create_directories(top + "/strigolo");
    std::filesystem::create_directories(cal);
    std::filesystem::create_directories(ro);
    std::ofstream(top + "/strigolo/config") << "[calendar casa]\npath = " << cal << "\n[calendar feste]\npath = " << ro
                                            << "\nread_only = yes\n[options]\nnew_events = casa\n";
    const std::string attendee = "ATTENDEE;CN=Anna:mailto:anna@example.org\r\n";
    Put(cal + "/a.ics", "UID:a\r\nDTSTAMP:20300101T000000Z\r\nDTSTART:20300318T090000Z\r\nDTEND:20300318T100000Z\r\n"
                        "SUMMARY:Dentista\r\n" + attendee);
    Put(cal + "/w.ics", "UID:w\r\nDTSTAMP:20300101T000000Z\r\nDTSTART:20300318T170000Z\r\nRRULE:FREQ=WEEKLY\r\n"
                        "SUMMARY:Corso\r\n");
    Put(ro + "/n.ics", "UID:n\r\nDTSTAMP:20300101T000000Z\r\nDTSTART;VALUE=DATE:20300319\r\nSUMMARY:Festa\r\n");
    LiveCalendars lc;
    NoticeLedger ledger;
    OpenLiveCalendars(lc, ConfigEnv{"/nowhere", tmpl, nullptr});
    const std::time_t now = 1900000000;  // 2030-03-17 17:46:40 UTC
    uint32_t ms = 1000;
    auto tick = [&]() {
        do TickLiveCalendars(lc, ms += 10, now, nullptr, ledger);
        while (!lc.work.empty());
    };
    tick();
    ASSERT_EQ(lc.rows.size(), 3u);

    // The read-only calendar's item is only shown.
    EXPECT_FALSE(LiveRowWritable(lc, RowTitled(lc, "Festa")));
    EXPECT_EQ(OpenLiveEdit(lc, RowTitled(lc, "Festa")), nullptr);

    // A single event: its title and time change, its attendee stays; the sync is asked for.
    Event* d = OpenLiveEdit(lc, RowTitled(lc, "Dentista"));
    ASSERT_NE(d, nullptr);
    std::snprintf(d->title, sizeof d->title, "Dentista 2");
    d->time.hour += 2;
    ConfirmLiveEdit(lc, ms, now);
    std::string text = Slurp(cal + "/a.ics");
    for (const std::string& line : {std::string("SUMMARY:Dentista 2\r\n"), std::string("DTSTART:20300318T110000Z\r\n"),
                                    std::string("DTEND:20300318T120000Z\r\n"), attendee, std::string("SEQUENCE:1\r\n")})
        EXPECT_NE(text.find(line), std::string::npos) << line << text;
    EXPECT_TRUE(lc.sync.edit_waiting);
    EXPECT_FALSE(lc.edit.open);
    tick();

    // Changed elsewhere while the editor was open: both changes kept, and the user told.
    d = OpenLiveEdit(lc, RowTitled(lc, "Dentista 2"));
    ASSERT_NE(d, nullptr);
    text.replace(text.find("SUMMARY:Dentista 2"), 18, "SUMMARY:Dal telefono\r\nLOCATION:Via Roma");
    std::ofstream(cal + "/a.ics") << text;
    std::snprintf(d->title, sizeof d->title, "Dall'owl");
    std::snprintf(d->description, sizeof d->description, "porta la tessera");
    ConfirmLiveEdit(lc, ms, now);
    text = Slurp(cal + "/a.ics");
    EXPECT_NE(text.find("SUMMARY:Dall'owl\r\nLOCATION:Via Roma\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("DESCRIPTION:porta la tessera\r\n"), std::string::npos) << text;
    ASSERT_EQ(LiveNoticeLines(lc, ms).size(), 2u);
    EXPECT_EQ(LiveNoticeLines(lc, ms)[0], "Cambiato anche altrove: titolo");
    EXPECT_TRUE(LiveNoticeLines(lc, ms + kWriteShownMs).empty());
    tick();

    // The series: its next occurrence moved by an override, then left out by an EXDATE.
    Event* c = OpenLiveEdit(lc, RowTitled(lc, "Corso"));
    ASSERT_NE(c, nullptr);
    c->time.min = 30;
    ConfirmLiveEdit(lc, ms, now);
    text = Slurp(cal + "/w.ics");
    EXPECT_NE(text.find("RRULE:FREQ=WEEKLY\r\n"), std::string::npos);
    EXPECT_NE(text.find("DTSTART:20300318T173000Z\r\nRECURRENCE-ID:20300318T170000Z\r\n"), std::string::npos) << text;
    tick();
    c = OpenLiveEdit(lc, RowTitled(lc, "Corso"));
    ASSERT_NE(c, nullptr);
    BinLiveEdit(lc, ms, now);
    text = Slurp(cal + "/w.ics");
    EXPECT_NE(text.find("DTSTART:20300318T170000Z\r\nEXDATE:20300318T170000Z\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("RECURRENCE-ID"), std::string::npos) << text;

    // The single event binned: its file goes.
    tick();
    ASSERT_NE(OpenLiveEdit(lc, RowTitled(lc, "Dall'owl")), nullptr);
    BinLiveEdit(lc, ms, now);
    EXPECT_FALSE(std::filesystem::exists(cal + "/a.ics"));

    // A new event: a new item named by its fresh UID, in the new_events folder.
    std::tm start{};
    start.tm_year = 130, start.tm_mon = 3, start.tm_mday = 2, start.tm_hour = 15;
    Event* n = OpenNewLiveEvent(lc, start);
    ASSERT_NE(n, nullptr);
    std::snprintf(n->title, sizeof n->title, "Nuovo");
    ConfirmLiveEdit(lc, ms, now);
    int made = 0;
    for (const auto& f : std::filesystem::directory_iterator(cal)) {
        const std::string name = f.path().filename().string();
        if (name == "w.ics") continue;
        ++made;
        EXPECT_TRUE(std::regex_match(name, std::regex("[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}\\.ics"))) << name;
        text = Slurp(f.path().string());
        EXPECT_NE(text.find("UID:" + name.substr(0, name.size() - 4) + "\r\n"), std::string::npos) << text;
        EXPECT_NE(text.find("DTSTART:20300402T150000Z\r\nDTEND:20300402T160000Z\r\nSUMMARY:Nuovo\r\n"),
                  std::string::npos) << text;
    }
    EXPECT_EQ(made, 1);
    std::filesystem::remove_all(top);
}

}  // namespace
