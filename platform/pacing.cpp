// Frame pacing: swap interval 1 where the driver offers it, and a sleep that keeps
// the loop at about 60 frames a second where it does not (as under Xvfb).
#include "platform/pacing.h"

#include <GL/glx.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace {
bool HasExtension(const char* list, const char* name) {
    if (!list) return false;
    const size_t n = std::strlen(name);
    for (const char* p = std::strstr(list, name); p; p = std::strstr(p + 1, name)) {
        if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0')) return true;
    }
    return false;
}
}  // namespace

bool RequestSwapInterval() {
    Display* dpy = glXGetCurrentDisplay();
    GLXDrawable drawable = glXGetCurrentDrawable();
    if (!dpy || !drawable) return false;
    const char* ext = glXQueryExtensionsString(dpy, DefaultScreen(dpy));
    if (HasExtension(ext, "GLX_EXT_swap_control")) {
        using Fn = void (*)(Display*, GLXDrawable, int);
        auto fn = reinterpret_cast<Fn>(glXGetProcAddress(reinterpret_cast<const GLubyte*>("glXSwapIntervalEXT")));
        if (fn) {
            fn(dpy, drawable, 1);
            return true;
        }
    }
    if (HasExtension(ext, "GLX_MESA_swap_control")) {
        using Fn = int (*)(unsigned);
        auto fn = reinterpret_cast<Fn>(glXGetProcAddress(reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA")));
        if (fn) return fn(1) == 0;
    }
    return false;
}

void PaceFrame(double frame_ms) {
    using clock = std::chrono::steady_clock;
    static clock::time_point next{};
    const auto now = clock::now();
    const auto step = std::chrono::duration_cast<clock::duration>(std::chrono::duration<double, std::milli>(frame_ms));
    if (next > now && next - now <= step) {
        std::this_thread::sleep_until(next);
        next += step;
    } else {
        next = now + step;  // first frame, or the loop fell behind: start afresh
    }
}
