// Frame pacing: swap interval 1 where the driver offers it, and the steady tick
// schedule that keeps a loop at its rate where it does not (as under Xvfb).
#include "platform/pacing.h"

#include <GL/glx.h>

#include <chrono>
#include <cmath>
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

unsigned ScheduleTick(double& next_ms, double now_ms, double period_ms) {
    next_ms += period_ms;
    if (next_ms <= now_ms || next_ms - now_ms > period_ms) next_ms = now_ms + period_ms;
    return unsigned(std::lround(next_ms - now_ms));
}

double MonotonicMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void PaceFrame(double frame_ms) {
    static double next = 0.0;
    const unsigned wait = ScheduleTick(next, MonotonicMs(), frame_ms);
    std::this_thread::sleep_for(std::chrono::milliseconds(wait));
}
