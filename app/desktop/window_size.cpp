// The window's size: the size part of a geometry, and the clamp to the screen and renderer.
#include "app/desktop/window_size.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace {

// Digits at `p` as a non-negative int, INT_MAX past it; false when there are none.
bool ReadSide(const std::string& s, size_t& p, int& v) {
    const size_t start = p;
    long long n = 0;
    for (; p < s.size() && std::isdigit(static_cast<unsigned char>(s[p])); ++p)
        n = std::min(n * 10 + (s[p] - '0'), 1LL << 40);
    if (p == start) return false;
    v = int(std::min<long long>(n, INT_MAX));
    return true;
}

// `v` kept from `lo` to `hi` (hi of 0 or less: no upper bound).
int Keep(int v, int lo, int hi) {
    if (hi > 0) v = std::min(v, hi);
    return std::max(v, lo);
}

}  // namespace

bool ParseGeometrySize(const std::string& geometry, int& w, int& h) {
    size_t p = geometry.compare(0, 1, "=") == 0 ? 1 : 0;
    bool any = ReadSide(geometry, p, w);
    if (p < geometry.size() && (geometry[p] == 'x' || geometry[p] == 'X')) {
        ++p;
        any = ReadSide(geometry, p, h) || any;
    }
    return any;
}

bool ClampWindowSize(int& w, int& h, int screen_w, int screen_h, int renderer_max, std::string& note) {
    const int max_w = renderer_max > 0 && (screen_w <= 0 || renderer_max < screen_w) ? renderer_max : screen_w;
    const int max_h = renderer_max > 0 && (screen_h <= 0 || renderer_max < screen_h) ? renderer_max : screen_h;
    const int cw = Keep(w, kMinWindowSide, max_w), ch = Keep(h, kMinWindowSide, max_h);
    if (cw == w && ch == h) return false;
    note = "a window of " + std::to_string(w) + " x " + std::to_string(h) + " pixels cannot be shown; it opens at " +
           std::to_string(cw) + " x " + std::to_string(ch) + " (" + std::to_string(kMinWindowSide) +
           " pixels a side or more, no larger than the screen and what the renderer draws)";
    w = cw;
    h = ch;
    return true;
}
