// iCalendar import and export: the mapping of the shapes calendar programs write, the
// guard before libical, the texts in the font's characters, what counts as the same
// event, the round trip, and titles escaped for the terminal.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "app/calendar/calendar_transfer.h"
#include "app/calendar/ical_export.h"
#include "app/calendar/ical_import.h"
#include "calendar_helpers.h"

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
        out += "; ";
    }
    for (const std::string& s : r.skipped) out += "skip " + s + "; ";
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
         "W3 2:00 Corso; "},
        {"DTSTART:20300104T183000\nRRULE:FREQ=WEEKLY\nSUMMARY:Venerdi\n", 'c', "W5 18:30 Venerdi; "},
        // Today's 8:00 has passed and tomorrow's is excluded.
        {"DTSTART:20300101T080000\nRRULE:FREQ=DAILY\nEXDATE:20300302T080000\nSUMMARY:Daily\n", 'c', "A 3/3/2030 8:00 Daily; "},
        {"DTSTART:20291015T090000\nRRULE:FREQ=MONTHLY;BYMONTHDAY=15\nSUMMARY:Monthly\n", 'c', "A 15/3/2030 9:00 Monthly; "},
        {"DTSTART:20200101T000000\nRRULE:FREQ=HOURLY;INTERVAL=2\nSUMMARY:Acqua\n", 'c', "R1 Acqua; "},
        {"BEGIN:VEVENT\nSUMMARY:No start\nEND:VEVENT\nBEGIN:VTODO\nSUMMARY:Latte\nEND:VTODO\n", 'c',
         "skip \"No start\": no start time (DTSTART); skip \"Latte\": a to-do (VTODO), not an event; "},
        // Escapes, a fold inside a word and one inside the two bytes of an accent.
        {"DTSTART:20300310T080000Z\nSUMMARY:Riunione di progetto\nDESCRIPTION:Sala 2\\, piano 1\\nportare il\n"
         "  verbale della citt\xC3\n \xA0\n", 'c',
         "A 10/3/2030 9:00 Riunione di prog|Sala 2, piano 1 portare il verbale della citta' (title cut to 16 characters); "},
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
        {folded + "\n", 'l', "A 10/3/2030 9:00 Lungoxxxxxxxxxxx (title cut to 16 characters); ", "", 1},
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

// Every kind, weekday and period, texts that need escaping. Where a kind has no date,
// time or weekday of its own, an import gives the present's: Friday 1 March 2030, 10:00.
TEST(IcalExport, ImportIntoAnEmptyCalendarGivesTheSameList) {
    std::list<Event> calendar = {Ev("Cena, vino; ok\\", kAppointment, {31, 12, 2031}, {20, 5}, 5),
                                 Ev("Treno", kAppointment, {2, 3, 2030}, {0, 0}, 5)};
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
}

// Control bytes, escape codes and C1 controls come out as \xHH; printable UTF-8 stays.
TEST(TerminalText, ControlsEscapedPrintableTextKept) {
    const char* rows[][2] = {{"Cena \x1b[2J\a", "Cena \\x1b[2J\\x07"},
                             {"caff\xc3\xa8 \xe2\x82\xac", "caff\xc3\xa8 \xe2\x82\xac"},
                             {"\xc2\x9b" "31m \xe8 a\\b", "\\xc2\\x9b31m \\xe8 a\\x5cb"}, {"\xe2\x82", "\\xe2\\x82"}};
    for (const auto& r : rows) EXPECT_EQ(r[1], TerminalText(r[0])) << r[1];
}

}  // namespace
