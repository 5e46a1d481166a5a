// The icon menu at the window's left edge (calendar, question, two web pages, sound
// switch), the clock line at the bottom and the tooltip of the hovered icon.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

#include "app/scene/scene_backdrop.h"

struct SceneState;

enum class IconAction { OpenCalendar, AskQuestion, OpenSearch, OpenSite, ToggleSound };

// One icon of the column, as it stands in this frame.
struct IconSpec {
    GLuint texture;
    float x, y;         // centre, GUI units; half-width and half-height are kIconHalf
    const char* label;  // shown beside the pointer while hovered
    bool enabled;       // clicks ignored and drawn without hover tint when false
    IconAction action;
};

constexpr int kIconCount = 5;
constexpr float kIconHalf = 40.0f;
extern const char* const kSearchUrl;

// The five icons top to bottom for the number of due events and the sound switch.
void IconMenuIcons(int n_notify, bool enable_sfx, IconSpec out[kIconCount]);

// Runs an icon's click. `s` is the scene (the calendar icon ends its laugh).
void RunIconAction(IconAction a, SceneState& s);

// The icon step of the scene: builds and tests each icon, the click before the hover,
// and copies the hovered icon's label into `help_str` (512 bytes, zero-filled
// first), whether or not the icon is enabled.
void IconMenuStep(SceneState& s, char* help_str);

// Draws the column as it stands (the first two grey while events are due, a hovered
// enabled icon tinted yellow); the scene's static layer calls it.
void DrawIconColumn();
// What tells one look of the column from another: events due, the sound switch, the
// hovered icon when it is tinted.
unsigned IconColumnLook();

// The clock line: weekday, day/month/year hour:minute.second, no field padded
// ("ven 4/12/2026 9:5.3").
void FormatClockLine(const std::tm& t, const char* wday, char* out, size_t size);

// Where the tooltip starts, in GUI units: 15 right of the pointer, at its height.
// False (no tooltip) for a window of zero size.
bool TooltipPosition(float touch_x, float touch_y, int win_w, int win_h, int& x, int& y);

// A file:// address for an absolute path, with the characters that are not safe in
// an address percent-encoded.
std::string FileUrl(const std::string& absolute_path);
// The address of the page about Strigolo: Data/strigolo.html in the working directory.
std::string ProjectPageUrl();

// The column and the clock line under it, as the scene's static layer draws them;
// the clock line as a patch of that layer: the second it shows and the rectangle
// its text stays in (the column's look is IconColumnLook).
void DrawColumnAndClock();
LayerPatch ClockLinePatch();
// The icons' clicks and the tooltip of the hovered icon: the scene's menu for one
// frame, drawn over the owl.
void IconClicksAndTooltip(SceneState& s);
