// iCalendar import and export: the mapping of the shapes calendar programs write, the
// guard before libical, the texts in the font's characters, what counts as the same
// event, the round trip, and titles escaped for the terminal.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "app/calendar/ical/calendar_transfer.h"
#include "app/calendar/ical/ical_export.h"
#include "app/calendar/ical/ical_import.h"
#include "../calendar_helpers.h"

namespace {

// Zones as Outlook (a Windows name) and Thunderbird write them, rules for 2007 on.
const char kZones[] =
    "BEGIN:VTIMEZONE\nTZID:Eastern Standard Time\nBEGIN:STANDARD\nDTSTART:16011104T020000\n"
    "RRULE:FREQ=YEARLY;BYDAY=1SU;BYMONTH=11\nTZOFFSETFROM:-0400\nTZOFFSETTO:-0500\nEND:STANDARD\n"
    "BEGIN:DAYLIGHT\nDTSTART:16010311T020000\nRRULE:FREQ=YEARLY;BYDAY=2SU;BYMONTH=3\nTZOFFSETFROM:-0500\n"
    "TZOFFSETTO:-0400\nEND:DAYLIGHT\nEND:VTIMEZONE\n"
    "BEGIN:VTIMEZONE\nTZID:Europe/Rome\nBEGIN:DAYLIGHT\nTZOFFSETFROM:+0100\nTZOFFSETTO:+0200\nTZNAME:CEST\n"
    "DTSTART:19700329T020000\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\nEND:DAYLIGHT\nBEGIN:STANDARD\n"
    "TZOFFSETFROM:+0200\nTZOFFSETTO:+0100\nTZNAME:CET\nDTSTART:19701025T030000\n"
    "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\nEND:STANDARD\nEND:VTIMEZONE\n";

// A row's text: 'r'aw as it is, else in a VCALENDAR with the zones above, its lines
// ended with 'c'RLF or 'l'F, and wrapped in one VEVENT unless it begins components of its own.
std::string File(const std::string& body, char form) {
    if (form == 'r') return body;
    const std::string events = body.rfind("BEGIN:", 0) == 0 ? body : "BEGIN:VEVENT\n" + body + "END:VEVENT\n";
    std::string text = "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Test//EN\n" + std::string(kZones) + events + "END:VCALENDAR\n";
    for (size_t at = 0; form == 'c' && (at = text.find('\n', at)) != std::string::npos; at += 2) text.insert(at, "\r");
    return text;
}

std::string Describe(const IcalImport& r) {
    if (!r.is_icalendar) return "not iCalendar";
    std::string out;
    for (const IcalEvent& f : r.events) {
        const Event& e = f.event;
        char head[64];
        if (e.type == kAppointment)
            std::snprintf(head, sizeof head, "A %d/%d/%d %d:%02d", e.date.day, e.date.month, e.date.year, e.time.hour, e.time.min);
        if (e.type == kWeekly) std::snprintf(head, sizeof head, "W%d %d:%02d", e.wday, e.time.hour, e.time.min);
        if (e.type == kReminder) std::snprintf(head, sizeof head, "R%d", e.remind_mode);
        out += std::string(head) + " " + e.title + (e.description[0] ? std::string("|") + e.description : "");
        for (const std::string& c : f.cut) out += " (" + c + ")";
        for (const std::string& n : f.notes) out += " [" + n + "]";
        out += "; ";
    }
    for (const std::string& s : r.skipped) out += "skip " + s + "; ";
    for (const std::string& n : r.notes) out += "note " + n + "; ";
    return out;
}

// Friday 1 March 2030, 10:00 in Rome (CET, UTC+1); the local zone is Rome's from the start.
const std::time_t kNow = (setenv("TZ", "Europe/Rome", 1), tzset(), 1898586000);

TEST(IcalImport, MapsTheShapesCalendarProgramsWrite) {
    const struct { const char* body; char form; const char* expect; } rows[] = {
        {"DTSTART:20300310T080000Z\nSUMMARY:UTC\n", 'c', "A 10/3/2030 9:00 UTC; "},
        // US summer time began on the 10th, Europe's has not: 12:00 EDT is 16:00Z, 17:00 here.
        {"DTSTART;TZID=\"Eastern Standard Time\":20300311T120000\nSUMMARY:NY\n", 'c', "A 11/3/2030 17:00 NY; "},
        {"DTSTART;TZID=Europe/Rome:20300405T093000\nSUMMARY:Roma\n", 'l', "A 5/4/2030 9:30 Roma; "},
        {"DTSTART:20300307T183000\nSUMMARY:Floating\n", 'c', "A 7/3/2030 18:30 Floating; "},
        {"DTSTART;VALUE=DATE:20300308\nDTEND;VALUE=DATE:20300309\nSUMMARY:Ferie\n", 'c', "A 8/3/2030 9:00 Ferie; "},
        {"DTSTART:20300301T083000\nDTEND:20300301T093000\nSUMMARY:Over\n", 'c', "skip \"Over\": in the past; "},
        // Tuesdays 20:00 in New York are Wednesdays 2:00 here.
        {"DTSTART;TZID=\"Eastern Standard Time\":20300101T200000\nRRULE:FREQ=WEEKLY;BYDAY=TU\nSUMMARY:Corso\n", 'c',
         "W3 2:00 Corso [the offset between its time zone and the local one changes during the year: its time may be "
         "an hour off between summer-time changes]; "},
        {"DTSTART:20300104T183000\nRRULE:FREQ=WEEKLY\nSUMMARY:Venerdi\n", 'c', "W5 18:30 Venerdi; "},
        // Several weekdays, Google's "every weekday", daily: one weekly event a weekday. The
        // record holds no exception: tomorrow's excluded 8:00 is told.
        {"DTSTART:20300104T183000\nRRULE:FREQ=WEEKLY;BYDAY=MO,WE,FR\nSUMMARY:Corso\n", 'c',
         "W1 18:30 Corso; W3 18:30 Corso; W5 18:30 Corso; "},
        {"DTSTART;TZID=Europe/Rome:20300107T090000\nRRULE:FREQ=WEEKLY;BYDAY=MO,TU,WE,TH,FR\nSUMMARY:Lavoro\n", 'l',
         "W1 9:00 Lavoro; W2 9:00 Lavoro; W3 9:00 Lavoro; W4 9:00 Lavoro; W5 9:00 Lavoro; "},
        {"DTSTART:20300101T080000\nRRULE:FREQ=DAILY\nEXDATE:20300302T080000\nSUMMARY:Daily\n", 'c',
         "W1 8:00 Daily; W2 8:00 Daily; W3 8:00 Daily; W4 8:00 Daily; W5 8:00 Daily; "
         "W6 8:00 Daily [the weekly event will still announce 2/3/2030 8:00, which was cancelled]; W0 8:00 Daily; "},
        // COUNT and UNTIL: an end more than four weeks away is told, a nearer one keeps
        // the next occurrence only.
        {"DTSTART:20300104T183000\nRRULE:FREQ=WEEKLY;COUNT=20\nSUMMARY:Yoga\n", 'c',
         "W5 18:30 Yoga [the calendar cannot end a weekly event: remove it after 17/5/2030]; "},
        {"DTSTART:20300104T183000\nRRULE:FREQ=WEEKLY;UNTIL=20300315T000000Z\nSUMMARY:Ultimi\n", 'c',
         "A 1/3/2030 18:30 Ultimi [a repeating series that ends within four weeks: only its next occurrence was kept]; "},
        {"DTSTART:20300101T080000\nRRULE:FREQ=DAILY;COUNT=30\nSUMMARY:Finito\n", 'c', "skip \"Finito\": in the past; "},
        // Rules the records cannot hold, and weekly or hourly ones not begun: the next occurrence.
        {"DTSTART:20300104T183000\nRRULE:FREQ=WEEKLY;INTERVAL=2\nSUMMARY:Quindici\n", 'c',
         "A 1/3/2030 18:30 Quindici [repeats in a way the calendar cannot hold: only its next occurrence was kept]; "},
        {"DTSTART:20300311T190000\nRRULE:FREQ=WEEKLY\nSUMMARY:Nuovo\n", 'c',
         "A 11/3/2030 19:00 Nuovo [a repeating series that starts on 11/3/2030: only its first occurrence was kept "
         "(import it again once it has begun)]; "},
        {"DTSTART:20310101T080000\nRRULE:FREQ=HOURLY\nSUMMARY:Futuro\n", 'c',
         "A 1/1/2031 8:00 Futuro [repeats in a way the calendar cannot hold: only its next occurrence was kept]; "},
        {"DTSTART:20300301T080000\nRRULE:FREQ=HOURLY;INTERVAL=3;COUNT=5\nSUMMARY:Pillola\n", 'c',
         "A 1/3/2030 11:00 Pillola [repeats in a way the calendar cannot hold: only its next occurrence was kept]; "},
        // Every fifth hour from New Year's midnight: 4:00, 9:00, 14:00 on 1 March.
        {"DTSTART:20300101T000000\nRRULE:FREQ=HOURLY;INTERVAL=5\nSUMMARY:Cinque\n", 'c',
         "A 1/3/2030 14:00 Cinque [repeats in a way the calendar cannot hold: only its next occurrence was kept]; "},
        // A weekly series with an excluded week, a moved week and a cancelled one.
        {"BEGIN:VEVENT\nUID:w@x\nDTSTART:20300104T183000\nRRULE:FREQ=WEEKLY\nEXDATE:20300308T183000\nSUMMARY:Coro\nEND:VEVENT\n"
         "BEGIN:VEVENT\nUID:w@x\nRECURRENCE-ID:20300315T183000\nDTSTART:20300316T100000\nSUMMARY:Coro sabato\nEND:VEVENT\n"
         "BEGIN:VEVENT\nUID:w@x\nRECURRENCE-ID:20300322T183000\nSTATUS:CANCELLED\nSUMMARY:Coro\nEND:VEVENT\n", 'c',
         "W5 18:30 Coro [the weekly event will still announce 8/3/2030 18:30, which was cancelled] "
         "[the weekly event will still announce 22/3/2030 18:30, which was cancelled]; "
         "A 16/3/2030 10:00 Coro sabato [moved occurrence kept as an appointment of its own]; "},
        // The next occurrence of a series moved by its own event, with that event's title.
        {"BEGIN:VEVENT\nUID:t@x\nDTSTART:20300301T080000\nRRULE:FREQ=DAILY;INTERVAL=2\nSUMMARY:Turno\nEND:VEVENT\n"
         "BEGIN:VEVENT\nUID:t@x\nRECURRENCE-ID:20300303T080000\nDTSTART:20300302T170000\nSUMMARY:Turno spostato\nEND:VEVENT\n",
         'c', "A 2/3/2030 17:00 Turno spostato [repeats in a way the calendar cannot hold: only its next occurrence was kept]; "},
        {"DTSTART:20300310T080000Z\nSTATUS:CANCELLED\nSUMMARY:Annullato\n", 'c', "skip \"Annullato\": cancelled; "},
        // A moved occurrence whose series the file lacks stands alone; a rule libical
        // cannot read and a date that does not exist are told.
        {"BEGIN:VEVENT\nUID:o@x\nRECURRENCE-ID:20300308T080000Z\nDTSTART:20300309T080000Z\nSUMMARY:Solo\nEND:VEVENT\n"
         "BEGIN:VEVENT\nUID:r@x\nDTSTART:20300309T080000Z\nRRULE:INTERVAL=2\nSUMMARY:Regola\nEND:VEVENT\n"
         "BEGIN:VEVENT\nUID:d@x\nDTSTART:20300230T080000Z\nSUMMARY:Trenta\nEND:VEVENT\n", 'c',
         "A 9/3/2030 9:00 Solo; A 9/3/2030 9:00 Regola [its RRULE could not be read and was left out]; "
         "skip \"Trenta\": its start (DTSTART) is not a real date and time; "},
        {"BEGIN:VCALENDAR\nVERSION:2.0\nMETHOD:CANCEL\nBEGIN:VEVENT\nUID:m@x\nDTSTART:20300310T080000Z\nSUMMARY:Riunione\n"
         "END:VEVENT\nEND:VCALENDAR\n", 'r', "skip \"Riunione\": cancelled (the file says METHOD:CANCEL); "},
        // RDATE as a date-time, a period (in progress now) and a date, DTSTART long past.
        {"DTSTART:20290101T090000\nRDATE:20300405T090000,20300305T090000\nSUMMARY:Visite\n", 'c',
         "A 5/3/2030 9:00 Visite [repeats in a way the calendar cannot hold: only its next occurrence was kept]; "},
        {"DTSTART:20290101T090000Z\nRDATE;VALUE=PERIOD:20300301T083000Z/PT2H\nSUMMARY:Periodo\n", 'c',
         "A 1/3/2030 9:30 Periodo [repeats in a way the calendar cannot hold: only its next occurrence was kept]; "},
        {"DTSTART;VALUE=DATE:20290101\nRDATE;VALUE=DATE:20300307\nSUMMARY:Festa\n", 'c',
         "A 7/3/2030 9:00 Festa [repeats in a way the calendar cannot hold: only its next occurrence was kept]; "},
        // DURATION: begun at 8:30, on until 10:30.
        {"DTSTART:20300301T083000\nDURATION:PT2H\nSUMMARY:Lungo\n", 'c', "A 1/3/2030 8:30 Lungo; "},
        // Zones: Windows and IANA names without a VTIMEZONE, a display name with and
        // without one, an offset no place has, a feed's zone for its floating times.
        {"DTSTART;TZID=Tokyo Standard Time:20300305T090000\nSUMMARY:Tokyo\n", 'c', "A 5/3/2030 1:00 Tokyo; "},
        {"DTSTART;TZID=America/New_York:20300311T120000\nSUMMARY:NY iana\n", 'c', "A 11/3/2030 17:00 NY iana; "},
        {"BEGIN:VTIMEZONE\nTZID:Ora di Tokyo\nBEGIN:STANDARD\nDTSTART:16010101T000000\nTZOFFSETFROM:+0900\n"
         "TZOFFSETTO:+0900\nEND:STANDARD\nEND:VTIMEZONE\nBEGIN:VEVENT\nDTSTART;TZID=Ora di Tokyo:20300305T090000\n"
         "SUMMARY:Display\nEND:VEVENT\nBEGIN:VEVENT\nDTSTART;TZID=Ora di Nessuno:20300305T090000\nSUMMARY:Ignota\n"
         "END:VEVENT\n", 'c',
         "A 5/3/2030 1:00 Display; A 5/3/2030 9:00 Ignota [unknown time zone \"Ora di Nessuno\": its times are read "
         "on the local clock]; "},
        {"BEGIN:VTIMEZONE\nTZID:Asia/Tokyo\nBEGIN:STANDARD\nDTSTART:16010101T000000\nTZOFFSETFROM:+9959\n"
         "TZOFFSETTO:+9959\nEND:STANDARD\nEND:VTIMEZONE\nBEGIN:VEVENT\nDTSTART;TZID=Asia/Tokyo:20300305T090000\n"
         "SUMMARY:Strana\nEND:VEVENT\n", 'c',
         "A 5/3/2030 1:00 Strana; note time zone \"Asia/Tokyo\" gives the offset +99:59, which no place has: its "
         "VTIMEZONE is not used; "},
        {"BEGIN:VCALENDAR\nVERSION:2.0\nX-WR-TIMEZONE:America/New_York\nBEGIN:VEVENT\nDTSTART:20300311T120000\n"
         "SUMMARY:Feed\nEND:VEVENT\nEND:VCALENDAR\n", 'r', "A 11/3/2030 17:00 Feed; "},
        // RFC 5545's reading of local times skipped in spring (the offset before the gap)
        // and passed twice in autumn (the first), in Rome and New York (with and without
        // a VTIMEZONE); Rome's second 2:30 shows on its clock as the first does.
        {"DTSTART;TZID=Europe/Rome:20300331T023000\nSUMMARY:Gap Roma\n", 'c', "A 31/3/2030 3:30 Gap Roma; "},
        {"DTSTART;TZID=America/New_York:20300310T023000\nSUMMARY:Gap NY\n", 'c', "A 10/3/2030 8:30 Gap NY; "},
        {"DTSTART;TZID=\"Eastern Standard Time\":20300310T023000\nSUMMARY:Gap NY\n", 'c', "A 10/3/2030 8:30 Gap NY; "},
        {"DTSTART;TZID=America/New_York:20301103T013000\nSUMMARY:Twice NY\n", 'c', "A 3/11/2030 6:30 Twice NY; "},
        {"DTSTART;TZID=\"Eastern Standard Time\":20301103T013000\nSUMMARY:Twice NY\n", 'c', "A 3/11/2030 6:30 Twice NY; "},
        // Rules that never match or would take minutes to walk, within the default budget.
        {"DTSTART:19000101T000000\nRRULE:FREQ=MINUTELY;BYMONTH=2;BYMONTHDAY=30\nSUMMARY:Mai\n", 'c',
         "skip \"Mai\": no occurrence found; "},
        {"DTSTART:19000101T000000\nRRULE:FREQ=MINUTELY;BYMONTH=2;BYMONTHDAY=29;BYDAY=MO;COUNT=100000\nSUMMARY:Bisestile\n",
         'c', "A 29/2/2044 0:00 Bisestile [repeats in a way the calendar cannot hold: only its next occurrence was kept]; "},
        {"DTSTART:20200101T000000Z\nRRULE:FREQ=SECONDLY;COUNT=1000000000\nSUMMARY:Secondi\n", 'c',
         "A 1/3/2030 10:00 Secondi [repeats in a way the calendar cannot hold: only its next occurrence was kept]; "},
        // Two events whose titles agree in the 17 characters kept: both stay.
        {"BEGIN:VEVENT\nUID:a@x\nDTSTART:20300310T080000Z\nSUMMARY:Consiglio di classe 3A\nEND:VEVENT\n"
         "BEGIN:VEVENT\nUID:b@x\nDTSTART:20300310T080000Z\nSUMMARY:Consiglio di classe 3B\nEND:VEVENT\n", 'c',
         "A 10/3/2030 9:00 Consiglio di clas (title cut to 17 characters); A 10/3/2030 9:00 Consiglio di cl~2 (title cut "
         "to 17 characters) [another event of the file has the same title and time: this one is titled \"Consiglio di cl~2\"]; "},
        {"", 'r', "not iCalendar"},
        {"Dentista alle 9, porta la tessera\n", 'r', "not iCalendar"},
    };
    for (const auto& r : rows) {
        const std::string text = File(r.body, r.form);
        EXPECT_EQ(r.expect, Describe(MapIcalendar(text.data(), text.size(), kNow))) << r.body;
    }
}

TEST(IcalImport, TextsInTheFontsCharacters) {
    const char* rows[][2] = {
        {"Caff\u00e8 pi\u00f9 \u00c8 cos\u00ec, N\u00f2", "Caffe' piu' E' cosi', No'"},
        {"\u00c7a \u00f1 \u0141\u00f3d\u017a \u00c6r\u00f8", "Ca n Lo'dz ?ro"},
        {"\u201cS\u00ec\u201d \u2013 l\u2019ora\u2026", "\"Si'\" - l'ora..."},
        {"pe\u0301 o\u0308 a\tb", "pe' o a b"},  // decomposed accents
        {"\U0001F600 \u20ac \xff \xc0\xaf \xc3", "? ? ? ?? ?"},
    };
    for (const auto& r : rows) EXPECT_EQ(r[1], FontText(r[0])) << r[0];
}

// Same type and title (spaces at its end aside) and what the kind means: an
// appointment's date and time, a weekly event's weekday and time, a reminder's period.
TEST(IcalImport, SameEventComparesWhatTheKindMeans) {
    Event base = Ev("Palestra", kAppointment, {4, 3, 2030}, {18, 30}, 1);
    struct Row { int type; void (*change)(Event&); bool same; } rows[] = {
        {kAppointment, [](Event& e) { e.wday = 2; }, true}, {kAppointment, [](Event& e) { e.date.day = 5; }, false},
        {kWeekly, [](Event& e) { e.date.day = 5; }, true}, {kWeekly, [](Event& e) { e.wday = 2; }, false},
        {kReminder, [](Event& e) { e.time.hour = 9; }, true}, {kReminder, [](Event& e) { e.remind_mode = 2; }, false},
        {kReminder, [](Event& e) { std::strcat(e.title, "  "); }, true}, {kReminder, [](Event& e) { e.type = kAppointment; }, false},
    };
    for (const Row& r : rows) {
        Event a = base, b = base;
        a.type = b.type = r.type;
        r.change(b);
        EXPECT_EQ(r.same, SameEvent(a, b)) << &r - rows;
        EXPECT_EQ(r.same, SameEventKey(a) == SameEventKey(b)) << &r - rows;
    }
    // Titles as the import keeps them: an accent typed in the editor (Latin-1) as the
    // import writes it, 17 characters.
    const struct { const char* a; const char* b; bool same; } titles[] = {
        {"Caff\xE8 con Luca", "Caffe' con Luca", true}, {"Riunione progetto", "Riunione progetti", false},
        {"Riunione progetto", "Riunione progetto", true},
    };
    for (const auto& t : titles) EXPECT_EQ(t.same, SameEvent(Ev(t.a), Ev(t.b))) << t.a;
}

// What libical cannot bear never reaches it: nesting past 16 levels refuses the file
// (400,000 levels overflowed the stack of its recursive free); a line of megabytes,
// folded or not, keeps its first 256 KiB. Three levels, as calendar programs write, pass.
TEST(IcalImport, GuardRefusesDeepNestingAndCutsLongLines) {
    std::string deep, folded = "DTSTART:20300310T080000Z\nSUMMARY:Lungo";
    for (int i = 0; i < 400000; ++i) deep += "BEGIN:VALARM\n";
    for (int i = 0; i < 5000; ++i) folded += "\n " + std::string(74, 'x');
    const struct { std::string body; char form; const char* expect; const char* refused; size_t cut; } rows[] = {
        {"BEGIN:VEVENT\n" + deep, 'l', "not iCalendar", "its components are nested more than 16 deep (line 51)", 0},
        {"DTSTART:20300310T080000Z\nSUMMARY:Sveglia\nBEGIN:VALARM\nACTION:DISPLAY\nTRIGGER:-PT5M\nEND:VALARM\n", 'c',
         "A 10/3/2030 9:00 Sveglia; ", "", 0},
        {folded + "\n", 'l', "A 10/3/2030 9:00 Lungoxxxxxxxxxxxx (title cut to 17 characters); ", "", 1},
        {"DTSTART:20300310T080000Z\nSUMMARY:Note\nDESCRIPTION:" + std::string(3 << 20, 'y') + "\n", 'c',
         "", "", 1}};
    for (const auto& r : rows) {
        const std::string text = File(r.body, r.form);
        const IcalImport got = MapIcalendar(text.data(), text.size(), kNow);
        if (*r.expect) {
            EXPECT_EQ(r.expect, Describe(got)) << &r - rows;
        }
        EXPECT_EQ(r.refused, got.refused) << &r - rows;
        EXPECT_EQ(r.cut, got.long_lines_cut) << &r - rows;
    }
}

// A title typed as Latin-1 by an older build ("Caff\xE8") comes back from its own export
// as the same event, so importing it again adds nothing.
TEST(IcalExport, ATypedAccentComesBackAsTheSameEvent) {
    std::list<Event> calendar = {Ev("Caff\xE8 alle 9", kAppointment, {2, 3, 2030}, {9, 0})};
    std::vector<std::string> left_out;
    const std::string text = ExportIcalendar(calendar, kNow, left_out);
    const IcalImport back = MapIcalendar(text.data(), text.size(), kNow);
    ASSERT_EQ(1u, back.events.size()) << text;
    EXPECT_STREQ("Caffe' alle 9", back.events[0].event.title);
    EXPECT_EQ(SameEventKey(calendar.front()), SameEventKey(back.events[0].event));
}

// Every kind, weekday and period, texts that need escaping, titles of the 17 characters
// the editor holds. Where a kind has no date,
// time or weekday of its own, an import gives the present's: Friday 1 March 2030, 10:00.
TEST(IcalExport, ImportIntoAnEmptyCalendarGivesTheSameList) {
    std::list<Event> calendar = {Ev("Cena, vino; ok\\", kAppointment, {31, 12, 2031}, {20, 5}, 5),
                                 Ev("Treno", kAppointment, {2, 3, 2030}, {0, 0}, 5),
                                 Ev("Riunione progetto", kAppointment, {4, 3, 2030}, {9, 0}, 5),
                                 Ev("Caffe' con Luca!!", kAppointment, {4, 3, 2030}, {11, 0}, 5)};
    std::strcpy(calendar.front().description, std::string(344, 'x').replace(70, 3, "a,b").c_str());
    for (int wday = 0; wday < 7; ++wday) calendar.push_back(Ev("Palestra 'B'", kWeekly, {1, 3, 2030}, {18, 30}, wday));
    for (int mode = 0; mode < 3; ++mode)
        calendar.push_back(Ev("Acqua", kReminder, {1, 3, 2030}, {10, 0}, 5)), calendar.back().remind_mode = mode;
    std::vector<std::string> left_out;
    const std::string text = ExportIcalendar(calendar, kNow, left_out);
    const IcalImport back = MapIcalendar(text.data(), text.size(), kNow);
    std::list<Event> got;
    for (const IcalEvent& f : back.events) got.push_back(f.event);
    EXPECT_EQ(SerializeEvents(calendar), SerializeEvents(got)) << text;

    // A title typed with an accent comes back as the import writes it: the same event.
    const std::list<Event> accented = {Ev("Caff\xE8 con Luca!", kAppointment, {4, 3, 2030}, {11, 0}, 1)};
    const std::string again = ExportIcalendar(accented, kNow, left_out);
    const IcalImport back_again = MapIcalendar(again.data(), again.size(), kNow);
    ASSERT_EQ(1u, back_again.events.size());
    EXPECT_STREQ("Caffe' con Luca!", back_again.events[0].event.title);
    EXPECT_TRUE(SameEvent(accented.front(), back_again.events[0].event));
}

// Control bytes, escape codes and C1 controls come out as \xHH; printable UTF-8 stays.
TEST(TerminalText, ControlsEscapedPrintableTextKept) {
    const char* rows[][2] = {{"Cena \x1b[2J\a", "Cena \\x1b[2J\\x07"},
                             {"caff\xc3\xa8 \xe2\x82\xac", "caff\xc3\xa8 \xe2\x82\xac"},
                             {"\xc2\x9b" "31m \xe8 a\\b", "\\xc2\\x9b31m \\xe8 a\\x5cb"}, {"\xe2\x82", "\\xe2\\x82"}};
    for (const auto& r : rows) EXPECT_EQ(r[1], TerminalText(r[0])) << r[1];
}

}  // namespace
