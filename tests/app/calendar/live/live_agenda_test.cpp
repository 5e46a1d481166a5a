// The notices of a folder item's occurrences, through the real occurrence engine: a
// daily series with an exception, a moved occurrence and an alarm, then which
// occurrence is due, shown and next as notices are seen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "app/calendar/live/live_agenda.h"

namespace {

// 2030-03-DD HH:MM in Rome, which keeps UTC+1 until 31 March.
std::time_t Rome(int day, int hour, int min) {
    std::tm t{};
    t.tm_year = 130, t.tm_mon = 2, t.tm_mday = day, t.tm_hour = hour - 1, t.tm_min = min;
    return timegm(&t);
}

const char kSeries[] =
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n"
    "BEGIN:VEVENT\r\nUID:daily\r\nDTSTAMP:20300101T000000Z\r\nDTSTART;TZID=Europe/Rome:20300301T090000\r\n"
    "RRULE:FREQ=DAILY\r\nEXDATE;TZID=Europe/Rome:20300303T090000\r\nSUMMARY:Stand-up\r\n"
    "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:x\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\nEND:VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:daily\r\nDTSTAMP:20300101T000000Z\r\nRECURRENCE-ID;TZID=Europe/Rome:20300304T090000\r\n"
    "DTSTART;TZID=Europe/Rome:20300304T110000\r\nSUMMARY:Stand-up tardi\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";

TEST(LiveAgenda, DailySeriesNoticesDueShownAndNext) {
    LiveItem item;
    std::string problem;
    std::vector<std::string> notes;
    ASSERT_EQ(ParseLiveItem(kSeries, sizeof kSeries - 1, item, problem, notes), ItemStatus::kEvents) << problem;
    const std::time_t now = Rome(2, 9, 10);
    const std::vector<LiveOccurrence> occ = LiveOccurrences(item, now, 3, problem);
    // From a day back to three ahead: the 1st began before the window, the 3rd is left
    // out, the 4th moved to 11:00 (with the master's alarm, which it keeps).
    ASSERT_EQ(occ.size(), 3u) << problem;
    const std::time_t starts[] = {Rome(2, 9, 0), Rome(4, 11, 0), Rome(5, 9, 0)};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(occ[i].occurrence.start, starts[i]) << i;
        EXPECT_EQ(occ[i].moments.size(), 4u) << i;
        EXPECT_EQ(occ[i].moments.front().at, starts[i] - 3600) << i;
    }
    EXPECT_EQ(occ[0].moments[2].at, Rome(2, 8, 45));  // the alarm, before the start
    EXPECT_EQ(occ[0].moments[2].key.item, AlarmItemName("daily"));

    // Each step: the time, what is seen then, and the due, shown occurrence and next moment.
    std::set<NoticeKey> given;
    const struct { std::time_t now; int see; int due, shown; std::time_t next; } steps[] = {
        {now, -1, 0, 0, Rome(4, 10, 0)},
        {now, 0, -1, 1, Rome(4, 10, 0)},           // seen: the 2nd is over, the moved one is shown
        {Rome(4, 10, 40), -1, 1, 1, Rome(4, 10, 45)},
        {Rome(4, 10, 40), 1, -1, 1, Rome(4, 10, 45)},  // seen before its alarm: the alarm's notice waits
        {Rome(4, 11, 0), -1, 1, 1, Rome(5, 8, 0)},
        {Rome(6, 0, 0), -1, 1, 1, 0},              // a day later, still not seen; nothing after
        {Rome(6, 0, 0), 1, 2, 2, 0},
    };
    for (const auto& s : steps) {
        if (s.see >= 0)
            for (const NoticeKey& k : NoticesSeen(occ[size_t(s.see)], s.now)) given.insert(k);
        EXPECT_EQ(FirstDue(occ, given, s.now), s.due) << &s - steps;
        EXPECT_EQ(ShownOccurrence(occ, given, s.now), s.shown) << &s - steps;
        EXPECT_EQ(NextMoment(occ, given, s.now), s.next) << &s - steps;
    }
}

}  // namespace
