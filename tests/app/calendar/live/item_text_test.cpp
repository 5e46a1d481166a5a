// Text edits of a folder's item: what changes, what stays byte for byte, the forms a
// moved start keeps, overrides and exclusions of one occurrence, and the conflict check.
#include <gtest/gtest.h>

#include "app/calendar/live/item_text.h"

namespace {

constexpr std::time_t kNow = 1922094000;  // 2030-11-28 11:00:00 UTC
const std::string kNowText = "20301128T110000Z";

// An item whose untouched parts must survive: a folded attendee, an alarm with its own
// DESCRIPTION, an X- property, a VTIMEZONE.
std::string Item(const std::string& start_line, const std::string& more = "") {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n"
           "BEGIN:VTIMEZONE\r\nTZID:Europe/Rome\r\nBEGIN:STANDARD\r\nDTSTART:19701025T030000\r\n"
           "TZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n"
           "BEGIN:VEVENT\r\nUID:abc-1\r\nDTSTAMP:20300101T000000Z\r\n" + start_line + "\r\n" + more +
           "SUMMARY:Riunione\r\nATTENDEE;CN=Anna Rossi;ROLE=REQ-PARTICIPANT:mailto:anna.rossi@exampl\r\n"
           " e.org\r\nX-FOO;Y=1:keep me\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Promemoria\r\n"
           "TRIGGER:-PT15M\r\nEND:VALARM\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

std::string Edit(const std::string& text, const ItemChange& c, const std::string& rid = "") {
    std::string out, problem;
    EXPECT_TRUE(EditItemText(text, rid, c, kNow, out, problem)) << problem;
    return out;
}

TEST(ItemText, FoldingAtSeventyFiveOctets) {
    const std::string a70(70, 'a');
    const struct { std::string line, folded; } rows[] = {
        {"SUMMARY:x", "SUMMARY:x\r\n"},
        {std::string(75, 'b'), std::string(75, 'b') + "\r\n"},
        {std::string(76, 'b'), std::string(75, 'b') + "\r\n b\r\n"},
        {std::string(75 + 74 + 1, 'c'), std::string(75, 'c') + "\r\n " + std::string(74, 'c') + "\r\n c\r\n"},
        // "è" is two octets: it is never split, so the first line holds 74.
        {a70 + "bcde\xc3\xa8xyz", a70 + "bcde\r\n \xc3\xa8xyz\r\n"},
    };
    for (const auto& r : rows) EXPECT_EQ(FoldContentLine(r.line, "\r\n"), r.folded) << r.line;
    EXPECT_EQ(EscapeIcalText("a,b;c\\d\ne"), "a\\,b\\;c\\\\d\\ne");
}

TEST(ItemText, OnlyTheChangedLinesChange) {
    const std::string before = Item("DTSTART;TZID=Europe/Rome:20301201T100000", "DTEND;TZID=Europe/Rome:20301201T110000\r\nSEQUENCE:4\r\n");
    ItemChange c;
    c.summary = true;
    c.summary_text = "Riunione, spostata";
    c.shift = 90 * 60;
    std::string want = before;
    auto swap = [&](const std::string& from, const std::string& to) {
        const size_t at = want.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        want.replace(at, from.size(), to);
    };
    swap("DTSTAMP:20300101T000000Z", "DTSTAMP:" + kNowText);
    swap("TZID=Europe/Rome:20301201T100000", "TZID=Europe/Rome:20301201T113000");
    swap("TZID=Europe/Rome:20301201T110000", "TZID=Europe/Rome:20301201T123000");
    swap("SEQUENCE:4", "SEQUENCE:5");
    swap("SUMMARY:Riunione\r\n", "SUMMARY:Riunione\\, spostata\r\n");
    swap("END:VALARM\r\nEND:VEVENT", "END:VALARM\r\nLAST-MODIFIED:" + kNowText + "\r\nEND:VEVENT");
    EXPECT_EQ(Edit(before, c), want);
}

TEST(ItemText, StartKeepsItsForm) {
    const struct { const char* start; long long shift; const char* moved; const char* other; } rows[] = {
        {"DTSTART:20301201T100000Z", 3600, "DTSTART:20301201T110000Z", "DURATION:PT1H"},
        {"DTSTART:20301201T233000", 3600, "DTSTART:20301202T003000", "DURATION:PT1H"},
        {"DTSTART;VALUE=DATE:20301231", 2 * 86400 + 3600, "DTSTART;VALUE=DATE:20310102", "DURATION:P1D"},
        {"DTSTART;VALUE=DATE:20300301", -86400, "DTSTART;VALUE=DATE:20300228", "DURATION:P1D"},
        {"DTSTART;TZID=\"Europe/Rome\":20301201T100000", -600, "DTSTART;TZID=\"Europe/Rome\":20301201T095000", "DURATION:PT1H"},
    };
    for (const auto& r : rows) {
        ItemChange c;
        c.shift = r.shift;
        const std::string out = Edit(Item(r.start, std::string(r.other) + "\r\n"), c);
        EXPECT_NE(out.find(std::string(r.moved) + "\r\n" + r.other + "\r\n"), std::string::npos) << r.start << "\n" << out;
        EXPECT_NE(out.find("SEQUENCE:1\r\n"), std::string::npos) << r.start;
    }
}

TEST(ItemText, OneOccurrenceOfASeries) {
    const std::string series =
        Item("DTSTART;TZID=Europe/Rome:20301201T100000", "DTEND;TZID=Europe/Rome:20301201T110000\r\nRRULE:FREQ=DAILY\r\n");
    std::string out, problem;
    ItemChange c;
    c.shift = 1800;
    ASSERT_TRUE(OverrideOccurrence(series, "20301203T100000", "Europe/Rome", c, kNow, out, problem)) << problem;
    // The series comes first, untouched; its copy follows with the occurrence moved.
    EXPECT_EQ(out.substr(0, series.size() - 15), series.substr(0, series.size() - 15));
    const std::string copy = out.substr(series.size() - 15);
    for (const char* line : {"DTSTART;TZID=Europe/Rome:20301203T103000\r\nRECURRENCE-ID;TZID=Europe/Rome:20301203T100000\r\n",
                             "DTEND;TZID=Europe/Rome:20301203T113000\r\n", " e.org\r\n", "TRIGGER:-PT15M\r\n", "SEQUENCE:1\r\n"})
        EXPECT_NE(copy.find(line), std::string::npos) << line << copy;
    EXPECT_EQ(copy.find("RRULE"), std::string::npos);
    // Editing the same occurrence again changes its override, not a second copy.
    std::string again;
    c.shift = 0, c.summary = true, c.summary_text = "Altra";
    ASSERT_TRUE(OverrideOccurrence(out, "20301203T100000", "Europe/Rome", c, kNow, again, problem));
    EXPECT_EQ(again.find("RECURRENCE-ID", again.find("RECURRENCE-ID") + 1), std::string::npos);
    EXPECT_NE(again.find("SUMMARY:Altra\r\n"), std::string::npos);

    const struct { const char* rid; const char* tzid; const char* line; } rows[] = {
        {"20301203T100000", "Europe/Rome", "EXDATE;TZID=Europe/Rome:20301203T100000\r\n"},
        {"20301203T090000Z", "", "EXDATE:20301203T090000Z\r\n"},
        {"20301203", "", "EXDATE;VALUE=DATE:20301203\r\n"},
    };
    for (const auto& r : rows) {
        ASSERT_TRUE(ExcludeOccurrence(series, r.rid, r.tzid, kNow, out, problem)) << problem;
        EXPECT_NE(out.find(std::string("20301201T100000\r\n") + r.line), std::string::npos) << out;
    }
    // Leaving out an overridden occurrence drops its override too.
    ASSERT_TRUE(ExcludeOccurrence(again, "20301203T100000", "Europe/Rome", kNow, out, problem));
    EXPECT_EQ(out.find("RECURRENCE-ID"), std::string::npos);
    EXPECT_NE(out.find("RRULE:FREQ=DAILY\r\n"), std::string::npos);
    EXPECT_FALSE(ExcludeOccurrence("BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n", "20301203", "", kNow, out, problem));
}

TEST(ItemText, ChangedOnBothSides) {
    const std::string base = Item("DTSTART:20301201T100000Z", "DESCRIPTION:vecchia\r\n");
    std::string theirs = base;
    theirs.replace(theirs.find("SUMMARY:Riunione"), 16, "SUMMARY:Riunione annullata");
    ItemChange title, desc, time;
    title.summary = true, title.summary_text = "Mia";
    desc.description = true, desc.description_text = "nuova";
    time.shift = 60;
    EXPECT_EQ(ChangedMeanwhile(base, theirs, "", title), std::vector<std::string>{"titolo"});
    EXPECT_TRUE(ChangedMeanwhile(base, theirs, "", desc).empty());
    EXPECT_TRUE(ChangedMeanwhile(base, theirs, "", time).empty());
    ItemChange all = title;
    all.description = true, all.shift = 60;
    std::string everything = theirs;
    everything.replace(everything.find("vecchia"), 7, "altra");
    everything.replace(everything.find("T100000Z"), 8, "T110000Z");
    EXPECT_EQ(ChangedMeanwhile(base, everything, "", all), (std::vector<std::string>{"titolo", "testo", "orario"}));
    // Their change is kept when ours is applied to their text.
    const std::string merged = Edit(theirs, desc);
    EXPECT_NE(merged.find("SUMMARY:Riunione annullata\r\n"), std::string::npos);
    EXPECT_NE(merged.find("DESCRIPTION:nuova\r\n"), std::string::npos);
}

}  // namespace
