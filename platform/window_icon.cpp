// The window's icon, class and process on X11: _NET_WM_ICON (CARDINAL/32, ARGB), WM_CLASS,
// _NET_WM_PID and WM_CLIENT_MACHINE on the GLUT window, so task bars and window lists
// show the owl and find the menu entry, and tools find the process.
#include "platform/window_icon.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <limits.h>
#include <unistd.h>

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

void SetWindowProcess() {
    Display* dpy = glXGetCurrentDisplay();
    Window win = glXGetCurrentDrawable();
    if (!dpy || !win) return;
    // The pid names a process only on the machine that runs it: both go together.
    char host[HOST_NAME_MAX + 1] = {};
    if (gethostname(host, sizeof host - 1) != 0) return;
    char* names[] = {host};
    XTextProperty machine{};
    if (!XStringListToTextProperty(names, 1, &machine)) return;
    XSetWMClientMachine(dpy, win, &machine);
    XFree(machine.value);
    const unsigned long pid = static_cast<unsigned long>(getpid());
    Atom net_wm_pid = XInternAtom(dpy, "_NET_WM_PID", False);
    XChangeProperty(dpy, win, net_wm_pid, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    XFlush(dpy);
}
