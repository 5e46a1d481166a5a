// Monitor choice, centring, the remembered place and its file.
#include "app/desktop/window_place.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace {

bool Holds(const ScreenRect& r, int x, int y) { return x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h; }

// Moves `v` the least that keeps [v, v + side) inside [lo, lo + len); a side larger
// than the room starts at lo.
int KeepInside(int v, int side, int lo, int len) {
    if (v + side > lo + len) v = lo + len - side;
    return v < lo ? lo : v;
}

std::vector<ScreenRect> MonitorRects(const DesktopFacts& facts) {
    std::vector<ScreenRect> out;
    for (const Monitor& m : facts.monitors) out.push_back(m.rect);
    if (out.empty()) out.push_back(facts.screen);
    return out;
}

}  // namespace

ScreenRect ChooseMonitor(const DesktopFacts& facts) {
    if (facts.monitors.empty()) return facts.screen;
    for (const Monitor& m : facts.monitors)
        if (m.primary) return m.rect;
    for (const Monitor& m : facts.monitors)
        if (facts.pointer_known && Holds(m.rect, facts.pointer_x, facts.pointer_y)) return m.rect;
    return facts.monitors.front().rect;
}

void CentreOn(const ScreenRect& m, int side, int& x, int& y) {
    x = m.x + (m.w - side) / 2;
    y = m.y + (m.h - side) / 2;
    if (x < m.x) x = m.x;
    if (y < m.y) y = m.y;
}

bool PlaceOnMonitors(const DesktopFacts& facts, int side, int& x, int& y) {
    for (const ScreenRect& r : MonitorRects(facts)) {
        if (!Holds(r, x + side / 2, y + side / 2)) continue;
        x = KeepInside(x, side, r.x, r.w);
        y = KeepInside(y, side, r.y, r.h);
        return true;
    }
    return false;
}

std::string FormatPlace(int x, int y) { return "place " + std::to_string(x) + " " + std::to_string(y) + "\n"; }

bool ParsePlace(const std::string& text, int& x, int& y) {
    if (text.compare(0, 6, "place ") != 0) return false;
    long v[2] = {0, 0};
    const char* p = text.c_str() + 6;
    for (long& n : v) {
        char* end = nullptr;
        errno = 0;
        n = std::strtol(p, &end, 10);
        if (end == p || errno != 0 || n < INT_MIN || n > INT_MAX) return false;
        p = end + (*end == ' ');
    }
    // Only the text FormatPlace writes, with or without its newline, is a place.
    const std::string written = FormatPlace(int(v[0]), int(v[1]));
    if (text != written && text + "\n" != written) return false;
    x = int(v[0]);
    y = int(v[1]);
    return true;
}

std::string PlaceFilePath(const char* xdg_state_home, const char* home) {
    if (xdg_state_home && xdg_state_home[0] == '/') return std::string(xdg_state_home) + "/strigolo/window-place";
    if (home && home[0] == '/') return std::string(home) + "/.local/state/strigolo/window-place";
    return "";
}

void NoteWindowMoved(PlaceMemory& m, uint32_t now_ms) {
    m.moving = true;
    m.moved_at = now_ms;
}

bool MoveSettled(const PlaceMemory& m, uint32_t now_ms) { return m.moving && now_ms - m.moved_at >= kPlaceSettleMs; }

bool PlaceToWrite(PlaceMemory& m, int client_x, int client_y, bool frame_known, int left, int top) {
    m.moving = false;
    if (!frame_known && !m.offset_known) {
        m.off_x = client_x - m.x;
        m.off_y = client_y - m.y;
        m.offset_known = true;
    }
    const int x = client_x - (frame_known ? left : m.off_x);
    const int y = client_y - (frame_known ? top : m.off_y);
    if (x == m.x && y == m.y) return false;
    m.x = x;
    m.y = y;
    return true;
}
