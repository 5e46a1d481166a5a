// The one-frame input state and the window size the widgets map the pointer with.
#include "engine/input.h"

#include <GL/freeglut.h>

#include <cstring>

bool key_state[256] = {};
bool single_touch = false;
float touch_coord_x = 0.0f, touch_coord_y = 0.0f;

void reset_keys_state() { std::memset(key_state, 0, sizeof key_state); }

namespace {
int override_w = -1, override_h = -1;
int reshaped_w = -1, reshaped_h = -1;
}

int WindowWidth() {
    if (override_w >= 0) return override_w;
    return reshaped_w >= 0 ? reshaped_w : glutGet(GLUT_WINDOW_WIDTH);
}
int WindowHeight() {
    if (override_h >= 0) return override_h;
    return reshaped_h >= 0 ? reshaped_h : glutGet(GLUT_WINDOW_HEIGHT);
}

void RememberWindowSize(int w, int h) {
    reshaped_w = w;
    reshaped_h = h;
}

void SetWindowSizeOverride(int w, int h) {
    override_w = w;
    override_h = h;
}
