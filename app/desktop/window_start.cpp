// Start-up placement and size of the window, and its remembered place: the deciding
// comes from window_scale.h and window_place.h, the desktop's facts from the platform.
#include "app/desktop/window_start.h"

#include <GL/freeglut.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/desktop/window_place.h"
#include "app/desktop/window_scale.h"
#include "app/desktop/window_size.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/regular_file.h"

namespace {

PlaceMemory place_memory;
std::string place_file;

// The place file's text, read through the descriptor checked to be a regular file (a
// FIFO swapped in is never waited on); a file longer than any place reads as an empty
// text, which is no place. False when there is none to read.
bool ReadPlaceFile(const std::string& path, std::string& text) {
    const FileRead r = ReadRegularFile(path, 64);
    if (r.status != FileReadStatus::kRead && r.status != FileReadStatus::kTooLarge) return false;
    text.assign(r.bytes.begin(), r.bytes.end());
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
    plan.w = plan.h = plan.side;
    if (const std::string* geometry = cl.Value("-geometry")) {
        bool size = false, place = false;
        GeometryParts(*geometry, size, place);
        ParseGeometrySize(*geometry, plan.w, plan.h);
        plan.set_place = !place;
    }
    std::string note;
    if (ClampWindowSize(plan.w, plan.h, facts.screen.w, facts.screen.h, 0, note))
        std::fprintf(stderr, "strigolo: %s\n", note.c_str());
    plan.side = std::max(plan.w, plan.h);

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

void FitWindowToRenderer(WindowPlan& plan) {
    GLint viewport[2] = {0, 0}, texture = 0;
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &texture);
    // The backdrop's kept copy is a texture of the window's size.
    const int largest = std::min({int(viewport[0]), int(viewport[1]), int(texture)});
    std::string note;
    if (largest <= 0 || !ClampWindowSize(plan.w, plan.h, 0, 0, largest, note)) return;
    std::fprintf(stderr, "strigolo: %s\n", note.c_str());
    glutReshapeWindow(plan.w, plan.h);
}

void RememberWindowPlace(const WindowPlan& plan) {
    if (plan.place_file.empty() || !plan.set_place) return;  // -geometry's place is not remembered
    place_file = plan.place_file;
    place_memory.x = plan.x;
    place_memory.y = plan.y;
    glutPositionFunc(OnWindowMoved);
}
