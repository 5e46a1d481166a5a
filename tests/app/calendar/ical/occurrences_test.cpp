// The occurrence engine: its rule walk against an independent engine (python3-dateutil's
// rrule, run by Debian's /usr/bin/python3), and what a series gives a calendar that
// shows it (overrides, cancelled occurrences, alarms, the names to write back, the budget).
#include "app/calendar/ical/occurrences.h"
#include "app/calendar/ical/zones.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

// dateutil's occurrences of each line "DTSTART RULE FROM N": the first N at or after FROM,
// one line each, as YYYYMMDDTHHMMSS separated by spaces.
const char kReference[] = R"(
import sys
from datetime import datetime
from dateutil.rrule import rrulestr
for line in open(sys.argv[1]):
    start, rule, since, n = line.split()
    fmt = '%Y%m%dT%H%M%S'
    r = rrulestr(rule, dtstart=datetime.strptime(start, fmt))
    print(' '.join(t.strftime(fmt) for t in r.xafter(datetime.strptime(since, fmt), count=int(n), inc=True)))
)";

std::string Format(std::time_t t) {
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%S", &tm);
    return text;
}

std::time_t Parse(const std::string& text) {
    std::tm tm{};
    strptime(text.c_str(), "%Y%m%dT%H%M%S", &tm);
    return timegm(&tm);
}

IcalFile Read(const std::string& body) {
    const std::string text = "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Test//EN\n" + body + "END:VCALENDAR\n";
    return ReadIcalFile(text.data(), text.size());
}

// Ours: the first n starts at or after `since` of DTSTART `start` (UTC) with `rule`.
std::string Ours(const std::string& start, const std::string& rule, const std::string& since, int n) {
    const IcalFile file = Read("BEGIN:VEVENT\nUID:x\nDTSTART:" + start + "Z\nRRULE:" + rule + "\nEND:VEVENT\n");
    IcalQuery query;
    query.max_count = size_t(n);
    const IcalOccurrences got = file.series.at(0).Between(Parse(since), Parse(since) + 100LL * 366 * 86400, query);
    std::string out;
    for (const IcalOccurrence& o : got.list) out += (out.empty() ? "" : " ") + Format(o.start);
    return out;
}

// HOURLY with INTERVAL 1 to 7 (alone, with BYMINUTE, BYHOUR, BYDAY, COUNT), MINUTELY and
// SECONDLY with intervals that do not divide the hour, WEEKLY with an INTERVAL whose BYDAY
// leaves out DTSTART's weekday, and the monthly and yearly shapes calendar programs
// write; each asked from an instant well after DTSTART, as the owl asks.
TEST(IcalOccurrences, RulesAgreeWithAnIndependentEngine) {
    struct Row { const char* start; std::string rule; const char* since; };
    std::vector<Row> rows;
    for (int i = 1; i <= 7; ++i) {
        const std::string every = "FREQ=HOURLY;INTERVAL=" + std::to_string(i);
        for (const char* more : {"", ";BYMINUTE=0,30", ";BYHOUR=8,9,10,17,23", ";BYDAY=MO,WE;BYMINUTE=5", ";COUNT=300"})
            rows.push_back({"20300107T091500", every + more, "20300220T131700"});
    }
    for (const char* rule : {"FREQ=MINUTELY;INTERVAL=7", "FREQ=MINUTELY;INTERVAL=13;BYHOUR=9,10;BYSECOND=0,30",
                             "FREQ=MINUTELY;INTERVAL=45;BYDAY=TU", "FREQ=SECONDLY;INTERVAL=7;BYMINUTE=5",
                             "FREQ=MINUTELY;INTERVAL=90;COUNT=1000"})
        rows.push_back({"20300107T091522", rule, "20300115T000000"});
    for (const char* rule : {"FREQ=WEEKLY;INTERVAL=2;BYDAY=TU,TH", "FREQ=WEEKLY;INTERVAL=3;BYDAY=SU;WKST=SU",
                             "FREQ=WEEKLY;INTERVAL=2;BYDAY=SA,SU;BYHOUR=8,20", "FREQ=DAILY;INTERVAL=3;BYMONTH=3,4",
                             "FREQ=DAILY;BYMONTHDAY=1,-1", "FREQ=MONTHLY;BYDAY=-1FR", "FREQ=MONTHLY;INTERVAL=2;BYMONTHDAY=31",
                             "FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1", "FREQ=MONTHLY;BYDAY=2TU,4TU;UNTIL=20310901T000000",
                             "FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU", "FREQ=YEARLY;BYWEEKNO=20;BYDAY=MO",
                             "FREQ=YEARLY;BYYEARDAY=100,-1", "FREQ=YEARLY;BYDAY=20MO", "FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29",
                             "FREQ=WEEKLY;BYDAY=MO,TU,WE;BYSETPOS=2"})
        rows.push_back({"20300107T091500", rule, "20310601T000000"});
    // A Sunday just before midnight: weeks that begin on Sunday or Monday, days that turn.
    for (const char* rule : {"FREQ=WEEKLY;INTERVAL=2;BYDAY=SU,MO", "FREQ=WEEKLY;INTERVAL=2;BYDAY=SU,MO;WKST=SU",
                             "FREQ=HOURLY;INTERVAL=7;BYDAY=SU", "FREQ=MINUTELY;INTERVAL=59;BYSECOND=30,59",
                             "FREQ=DAILY;BYHOUR=0,23;BYMINUTE=59;BYSETPOS=1", "FREQ=MONTHLY;BYMONTHDAY=6;COUNT=20",
                             "FREQ=YEARLY;BYMONTH=1;BYMONTHDAY=6;COUNT=5", "FREQ=SECONDLY;INTERVAL=3600;BYMINUTE=59"})
        rows.push_back({"20300106T235930", rule, "20300301T000000"});

    const std::string script = testing::TempDir() + "rrule_reference.py", input = testing::TempDir() + "rrules.txt";
    std::ofstream(script) << kReference;
    std::ofstream list(input);
    for (const Row& r : rows) list << r.start << " " << r.rule << " " << r.since << " 12\n";
    list.close();
    FILE* pipe = popen(("/usr/bin/python3 " + script + " " + input).c_str(), "r");
    ASSERT_TRUE(pipe);
    std::vector<std::string> theirs;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe)) theirs.emplace_back(line, std::strcspn(line, "\n"));
    ASSERT_EQ(0, pclose(pipe)) << "python3-dateutil is needed (scripts/install-deps --test)";
    ASSERT_EQ(rows.size(), theirs.size());
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(theirs[i], Ours(rows[i].start, rows[i].rule, rows[i].since, 12)) << rows[i].rule;
}

// What a calendar that shows a series gets for a window: instants (UTC), the all-day
// flag, the local date and time, texts, the RECURRENCE-ID to write back, overrides and
// cancelled occurrences (asked for), alarms as minutes from the start.
std::string Show(const IcalOccurrences& got) {
    std::string out;
    for (const IcalOccurrence& o : got.list) {
        char local[32];
        std::snprintf(local, sizeof local, "%d-%02d-%02d %d:%02d", o.local.year, o.local.month, o.local.day,
                      o.local.hour, o.local.minute);
        out += Format(o.start) + "+" + std::to_string((o.end - o.start) / 60) + "m " + local + " " + o.summary + " " +
               (o.recurrence_tzid.empty() ? "" : o.recurrence_tzid + ":") + o.recurrence_id +
               (o.all_day ? " day" : "") + (o.overridden ? " moved" : "") + (o.cancelled ? " cancelled" : "");
        for (std::time_t a : o.alarms) out += " @" + std::to_string((a - o.start) / 60);
        out += "; ";
    }
    return got.complete ? out : out + "incomplete: " + got.problem;
}

const char kRome[] =
    "BEGIN:VTIMEZONE\nTZID:Roma\nBEGIN:DAYLIGHT\nTZOFFSETFROM:+0100\nTZOFFSETTO:+0200\nDTSTART:19700329T020000\n"
    "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\nEND:DAYLIGHT\nBEGIN:STANDARD\nTZOFFSETFROM:+0200\nTZOFFSETTO:+0100\n"
    "DTSTART:19701025T030000\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\nEND:STANDARD\nEND:VTIMEZONE\n";

TEST(IcalOccurrences, WindowsGiveWhatACalendarShows) {
    setenv("TZ", "Europe/Rome", 1), tzset();
    const struct { std::string body; const char* from; const char* to; bool cancelled; const char* expect; } rows[] = {
        // A weekly series: one week excluded, one moved (with its own title), one cancelled.
        {"BEGIN:VEVENT\nUID:w\nDTSTART;TZID=Europe/Rome:20300104T183000\nDURATION:PT1H\nRRULE:FREQ=WEEKLY\n"
         "EXDATE;TZID=Europe/Rome:20300111T183000\nSUMMARY:Coro\nEND:VEVENT\nBEGIN:VEVENT\nUID:w\n"
         "RECURRENCE-ID;TZID=Europe/Rome:20300118T183000\nDTSTART;TZID=Europe/Rome:20300119T100000\nSUMMARY:Coro sabato\n"
         "END:VEVENT\nBEGIN:VEVENT\nUID:w\nRECURRENCE-ID;TZID=Europe/Rome:20300125T183000\nSTATUS:CANCELLED\n"
         "END:VEVENT\n",
         "20300104T000000", "20300201T000000", true,
         "20300104T173000+60m 2030-01-04 18:30 Coro Europe/Rome:20300104T183000; "
         "20300111T173000+60m 2030-01-11 18:30 Coro Europe/Rome:20300111T183000 cancelled; "
         "20300119T090000+60m 2030-01-19 10:00 Coro sabato Europe/Rome:20300118T183000 moved; "
         "20300125T173000+60m 2030-01-25 18:30 Coro Europe/Rome:20300125T183000 moved cancelled; "},
        {"BEGIN:VEVENT\nUID:w\nDTSTART:20300104T173000Z\nRRULE:FREQ=WEEKLY;COUNT=3\nEXDATE:20300111T173000Z\n"
         "SUMMARY:Coro\nEND:VEVENT\n",
         "20300101T000000", "20310101T000000", false,
         "20300104T173000+0m 2030-01-04 18:30 Coro 20300104T173000Z; 20300118T173000+0m 2030-01-18 18:30 Coro 20300118T173000Z; "},
        // All-day: midnights of the local zone, the date as written; one in progress counts.
        {"BEGIN:VEVENT\nUID:d\nDTSTART;VALUE=DATE:20300301\nDTEND;VALUE=DATE:20300303\nRRULE:FREQ=MONTHLY\n"
         "SUMMARY:Ferie\nEND:VEVENT\n",
         "20300302T120000", "20300402T000000", false,
         "20300228T230000+2880m 2030-03-01 0:00 Ferie 20300301 day; 20300331T220000+2880m 2030-04-01 0:00 Ferie 20300401 day; "},
        // Alarms: 15 minutes before, twice more 5 minutes apart; at the end; at an instant;
        // an e-mail alarm is not the owl's to give.
        {"BEGIN:VEVENT\nUID:a\nDTSTART:20300310T080000Z\nDTEND:20300310T090000Z\nSUMMARY:Visita\nBEGIN:VALARM\n"
         "ACTION:DISPLAY\nTRIGGER:-PT15M\nREPEAT:2\nDURATION:PT5M\nEND:VALARM\nBEGIN:VALARM\nACTION:AUDIO\n"
         "TRIGGER;RELATED=END:PT0M\nEND:VALARM\nBEGIN:VALARM\nACTION:DISPLAY\nTRIGGER;VALUE=DATE-TIME:20300309T080000Z\n"
         "END:VALARM\nBEGIN:VALARM\nACTION:EMAIL\nTRIGGER:-PT1H\nEND:VALARM\nEND:VEVENT\n",
         "20300301T000000", "20300401T000000", false,
         "20300310T080000+60m 2030-03-10 9:00 Visita 20300310T080000Z @-1440 @-15 @-10 @-5 @60; "},
        // Rome's autumn 2:30 is the first of the two, its spring 2:30 read with winter's
        // offset; from a VTIMEZONE of another name, the same.
        {"BEGIN:VEVENT\nUID:o\nDTSTART;TZID=Europe/Rome:20301027T023000\nSUMMARY:Due volte\nEND:VEVENT\n"
         "BEGIN:VEVENT\nUID:g\nDTSTART;TZID=Europe/Rome:20300331T023000\nSUMMARY:Mai stata\nEND:VEVENT\n",
         "20300301T000000", "20301201T000000", false,
         "20301027T003000+0m 2030-10-27 2:30 Due volte Europe/Rome:20301027T023000; "
         "20300331T013000+0m 2030-03-31 3:30 Mai stata Europe/Rome:20300331T023000; "},
        {std::string(kRome) + "BEGIN:VEVENT\nUID:o\nDTSTART;TZID=Roma:20301027T023000\nSUMMARY:Due volte\nEND:VEVENT\n",
         "20301001T000000", "20301201T000000", false, "20301027T003000+0m 2030-10-27 2:30 Due volte Roma:20301027T023000; "},
        // Lord Howe moves its clock by half an hour: 1:45 passed twice, 2:15 skipped.
        {"BEGIN:VEVENT\nUID:l\nDTSTART;TZID=Australia/Lord_Howe:20300407T014500\nSUMMARY:Due volte\nEND:VEVENT\n"
         "BEGIN:VEVENT\nUID:m\nDTSTART;TZID=Australia/Lord_Howe:20301006T021500\nSUMMARY:Mai stata\nEND:VEVENT\n",
         "20300101T000000", "20310101T000000", false,
         "20300406T144500+0m 2030-04-06 16:45 Due volte Australia/Lord_Howe:20300407T014500; "
         "20301005T154500+0m 2030-10-05 17:45 Mai stata Australia/Lord_Howe:20301006T021500; "},
        // A weekly time stays on Sydney's clock through its autumn change (in April).
        {"BEGIN:VEVENT\nUID:s\nDTSTART;TZID=Australia/Sydney:20300107T090000\nRRULE:FREQ=WEEKLY\nSUMMARY:Lun\n"
         "END:VEVENT\n",
         "20300324T000000", "20300408T000000", false,
         "20300324T220000+0m 2030-03-24 23:00 Lun Australia/Sydney:20300325T090000; "
         "20300331T220000+0m 2030-04-01 0:00 Lun Australia/Sydney:20300401T090000; "
         "20300407T230000+0m 2030-04-08 1:00 Lun Australia/Sydney:20300408T090000; "},
        // A window of a secondly rule holds more than the budget: what was found, and why not all.
        {"BEGIN:VEVENT\nUID:s\nDTSTART:20300101T000000Z\nRRULE:FREQ=SECONDLY\nSUMMARY:S\nEND:VEVENT\n",
         "20300101T000000", "20300101T000003", false,
         "20300101T000000+0m 2030-01-01 1:00 S 20300101T000000Z; 20300101T000001+0m 2030-01-01 1:00 S 20300101T000001Z; "
         "20300101T000002+0m 2030-01-01 1:00 S 20300101T000002Z; "},
    };
    for (const auto& r : rows) {
        const IcalFile file = Read(r.body);
        ASSERT_FALSE(file.series.empty()) << r.body;
        std::string got;
        for (const IcalSeries& s : file.series) {
            IcalQuery query;
            query.with_cancelled = r.cancelled;
            got += Show(s.Between(Parse(r.from), Parse(r.to), query));
        }
        EXPECT_EQ(r.expect, got) << r.body;
    }
}

// Windows zone names as ICU maps them; a name it does not know maps to none.
TEST(IcalOccurrences, WindowsZoneNamesMapThroughIcu) {
    const char* rows[][2] = {{"Tokyo Standard Time", "Asia/Tokyo"}, {"W. Europe Standard Time", "Europe/Berlin"},
                             {"Eastern Standard Time", "America/New_York"}, {"AUS Eastern Standard Time", "Australia/Sydney"},
                             {"Ora di Nessuno", ""}, {"", ""}};
    for (const auto& r : rows) EXPECT_EQ(r[1], IanaForWindowsZone(r[0])) << r[0];
}

// The work is bounded per call: a rule of a billion seconds counted from its start, and
// 100,000 EXDATEs on one event, answer within the default budget; a tiny budget stops a
// walk and says so; a rule that can never match says that, not that it ran out.
TEST(IcalOccurrences, WorkIsBoundedAndSaysWhyNothingCame) {
    std::string exdates;
    for (int i = 0; i < 100000; ++i) exdates += "EXDATE:" + Format(Parse("20300101T000000") + i) + "Z\n";
    const IcalFile file = Read(
        "BEGIN:VEVENT\nUID:a\nDTSTART:20200101T000000Z\nRRULE:FREQ=SECONDLY;COUNT=1000000000\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:b\nDTSTART:20300101T000000Z\nRRULE:FREQ=SECONDLY\n" + exdates + "END:VEVENT\n"
        "BEGIN:VEVENT\nUID:c\nDTSTART:19000101T000000\nRRULE:FREQ=MINUTELY;BYMONTH=2;BYMONTHDAY=30\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:d\nDTSTART:20200101T000000\nRRULE:FREQ=DAILY;COUNT=3\nEND:VEVENT\n");
    ASSERT_EQ(4u, file.series.size());
    IcalOccurrence next;
    std::string why;
    EXPECT_TRUE(file.series[0].Next(Parse("20300301T090000"), next, why)) << why;
    EXPECT_EQ("20300301T090000", Format(next.start));
    // Its first 100,000 seconds are excluded: as many steps, more CPU time than 50 ms
    // under the sanitizers.
    IcalBudget slow_build;
    slow_build.cpu_seconds = 5;
    EXPECT_TRUE(file.series[1].Next(Parse("20300101T000000"), next, why, slow_build)) << why;
    EXPECT_EQ("20300102T034640", Format(next.start));
    IcalQuery tiny;
    tiny.budget.steps = 1000;
    const IcalOccurrences cut = file.series[0].Between(Parse("20300301T000000"), Parse("20300302T000000"), tiny);
    EXPECT_FALSE(cut.complete);
    EXPECT_EQ("too much work to follow its repeat rule", cut.problem);
    EXPECT_FALSE(file.series[2].Next(Parse("20300301T090000"), next, why));
    EXPECT_EQ("no occurrence found", why);
    EXPECT_FALSE(file.series[3].Next(Parse("20300301T090000"), next, why));
    EXPECT_EQ("in the past", why);
}

}  // namespace
