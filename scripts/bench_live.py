"""Live calendars' cost, side by side in one run: the owl with no calendar folder and with
a folder of 10,000 items (first frame, CPU at rest once they are read, peak memory), and
the delay from an item file renamed into the folder to the owl showing its notice (its
notification button's pixel, read from the X server every 2 ms). Used by scripts/bench-live."""
import ctypes
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from bench import cell, measure, owl_window  # noqa: E402
from harness import NOTIFY_ICON, near, solid, start_xvfb, wait_for  # noqa: E402

ITEMS = 10000
NOW = time.time()


def utc(t):
    return time.strftime("%Y%m%dT%H%M%SZ", time.gmtime(t))


def item(uid, start, weekly):
    """One vdir item: a single appointment, or a weekly series with an alarm."""
    rule = "RRULE:FREQ=WEEKLY;COUNT=52\r\n" if weekly else ""
    alarm = "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:x\r\nTRIGGER:-PT10M\r\nEND:VALARM\r\n" if weekly else ""
    return ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//EN\r\nBEGIN:VEVENT\r\nUID:%s\r\n"
            "DTSTAMP:20260101T000000Z\r\nDTSTART:%s\r\nDTEND:%s\r\n%sSUMMARY:Appuntamento %s\r\n"
            "DESCRIPTION:Una descrizione di qualche parola\\, come quelle vere.\r\n%sEND:VEVENT\r\nEND:VCALENDAR\r\n"
            % (uid, utc(start), utc(start + 3600), rule, uid, alarm))


def folder(top, name, count):
    """A config naming one folder of `count` items: single appointments from a year back to
    two months ahead, and every tenth a weekly series of a year starting in three days or
    more; nothing falls due from a day back to two days ahead."""
    path = os.path.join(top, name)
    os.makedirs(path)
    for i in range(count):
        start = NOW - 365 * 86400 + (i * 7919 % (425 * 86400))
        if i % 10 == 0 or NOW - 86400 < start < NOW + 2 * 86400:
            start = NOW + 3 * 86400 + (i * 7919 % (60 * 86400))
        with open(os.path.join(path, "item-%05d.ics" % i), "w") as f:
            f.write(item("bench-%d" % i, start, i % 10 == 0))
    config = os.path.join(top, name + "-config")
    os.makedirs(os.path.join(config, "strigolo"))
    with open(os.path.join(config, "strigolo", "config"), "w") as f:
        f.write("[calendar %s]\npath = %s\n" % (name, path))
    return config, path


class Pixel:
    """Reads one pixel of a window straight from the X server (XGetImage)."""

    def __init__(self, display):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XGetImage.restype = ctypes.c_void_p
        self.x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_int] * 2 + [ctypes.c_uint] * 2 + \
            [ctypes.c_ulong, ctypes.c_int]
        self.x11.XGetPixel.restype = ctypes.c_ulong
        self.x11.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
        self.x11.XDestroyImage.argtypes = [ctypes.c_void_p]
        self.dpy = self.x11.XOpenDisplay(display.encode())

    def rgb(self, window, x, y):
        img = self.x11.XGetImage(self.dpy, window, x, y, 1, 1, 0xFFFFFFFF, 2)  # ZPixmap
        if not img:
            return (0, 0, 0)
        v = self.x11.XGetPixel(img, 0, 0)
        self.x11.XDestroyImage(img)
        return ((v >> 16) & 255, (v >> 8) & 255, v & 255)


def delay_to_notice(owl, work, config, path, rounds=5):
    """Seconds from an item due now renamed into the folder to the notification button
    drawn in the window, for each round (the item is removed and the owl settles between)."""
    xvfb, display = start_xvfb("1280x1024x24")
    env = dict(os.environ, DISPLAY=display, ALSOFT_DRIVERS="null", LIBGL_ALWAYS_SOFTWARE="1", XDG_CONFIG_HOME=config,
               XDG_STATE_HOME=os.path.join(work, "state"))
    proc, delays = None, []
    try:
        proc = subprocess.Popen(owl, cwd=work, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        window = int(wait_for(lambda: owl_window(display), what="the window"))
        time.sleep(3.0)  # the folder read
        pixel = Pixel(display)
        # The notification button: GUI point (420, 455) of 512 by 512, y up, in a 300-pixel window.
        bx, by = int(420 * 300 / 512), int((512 - 455) * 300 / 512)
        for r in range(rounds):
            tmp, final = os.path.join(path, ".due.tmp"), os.path.join(path, "due-%d.ics" % r)
            with open(tmp, "w") as f:
                f.write(item("due-%d" % r, time.time() + 20 * 60, False))
            t0 = time.monotonic()
            os.rename(tmp, final)
            wait_for(lambda: near(pixel.rgb(window, bx, by), NOTIFY_ICON), timeout=10, interval=0.002,
                     what="the notice")
            delays.append(time.monotonic() - t0)
            os.unlink(final)
            wait_for(lambda: not near(pixel.rgb(window, bx, by), NOTIFY_ICON), timeout=10, what="the notice gone")
            time.sleep(0.5)
    finally:
        if proc:
            proc.terminate()
            proc.wait()
        xvfb.terminate()
        xvfb.wait()
    return delays


def main():
    build, seconds = os.path.abspath(sys.argv[1]), float(sys.argv[2])
    work = tempfile.mkdtemp(prefix="strigolo-bench-live-")
    os.mkdir(os.path.join(work, "Data"))
    for name in os.listdir(os.path.join(build, "Data")):
        if name not in ("database.bin", "ic7", "cloud"):
            os.symlink(os.path.join(build, "Data", name), os.path.join(work, "Data", name))
    for name in ("ic7", "cloud"):  # flat, so a pixel tells the notice
        with open(os.path.join(work, "Data", name), "wb") as f:
            f.write(solid(NOTIFY_ICON if name == "ic7" else (220, 30, 220)))
    probe = os.path.join(build, "bench", "libstrigolo_swap_counter_probe.so")
    owl = [os.path.join(build, "app", "strigolo")]
    none_config, _ = folder(work, "empty", 0)
    os.unlink(os.path.join(none_config, "strigolo", "config"))  # no file at all: the owl as before
    made = time.monotonic()
    full_config, full_path = folder(work, "casa", ITEMS)
    made = time.monotonic() - made
    load = os.getloadavg()[0]
    rows = [measure("owl, no calendar folder", owl, work, seconds, probe, extra_env={"XDG_CONFIG_HOME": none_config},
                    settle=10.0),
            measure("owl, a folder of %d items" % ITEMS, owl, work, seconds, probe,
                    extra_env={"XDG_CONFIG_HOME": full_config}, settle=10.0)]
    delays = delay_to_notice(owl, work, full_config, full_path)
    shutil.rmtree(work, ignore_errors=True)
    print("%g s a subject after 10 s settling; Xvfb with openbox, Mesa software rendering; %d items written in "
          "%.1f s; load average %.2f at the start, %.2f at the end, on %d cores"
          % (seconds, ITEMS, made, load, os.getloadavg()[0], os.cpu_count()))
    print("| subject | CPU at rest, % of a core | frames/s | peak RSS, MiB | first frame, ms (median of 5 starts) |")
    print("|---|---|---|---|---|")
    for label, cpu, fps, peak, first in rows:
        print("| %s | %s | %s | %s | %s |" % (label, cell(cpu, "%.1f"), cell(fps, "%.1f"), cell(peak, "%.0f"),
                                             cell(first, "%.0f")))
    print("%d items against none: CPU %+.1f points; peak RSS %+.0f MiB; first frame %+.0f ms"
          % (ITEMS, rows[1][1] - rows[0][1], rows[1][3] - rows[0][3], (rows[1][4] or 0) - (rows[0][4] or 0)))
    print("file renamed in -> notice drawn, beside %d items (reference: under 1000 ms): %s ms"
          % (ITEMS, ", ".join("%.0f" % (d * 1000) for d in delays)))


if __name__ == "__main__":
    main()
