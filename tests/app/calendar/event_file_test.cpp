// The calendar file's records: exact bytes against a reference writer, damaged images
// (short, huge or negative counts, records cut off), round trips through the store,
// fields out of range and texts without a zero.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>

#include "app/calendar/event_editor.h"
#include "app/calendar/event_list.h"
#include "app/calendar/calendar_file.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A little-endian writer of the record layout, independent of the code under test.
struct Ref {
    std::string title, description;
    int32_t ints[8] = {};   // day, month, year, hour, min, wday, type, remind_mode
    float remind_te = 0;
    uint8_t flags[4] = {};  // notify_1h, notify_hh, notify, padding
};

void Le32(Bytes& b, size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i)); }

Bytes RefFile(uint32_t count, const std::vector<Ref>& recs) {
    Bytes b(4 + 572 * recs.size(), 0);
    Le32(b, 0, count);
    for (size_t i = 0, o = 4; i < recs.size(); ++i, o += 572) {
        const Ref& r = recs[i];
        std::memcpy(&b[o], r.title.data(), std::min<size_t>(r.title.size(), 20));
        std::memcpy(&b[o + 20], r.description.data(), std::min<size_t>(r.description.size(), 512));
        for (int k = 0; k < 8; ++k) Le32(b, o + 532 + 4 * k, uint32_t(r.ints[k]));
        uint32_t bits;
        std::memcpy(&bits, &r.remind_te, 4);
        Le32(b, o + 564, bits), std::memcpy(&b[o + 568], r.flags, 4);
    }
    return b;
}

Ref Dentist() { return {"Dentista", "Porta la tessera", {3, 7, 2027, 9, 5, 6, 0, 2}, 12.5f, {1, 0, 1, 0}}; }

Event FromRef(const Ref& r) {
    Event e{std::tm{}};
    std::strncpy(e.title, r.title.c_str(), sizeof e.title);
    std::strncpy(e.description, r.description.c_str(), sizeof e.description);
    e.date = {r.ints[0], r.ints[1], r.ints[2]}, e.time = {r.ints[3], r.ints[4]};
    e.wday = r.ints[5], e.type = r.ints[6], e.remind_mode = r.ints[7], e.remind_te = r.remind_te;
    e.notify_1h = r.flags[0], e.notify_hh = r.flags[1], e.notify = r.flags[2];
    return e;
}

class CalendarFile : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/strigolo-calendar-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl, path = dir + "/database.bin", store.path = path;
    }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }
    void Write(const Bytes& b, const std::string& p = "") {
        std::ofstream(p.empty() ? path : p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
    }
    Bytes Read() {
        std::ifstream f(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(f), {});
    }
    std::list<Event> Load() {
        std::list<Event> l;
        OpenCalendar(store, l, std::time(nullptr));
        return l;
    }
    bool Save(std::list<Event> l) { return SaveCalendar(store, l, nullptr, std::time(nullptr), 0); }

    std::string dir, path;
    CalendarStore store;
};

TEST_F(CalendarFile, ExactBytesOfAnEmptyCalendarAndOfOneEvent) {
    EXPECT_EQ(Bytes({0, 0, 0, 0}), SerializeEvents({}));
    const Bytes got = SerializeEvents({FromRef(Dentist())});
    ASSERT_EQ(RefFile(1, {Dentist()}), got);
    // Count, title, description, day, year 2027 = 0x7EB, 12.5f = 0x41480000, flags and
    // padding by hand too, so a fault shared with the reference would still show.
    EXPECT_EQ((Bytes{1, 'D', 'P', 3, 0xEB, 0x07, 0x41, 1, 0, 1, 0}),
              (Bytes{got[0], got[4], got[24], got[536], got[544], got[545], got[571], got[572],
                     got[573], got[574], got[575]}));
}

TEST_F(CalendarFile, RoundTripKeepsEveryByteButRearmsReminders) {
    Ref a = Dentist(), b{"Palestra", "", {1, 1, 2020, 18, 30, 2, 1, 0}, 0, {0, 1, 0, 0xAB}},
        c{"Acqua", "", {0, 0, 0, 0, 0, 0, 2, 1}, 5, {}};
    Write(RefFile(3, {a, b, c}));
    std::list<Event> got = Load();
    ASSERT_EQ(3u, got.size());
    ASSERT_TRUE(Save(got));
    b.flags[3] = 0;          // the padding is ignored and written as zero
    c.remind_te = 10800.0f;  // reminders come back due; others keep their seconds
    EXPECT_EQ(RefFile(3, {a, b, c}), Read());
}

// Whole records load whatever the count says; anything else marks the file damaged.
TEST_F(CalendarFile, DamagedImagesLoadTheirWholeRecordsOnly) {
    struct { uint32_t count; size_t records, cut_bytes; size_t expect; bool whole; } cases[] = {
        {0, 0, 0, 0, true},         {1, 1, 0, 1, true},          {0xFFFFFFFFu, 3, 0, 3, false},
        {INT32_MAX, 1, 0, 1, false}, {0x80000000u, 1, 0, 1, false}, {3, 2, 540, 2, false},
        {1, 2, 0, 1, false},         {2, 2, 1, 2, false}};
    for (const auto& c : cases) {
        Bytes file = RefFile(c.count, std::vector<Ref>(c.records, Dentist()));
        if (c.cut_bytes) file.resize(file.size() + c.cut_bytes, 'x');
        ParseReport report;
        const std::list<Event> got = ParseEvents(file.data(), file.size(), &report);
        EXPECT_EQ(c.expect, got.size()) << c.count;
        EXPECT_EQ(c.whole, report.whole && report.problem.empty()) << c.count << " " << report.problem;
        for (const Event& e : got) EXPECT_STREQ("Dentista", e.title);  // nothing made up
    }
    for (const Bytes& b : {Bytes{}, Bytes{5, 0}}) {
        ParseReport report;
        EXPECT_TRUE(ParseEvents(b.data(), b.size(), &report).empty() && report.whole == b.empty());
    }
}

TEST_F(CalendarFile, OutOfRangeFieldsStayAsReadAndNothingCrashes) {
    Ref r{"", "", {INT32_MIN, 99, INT32_MAX, -7, 1000, 12, 9, -3}, 0, {7, 0, 0, 0}};
    Write(RefFile(1, {r}));
    std::list<Event> l = Load();
    ASSERT_EQ(1u, l.size());
    ASSERT_TRUE(Save(l));
    r.flags[0] = 1;  // any non-zero flag reads true and is written as 1
    EXPECT_EQ(RefFile(1, {r}), Read());
    Event& e = l.front();
    std::tm now{};
    now.tm_mday = 1, now.tm_year = 120;
    EXPECT_EQ("", ListDateText(e, now) + ListTimeText(e) + EditorReminderLine(e));
    EXPECT_DOUBLE_EQ(999.0, EventMinDiff(e, now));
    e.type = kAppointment;
    EXPECT_GT(EventMinDiff(e, now), 1e15);
    EXPECT_EQ("Data:  -2147483648 / 99 / 2147483647", EditorDateLine(e, now, false));
    for (auto f : {EditorArrow::kDay, EditorArrow::kWday}) StepField(e, f, -1);  // back in range
    for (auto f : {EditorArrow::kYear, EditorArrow::kMin}) StepField(e, f, +1);
    EXPECT_EQ((std::vector<int>{31, INT32_MAX, 0, 0}), (std::vector<int>{e.date.day, e.date.year, e.time.min, e.wday}));
}

TEST_F(CalendarFile, TextsWithoutAZeroByteAreReadToTheEndOfTheirField) {
    Ref r{std::string(20, 'T'), std::string(512, 'D')};
    Write(RefFile(1, {r}));
    std::list<Event> l = Load();
    ASSERT_EQ(1u, l.size());
    Event& e = l.front();
    EXPECT_EQ(std::string(20, 'T'), ListTitleText(e));
    ASSERT_TRUE(Save(l));
    EXPECT_EQ(RefFile(1, {r}), Read());  // kept as stored until edited
    bool keys[256] = {};  // editing writes them back zero-terminated: 19 and 511 characters
    EditTextField(e.title, sizeof e.title, kTitleLimit, keys);
    keys['x'] = true;  // no room to append
    EditTextField(e.description, sizeof e.description, kDescriptionLimit, keys);
    EXPECT_EQ(std::string(19, 'T') + std::string(511, 'D'), std::string(e.title) + e.description);
}

}  // namespace
