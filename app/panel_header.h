// The header every panel shares: three type tabs along y 486 and a button in the
// top-right corner (close, trash or check), in GUI units.
#pragma once

#include "engine/widgets.h"

// Tab i (0 appointment, 1 weekly, 2 reminder) drawn with `texture`.
inline Button PanelTab(int i, GLuint texture) {
    constexpr float x[3] = {87.0f, 243.5f, 391.5f};
    constexpr float half_w[3] = {75.5f, 70.5f, 67.75f};
    return Button(texture, x[i], 486.0f, half_w[i], 15.0f);
}

// The corner button: close in the list and the quiz, trash or check in the editor.
inline Button PanelCorner(GLuint texture) { return Button(texture, 485.12f, 486.0f, 15.5f, 15.0f); }
