// The cost of `strigolo --import` on a large file: 10,000 events with assorted rules,
// mapped by the import. Prints CPU seconds (the median of three) beside the aim of one
// second; a build of an earlier revision, run the same way, gives the figure to compare.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/calendar/ical/ical_import.h"

namespace {

// Friday 1 March 2030, 10:00 in Rome.
const std::time_t kNow = 1898586000;

// The shapes calendar programs write, in turn; each event starts `shift` days from
// 1 March 2030 (and a few hours on, so they spread over the day).
std::string File(int count, int first_day) {
    static const char* kShapes[] = {
        "DTSTART;TZID=Europe/Rome:%s\nDTEND;TZID=Europe/Rome:%s\n",
        "DTSTART;TZID=Europe/Rome:%s\nRRULE:FREQ=WEEKLY;BYDAY=MO,WE,FR\n",
        "DTSTART:%sZ\nRRULE:FREQ=DAILY;COUNT=10\n",
        "DTSTART:%s\nRRULE:FREQ=MONTHLY;BYMONTHDAY=15\n",
        "DTSTART;TZID=America/New_York:%s\nRRULE:FREQ=YEARLY\n",
        "DTSTART:%s\nRRULE:FREQ=HOURLY;INTERVAL=5\n",
        "DTSTART;TZID=\"Eastern Standard Time\":%s\nRRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=TU,TH\n",
        "DTSTART:%sZ\nDURATION:PT45M\n",
        "DTSTART;TZID=Europe/Rome:%s\nRRULE:FREQ=WEEKLY;UNTIL=20350101T000000Z\n",
        "DTSTART;TZID=Tokyo Standard Time:%s\nRRULE:FREQ=DAILY\nEXDATE;TZID=Tokyo Standard Time:%s\n",
    };
    std::string out =
        "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Bench//EN\nBEGIN:VTIMEZONE\nTZID:Eastern Standard Time\n"
        "BEGIN:STANDARD\nDTSTART:16011104T020000\nRRULE:FREQ=YEARLY;BYDAY=1SU;BYMONTH=11\nTZOFFSETFROM:-0400\n"
        "TZOFFSETTO:-0500\nEND:STANDARD\nBEGIN:DAYLIGHT\nDTSTART:16010311T020000\nRRULE:FREQ=YEARLY;BYDAY=2SU;BYMONTH=3\n"
        "TZOFFSETFROM:-0500\nTZOFFSETTO:-0400\nEND:DAYLIGHT\nEND:VTIMEZONE\n";
    for (int i = 0; i < count; ++i) {
        std::time_t t = kNow + std::time_t(first_day + i % 300) * 86400 + (i % 11) * 3600;
        std::tm tm{};
        gmtime_r(&t, &tm);
        char when[32], body[512];
        std::strftime(when, sizeof when, "%Y%m%dT%H%M00", &tm);
        std::snprintf(body, sizeof body, kShapes[i % 10], when, when);
        out += "BEGIN:VEVENT\nUID:" + std::to_string(i) + "@bench\nSUMMARY:Evento numero " + std::to_string(i) + "\n" +
               body + "END:VEVENT\n";
    }
    return out + "END:VCALENDAR\n";
}

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// The median of three runs of mapping `text`, CPU seconds; `events` gets what it gave.
double Median(const std::string& text, size_t& events) {
    std::vector<double> runs;
    for (int i = 0; i < 3; ++i) {
        const double start = CpuSeconds();
        events = MapIcalendar(text.data(), text.size(), kNow).events.size();
        runs.push_back(CpuSeconds() - start);
    }
    std::sort(runs.begin(), runs.end());
    return runs[1];
}

}  // namespace

int main() {
    setenv("TZ", "Europe/Rome", 1);
    tzset();
    std::printf("%-46s %14s %8s\n", "import of 10,000 events (CPU s, median of 3)", "now", "aim");
    for (const auto& row : {std::make_pair("all in the future, assorted rules", 1),
                            std::make_pair("all begun a year ago, assorted rules", -365)}) {
        const std::string text = File(10000, row.second);
        size_t now_events = 0;
        const double now = Median(text, now_events);
        char n[32];
        std::snprintf(n, sizeof n, "%.2f (%zu)", now, now_events);
        std::printf("%-46s %14s %8s\n", row.first, n, "< 1");
    }
    std::printf("(in brackets: the calendar entries it gave)\n");
    return 0;
}
