// The window on the desktop at start-up: its size and place before it is created,
// then the remembering of its place while it runs.
#pragma once

#include <string>

#include "app/desktop/command_line.h"

struct WindowPlan {
    int side = 300;           // pixels a side, as the scale gives it
    int w = 300, h = 300;     // the window's size: the side, or -geometry's, kept to the screen
    int x = 0, y = 0;         // the frame's top-left corner on the screen
    bool set_place = true;    // false when -geometry gives the place
    std::string place_file;   // where the place is remembered; empty: nowhere
};

// Decides the window's size and place from the command line, STRIGOLO_SCALE, the
// desktop (`display_name`, nullptr for $DISPLAY) and the place file. Prints one line on
// stderr for each value it cannot use; the owl then opens at scale 1, or centred.
WindowPlan PlanWindow(const CommandLine& cl, const char* display_name);

// After glutCreateWindow: a window larger than the renderer draws (its largest viewport
// and texture) is made smaller, with a line on stderr.
void FitWindowToRenderer(WindowPlan& plan);

// From now on, writes the window's place to plan.place_file each time a move has
// settled somewhere new; not when -geometry placed it. Call after glutCreateWindow.
void RememberWindowPlace(const WindowPlan& plan);
// The frame loop's call, every tick: once a move has stood still for kPlaceSettleMs (by
// the tick counter, whatever the wall clock does), reads the place and writes it when
// it changed.
void CheckWindowPlace();
