// The import and export commands: reading the files, one read-change-write of the
// calendar, and the lines that tell the user what happened.
#include "app/calendar/calendar_transfer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <list>

#include "app/calendar/calendar_file.h"
#include "app/calendar/ical_export.h"
#include "app/calendar/ical_import.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/regular_file.h"

namespace {

// Larger iCalendar files are refused rather than held in memory: years of a busy
// calendar take a few megabytes.
constexpr size_t kMaxIcalBytes = size_t(64) << 20;

struct FileEvents {
    std::string file;  // as the user named it
    IcalImport found;
};

}  // namespace

std::string CallerPath(const std::string& arg) {
    const char* dir = std::getenv("STRIGOLO_CALLER_DIR");
    if (arg.empty() || arg == "-" || arg[0] == '/' || !dir || !*dir) return arg;
    return std::string(dir) + "/" + arg;
}

int RunCalendarImport(const std::vector<std::string>& files, const std::string& calendar) {
    const std::time_t now = WallClock();
    std::vector<FileEvents> all;
    for (const std::string& file : files) {
        const FileRead in = ReadRegularFile(CallerPath(file), kMaxIcalBytes);
        if (in.status != FileReadStatus::kRead) {
            std::fprintf(stderr, "strigolo: cannot read %s (%s); the calendar is unchanged\n", file.c_str(),
                         in.status == FileReadStatus::kMissing ? "no such file" : in.error.c_str());
            return 1;
        }
        all.push_back({file, MapIcalendar(reinterpret_cast<const char*>(in.bytes.data()), in.bytes.size(), now)});
        if (!all.back().found.is_icalendar) {
            std::fprintf(stderr, "strigolo: %s is not an iCalendar file (no complete VCALENDAR in it); "
                                 "the calendar is unchanged\n", file.c_str());
            return 1;
        }
    }

    std::vector<std::string> skipped, cut, notes;
    size_t imported = 0;
    // Run under the writers' lock; it may run again, so it starts its counts afresh.
    auto add_new = [&](std::list<Event>& list) {
        skipped.clear(), cut.clear(), notes.clear(), imported = 0;
        for (const FileEvents& f : all) {
            for (const std::string& note : f.found.notes) notes.push_back(f.file + ": " + note);
            for (const std::string& why : f.found.skipped) skipped.push_back(f.file + ": skipped " + why);
            for (const IcalEvent& found : f.found.events) {
                const auto same = [&](const Event& e) { return SameEvent(e, found.event); };
                if (std::any_of(list.begin(), list.end(), same)) {
                    skipped.push_back(f.file + ": skipped " + found.name + ": already in the calendar");
                    continue;
                }
                list.push_back(found.event);
                ++imported;
                for (const std::string& what : found.cut) cut.push_back(f.file + ": " + found.name + ": " + what);
                for (const std::string& note : found.notes) notes.push_back(f.file + ": " + found.name + ": " + note);
            }
        }
        return imported > 0;  // nothing new: the file is not rewritten
    };
    std::string error;
    if (!UpdateCalendarFile(calendar, add_new, error)) {
        std::fprintf(stderr, "strigolo: cannot import into %s (%s); the calendar is unchanged\n", calendar.c_str(),
                     error.c_str());
        return 1;
    }
    for (const std::string& line : skipped) std::fprintf(stderr, "strigolo: %s\n", line.c_str());
    for (const std::string& line : cut) std::fprintf(stderr, "strigolo: %s\n", line.c_str());
    for (const std::string& line : notes) std::fprintf(stderr, "strigolo: %s\n", line.c_str());
    std::printf("imported %zu, skipped %zu", imported, skipped.size());
    if (!cut.empty()) std::printf("; %zu texts cut to fit", cut.size());
    std::printf("\n");
    return 0;
}

int RunCalendarExport(const std::string& file, const std::string& calendar) {
    const CalendarImage img = ReadCalendarFile(calendar);
    if (img.how == CalendarRead::kUnreadable) {
        std::fprintf(stderr, "strigolo: cannot read the calendar %s (%s); nothing exported\n", calendar.c_str(),
                     img.problem.c_str());
        return 1;
    }
    if (img.how == CalendarRead::kPartial)
        std::fprintf(stderr, "strigolo: the calendar %s is damaged (%s); exporting the %zu whole events in it\n",
                     calendar.c_str(), img.problem.c_str(), img.records.size());
    const std::list<Event>& list = img.records;
    std::string error;
    std::vector<std::string> left_out;
    const std::string text = ExportIcalendar(list, WallClock(), left_out);
    for (const std::string& line : left_out) std::fprintf(stderr, "strigolo: not exported: %s\n", line.c_str());
    if (file == "-") {
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
            std::fprintf(stderr, "strigolo: cannot write the calendar to standard output\n");
            return 1;
        }
        return 0;
    }
    std::string warning;
    if (!WriteFileAtomically(CallerPath(file), text.data(), text.size(), error, warning)) {
        std::fprintf(stderr, "strigolo: cannot write %s (%s)\n", file.c_str(), error.c_str());
        return 1;
    }
    std::printf("exported %zu events to %s\n", list.size() - left_out.size(), file.c_str());
    return 0;
}
