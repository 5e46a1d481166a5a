// The window's icon and class on X11: _NET_WM_ICON (CARDINAL/32, ARGB) and WM_CLASS on
// the GLUT window, so task bars and window lists show the owl and find the menu entry.
#include "platform/window_icon.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>


std::vector<unsigned long> NetWmIconData(const unsigned char* rgba, int w, int h) {
    std::vector<unsigned long> out;
    if (w <= 0 || h <= 0) return out;
    out.reserve(2 + size_t(w) * size_t(h));
    out.push_back(static_cast<unsigned long>(w));
    out.push_back(static_cast<unsigned long>(h));
    for (int y = h - 1; y >= 0; --y) {  // the file's last row is the top one
        const unsigned char* p = rgba + size_t(y) * size_t(w) * 4;
        for (int x = 0; x < w; ++x, p += 4) {
            out.push_back(static_cast<unsigned long>(p[3]) << 24 | static_cast<unsigned long>(p[0]) << 16 |
                          static_cast<unsigned long>(p[1]) << 8 | static_cast<unsigned long>(p[2]));
        }
    }
    return out;
}

void SetWindowIcon(const unsigned char* rgba, int w, int h) {
    Display* dpy = glXGetCurrentDisplay();
    Window win = glXGetCurrentDrawable();
    if (!dpy || !win) return;
    std::vector<unsigned long> cardinals = NetWmIconData(rgba, w, h);
    if (cardinals.empty()) return;
    Atom net_wm_icon = XInternAtom(dpy, "_NET_WM_ICON", False);
    XChangeProperty(dpy, win, net_wm_icon, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(cardinals.data()), static_cast<int>(cardinals.size()));
    XFlush(dpy);
}

void SetWindowClass() {
    Display* dpy = glXGetCurrentDisplay();
    Window win = glXGetCurrentDrawable();
    if (!dpy || !win) return;
    // Desktops match a window to its menu entry by this class (StartupWMClass).
    char name[] = "strigolo", cls[] = "Strigolo";
    XClassHint hint{name, cls};
    XSetClassHint(dpy, win, &hint);
    XFlush(dpy);
}
