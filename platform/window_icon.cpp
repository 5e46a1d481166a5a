// The window's icon and class on X11: _NET_WM_ICON (CARDINAL/32, ARGB) and WM_CLASS on
// the GLUT window, so task bars and window lists show the owl and find the menu entry.
#include "platform/window_icon.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdio>
#include <fstream>

namespace {
int32_t ReadLe32(const unsigned char* p) {
    return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}
}  // namespace

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

bool ParseWindowIcon(const unsigned char* data, size_t size, WindowIconPicture& out, std::string& error) {
    if (size < 8) {
        error = "shorter than its 8-byte header";
        return false;
    }
    const int32_t w = ReadLe32(data), h = ReadLe32(data + 4);
    if (w < 1 || h < 1 || w > kMaxWindowIconSide || h > kMaxWindowIconSide) {
        error = "size " + std::to_string(w) + " by " + std::to_string(h) + " is not an icon's";
        return false;
    }
    const size_t bytes = size_t(w) * size_t(h) * 4;
    if (size - 8 < bytes) {
        error = "holds " + std::to_string(size - 8) + " of its " + std::to_string(bytes) + " pixel bytes";
        return false;
    }
    out.w = w;
    out.h = h;
    out.rgba.assign(data + 8, data + 8 + bytes);
    return true;
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

bool IdentifyWindow(const char* path) {
    Display* dpy = glXGetCurrentDisplay();
    Window win = glXGetCurrentDrawable();
    if (dpy && win) {
        // Desktops match a window to its menu entry by this class (StartupWMClass).
        char name[] = "strigolo", cls[] = "Strigolo";
        XClassHint hint{name, cls};
        XSetClassHint(dpy, win, &hint);
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "strigolo: window icon %s is missing; the task bar shows no owl\n", path);
        return false;
    }
    // An icon file is a few kilobytes; read at most the largest one allowed.
    const size_t limit = 8 + size_t(kMaxWindowIconSide) * kMaxWindowIconSide * 4;
    std::vector<unsigned char> bytes(limit);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
    bytes.resize(static_cast<size_t>(in.gcount()));
    WindowIconPicture icon;
    std::string error;
    if (!ParseWindowIcon(bytes.data(), bytes.size(), icon, error)) {
        std::fprintf(stderr, "strigolo: window icon %s is damaged (%s); the task bar shows no owl\n", path,
                     error.c_str());
        return false;
    }
    SetWindowIcon(icon.rgba.data(), icon.w, icon.h);
    return true;
}
