// The import and export commands: reading the files, one read-change-write of the
// calendar, and the lines that tell the user what happened.
#include "app/calendar/ical/calendar_transfer.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <list>
#include <unordered_set>
#include <utility>

#include "app/calendar/store/calendar_file.h"
#include "app/calendar/ical/ical_export.h"
#include "app/calendar/ical/ical_guard.h"
#include "app/calendar/ical/ical_import.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/named_stream.h"
#include "platform/regular_file.h"

namespace {

// Larger iCalendar files are refused rather than held in memory: years of a busy
// calendar take a few megabytes.
constexpr size_t kMaxIcalBytes = size_t(64) << 20;

struct FileEvents {
    std::string file;  // as the user named it, escaped for the terminal
    IcalImport found;
};

// A FILE argument read whole: "-" and the descriptors DescriptorNamed knows as the
// stream they are (a pipe is what `--import -` is for), any other path only as a
// regular file.
FileRead ReadInput(const std::string& file) {
    const int fd = file == "-" ? 0 : DescriptorNamed(file);
    return fd >= 0 ? ReadDescriptor(fd, kMaxIcalBytes) : ReadRegularFile(CallerPath(file), kMaxIcalBytes);
}

// Standard output took every line written to it: false, with a line on stderr, when it
// could not (closed, full, a pipe nobody reads).
bool FlushedStdout() {
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
    std::fprintf(stderr, "strigolo: cannot write to standard output\n");
    return false;
}

// Whether `calendar`, or a folder on its way, is a link to something that is not there
// (an unmounted sync folder): not a calendar that does not exist yet.
bool DanglingLink(const std::string& calendar) {
    for (size_t end = calendar.find('/', 1);; end = calendar.find('/', end + 1)) {
        const std::string part = calendar.substr(0, end);
        struct stat st {};
        if (::lstat(part.c_str(), &st) != 0) return false;  // the rest is not there yet
        if (S_ISLNK(st.st_mode) && ::stat(part.c_str(), &st) != 0) return true;
        if (end == std::string::npos) return false;
    }
}

}  // namespace

std::string TerminalText(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        // A whole UTF-8 sequence of a printable character (from U+00A0) stays as it is.
        size_t n = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 1;
        for (size_t k = 1; k < n; ++k)
            if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) n = 1;
        if (n == 2 && b == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) n = 1;  // C1 controls
        if (n > 1 || (b >= 0x20 && b < 0x7F && b != '\\')) {
            out.append(text, i, n);
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", b);
            out += hex;
        }
        i += n;
    }
    return out;
}

std::string CallerPath(const std::string& arg) {
    const char* dir = std::getenv("STRIGOLO_CALLER_DIR");
    if (arg.empty() || arg == "-" || arg[0] == '/' || !dir || !*dir) return arg;
    return std::string(dir) + "/" + arg;
}

int RunCalendarImport(const std::vector<std::string>& files, const std::string& calendar) {
    const std::time_t now = WallClock();
    // Parsed and mapped before the writers' lock: only the merge below holds it.
    std::vector<FileEvents> all;
    for (const std::string& name : files) {
        const std::string file = TerminalText(name);
        const FileRead in = ReadInput(name);
        if (in.status != FileReadStatus::kRead) {
            std::fprintf(stderr, "strigolo: cannot read %s (%s); the calendar is unchanged\n", file.c_str(),
                         in.status == FileReadStatus::kMissing ? "no such file" : in.error.c_str());
            return 1;
        }
        all.push_back({file, MapIcalendar(reinterpret_cast<const char*>(in.bytes.data()), in.bytes.size(), now)});
        const IcalImport& found = all.back().found;
        if (!found.refused.empty()) {
            std::fprintf(stderr, "strigolo: %s is refused: %s; the calendar is unchanged\n", file.c_str(),
                         found.refused.c_str());
            return 1;
        }
        if (!found.is_icalendar) {
            std::fprintf(stderr, "strigolo: %s is not an iCalendar file (no complete VCALENDAR in it); "
                                 "the calendar is unchanged\n", file.c_str());
            return 1;
        }
        if (found.long_lines_cut > 0)
            std::fprintf(stderr, "strigolo: %s: %zu lines longer than %zu KiB cut to that length\n", file.c_str(),
                         found.long_lines_cut, kMaxIcalLineBytes >> 10);
    }

    std::vector<std::string> skipped, cut, notes;
    size_t imported = 0;
    // Run under the writers' lock; it may run again, so it starts its counts afresh.
    // The records are looked up by SameEventKey, so the check grows with the events, not
    // with their square.
    auto add_new = [&](std::list<Event>& list) {
        skipped.clear(), cut.clear(), notes.clear(), imported = 0;
        std::unordered_set<std::string> held;
        for (const Event& e : list)
            if (std::string key = SameEventKey(e); !key.empty()) held.insert(std::move(key));
        for (const FileEvents& f : all) {
            for (const std::string& note : f.found.notes) notes.push_back(f.file + ": " + note);
            for (const std::string& why : f.found.skipped) skipped.push_back(f.file + ": skipped " + why);
            for (const IcalEvent& found : f.found.events) {
                if (!held.insert(SameEventKey(found.event)).second) {
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
    RemoveStaleTempFiles(calendar, now);
    if (!UpdateCalendarFile(calendar, add_new, error)) {
        std::fprintf(stderr, "strigolo: cannot import into %s (%s); the calendar is unchanged\n",
                     TerminalText(calendar).c_str(), TerminalText(error).c_str());
        return 1;
    }
    for (const std::string& line : skipped) std::fprintf(stderr, "strigolo: %s\n", line.c_str());
    for (const std::string& line : cut) std::fprintf(stderr, "strigolo: %s\n", line.c_str());
    for (const std::string& line : notes) std::fprintf(stderr, "strigolo: %s\n", line.c_str());
    std::printf("imported %zu, skipped %zu", imported, skipped.size());
    if (!cut.empty()) std::printf("; %zu texts cut to fit", cut.size());
    std::printf("\n");
    return FlushedStdout() ? 0 : 1;
}

int RunCalendarExport(const std::string& file, const std::string& calendar) {
    const std::string shown = TerminalText(file), calendar_shown = TerminalText(calendar);
    if (DanglingLink(calendar)) {
        std::fprintf(stderr, "strigolo: cannot read the calendar %s (a link to something not there); nothing "
                             "exported\n", calendar_shown.c_str());
        return 1;
    }
    const CalendarImage img = ReadCalendarFile(calendar);
    if (img.how == CalendarRead::kUnreadable) {
        std::fprintf(stderr, "strigolo: cannot read the calendar %s (%s); nothing exported\n", calendar_shown.c_str(),
                     img.problem.c_str());
        return 1;
    }
    if (img.how == CalendarRead::kPartial)
        std::fprintf(stderr, "strigolo: the calendar %s is damaged (%s); exporting the %zu whole events in it\n",
                     calendar_shown.c_str(), img.problem.c_str(), img.records.size());
    const std::list<Event>& list = img.records;
    std::string error;
    std::vector<std::string> left_out;
    const std::string text = ExportIcalendar(list, WallClock(), left_out);
    for (const std::string& line : left_out)
        std::fprintf(stderr, "strigolo: not exported: %s\n", TerminalText(line).c_str());

    const OutputTarget target = ChooseOutputTarget(CallerPath(file));
    bool written = false;
    if (target.kind == OutputKind::kFile) {
        std::string warning;
        written = WriteFileAtomically(CallerPath(file), text.data(), text.size(), error, warning);
    } else {
        written = WriteToStream(target, CallerPath(file), text.data(), text.size(), error);
    }
    if (!written) {
        std::fprintf(stderr, "strigolo: cannot write %s (%s)\n", shown.c_str(), error.c_str());
        return 1;
    }
    // What goes to standard output is the calendar alone; the summary then goes to stderr.
    const size_t exported = list.size() - left_out.size();
    const bool into_stdout = target.kind == OutputKind::kDescriptor && target.fd == 1;
    if (!into_stdout || !left_out.empty())
        std::fprintf(into_stdout ? stderr : stdout, "%sexported %zu events to %s%s\n", into_stdout ? "strigolo: " : "",
                     exported, shown.c_str(),
                     left_out.empty() ? "" : (", " + std::to_string(left_out.size()) + " left out").c_str());
    if (!FlushedStdout()) return 1;
    return left_out.empty() ? 0 : 1;
}
