// The occurrence engine: its rule walk against an independent engine (python3-dateutil's
// rrule, run by Debian's /usr/bin/python3), and what a series gives a calendar that
// shows it (overrides, cancelled occurrences, alarms, the names to write back, the budget).
#include "app/calendar/ical/occurrences.h"

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

}  // namespace
