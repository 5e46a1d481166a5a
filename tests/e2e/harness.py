"""The real program under a private Xvfb (with openbox, libfaketime or OpenAL Soft's wave
writer when asked), driven by xdotool; GUI points are 512 by 512 over the window, y up."""
import os
import re
import shutil
import struct
import subprocess
import tempfile
import time

TITLE = "Strigolo Assistant    v.1.1"
BIN, DATA = os.environ.get("STRIGOLO_BIN", ""), os.environ.get("STRIGOLO_DATA", "")
FAKETIME = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"
# Controls: the icon menu, the calendar's list and editor, the notification button.
CALENDAR, SOUND, ADD, CONFIRM = (44.5, 465), (44.5, 45), (447.12, 436.5), (476.62, 436.5)
TRASH = CHECK = (485.12, 486)  # the panel's corner button: trash in the list, check in a view
TITLE_BOX, YEAR_UP, ROW0, BUTTON = (120, 220), (210, 410), (241.5, 390), (435, 440)
RECORD = struct.Struct("<20s512s8if3?x")  # title, text, day month year hour min wday kind mode, te, 3 flags
OWL, CLOUD, NOTIFY_ICON = (220, 30, 30), (220, 30, 220), (30, 220, 220)


def wait_for(predicate, timeout=30.0, interval=0.05, what="condition"):
    """Polls predicate until it returns a true value, which is returned."""
    deadline = time.monotonic() + timeout
    while not (value := predicate()):
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(interval)
    return value


class Image:
    """A screenshot: RGB bytes, row 0 at the top."""

    def __init__(self, ppm):
        m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
        self.width, self.height, self.rgb = int(m[1]), int(m[2]), ppm[m.end():]

    def pixel(self, x, y):
        return tuple(self.rgb[(y * self.width + x) * 3:(y * self.width + x) * 3 + 3])

    def gui_pixel(self, gx, gy):
        return self.pixel(min(self.width - 1, int(gx * self.width / 512)),
                          min(self.height - 1, int((512 - gy) * self.height / 512)))


def near(rgb, want, tol=40):
    return max(abs(a - b) for a, b in zip(rgb, want)) <= tol


def raw_texture(width, height, rgba):
    """A raw picture file: int32 width, int32 height, RGBA bytes, bottom row first."""
    return struct.pack("<ii", width, height) + bytes(rgba)


def solid(rgb):
    return raw_texture(2, 2, (list(rgb) + [255]) * 4)


def database(*records):
    """A calendar file of (title, day, month, year, hour, min, wday, kind, mode) records."""
    return struct.pack("<i", len(records)) + b"".join(
        RECORD.pack(r[0].encode(), b"", *r[1:], 0.0, 0, 0, 0) for r in records)


def start_xvfb(size):
    """Xvfb on a display number it picks itself: (the process, ":N")."""
    r, w = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", size, "-nolisten", "tcp", "-noreset"],
                            pass_fds=(w,), stderr=subprocess.DEVNULL)
    os.close(w)
    with os.fdopen(r) as f:
        return xvfb, ":" + f.readline().strip()


class Program:
    def __init__(self, proc, stderr_path):
        self.proc, self.stderr_path = proc, stderr_path

    def running(self):
        return self.proc.poll() is None

    def stderr(self):
        with open(self.stderr_path, errors="replace") as f:
            return f.read()

    def rss_kb(self):
        with open("/proc/%d/status" % self.proc.pid) as f:
            return int(next(l for l in f if l.startswith("VmRSS:")).split()[1])

    def stop(self):
        self.proc.terminate()
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()


class Session:
    """An X server (and openbox with wm=True) and a working folder whose Data/ links the
    built assets; a case replaces any of them with write_data."""

    def __init__(self, wm=False, width=1280, height=1024):
        self.wm, self.size, self.procs, self.programs, self.window = wm, "%dx%dx24" % (width, height), [], [], None
        self.workdir = tempfile.mkdtemp(prefix="strigolo-e2e-")
        os.mkdir(self.data_path(""))
        for name in set(os.listdir(DATA)) - {"database.bin"}:
            os.symlink(os.path.join(DATA, name), self.data_path(name))

    def __enter__(self):
        try:
            xvfb, self.display = start_xvfb(self.size)
            self.procs.append(xvfb)
            if self.wm:
                self.procs.append(subprocess.Popen(["openbox", "--sm-disable"], env=self.env(),
                                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
                wait_for(lambda: "_NET_WM_ACTION" in self.run(["xprop", "-root", "_NET_SUPPORTED"]).stdout,
                         what="the window manager")
        except BaseException:
            self.__exit__()
            raise
        return self

    def __exit__(self, *exc):
        for p in self.programs:
            p.stop()
        for p in reversed(self.procs):
            p.terminate()
            p.wait(10)
        shutil.rmtree(self.workdir, ignore_errors=True)

    def env(self, extra=None):
        # The user's own config (a strigolo or khal one) is not the test's: a folder of its own.
        env = dict(os.environ, DISPLAY=self.display, XDG_STATE_HOME=os.path.join(self.workdir, "state"),
                   XDG_CONFIG_HOME=os.path.join(self.workdir, "config"))
        if "STRIGOLO_PRIVATE_BUS" not in env:  # the user's session bus is not the test's: no desktop notifications
            env.pop("DBUS_SESSION_BUS_ADDRESS", None)
            env["XDG_RUNTIME_DIR"] = self.workdir
        return dict(env, **(extra or {}))

    def run(self, cmd, **kw):
        return subprocess.run(cmd, env=self.env(), capture_output=True, text=True, **kw)

    def start(self, command=None, faketime=None, env=None, wait=True, cwd=None, sound=None):
        """Starts the program (or `command`) in the working folder. faketime is libfaketime's
        FAKETIME ("@2026-12-04 09:05:03 x10" runs the clock from then, ten times faster);
        sound=(rate, sample type) records what is played, mono, into self.wav."""
        env = dict(env or {})
        if faketime:  # preloaded ahead of the sanitizer runtime, which is told so
            env.update(LD_PRELOAD=":".join(filter(None, [FAKETIME, env.get("LD_PRELOAD")])), FAKETIME=faketime,
                       FAKETIME_NO_CACHE="1", DONT_FAKE_MONOTONIC="0",
                       ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") + ":verify_asan_link_order=0")
        if sound:
            self.wav, conf = os.path.join(self.workdir, "out.wav"), os.path.join(self.workdir, "alsoft.conf")
            with open(conf, "w") as f:
                f.write("[general]\nchannels=mono\nsample-type=%s\nfrequency=%d\n[wave]\nfile=%s\n"
                        % (sound[1], sound[0], self.wav))
            env.update(ALSOFT_DRIVERS="wave", ALSOFT_CONF=conf)
        stderr_path = os.path.join(self.workdir, "stderr-%d.txt" % len(self.programs))
        with open(stderr_path, "w") as err:
            proc = subprocess.Popen(command or [BIN], cwd=cwd or self.workdir, env=self.env(env),
                                    stdout=subprocess.DEVNULL, stderr=err)
        self.programs.append(Program(proc, stderr_path))
        if wait:
            self.window = wait_for(lambda: (self.windows() or [None])[0], what="the window")
            wait_for(lambda: any(self.screenshot().rgb), what="the first frame")
            time.sleep(0.5)
        return self.programs[-1]

    def windows(self):
        return [int(w) for w in self.run(["xdotool", "search", "--name", "^%s$" % TITLE]).stdout.split()]

    def prop(self, name):
        return self.run(["xprop", "-id", str(self.window), name]).stdout

    def geometry(self):
        """(x, y, width, height) of the window's client area on the screen."""
        out = self.run(["xwininfo", "-id", str(self.window)]).stdout
        return tuple(int(re.search(key + r":\s+(-?\d+)", out)[1])
                     for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

    def move(self, gx, gy, settle=0.15):
        x, y, w, h = self.geometry()
        self.move_screen(x + int(gx * w / 512), y + int((512 - gy) * h / 512), settle)

    def move_screen(self, sx, sy, settle=0.15):
        self.run(["xdotool", "mousemove", str(sx), str(sy)])
        time.sleep(settle)

    def click(self, gx, gy, settle=0.3):
        """Down, a short hold and up, as a hand clicks."""
        self.move(gx, gy)
        self.run(["xdotool", "mousedown", "1", "sleep", "0.04", "mouseup", "1"])
        time.sleep(settle)

    def type_text(self, text):
        self.run(["xdotool", "windowactivate", "--sync", str(self.window), "windowfocus", "--sync", str(self.window)])
        self.run(["xdotool", "type", "--delay", "90", text])
        time.sleep(0.3)

    def screenshot(self):
        ppm = subprocess.run(["import", "-display", self.display, "-window", str(self.window or "root"), "-depth",
                              "8", "ppm:-"], capture_output=True).stdout
        return Image(ppm) if ppm else Image(b"P6 1 1 255 \0\0\0")  # not mapped yet: black

    def data_path(self, name):
        return os.path.join(self.workdir, "Data", name)

    def read_data(self, name):
        return open(self.data_path(name), "rb").read()

    def write_data(self, name, content):
        if os.path.lexists(self.data_path(name)):
            os.unlink(self.data_path(name))
        with open(self.data_path(name), "wb") as f:
            f.write(content)

    def wait_titles(self, expected, what, timeout=30):
        """Waits until the calendar file holds these titles, in any order."""
        def titles():
            data = self.read_data("database.bin") if os.path.exists(self.data_path("database.bin")) else b"\0" * 4
            if len(data) == 4 + RECORD.size * struct.unpack_from("<i", data)[0]:
                return sorted(r[0].split(b"\0")[0].decode() for r in RECORD.iter_unpack(data[4:]))
        wait_for(lambda: titles() == sorted(expected), timeout, what=what)

    # ---- the reminders' look: flat pictures and a coded font --------------------------
    def start_coded(self, events, at, **kw):
        """Flat owl, cloud and notification button, and a font whose every character is a
        stripe of its own colour, so read_text reads the screen; `events` become the calendar."""
        for name, colour in (("stand_01", OWL), ("stand_02", (30, 220, 30)), ("sleep", (30, 30, 220))):
            self.write_data(name, solid(colour))
            self.write_data(name + "_close_eyes", solid(colour))
        for name, picture in (("eye_left", raw_texture(1, 1, [0] * 4)), ("eye_right", raw_texture(1, 1, [0] * 4)),
                              ("cloud", solid(CLOUD)), ("ic7", solid(NOTIFY_ICON))):
            self.write_data(name, picture)
        px = bytearray(256 * 256 * 4)  # 16 by 16 cells, a 4 texel stripe each, bottom row first
        for cell in range(96):
            row, col = divmod(cell, 16)
            for ty in range(2, 14):
                i = (((15 - row) * 16 + ty) * 256 + col * 16 + 6) * 4
                px[i:i + 16] = (bytes(code_colour(cell)) + b"\xff") * 4
        self.write_data("font", raw_texture(256, 256, px))
        if events is not None:
            self.write_data("database.bin", database(*events))
        app = self.start(faketime=at, **kw)
        self.move_screen(3, 3)
        return app

    def click_and_look(self, point, settle=0.3):
        self.click(*point, settle=settle)
        self.move_screen(3, 3, settle=0)
        return self.screenshot()


def code_colour(cell):  # the coded font's colour of character 32 + cell
    return (30 + 50 * (cell % 5), 30 + 50 * (cell // 5 % 5), 30 + 50 * (cell // 25))


def read_text(img, x, y, length, center=False, size=10.0):
    """The characters printed from pen (x, y) in GUI units, as the text drawer lays them."""
    x -= 1.025 * size * length / 2 if center else 0
    pixels = [img.gui_pixel(x + size + 1.025 * size * i, y + size) for i in range(length)]
    return "".join(next((chr(32 + c) for c in range(96) if near(rgb, code_colour(c), 18)), "?") for rgb in pixels)


def attention(img):
    """(cloud shown, notification button shown, counter text)."""
    return (near(img.gui_pixel(375, 440), CLOUD), near(img.gui_pixel(420, 455), NOTIFY_ICON),
            read_text(img, 459, 401, 1, center=True))


def loudest(wav, since=0.0, rate=22050):
    """The largest magnitude among the 16-bit samples recorded from `since` seconds on."""
    with open(wav, "rb") as f:
        data = f.read()
    body = data[data.find(b"data") + 8 if b"data" in data else 44:][int(since * rate) * 2:]
    return max((abs(v) for (v,) in struct.iter_unpack("<h", body[:len(body) // 2 * 2])), default=0)
