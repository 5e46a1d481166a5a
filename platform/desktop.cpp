// The desktop as X11 describes it: screen size, RandR 1.5 monitors, pointer and
// resource string on a short-lived connection; where the GLUT window and its frame sit.
#include "platform/desktop.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace {

// The monitors of RandR 1.5 (XRRGetMonitors); older servers and servers without RandR
// leave the list empty, and the caller then treats the screen as one monitor.
std::vector<Monitor> ReadMonitors(Display* dpy, Window root) {
    std::vector<Monitor> out;
    int event_base = 0, error_base = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(dpy, &event_base, &error_base) || !XRRQueryVersion(dpy, &major, &minor) ||
        major * 100 + minor < 105) {
        return out;
    }
    int n = 0;
    XRRMonitorInfo* info = XRRGetMonitors(dpy, root, True, &n);
    for (int i = 0; info && i < n; ++i) {
        if (info[i].width > 0 && info[i].height > 0)
            out.push_back({{info[i].x, info[i].y, info[i].width, info[i].height}, info[i].primary != 0});
    }
    if (info) XRRFreeMonitors(info);
    return out;
}

}  // namespace

bool ReadDesktopFacts(const char* display_name, DesktopFacts& out) {
    Display* dpy = XOpenDisplay(display_name);
    if (!dpy) return false;
    const int screen = DefaultScreen(dpy);
    const Window root = RootWindow(dpy, screen);
    out.screen = {0, 0, DisplayWidth(dpy, screen), DisplayHeight(dpy, screen)};
    out.monitors = ReadMonitors(dpy, root);

    Window root_ret = 0, child = 0;
    int wx = 0, wy = 0;
    unsigned int mask = 0;
    out.pointer_known = XQueryPointer(dpy, root, &root_ret, &child, &out.pointer_x, &out.pointer_y, &wx, &wy, &mask);

    const char* resources = XResourceManagerString(dpy);
    out.resources = resources ? resources : "";
    XCloseDisplay(dpy);
    return true;
}

bool GetWindowPlacement(int& x, int& y, bool& frame_known, int& left, int& top) {
    Display* dpy = glXGetCurrentDisplay();
    Window win = glXGetCurrentDrawable();
    if (!dpy || !win) return false;
    Window child = 0;
    if (!XTranslateCoordinates(dpy, win, DefaultRootWindow(dpy), 0, 0, &x, &y, &child)) return false;

    // _NET_FRAME_EXTENTS: left, right, top, bottom, the frame's widths around the client.
    frame_known = false;
    Atom extents = XInternAtom(dpy, "_NET_FRAME_EXTENTS", False);
    Atom type = None;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, win, extents, 0, 4, False, XA_CARDINAL, &type, &format, &n, &after, &data) ==
            Success &&
        data) {
        if (format == 32 && n == 4) {
            const long* e = reinterpret_cast<const long*>(data);
            left = int(e[0]);
            top = int(e[2]);
            frame_known = true;
        }
        XFree(data);
    }
    return true;
}
