// The export command in-process: what it refuses to write, how it counts what it leaves
// out, and the escaping of what it prints on a terminal.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "app/calendar/calendar_transfer.h"
#include "calendar_helpers.h"

namespace {

namespace fs = std::filesystem;

class CalendarExport : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/strigolo-export-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl, db = dir + "/database.bin", backup = dir + "/backup.ics";
        Put(backup, {'o', 'l', 'd'});
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string dir, db, backup;
};

// A calendar that is a link into a folder not there (an unmounted disk), or in a folder
// that is such a link, is an error and the backup stays; one that does not exist yet is
// an empty calendar.
TEST_F(CalendarExport, ALinkToNothingIsAnErrorAMissingCalendarIsEmpty) {
    ASSERT_EQ(0, symlink((dir + "/unmounted/database.bin").c_str(), db.c_str()));
    ASSERT_EQ(0, symlink((dir + "/unmounted").c_str(), (dir + "/Data").c_str()));
    for (const std::string& calendar : {db, dir + "/Data/database.bin"}) EXPECT_EQ(1, RunCalendarExport(backup, calendar));
    EXPECT_EQ(Bytes({'o', 'l', 'd'}), Get(backup));
    fs::remove(db);
    EXPECT_EQ(0, RunCalendarExport(backup, db));
    EXPECT_NE(Bytes({'o', 'l', 'd'}), Get(backup));
}

// A record no event can express (31 February) is left out, counted in the summary, and
// the export ends with 1; the rest is written.
TEST_F(CalendarExport, WhatIsLeftOutIsCountedAndFails) {
    Put(db, SerializeEvents({Ev("Cena", kAppointment, {31, 2, 2030}), Ev("Treno", kAppointment, {2, 3, 2030})}));
    testing::internal::CaptureStdout();
    EXPECT_EQ(1, RunCalendarExport(backup, db));
    EXPECT_EQ("exported 1 events to " + backup + ", 1 left out\n", testing::internal::GetCapturedStdout());
    const Bytes written = Get(backup);
    EXPECT_NE(std::string(written.begin(), written.end()).find("SUMMARY:Treno"), std::string::npos);
}

// Control bytes, escape codes and C1 controls come out as \xHH; printable UTF-8 stays.
TEST(TerminalText, ControlsEscapedPrintableTextKept) {
    const char* rows[][2] = {{"Cena \x1b[2J\a", "Cena \\x1b[2J\\x07"}, {"caff\xc3\xa8 \xe2\x82\xac", "caff\xc3\xa8 \xe2\x82\xac"},
                             {"\xc2\x9b" "31m \xe8 a\\b", "\\xc2\\x9b31m \\xe8 a\\x5cb"}, {"\xe2\x82", "\\xe2\\x82"}};
    for (const auto& r : rows) EXPECT_EQ(r[1], TerminalText(r[0])) << r[1];
}

}  // namespace
