"""The window on the desktop. Under plain X with Xft.dpi 192, a primary RandR monitor and
a damaged installation: each damaged picture named once and drawn as nothing, FIFOs and a
calendar linked to /dev/urandom never read; the title, the size and place on the monitor,
icons answering at their scaled places, the process id and host on the window; one copy
only when three start at once; --scale beats Xft.dpi. Under openbox: centred allowing
for the frame, kept above, the place remembered without drift and a damaged place file
told and ignored. Started before any window manager: kept above by the one that starts
later, and by the one that replaces it."""
import ctypes
import os
import re
import socket
import struct
import subprocess
import time

from harness import BIN, CALENDAR, TITLE, Program, Session, near, raw_texture, wait_for


class MonitorInfo(ctypes.Structure):  # XRRMonitorInfo
    _fields_ = [("name", ctypes.c_ulong)] + [(n, ctypes.c_int) for n in (
        "primary automatic noutput x y width height mwidth mheight".split())] + [("outputs", ctypes.c_void_p)]


def add_primary_monitor(display, x, y, w, h):
    """As `xrandr --setmonitor`; the server keeps the monitor while the returned connection is open."""
    x11, xrr = ctypes.CDLL("libX11.so.6"), ctypes.CDLL("libXrandr.so.2")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XDefaultRootWindow.restype = x11.XInternAtom.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = x11.XSync.argtypes = x11.XInternAtom.argtypes = [ctypes.c_void_p]
    xrr.XRRSetMonitor.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(MonitorInfo)]
    dpy = ctypes.c_void_p(x11.XOpenDisplay(display.encode()))
    info = MonitorInfo(x11.XInternAtom(dpy, b"STRIGOLO-TEST", 0), 1, 0, 0, x, y, w, h, w // 4, h // 4, None)
    xrr.XRRSetMonitor(dpy, x11.XDefaultRootWindow(dpy), ctypes.byref(info))
    x11.XSync(dpy, 0)
    return dpy


def check_plain_x():
    with Session() as s:
        s.write_data("background", raw_texture(1, 1, [0, 0, 0, 255]))
        s.write_data("tree", raw_texture(1, 1, [255, 0, 0, 128]))  # half-transparent red over black
        # Damaged: a size larger than the file, negative sizes, a cut header, missing, FIFOs.
        for name, content in (("hat", struct.pack("<ii", 30000, 30000) + b"\xff" * 64), ("circle", b"\1\0"),
                              ("cloud", struct.pack("<ii", -5, 7) + bytes(16)), ("ic2", None),
                              ("stand_01", "fifo"), ("sleep.zfx", "fifo"), ("icon", "fifo")):
            os.unlink(s.data_path(name))
            if content == "fifo":
                os.mkfifo(s.data_path(name))
            elif content:
                s.write_data(name, content)
        os.symlink("/dev/urandom", s.data_path("database.bin"))
        s.run(["xrdb", "-merge"], input="Xft.dpi: 192\n")
        monitor = add_primary_monitor(s.display, 640, 0, 640, 1024)  # kept while the session runs
        app = s.start()
        assert s.geometry() == (640 + (640 - 600) // 2, (1024 - 600) // 2, 600, 600), s.geometry()
        assert s.run(["xdotool", "getwindowname", str(s.window)]).stdout == TITLE + "\n"
        assert s.run(["xdotool", "getwindowpid", str(s.window)]).stdout.split() == [str(app.proc.pid)]
        assert '"%s"' % socket.gethostname() in s.prop("WM_CLIENT_MACHINE"), s.prop("WM_CLIENT_MACHINE")
        r, g, b = s.screenshot().gui_pixel(470, 120)  # right of the owl, below the cloud
        assert abs(r - 128) <= 3 and g <= 3 and b <= 3, (r, g, b)
        s.click(*CALENDAR)  # the icons answer at their scaled places: the list covers the scene
        wait_for(lambda: not near(s.screenshot().gui_pixel(470, 120), (r, g, b), 24), what="the list opened at 2x")
        for name in ("hat", "cloud", "circle", "ic2", "stand_01", "sleep.zfx", "icon", "database.bin"):
            assert len([l for l in app.stderr().splitlines() if re.search(r"Data/%s( |$)" % name, l)]) == 1, \
                (name, app.stderr())
        assert app.rss_kb() < 400 * 1024 and os.readlink(s.data_path("database.bin")) == "/dev/urandom"

        # Three copies started at once: two exit at once with 0, one shows the window.
        app.stop()
        starts = [subprocess.Popen([BIN, "--scale", "1.5"], cwd=s.workdir, env=s.env(), stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL) for _ in range(3)]
        s.programs += [Program(p, app.stderr_path) for p in starts]  # stopped with the session
        codes = wait_for(lambda: [p.poll() for p in starts].count(None) == 1 and [p.poll() for p in starts],
                         timeout=60, what="two of three copies to leave")
        s.window = wait_for(lambda: (s.windows() or [None])[0], what="the window")
        assert sorted(codes, key=str) == [0, 0, None] and len(s.windows()) == 1, (codes, s.windows())
        assert wait_for(lambda: s.geometry()[2:] == (450, 450), what="the window at --scale 1.5")


def check_window_manager():
    with Session(wm=True, width=1024, height=768) as s:
        app = s.start()
        x, y, w, h = centred = s.geometry()
        assert (w, h) == (300, 300) and abs(x - 362) <= 12 and 0 <= y - 234 <= 40, centred  # the frame's bar
        wait_for(lambda: "_NET_WM_STATE_ABOVE" in s.prop("_NET_WM_STATE"), what="the above state")
        place = os.path.join(s.workdir, "state", "strigolo", "window-place")
        s.run(["xdotool", "windowmove", str(s.window), "100", "80"])
        moved = wait_for(lambda: s.geometry() != centred and s.geometry(), what="the move")
        wait_for(lambda: os.path.exists(place), what="the place written")
        app.stop()
        app = s.start()
        assert s.geometry() == moved, (s.geometry(), moved)  # no drift by the frame
        app.stop()
        with open(place, "wb") as f:
            f.write(b"\0garbage")
        app = s.start()
        complaints = [l for l in app.stderr().splitlines() if "window-place" in l]
        assert s.geometry() == centred and len(complaints) == 1, (s.geometry(), app.stderr())


def check_late_window_manager():
    """Started before any window manager (autostart ahead of it at login), then under
    openbox, then under another openbox that replaces it: kept above by each."""
    with Session() as s:
        s.start()
        for command in (["openbox", "--sm-disable"], ["openbox", "--sm-disable", "--replace"]):
            before = s.prop("_NET_FRAME_EXTENTS")
            s.procs.append(subprocess.Popen(command, env=s.env(), stdout=subprocess.DEVNULL,
                                            stderr=subprocess.DEVNULL))
            if "--replace" in command:
                wait_for(lambda: s.procs[-2].poll() is not None, what="the first openbox to leave")
            wait_for(lambda: "=" in s.prop("_NET_FRAME_EXTENTS") and s.prop("_NET_FRAME_EXTENTS") != before
                     or "--replace" in command, what="openbox to frame the window")
            time.sleep(2)  # the owl asks again a second after a manager appears
            assert "_NET_WM_STATE_ABOVE" in s.prop("_NET_WM_STATE"), (command, s.prop("_NET_WM_STATE"))


if __name__ == "__main__":
    check_plain_x()
    check_window_manager()
    check_late_window_manager()
    print("window: all checks passed")
