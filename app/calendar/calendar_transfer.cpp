// The import and export commands: reading the files, one read-change-write of the
// calendar, and the lines that tell the user what happened.
#include "app/calendar/calendar_transfer.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <list>

#include "app/calendar/ical_export.h"
#include "app/calendar/ical_import.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"

namespace {

// Larger iCalendar files are refused rather than held in memory: years of a busy
// calendar take a few megabytes.
constexpr size_t kMaxIcalBytes = size_t(64) << 20;
// 4 + 572 bytes times a million events.
constexpr size_t kMaxCalendarBytes = size_t(600) << 20;

// Reads the whole regular file `path` of at most `limit` bytes. On failure `error` says
// why; `missing` tells a file that does not exist from one that cannot be read.
bool ReadWholeFile(const std::string& path, size_t limit, std::string& bytes, std::string& error,
                   bool* missing = nullptr) {
    if (missing) *missing = false;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        if (missing) *missing = errno == ENOENT;
        error = std::strerror(errno);
        return false;
    }
    struct stat st{};
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "not a regular file";
    } else {
        bytes.clear();
        char chunk[1 << 16];
        size_t n;
        while (bytes.size() <= limit && (n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
        if (std::ferror(f)) error = "read error";
        else if (bytes.size() > limit) error = "larger than " + std::to_string(limit >> 20) + " MiB";
    }
    std::fclose(f);
    return error.empty();
}

// The calendar file in full: a missing file is an empty calendar; one that cannot be
// read, or whose size is not what its count says, is refused (with `error`) so that
// nothing is written over it. `lenient` takes a damaged file as the owl would load it.
bool ReadCalendar(const std::string& path, std::list<Event>& list, std::string& error, bool lenient = false) {
    std::string bytes;
    bool missing = false;
    list.clear();
    if (!ReadWholeFile(path, kMaxCalendarBytes, bytes, error, &missing)) {
        if (!missing) return false;
        error.clear();
        return true;
    }
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    list = ParseEvents(data, bytes.size(), Event(std::tm{}));
    const int32_t count = bytes.size() < kDatabaseHeaderSize
        ? -1 : static_cast<int32_t>(uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24);
    if (count < 0 || bytes.size() != kDatabaseHeaderSize + kEventRecordSize * size_t(count)) {
        error = "damaged: its " + std::to_string(bytes.size()) + " bytes are not the records its count names";
        if (!lenient) return false;
        std::fprintf(stderr, "strigolo: %s is %s; using the %zu records there\n", path.c_str(), error.c_str(),
                     list.size());
        error.clear();
    }
    return true;
}

// Reads the calendar in full, applies `change` and saves the result atomically; a change
// that changes nothing writes nothing. False, with `error`, when the file could not be
// read in full or saved: it is then as it was.
bool ChangeCalendarFile(const std::string& path, const std::function<void(std::list<Event>&)>& change,
                        std::string& error) {
    std::list<Event> list;
    if (!ReadCalendar(path, list, error)) return false;
    const std::vector<unsigned char> before = SerializeEvents(list);
    change(list);
    const std::vector<unsigned char> after = SerializeEvents(list);
    if (after == before) return true;
    std::string warning;
    if (!WriteFileAtomically(path, after.data(), after.size(), error, warning)) return false;
    if (!warning.empty()) std::fprintf(stderr, "strigolo: saved %s, but it may not survive a power cut (%s)\n",
                                       path.c_str(), warning.c_str());
    return true;
}

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
        std::string bytes, error;
        if (!ReadWholeFile(CallerPath(file), kMaxIcalBytes, bytes, error)) {
            std::fprintf(stderr, "strigolo: cannot read %s (%s); the calendar is unchanged\n", file.c_str(),
                         error.c_str());
            return 1;
        }
        all.push_back({file, MapIcalendar(bytes.data(), bytes.size(), now)});
        if (!all.back().found.is_icalendar) {
            std::fprintf(stderr, "strigolo: %s is not an iCalendar file (no complete VCALENDAR in it); "
                                 "the calendar is unchanged\n", file.c_str());
            return 1;
        }
    }

    std::vector<std::string> skipped, cut;
    size_t imported = 0;
    auto add_new = [&](std::list<Event>& list) {
        skipped.clear(), cut.clear(), imported = 0;
        for (const FileEvents& f : all) {
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
            }
        }
    };
    std::string error;
    if (!ChangeCalendarFile(calendar, add_new, error)) {
        std::fprintf(stderr, "strigolo: cannot import into %s (%s); the calendar is unchanged\n", calendar.c_str(),
                     error.c_str());
        return 1;
    }
    for (const std::string& line : skipped) std::fprintf(stderr, "strigolo: %s\n", line.c_str());
    for (const std::string& line : cut) std::fprintf(stderr, "strigolo: %s\n", line.c_str());
    std::printf("imported %zu, skipped %zu", imported, skipped.size());
    if (!cut.empty()) std::printf("; %zu texts cut to fit", cut.size());
    std::printf("\n");
    return 0;
}

int RunCalendarExport(const std::string& file, const std::string& calendar) {
    std::list<Event> list;
    std::string error;
    if (!ReadCalendar(calendar, list, error, true)) {
        std::fprintf(stderr, "strigolo: cannot read the calendar %s (%s); nothing exported\n", calendar.c_str(),
                     error.c_str());
        return 1;
    }
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
