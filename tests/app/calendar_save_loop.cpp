// A saving process for the crash-safety test: saves two different calendars in turn
// until it is killed, or loads once, or saves once, in the folder it is given
// (which holds Data/).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/event_store.h"

namespace {

// Calendar `which` (0 or 1): 3 or 1500 events, every field of event i derived from i
// and the calendar, so a file that mixes two saves is told apart from either.
std::list<Event> Calendar(int which) {
    std::list<Event> l;
    int n = which == 0 ? 3 : 1500;
    for (int i = 0; i < n; ++i) {
        Event e{std::tm{}};
        std::string title = "c" + std::to_string(which) + " evento " + std::to_string(i);
        std::memcpy(e.title, title.data(), std::min(title.size(), sizeof e.title - 1));
        std::snprintf(e.description, sizeof e.description, "calendario %d, evento %d", which, i);
        e.date = {1 + i % 31, 1 + i % 12, 2000 + which};
        e.time = {i % 24, i % 60};
        e.type = i % 2;  // no reminders: they would load with a changed remind_te
        l.push_back(e);
    }
    return l;
}

void WriteFile(const char* path, const std::vector<unsigned char>& b) {
    FILE* f = std::fopen(path, "wb");
    if (!f) std::exit(3);
    std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || chdir(argv[1]) != 0) {
        std::fprintf(stderr, "usage: calendar_save_loop FOLDER loop|unsafe-loop|load|save N|expect\n");
        return 2;
    }
    const std::string mode = argv[2];
    if (mode == "expect") {  // the two calendars' files, for the checker
        WriteFile("calendar0.bin", SerializeEvents(Calendar(0)));
        WriteFile("calendar1.bin", SerializeEvents(Calendar(1)));
        return 0;
    }
    if (mode == "load") {
        LoadEvents();
        std::printf("%zu\n", events.size());
        return 0;
    }
    if (mode == "save" && argc > 3) {
        events = Calendar(std::atoi(argv[3]));
        return SaveEventsTo(kDatabasePath, events) ? 0 : 1;
    }
    if (mode == "loop" || mode == "unsafe-loop") {
        std::list<Event> cals[2] = {Calendar(0), Calendar(1)};
        std::vector<unsigned char> bytes[2] = {SerializeEvents(cals[0]), SerializeEvents(cals[1])};
        LoadEvents();
        std::printf("ready\n");  // the killer waits for this before its random delay
        std::fflush(stdout);
        for (int i = 0;; i ^= 1) {
            events = cals[i];
            if (mode == "loop")
                SaveEvents();
            else  // truncate and write in place: what the test must be able to catch
                WriteFile(kDatabasePath, bytes[i]);
        }
    }
    return 2;
}
