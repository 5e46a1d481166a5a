"""Frame cost of the owl, side by side with its references, in one run. Each subject
runs alone under a fresh Xvfb with openbox and Mesa's software renderer; frames are
counted by a preloaded swap counter (nothing is drawn on top), CPU time comes from
/proc (every thread of the process), peak memory from VmHWM, and the first frame is
the time from start to the first buffer swap. The owl at rest also runs on a calendar of
29,000 events. Used by scripts/bench."""
import ctypes
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness import TITLE, start_xvfb, wait_for  # noqa: E402  (the test harness's own helpers)

TICKS = os.sysconf("SC_CLK_TCK")
SCREEN = (1280, 1024)


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime + stime of every thread


def peak_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def read_swaps(path):
    """(swaps so far, CLOCK_MONOTONIC seconds of the first) from the probe's file."""
    with open(path, "rb") as f:
        return struct.unpack("<Qd", f.read(16))


class PointerCircle:
    """Moves the pointer round a circle of 400 pixels about the screen's centre (outside
    the window) at 60 steps a second, one turn in 4 s, through XWarpPointer."""

    def __init__(self, display):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x11.XWarpPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong] + [ctypes.c_int] * 2 + \
            [ctypes.c_uint] * 2 + [ctypes.c_int] * 2
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.dpy = self.x11.XOpenDisplay(display.encode())
        self.stop = threading.Event()
        self.thread = threading.Thread(target=self.run)
        self.thread.start()

    def run(self):
        root, t0 = self.x11.XDefaultRootWindow(self.dpy), time.monotonic()
        while not self.stop.wait(1 / 60):
            a = (time.monotonic() - t0) * math.pi / 2
            x, y = SCREEN[0] // 2 + int(400 * math.cos(a)), SCREEN[1] // 2 + int(400 * math.sin(a))
            self.x11.XWarpPointer(self.dpy, 0, root, 0, 0, 0, 0, x, y)
            self.x11.XFlush(self.dpy)

    def close(self):
        self.stop.set()
        self.thread.join()
        self.x11.XCloseDisplay(self.dpy)


def xdo(display, *args):
    return subprocess.run(["xdotool"] + list(args), env=dict(os.environ, DISPLAY=display), capture_output=True,
                          text=True).stdout


def owl_window(display):
    return (xdo(display, "search", "--name", "^" + TITLE + "$").split() or [None])[0]


def open_panel(display):
    """Clicks the calendar icon (GUI point 44.5, 465): the event list stays open."""
    window = wait_for(lambda: owl_window(display), what="the window")
    xdo(display, "mousemove", "--window", window, "26", "27", "click", "1")
    return None


def iconify(display):
    window = wait_for(lambda: owl_window(display), what="the window")
    xdo(display, "windowminimize", "--sync", window)
    return None


def circle_pointer(display):
    return PointerCircle(display)


def big_calendar(n=29000):
    """A calendar file of `n` appointments spread over the years ahead (none due), as an
    import of a large calendar leaves it: the reminder scan's cost must not grow with it."""
    record = struct.Struct("<20s512s8if3?x")
    return struct.pack("<i", n) + b"".join(
        record.pack(b"e%d" % i, b"", 1 + i % 28, 1 + i // 28 % 12, 2030 + i // 336, 9 + i % 9, i % 60, 1, 0, 0, 0.0,
                    0, 0, 0) for i in range(n))


def measure(label, cmd, cwd, seconds, probe, prepare=None, gl=True, starts=5, extra_env=None, settle=1.0):
    """One subject: (label, cpu %, fps, peak MiB, first frame ms, the median of `starts`
    starts); the last two are None for a program that does not draw with GL (xeyes).
    `extra_env` is added to the program's environment; `settle` seconds pass before the
    CPU is counted."""
    xvfb, display = start_xvfb("%dx%dx24" % SCREEN)
    scratch = tempfile.mkdtemp(prefix="strigolo-bench-")
    swap_file = os.path.join(scratch, "swaps")
    with open(swap_file, "wb") as f:
        f.write(bytes(16))
    env = dict(os.environ, DISPLAY=display, ALSOFT_DRIVERS="null", LIBGL_ALWAYS_SOFTWARE="1", LD_PRELOAD=probe,
               STRIGOLO_SWAP_FILE=swap_file, **(extra_env or {}))
    env.pop("GALLIUM_HUD", None)
    wm = proc = mover = None
    try:
        wm = subprocess.Popen(["openbox", "--sm-disable"], env=env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
        wait_for(lambda: "_NET_SUPPORTED(ATOM)" in subprocess.run(
            ["xprop", "-root", "_NET_SUPPORTED"], env=env, capture_output=True, text=True).stdout,
            what="the window manager")
        xdo(display, "mousemove", "5", "5")  # far from the window
        time.sleep(0.5)
        firsts = []
        for start in range(starts if gl else 1):  # the last start is the one measured on
            if proc:
                proc.terminate(), proc.wait()
            with open(swap_file, "wb") as f:
                f.write(bytes(16))
            t0 = time.monotonic()
            proc = subprocess.Popen(cmd, cwd=cwd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if gl:
                wait_for(lambda: read_swaps(swap_file)[0] > 0, timeout=20, what="the first frame of " + label)
                firsts.append(read_swaps(swap_file)[1] - t0)
        first = sorted(firsts)[len(firsts) // 2] if firsts else None  # the median start
        time.sleep(0.5)
        if prepare:
            mover = prepare(display)
        time.sleep(settle)
        c0, w0, s0 = cpu_seconds(proc.pid), time.monotonic(), read_swaps(swap_file)[0]
        time.sleep(seconds)
        c1, w1, s1 = cpu_seconds(proc.pid), time.monotonic(), read_swaps(swap_file)[0]
        peak = peak_kib(proc.pid)
        fps = (s1 - s0) / (w1 - w0) if first is not None else None
        return (label, 100.0 * (c1 - c0) / (w1 - w0), fps, peak / 1024.0,
                first * 1000 if first is not None else None)
    finally:
        if mover:
            mover.close()
        for p in (proc, wm):
            if p and p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(scratch, ignore_errors=True)


def cell(value, fmt):
    return (fmt % value) if value is not None else ""


def main():
    build, seconds = os.path.abspath(sys.argv[1]), float(sys.argv[2])
    work, big = tempfile.mkdtemp(prefix="strigolo-bench-"), tempfile.mkdtemp(prefix="strigolo-bench-")
    for folder in (work, big):
        os.mkdir(os.path.join(folder, "Data"))
        for name in os.listdir(os.path.join(build, "Data")):
            if name != "database.bin":
                os.symlink(os.path.join(build, "Data", name), os.path.join(folder, "Data", name))
    with open(os.path.join(big, "Data", "database.bin"), "wb") as f:
        f.write(big_calendar())
    probe = os.path.join(build, "bench", "libstrigolo_swap_counter_probe.so")
    owl = [os.path.join(build, "app", "strigolo")]
    subjects = [
        ("empty frame (60 fps floor)", [os.path.join(build, "bench", "strigolo_empty_frame")], None),
        ("owl at rest, pointer away", owl, None),
        ("owl at rest, 29,000 events", owl, None, big),
        ("owl, pointer circling", owl, circle_pointer),
        ("owl, event list open", owl, open_panel),
        ("owl iconified", owl, iconify),
        ("xeyes, 300x300", ["xeyes", "-geometry", "300x300"], None),
    ]
    load = os.getloadavg()[0]
    rows = [measure(label, cmd, (where or [work])[0], seconds, probe, prepare, gl=cmd[0] != "xeyes")
            for label, cmd, prepare, *where in subjects]
    shutil.rmtree(work, ignore_errors=True)
    shutil.rmtree(big, ignore_errors=True)
    print("%g s a subject; Xvfb %dx%d with openbox, Mesa software rendering; load average %.2f at the start, "
          "%.2f at the end, on %d cores" % (seconds, SCREEN[0], SCREEN[1], load, os.getloadavg()[0], os.cpu_count()))
    print("| subject | CPU, % of a core | frames/s | peak RSS, MiB | first frame, ms (median of 5 starts) |")
    print("|---|---|---|---|---|")
    for label, cpu, fps, peak, first in rows:
        print("| %s | %s | %s | %s | %s |" % (label, cell(cpu, "%.1f"), cell(fps, "%.1f"), cell(peak, "%.0f"),
                                             cell(first, "%.0f")))
    floor = rows[0]
    print("owl at rest above the empty frame: %+.1f points; peak RSS %+.0f MiB; first frame %+.0f ms"
          % (rows[1][1] - floor[1], rows[1][3] - floor[3], (rows[1][4] or 0) - (floor[4] or 0)))
    print("owl at rest with 29,000 events above the empty calendar: %+.1f points" % (rows[2][1] - rows[1][1]))


if __name__ == "__main__":
    main()
