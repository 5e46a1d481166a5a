// A saving process for the crash-safety test, in the folder it is given (which holds
// Data/): saves two calendars in turn until killed, or loads once, or saves once, or
// adds events one save at a time as an owl or as an importer does.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/calendar/calendar_file.h"
#include "platform/clock.h"

namespace {

// Calendar 0 (3 events) or 1 (1500), every field derived from the index and the
// calendar so a file mixing two saves differs from both. No reminders: they load with
// a changed remind_te.
std::list<Event> Calendar(int which) {
    std::list<Event> l;
    for (int i = 0; i < (which == 0 ? 3 : 1500); ++i) {
        Event e{std::tm{}};
        const std::string title = "c" + std::to_string(which) + " evento " + std::to_string(i);
        std::memcpy(e.title, title.data(), title.size());  // at most 15 characters
        std::snprintf(e.description, sizeof e.description, "calendario %d, evento %d", which, i);
        e.date = {1 + i % 31, 1 + i % 12, 2000 + which};
        e.time = {i % 24, i % 60};
        e.type = i % 2;
        l.push_back(e);
    }
    return l;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 2 ? argv[2] : "";
    if (argc < 3 || chdir(argv[1]) != 0) mode.clear();
    std::string error;
    if (mode == "expect") {  // the two calendars' files, for the checker
        for (int i = 0; i < 2; ++i) {
            std::list<Event> cal = Calendar(i);
            auto put = [&cal](std::list<Event>& l) { return l = cal, true; };
            if (!UpdateCalendarFile("calendar" + std::to_string(i) + ".bin", put, error)) return 1;
        }
        return 0;
    }
    if (mode == "load") {
        LoadEvents();
        std::printf("%zu\n", events.size());
        return 0;
    }
    if (mode == "save" && argc > 3) {
        LoadEvents();
        events = Calendar(std::atoi(argv[3]));
        return SaveCalendar(calendar_store, events, nullptr, WallClock(), 0) ? 0 : 1;
    }
    if (mode == "add" && argc > 4) {  // add N events named TAG-i; TAG "import..." imports
        const std::string tag = argv[3];
        LoadEvents();
        for (int i = 0; i < std::atoi(argv[4]); ++i) {
            Event e{std::tm{}};
            std::snprintf(e.title, sizeof e.title, "%s-%d", tag.c_str(), i);
            auto add = [&e](std::list<Event>& l) { return l.push_back(e), true; };
            const bool ok = tag.rfind("import", 0) == 0 ? UpdateCalendarFile(kDatabasePath, add, error)
                                                         : (events.push_back(e), SaveCalendar(calendar_store, events, nullptr, 0, 0));
            if (!ok) return 1;
        }
        return 0;
    }
    if (mode == "loop") {
        std::list<Event> cals[2] = {Calendar(0), Calendar(1)};
        LoadEvents();
        std::printf("ready\n");  // the killer waits for this before its random delay
        std::fflush(stdout);
        for (int i = 0;; i ^= 1) {
            events = cals[i];
            SaveEvents();
        }
    }
    std::fprintf(stderr, "usage: calendar_save_loop FOLDER loop|load|save N|add TAG N|expect\n");
    return 2;
}
