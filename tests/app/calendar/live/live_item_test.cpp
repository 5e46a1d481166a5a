// A folder's items: which names are items, what each kind of file reads as (through the
// real occurrence engine), and the folder's colour file.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/calendar/live/live_item.h"

namespace {

std::string Item(const std::string& events) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n" + events + "END:VCALENDAR\r\n";
}
std::string Event(const char* uid, const char* more = "") {
    return std::string("BEGIN:VEVENT\r\n") + (*uid ? std::string("UID:") + uid + "\r\n" : "") +
           "DTSTAMP:20300101T000000Z\r\nDTSTART:20300301T090000Z\r\nSUMMARY:Riunione\r\n" + more + "END:VEVENT\r\n";
}

TEST(LiveItem, NamesAndColours) {
    for (const char* yes : {"a.ics", "0d4e-11.ics", "x y.ics"}) EXPECT_TRUE(IsItemName(yes)) << yes;
    for (const char* no : {".ics", ".a.ics", ".a.ics.tmp", "a.ics~", "color", "displayname", "a.ICS"})
        EXPECT_FALSE(IsItemName(no)) << no;
    const struct { const char* text; bool ok; float r = 0; } rows[] = {
        {"#ff8800\n", true, 1.0f}, {"  #00Aa11 ", true, 0.0f}, {"#336699ff", true, 0.2f},
        {"ff8800", false}, {"#ff880", false}, {"#gg8800", false}, {"", false}, {"red", false}};
    for (const auto& r : rows) {
        float rgb[3] = {-1, -1, -1};
        EXPECT_EQ(ParseVdirColor(r.text, rgb), r.ok) << r.text;
        if (r.ok) {
            EXPECT_FLOAT_EQ(rgb[0], r.r) << r.text;
        }
    }
}

TEST(LiveItem, WhatEachTextReadsAs) {
    const struct { std::string text; ItemStatus status; const char* uid_or_problem; } rows[] = {
        {Item(Event("u1")), ItemStatus::kEvents, "u1"},
        // A master and its override share the UID: one item.
        {Item(Event("u1", "RRULE:FREQ=DAILY\r\n") + Event("u1", "RECURRENCE-ID:20300302T090000Z\r\n")),
         ItemStatus::kEvents, "u1"},
        {Item("BEGIN:VTODO\r\nUID:t\r\nSUMMARY:Spesa\r\nEND:VTODO\r\n"), ItemStatus::kNoEvent, ""},
        {Item(Event("u1") + Event("u2")), ItemStatus::kBad, "two different UIDs (u1, u2)"},
        {Item(Event("")), ItemStatus::kBad, "an event without a UID"},
        {"BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:u1\r\n", ItemStatus::kBad, "not an iCalendar file"},
        {"\x89PNG junk", ItemStatus::kBad, "not an iCalendar file"},
    };
    for (const auto& r : rows) {
        LiveItem item;
        std::string problem;
        std::vector<std::string> notes;
        const ItemStatus status = ParseLiveItem(r.text.data(), r.text.size(), item, problem, notes);
        EXPECT_EQ(status, r.status) << r.text;
        EXPECT_EQ(status == ItemStatus::kBad ? problem : item.uid, r.uid_or_problem) << r.text;
    }
}

// What cannot be an item is refused before it is read: nothing waits on a FIFO, and a
// huge file is not loaded.
TEST(LiveItem, FilesThatAreNotItems) {
    char tmpl[] = "/tmp/strigolo-items-XXXXXX";
    ASSERT_TRUE(mkdtemp(tmpl));
    const std::string dir = tmpl;
    std::ofstream(dir + "/good.ics") << Item(Event("u1"));
    ASSERT_EQ(mkfifo((dir + "/fifo.ics").c_str(), 0600), 0);
    ASSERT_EQ(mkdir((dir + "/folder.ics").c_str(), 0700), 0);
    std::ofstream(dir + "/huge.ics") << Item(Event("u1"));
    ASSERT_EQ(truncate((dir + "/huge.ics").c_str(), off_t(kMaxItemBytes) + 1), 0);
    const struct { const char* name; ItemStatus status; const char* problem; } rows[] = {
        {"good.ics", ItemStatus::kEvents, ""}, {"fifo.ics", ItemStatus::kBad, "a FIFO"},
        {"folder.ics", ItemStatus::kBad, "a folder"}, {"huge.ics", ItemStatus::kBad, "larger than 4194304 bytes"},
        {"gone.ics", ItemStatus::kGone, ""}};
    for (const auto& r : rows) {
        LiveItem item;
        std::string problem;
        std::vector<std::string> notes;
        EXPECT_EQ(ReadLiveItem(dir + "/" + r.name, item, problem, notes), r.status) << r.name;
        EXPECT_EQ(problem, r.problem) << r.name;
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
