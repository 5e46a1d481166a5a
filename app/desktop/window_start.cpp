// Start-up placement and size of the window, and its remembered place: the deciding
// comes from window_scale.h and window_place.h, the desktop's facts from the platform.
#include "app/desktop/window_start.h"

#include <GL/freeglut.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "app/desktop/window_place.h"
#include "app/desktop/window_scale.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/desktop.h"

namespace {

PlaceMemory place_memory;
std::string place_file;

// The place file's text, read only when it is a regular file and only as far as a
// place can go; false when there is none to read.
bool ReadPlaceFile(const std::string& path, std::string& text) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    std::ifstream in(path, std::ios::binary);
    char buf[64];
    in.read(buf, sizeof buf);
    text.assign(buf, size_t(in.gcount()));
    return true;
}

// Makes each missing folder of `dir` (mode 0700, as the state folder should be).
void MakeFolders(const std::string& dir) {
    for (size_t slash = dir.find('/', 1); ; slash = dir.find('/', slash + 1)) {
        mkdir(dir.substr(0, slash).c_str(), 0700);
        if (slash == std::string::npos) break;
    }
}

void WritePlace(int x, int y) {
    const std::string text = FormatPlace(x, y);
    MakeFolders(place_file.substr(0, place_file.rfind('/')));
    std::string error, warning;
    if (!WriteFileAtomically(place_file, text.data(), text.size(), error, warning))
        std::fprintf(stderr, "strigolo: could not remember the window's place in %s (%s)\n", place_file.c_str(),
                     error.c_str());
}

void OnWindowMoved(int, int) { NoteWindowMoved(place_memory, GetTickCount()); }

}  // namespace

WindowPlan PlanWindow(const CommandLine& cl, const char* display_name) {
    WindowPlan plan;
    DesktopFacts facts;
    ReadDesktopFacts(display_name, facts);

    std::vector<std::string> warnings;
    const std::string* cli = cl.Value("--scale");
    plan.side = WindowSide(ChooseScale(cli ? cli->c_str() : nullptr, std::getenv("STRIGOLO_SCALE"),
                                       facts.resources, warnings));
    for (const std::string& w : warnings) std::fprintf(stderr, "strigolo: %s\n", w.c_str());
    if (const std::string* geometry = cl.Value("-geometry")) {
        bool size = false, place = false;
        GeometryParts(*geometry, size, place);
        plan.set_size = !size;
        plan.set_place = !place;
    }

    CentreOn(ChooseMonitor(facts), plan.side, plan.x, plan.y);
    plan.place_file = PlaceFilePath(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
    std::string text;
    int x = 0, y = 0;
    if (!plan.place_file.empty() && ReadPlaceFile(plan.place_file, text)) {
        if (!ParsePlace(text, x, y)) {
            std::fprintf(stderr, "strigolo: the window place in %s cannot be read; the window opens centred\n",
                         plan.place_file.c_str());
        } else if (PlaceOnMonitors(facts, plan.side, x, y)) {
            plan.x = x;
            plan.y = y;
        }
    }
    return plan;
}

void CheckWindowPlace() {
    if (!MoveSettled(place_memory, GetTickCount())) return;
    int x = 0, y = 0, left = 0, top = 0;
    bool frame_known = false;
    if (!GetWindowPlacement(x, y, frame_known, left, top)) {
        place_memory.moving = false;
        return;
    }
    if (PlaceToWrite(place_memory, x, y, frame_known, left, top)) WritePlace(place_memory.x, place_memory.y);
}

void RememberWindowPlace(const WindowPlan& plan) {
    if (plan.place_file.empty() || !plan.set_place) return;  // -geometry's place is not remembered
    place_file = plan.place_file;
    place_memory.x = plan.x;
    place_memory.y = plan.y;
    glutPositionFunc(OnWindowMoved);
}
