// The window on X11: the single-instance test, always-on-top, and the pointer's
// position for the owl's eyes.
#include "platform/window.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <poll.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The connection that holds the instance selection; it stays open for the life of
// the process, and the X server releases the selection when the process ends.
Display* lock_display = nullptr;

bool HasTitle(Display* dpy, Window w, const char* title) {
    bool found = false;
    // _NET_WM_NAME (UTF-8) first, then the classic WM_NAME.
    Atom net_name = XInternAtom(dpy, "_NET_WM_NAME", False);
    Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, w, net_name, 0, 256, False, utf8, &type, &format, &n, &after, &data) == Success &&
        data) {
        found = std::strlen(title) == n && std::memcmp(data, title, n) == 0;
        XFree(data);
    }
    if (!found) {
        char* name = nullptr;
        if (XFetchName(dpy, w, &name) && name) {
            found = std::strcmp(name, title) == 0;
            XFree(name);
        }
    }
    return found;
}

// Top-level windows sit under the root, or one or two levels down inside the
// window manager's frames.
bool FindTitled(Display* dpy, Window w, const char* title, int depth) {
    Window root_ret = 0, parent = 0;
    Window* children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(dpy, w, &root_ret, &parent, &children, &n)) return false;
    bool found = false;
    for (unsigned int i = 0; i < n && !found; ++i) {
        found = HasTitle(dpy, children[i], title) || (depth > 0 && FindTitled(dpy, children[i], title, depth - 1));
    }
    if (children) XFree(children);
    return found;
}

int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

bool get_cursor_fixed = false;
int fixed_x = 0, fixed_y = 0;

}  // namespace

InstanceClaim ClaimSingleInstance(const char* title, const char* display_name) {
    Display* dpy = XOpenDisplay(display_name);
    if (!dpy) return InstanceClaim::kNoDisplay;
    auto old_handler = XSetErrorHandler(IgnoreXErrors);  // windows may vanish while we look

    const std::string sel_name = "STRIGOLO_INSTANCE_S" + std::to_string(DefaultScreen(dpy));
    Atom selection = XInternAtom(dpy, sel_name.c_str(), False);
    Window owner_window = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);

    // Look and claim under a server grab, so two copies starting at the same instant
    // cannot both find the place free.
    XGrabServer(dpy);
    bool running = XGetSelectionOwner(dpy, selection) != None ||
                   FindTitled(dpy, DefaultRootWindow(dpy), title, 2);
    if (!running) XSetSelectionOwner(dpy, selection, owner_window, CurrentTime);
    XUngrabServer(dpy);
    XSync(dpy, False);
    if (!running) running = XGetSelectionOwner(dpy, selection) != owner_window;
    XSetErrorHandler(old_handler);

    if (running) {
        XCloseDisplay(dpy);
        return InstanceClaim::kAlreadyRunning;
    }
    lock_display = dpy;
    return InstanceClaim::kFirst;
}

void MarkWindowAbove() {
    Display* dpy = glXGetCurrentDisplay();
    Window win = glXGetCurrentDrawable();
    if (!dpy || !win) return;
    // Before the window manager manages the window, the initial state is a property.
    // Given whatever _NET_SUPPORTED says: a window manager that starts after us reads it.
    Atom wm_state = XInternAtom(dpy, "_NET_WM_STATE", False);
    Atom above = XInternAtom(dpy, "_NET_WM_STATE_ABOVE", False);
    XChangeProperty(dpy, win, wm_state, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&above), 1);
    XFlush(dpy);
}

void KeepAboveOthers() {
    Display* dpy = glXGetCurrentDisplay();
    Window win = glXGetCurrentDrawable();
    if (!dpy || !win) return;
    Atom wm_state = XInternAtom(dpy, "_NET_WM_STATE", False);
    Atom above = XInternAtom(dpy, "_NET_WM_STATE_ABOVE", False);
    // A manager that does not list the state ignores the request; one that starts
    // later hears it again (WindowManagerAppeared).
    // Once the window is managed, a state change is a request to the root window.
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = win;
    ev.xclient.message_type = wm_state;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = 1;  // _NET_WM_STATE_ADD
    ev.xclient.data.l[1] = static_cast<long>(above);
    ev.xclient.data.l[3] = 1;  // from a normal application
    XSendEvent(dpy, DefaultRootWindow(dpy), False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    XFlush(dpy);
}

bool WindowManagerAppeared() {
    static bool watching = false;
    static Atom check = None;
    if (!lock_display) return false;
    if (!watching) {
        // The instance claim's own connection: GLUT never reads its events.
        check = XInternAtom(lock_display, "_NET_SUPPORTING_WM_CHECK", False);
        XSelectInput(lock_display, DefaultRootWindow(lock_display), PropertyChangeMask);
        XFlush(lock_display);
        watching = true;
    }
    bool appeared = false;
    while (XPending(lock_display) > 0) {
        XEvent ev;
        XNextEvent(lock_display, &ev);
        if (ev.type == PropertyNotify && ev.xproperty.atom == check && ev.xproperty.state == PropertyNewValue)
            appeared = true;
    }
    return appeared;
}

void WaitForWindowEvents(int timeout_ms) {
    Display* dpy = glXGetCurrentDisplay();
    pollfd fds[2] = {{-1, POLLIN, 0}, {-1, POLLIN, 0}};
    if (dpy) {
        XFlush(dpy);
        // Replies read since GLUT last looked may have brought events with them.
        if (XEventsQueued(dpy, QueuedAlready) > 0) return;
        fds[0].fd = ConnectionNumber(dpy);
    }
    if (lock_display) fds[1].fd = ConnectionNumber(lock_display);
    ::poll(fds, 2, timeout_ms < 0 ? 0 : timeout_ms);  // an fd of -1 is skipped
    // The root window's changes wait in the queue for the next tick's look
    // (WindowManagerAppeared); read off the socket, they do not wake the next wait.
    if (lock_display && (fds[1].revents & POLLIN)) XEventsQueued(lock_display, QueuedAfterReading);
}

bool GetCursorPos(int& x, int& y) {
    if (get_cursor_fixed) {
        x = fixed_x;
        y = fixed_y;
        return true;
    }
    Display* dpy = glXGetCurrentDisplay();
    if (!dpy) return false;
    Window root_ret = 0, child = 0;
    int wx = 0, wy = 0;
    unsigned int mask = 0;
    return XQueryPointer(dpy, DefaultRootWindow(dpy), &root_ret, &child, &x, &y, &wx, &wy, &mask);
}

bool GetCursorInWindow(int& x, int& y) {
    if (get_cursor_fixed) {
        x = fixed_x - glutGet(GLUT_WINDOW_X);
        y = fixed_y - glutGet(GLUT_WINDOW_Y);
        return true;
    }
    Display* dpy = glXGetCurrentDisplay();
    Window win = glXGetCurrentDrawable();
    if (!dpy || !win) return false;
    Window root_ret = 0, child = 0;
    int rx = 0, ry = 0;
    unsigned int mask = 0;
    return XQueryPointer(dpy, win, &root_ret, &child, &rx, &ry, &x, &y, &mask) == True;
}

void SetCursorPosForTesting(bool enable, int x, int y) {
    get_cursor_fixed = enable;
    fixed_x = x;
    fixed_y = y;
}

void RaiseAndRestoreWindow() {
    Display* dpy = glXGetCurrentDisplay();
    Window win = glXGetCurrentDrawable();
    if (!dpy || !win) return;
    XMapRaised(dpy, win);  // an iconified window asks to be normal again by being mapped
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = win;
    ev.xclient.message_type = XInternAtom(dpy, "_NET_ACTIVE_WINDOW", False);
    ev.xclient.format = 32;
    // From a pager: the user asked for it by clicking the notification, so a window
    // manager that guards focus against applications lets it through.
    ev.xclient.data.l[0] = 2;
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, DefaultRootWindow(dpy), False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    XFlush(dpy);
}
