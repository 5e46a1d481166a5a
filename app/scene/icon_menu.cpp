// The icon menu, the clock line and the tooltip: the column and the clock are drawn
// in the scene's static layer; the clicks and the tooltip after the owl, before the
// notifications.
#include "app/scene/icon_menu.h"

#include <GL/gl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "app/calendar/store/event_store.h"
#include "app/shared/tick_state.h"
#include "app/scene/scene.h"
#include "audio/audio_engine.h"
#include "app/views.h"
#include "engine/input.h"
#include "engine/text.h"
#include "engine/textures.h"
#include "engine/widgets.h"
#include "platform/browser.h"

const char* const kSearchUrl = "https://duckduckgo.com/";

void IconMenuIcons(int n_notify, bool sfx_on, IconSpec out[kIconCount]) {
    const bool free_hands = n_notify == 0;
    out[0] = {icns[0], 44.5f, 465.0f, "pianifica un nuovo evento", free_hands, IconAction::OpenCalendar};
    out[1] = {icns[2], 44.5f, 360.0f, "interagisci con Strigolo", free_hands, IconAction::AskQuestion};
    out[2] = {icns[7], 44.5f, 255.0f, "apri il browser su DuckDuckGo", true, IconAction::OpenSearch};
    out[3] = {icns[8], 44.5f, 150.0f, "visita il sito degli sviluppatori!", true, IconAction::OpenSite};
    out[4] = {sfx_on ? icns[3] : icns[4], 44.5f, 45.0f, "abilita/disabilita il sonoro", true,
              IconAction::ToggleSound};
}

void RunIconAction(IconAction a, SceneState& s) {
    switch (a) {
    case IconAction::OpenCalendar:
        AudioEngine.kill_static(0);
        EndLaugh(s);
        menu_case_id = kMenuList;
        break;
    case IconAction::AskQuestion:
        spawn_question = true;
        break;
    case IconAction::OpenSearch:
    case IconAction::OpenSite:
        OpenUrl(a == IconAction::OpenSearch ? kSearchUrl : ProjectPageUrl().c_str());
        // The pointer is taken to the window's middle, so no icon stays hovered while
        // the browser has it.
        touch_coord_x = 256.0f;
        touch_coord_y = 256.0f;
        break;
    case IconAction::ToggleSound:
        enable_sfx = !enable_sfx;
        AudioEngine.kill_static(0);
        break;
    }
}

void IconMenuStep(SceneState& s, char* help_str) {
    std::memset(help_str, 0, 512);
    IconSpec icons[kIconCount];
    IconMenuIcons(n_notify, enable_sfx, icons);
    for (const IconSpec& ic : icons) {
        Button b(ic.texture, ic.x, ic.y, kIconHalf, kIconHalf);
        if (b.isClicked() && ic.enabled) RunIconAction(ic.action, s);
        if (b.isSelected()) std::snprintf(help_str, 512, "%s", ic.label);
    }
}

// Only enabled icons are tinted when hovered.
static bool TintsOnHover(int i) { return i < 2 ? n_notify == 0 : true; }

void DrawIconColumn() {
    IconSpec icons[kIconCount];
    IconMenuIcons(n_notify, enable_sfx, icons);
    if (n_notify > 0) glColor4f(0.5f, 0.5f, 0.5f, 1.0f);
    for (int i = 0; i < kIconCount; ++i) {
        // The first two are drawn in the caller's colour (grey while events are due);
        // the colour is white again from the third one on.
        if (i == 2 || i == 4) glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        Button(icons[i].texture, icons[i].x, icons[i].y, kIconHalf, kIconHalf).Display(TintsOnHover(i));
    }
}

unsigned IconColumnLook() {
    IconSpec icons[kIconCount];
    IconMenuIcons(n_notify, enable_sfx, icons);
    unsigned look = (n_notify > 0 ? 1u : 0u) | (enable_sfx ? 2u : 0u);
    for (int i = 0; i < kIconCount; ++i)
        if (TintsOnHover(i) && Button(icons[i].texture, icons[i].x, icons[i].y, kIconHalf, kIconHalf).isSelected())
            look |= 4u << i;
    return look;
}

void FormatClockLine(const std::tm& t, const char* wday, char* out, size_t size) {
    std::snprintf(out, size, "%s %d/%d/%d %d:%d.%d", wday, t.tm_mday, t.tm_mon + 1,
                  t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
}

bool TooltipPosition(float touch_x, float touch_y, int win_w, int win_h, int& x, int& y) {
    if (win_w <= 0 || win_h <= 0) return false;
    const int rate_x = int(proportional<float>(float(win_w), 512.0f, touch_x));
    const int rate_y = int(proportional<float>(float(win_h), 512.0f, touch_y));
    x = rate_x + 15;
    y = 512 - rate_y;
    return true;
}

std::string FileUrl(const std::string& absolute_path) {
    static const char* hex = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : absolute_path) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || std::strchr("/-._~", c) != nullptr;
        if (safe) {
            url += char(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        }
    }
    return url;
}

std::string ProjectPageUrl() {
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) == nullptr) return FileUrl("/Data/strigolo.html");
    std::string path = cwd;
    if (path.empty() || path.back() != '/') path += '/';
    return FileUrl(path + "Data/strigolo.html");
}

// The clock line's text: its pen and glyph size, GUI units.
constexpr float kClockX = 266.0f, kClockY = 10.0f, kClockSize = 10.0f;

void DrawColumnAndClock() {
    DrawIconColumn();
    // The wall clock as the last tick read it, as the reminder scan saw it.
    const std::tm& now_tm = *timeinfo;
    char line[128];
    FormatClockLine(now_tm, GetWdayStr(now_tm.tm_wday), line, sizeof line);
    glPrintText(kClockX, kClockY, kClockSize, false, "%s", line);
}

LayerPatch ClockLinePatch() {
    const std::tm& t = *timeinfo;
    LayerPatch p;
    p.look = ((((uint64_t(t.tm_year) * 12 + uint64_t(t.tm_mon)) * 32 + uint64_t(t.tm_mday)) * 24 +
              uint64_t(t.tm_hour)) * 60 + uint64_t(t.tm_min)) * 61 + uint64_t(t.tm_sec);
    // Every glyph square lies 2 sizes high from the pen, rightwards to the window's edge.
    p.x0 = kClockX, p.y0 = kClockY, p.x1 = 512.0f, p.y1 = kClockY + 2.0f * kClockSize;
    return p;
}

void IconClicksAndTooltip(SceneState& s) {
    char help_str[512];
    IconMenuStep(s, help_str);
    int x = 0, y = 0;
    if (help_str[0] == '\0' || !TooltipPosition(touch_coord_x, touch_coord_y, WindowWidth(), WindowHeight(), x, y))
        return;
    // The tooltip floats over the owl and the sky, light and dark alike: a dark night-blue
    // plate under its glyph squares (5 GUI units round their ink) keeps white text
    // readable on any of them, with a hint of the scene showing through.
    const float x0 = float(x), x1 = x0 + float(std::strlen(help_str) - 1) * 10.25f + 20.0f;
    const float y0 = float(y) - 3.0f, y1 = float(y) + 23.0f;
    const GLfloat plate[18] = {x0, y1, 0, x0, y0, 0, x1, y1, 0, x1, y1, 0, x1, y0, 0, x0, y0, 0};
    const GLfloat no_texture[12] = {};
    PushGuiSpace();
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.05f, 0.07f, 0.13f, 0.85f);
    DrawTriangles(plate, no_texture, 6);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    PopGuiSpace();
    glPrintText(float(x), float(y), 10.0f, false, "%s", help_str);
}
