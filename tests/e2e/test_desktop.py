"""The window on the desktop: the command line, the scale from xrdb's Xft.dpi and from
--scale, centring on a primary RandR monitor, the process id on the window, and the
place remembered across starts under a window manager (no drift by the frame), with a
damaged or off-screen place falling back to centring."""
import ctypes
import os
import re
import subprocess
import sys
import time

from harness import BIN, Session, wait_for

ICON_CALENDAR = (44.5, 465)


class MonitorInfo(ctypes.Structure):  # XRRMonitorInfo
    _fields_ = [("name", ctypes.c_ulong)] + [(n, ctypes.c_int) for n in (
        "primary", "automatic", "noutput", "x", "y", "width", "height", "mwidth", "mheight")] + [
        ("outputs", ctypes.c_void_p)]


def add_primary_monitor(display, x, y, w, h):
    """Defines a primary RandR monitor, as `xrandr --setmonitor` would; the server keeps
    it only while the connection that made it is open, so the connection is returned."""
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


def check_command_line():
    """Answers without a display: usage and version on stdout, a wrong option on stderr."""
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    for args, code, out, err in ((["--help"], 0, r"^Usage: strigolo .*STRIGOLO_SCALE.*XDG_STATE_HOME", r"^$"),
                                 (["--version"], 0, r"^strigolo \d+\.\d+\n$", r"^$"),
                                 (["--scale", "2", "--frobnicate"], 2, r"^$",
                                  r"^strigolo: unknown option --frobnicate\nUsage: strigolo ")):
        r = subprocess.run([BIN] + args, env=env, capture_output=True, text=True, timeout=20)
        assert r.returncode == code, (args, r)
        assert re.search(out, r.stdout, re.S) and re.search(err, r.stderr, re.S), (args, r.stdout, r.stderr)


def check_scale_and_primary_monitor():
    with Session(width=1280, height=1024) as s:
        s.run(["xrdb", "-merge"], input="Xft.dpi: 192\n")
        monitor = add_primary_monitor(s.display, 640, 0, 640, 1024)
        assert monitor, "no RandR monitor"
        app = s.start()
        assert s.geometry() == (640 + (640 - 600) // 2, (1024 - 600) // 2, 600, 600), s.geometry()
        pid = s.run(["xdotool", "getwindowpid", str(s.window)]).stdout.strip()
        assert pid == str(app.proc.pid), (pid, app.proc.pid)
        scene = s.screenshot()
        s.click(*ICON_CALENDAR)
        s.move(256, 300)
        assert s.screenshot().region_differs(scene, 0, 0, 600, 600), "the calendar icon did not open the list"
        app.stop()

        s.start(command=[BIN, "--scale", "1.5"])  # beats Xft.dpi
        assert s.geometry()[2:] == (450, 450), s.geometry()


def check_place_remembered():
    with Session(wm=True, width=1024, height=768) as s:
        app = s.start()
        centred = s.geometry()
        s.run(["xdotool", "windowmove", str(s.window), "100", "80"])
        moved = wait_for(lambda: s.geometry() != centred and s.geometry(), what="the move")
        wait_for(lambda: os.path.exists(s.state_path()), what="the place written")
        written = os.stat(s.state_path()).st_mtime_ns
        app.stop()
        for round_no in range(2):  # no drift by the frame, start after start
            app = s.start()
            assert s.geometry() == moved, (round_no, s.geometry(), moved)
            time.sleep(1.5)  # past the wait after a move, so a wrong write would have happened
            app.stop()
        assert os.stat(s.state_path()).st_mtime_ns == written, "rewritten though the place did not change"

        for content, complaint in ((b"place 5000 100\n", False), (b"\x00garbage", True)):
            with open(s.state_path(), "wb") as f:
                f.write(content)
            app = s.start()
            assert s.geometry() == centred, (content, s.geometry(), centred)
            lines = [l for l in app.stderr().splitlines() if "window-place" in l]
            assert len(lines) == int(complaint), (content, app.stderr())
            time.sleep(1.5)
            app.stop()
            with open(s.state_path(), "rb") as f:
                assert f.read() == content, "a place the window did not move from was written"


if __name__ == "__main__":
    check_command_line()
    check_scale_and_primary_monitor()
    check_place_remembered()
    print("desktop: all checks passed")
    sys.exit(0)
