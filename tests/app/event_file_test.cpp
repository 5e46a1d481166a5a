// The calendar file: exact bytes against a reference writer of the layout, round
// trips, and damaged files (short, huge or negative counts, texts without a zero).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "app/event_editor.h"
#include "app/event_list.h"
#include "app/event_store.h"
#include "platform/atomic_file.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A writer of the record layout made independently of the code under test: every
// field placed at its documented offset, little-endian.
struct RefRecord {
    std::string title, description;
    int32_t day = 0, month = 0, year = 0, hour = 0, min = 0, wday = 0, type = 0, remind_mode = 0;
    float remind_te = 0;
    uint8_t n1h = 0, nhh = 0, n = 0, pad = 0;
};

void Le32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

Bytes RefFile(int32_t count, const std::vector<RefRecord>& recs) {
    Bytes b(4 + 572 * recs.size(), 0);
    Le32(b, 0, uint32_t(count));
    for (size_t i = 0; i < recs.size(); ++i) {
        const RefRecord& r = recs[i];
        size_t o = 4 + 572 * i;
        std::memcpy(&b[o], r.title.data(), std::min<size_t>(r.title.size(), 20));
        std::memcpy(&b[o + 20], r.description.data(), std::min<size_t>(r.description.size(), 512));
        int32_t ints[8] = {r.day, r.month, r.year, r.hour, r.min, r.wday, r.type, r.remind_mode};
        for (int k = 0; k < 8; ++k) Le32(b, o + 532 + 4 * k, uint32_t(ints[k]));
        uint32_t bits;
        std::memcpy(&bits, &r.remind_te, 4);
        Le32(b, o + 564, bits);
        b[o + 568] = r.n1h;
        b[o + 569] = r.nhh;
        b[o + 570] = r.n;
        b[o + 571] = r.pad;
    }
    return b;
}

RefRecord Dentist() {
    RefRecord r;
    r.title = "Dentista";
    r.description = "Porta la tessera sanitaria";
    r.day = 3, r.month = 7, r.year = 2027, r.hour = 9, r.min = 5, r.wday = 6;
    r.type = 0, r.remind_mode = 2, r.remind_te = 12.5f;
    r.n1h = 1, r.n = 1;
    return r;
}

Event FromRef(const RefRecord& r) {
    Event e{std::tm{}};
    std::strncpy(e.title, r.title.c_str(), sizeof e.title);
    std::strncpy(e.description, r.description.c_str(), sizeof e.description);
    e.date = {r.day, r.month, r.year};
    e.time = {r.hour, r.min};
    e.wday = r.wday, e.type = r.type, e.remind_mode = r.remind_mode, e.remind_te = r.remind_te;
    e.notify_1h = r.n1h, e.notify_hh = r.nhh, e.notify = r.n;
    return e;
}

void ExpectSameEvent(const Event& a, const Event& b) {
    EXPECT_EQ(0, std::memcmp(a.title, b.title, 20));
    EXPECT_EQ(0, std::memcmp(a.description, b.description, 512));
    EXPECT_EQ(a.date.day, b.date.day);
    EXPECT_EQ(a.date.month, b.date.month);
    EXPECT_EQ(a.date.year, b.date.year);
    EXPECT_EQ(a.time.hour, b.time.hour);
    EXPECT_EQ(a.time.min, b.time.min);
    EXPECT_EQ(a.wday, b.wday);
    EXPECT_EQ(a.type, b.type);
    EXPECT_EQ(a.remind_mode, b.remind_mode);
    EXPECT_EQ(a.notify_1h, b.notify_1h);
    EXPECT_EQ(a.notify_hh, b.notify_hh);
    EXPECT_EQ(a.notify, b.notify);
}

class CalendarFile : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/strigolo-calendar-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl;
        path = dir + "/database.bin";
        defaults = Event(std::tm{});
        defaults.date = {14, 2, 2031};
        defaults.time = {16, 0};
        defaults.wday = 5;
    }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }

    void Write(const std::string& p, const Bytes& b) {
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
    }
    Bytes Read(const std::string& p) {
        std::ifstream f(p, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(f), {});
    }
    bool Exists(const std::string& p) { return access(p.c_str(), F_OK) == 0; }

    std::string dir, path;
    Event defaults;
};

TEST_F(CalendarFile, EmptyCalendarIsFourZeroBytes) {
    ASSERT_TRUE(SaveEventsTo(path, {}));
    EXPECT_EQ(Bytes({0, 0, 0, 0}), Read(path));
}

TEST_F(CalendarFile, OneEventIsWrittenAtTheLayoutsOffsets) {
    RefRecord r = Dentist();
    ASSERT_TRUE(SaveEventsTo(path, {FromRef(r)}));
    Bytes got = Read(path);
    ASSERT_EQ(576u, got.size());
    EXPECT_EQ(RefFile(1, {r}), got);
    // A few fields checked by hand as well, so a fault shared with the reference
    // writer above would still show.
    EXPECT_EQ(1, got[0]);
    EXPECT_EQ('D', got[4]);
    EXPECT_EQ('P', got[4 + 20]);
    EXPECT_EQ(3, got[4 + 532]);
    EXPECT_EQ(0xEB, got[4 + 540]);  // 2027 = 0x07EB
    EXPECT_EQ(0x07, got[4 + 541]);
    EXPECT_EQ(0x41, got[4 + 567]);  // 12.5f = 0x41480000
    EXPECT_EQ(1, got[4 + 568]);
    EXPECT_EQ(0, got[4 + 569]);
    EXPECT_EQ(1, got[4 + 570]);
    EXPECT_EQ(0, got[4 + 571]);
}

TEST_F(CalendarFile, FileOfTheLayoutLoadsFieldForField) {
    RefRecord a = Dentist(), b, c;
    b.title = "Palestra", b.type = 1, b.wday = 2, b.hour = 18, b.min = 30, b.day = 1,
    b.month = 1, b.year = 2020, b.nhh = 1, b.pad = 0xAB;  // padding is ignored
    c.title = "Acqua", c.type = 2, c.remind_mode = 1, c.remind_te = 5;
    Write(path, RefFile(3, {a, b, c}));
    std::list<Event> got = LoadEventsFrom(path, defaults);
    ASSERT_EQ(3u, got.size());
    auto it = got.begin();
    ExpectSameEvent(FromRef(a), *it);
    EXPECT_FLOAT_EQ(12.5f, it->remind_te);  // not a reminder: kept as stored
    ExpectSameEvent(FromRef(b), *++it);
    ExpectSameEvent(FromRef(c), *++it);
    EXPECT_FLOAT_EQ(10800.0f, it->remind_te);  // reminders come back due
}

TEST_F(CalendarFile, RoundTripKeepsOrderAndFieldsAndRearmsReminders) {
    std::list<Event> list;
    for (int i = 0; i < 5; ++i) {
        RefRecord r = Dentist();
        r.title = "evento " + std::to_string(i);
        r.type = i % 3;
        r.day = 10 + i;
        r.remind_te = 100.0f * i;
        r.nhh = i & 1;
        list.push_back(FromRef(r));
    }
    ASSERT_TRUE(SaveEventsTo(path, list));
    EXPECT_EQ(4u + 5 * 572, Read(path).size());
    std::list<Event> back = LoadEventsFrom(path, defaults);
    ASSERT_EQ(list.size(), back.size());
    auto a = list.begin();
    for (auto b = back.begin(); b != back.end(); ++a, ++b) {
        ExpectSameEvent(*a, *b);
        EXPECT_FLOAT_EQ(a->type == 2 ? 10800.0f : a->remind_te, b->remind_te);
    }
}

TEST_F(CalendarFile, ShortFilesKeepTheirBytesAndMakeNothingUp) {
    EXPECT_TRUE(LoadEventsFrom(dir + "/missing.bin", defaults).empty());
    Write(path, {});
    EXPECT_TRUE(LoadEventsFrom(path, defaults).empty());
    Write(path, {5, 0});  // a count cut short
    EXPECT_TRUE(LoadEventsFrom(path, defaults).empty());

    // Count 3, one whole record and the first 540 bytes of a second: title,
    // description, day and month come from the file, the rest from the defaults.
    RefRecord a = Dentist(), b = Dentist();
    b.title = "Mezzo", b.day = 21, b.month = 11, b.year = 70000, b.hour = 7;
    Bytes file = RefFile(3, {a, b});
    file.resize(4 + 572 + 540);
    Write(path, file);
    std::list<Event> got = LoadEventsFrom(path, defaults);
    ASSERT_EQ(2u, got.size());
    ExpectSameEvent(FromRef(a), got.front());
    const Event& cut = got.back();
    EXPECT_STREQ("Mezzo", cut.title);
    EXPECT_EQ(21, cut.date.day);
    EXPECT_EQ(11, cut.date.month);
    EXPECT_EQ(2031, cut.date.year);  // default: the file ends inside the year
    EXPECT_EQ(16, cut.time.hour);
    EXPECT_EQ(5, cut.wday);

    // A record cut inside an int mixes the file's low bytes with the default's high
    // bytes, as a byte-wise overlay does: year 70000 = 0x011170 over 2031 = 0x07EF.
    file = RefFile(3, {a, b});
    file.resize(4 + 572 + 541);
    Write(path, file);
    EXPECT_EQ(0x0770, LoadEventsFrom(path, defaults).back().date.year);
}

TEST_F(CalendarFile, HugeCountStopsAtTheEndOfTheFile) {
    Bytes file = RefFile(INT32_MAX, {Dentist()});
    EXPECT_EQ(1u, ParseEvents(file.data(), file.size(), defaults).size());
    Le32(file, 0, 0xFFFFFFFFu);  // -1
    EXPECT_TRUE(ParseEvents(file.data(), file.size(), defaults).empty());
    Le32(file, 0, 0x80000000u);  // INT32_MIN
    EXPECT_TRUE(ParseEvents(file.data(), file.size(), defaults).empty());
    Le32(file, 0, 0);
    Write(path, file);
    EXPECT_TRUE(LoadEventsFrom(path, defaults).empty());
    // A count smaller than the records present reads only that many.
    Bytes two = RefFile(1, {Dentist(), Dentist()});
    EXPECT_EQ(1u, ParseEvents(two.data(), two.size(), defaults).size());
}

TEST_F(CalendarFile, OutOfRangeFieldsStayAsReadAndDoNotCrashThePanels) {
    RefRecord r;
    r.type = 9, r.wday = 12, r.remind_mode = -3, r.day = INT32_MIN, r.month = 99,
    r.year = INT32_MAX, r.hour = -7, r.min = 1000, r.n1h = 7;
    Write(path, RefFile(1, {r}));
    std::list<Event> got = LoadEventsFrom(path, defaults);
    ASSERT_EQ(1u, got.size());
    Event& e = got.front();
    EXPECT_EQ(9, e.type);
    EXPECT_EQ(12, e.wday);
    EXPECT_EQ(-3, e.remind_mode);
    EXPECT_EQ(INT32_MIN, e.date.day);
    EXPECT_EQ(INT32_MAX, e.date.year);
    EXPECT_TRUE(e.notify_1h);

    std::tm now{};
    now.tm_mday = 1, now.tm_year = 120;
    EXPECT_EQ("", ListDateText(e, now));
    EXPECT_EQ("", ListTimeText(e));
    EXPECT_EQ("", EditorReminderLine(e));
    EXPECT_DOUBLE_EQ(999.0, EventMinDiff(e, now));
    e.type = 0;  // extreme values through the minute count and the texts
    EXPECT_GT(EventMinDiff(e, now), 1e15);
    EXPECT_EQ("Data:  -2147483648 / 99 / 2147483647", EditorDateLine(e, now, false));
    e.type = 1;
    EXPECT_EQ("Data: ogni ", EditorDateLine(e, now, false));
    // The arrows bring such values back into range without overflowing.
    StepField(e, EditorArrow::kDay, -1);
    EXPECT_EQ(31, e.date.day);
    StepField(e, EditorArrow::kYear, +1);
    EXPECT_EQ(INT32_MAX, e.date.year);
    StepField(e, EditorArrow::kMin, +1);
    EXPECT_EQ(0, e.time.min);
    StepField(e, EditorArrow::kWday, -1);  // 11 is still past Saturday
    EXPECT_EQ(0, e.wday);
    // Written back, the file is the reference's bytes except for the flag byte 7,
    // which is written as 1.
    Bytes expect = RefFile(1, {r});
    ASSERT_TRUE(SaveEventsTo(path, LoadEventsFrom(path, defaults)));
    expect[4 + 568] = 1;
    EXPECT_EQ(expect, Read(path));
}

TEST_F(CalendarFile, TextsWithoutAZeroByteAreReadToTheEndOfTheirField) {
    RefRecord r;
    r.title = std::string(20, 'T');
    r.description = std::string(512, 'D');
    Write(path, RefFile(1, {r}));
    Event e = LoadEventsFrom(path, defaults).front();
    EXPECT_EQ(std::string(20, 'T'), FieldText(e.title, sizeof e.title));
    EXPECT_EQ(std::string(20, 'T'), ListTitleText(e));
    EXPECT_EQ(std::string(512, 'D'), EditorFieldText(e.description, 512, false, "x"));
    // Kept as stored until edited.
    ASSERT_TRUE(SaveEventsTo(path, {e}));
    EXPECT_EQ(RefFile(1, {r}), Read(path));
    // Editing writes the field back zero-terminated: 19 and 511 characters.
    bool keys[256] = {};
    EditTextField(e.title, sizeof e.title, kTitleLimit, keys);
    EXPECT_EQ(std::string(19, 'T'), std::string(e.title));
    keys['x'] = true;  // no room to append: the text is already past the limit
    EditTextField(e.description, sizeof e.description, kDescriptionLimit, keys);
    EXPECT_EQ(std::string(511, 'D'), std::string(e.description));
}

TEST_F(CalendarFile, LeftoverTemporaryFileGoesAtLoadAndAtSave) {
    const std::string temp = AtomicTempPath(path);
    Write(path, RefFile(1, {Dentist()}));
    Write(temp, {1, 2, 3});
    EXPECT_EQ(1u, LoadEventsFrom(path, defaults).size());
    EXPECT_FALSE(Exists(temp));
    Write(temp, {1, 2, 3});
    ASSERT_TRUE(SaveEventsTo(path, {}));
    EXPECT_FALSE(Exists(temp));
    EXPECT_EQ(Bytes({0, 0, 0, 0}), Read(path));
}

TEST_F(CalendarFile, FailedSaveKeepsTheOldFileAndSaysSo) {
    Bytes old = RefFile(1, {Dentist()});
    Write(path, old);
    // The temporary file's place is taken by a folder that cannot be removed.
    const std::string temp = AtomicTempPath(path);
    ASSERT_EQ(0, mkdir(temp.c_str(), 0755));
    Write(temp + "/x", {1});
    testing::internal::CaptureStderr();
    EXPECT_FALSE(SaveEventsTo(path, {}));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(old, Read(path));
    EXPECT_NE(std::string::npos, err.find("could not save"));
    EXPECT_EQ(1, std::count(err.begin(), err.end(), '\n'));
    // A folder that does not exist: nothing is created.
    EXPECT_FALSE(SaveEventsTo(dir + "/none/database.bin", {}));
    EXPECT_FALSE(Exists(dir + "/none"));
}

}  // namespace
