"""End-to-end harness: runs the real program under Xvfb (optionally with openbox as
window manager and libfaketime for the clock), drives the real pointer and keyboard
with xdotool, takes screenshots, and reads files back.

Typical use:
    with Session() as s:
        app = s.start()
        s.click(44.5, 465)            # GUI units: 512 by 512 over the window, y up
        img = s.screenshot()
        assert img.gui_pixel(256, 256) == ...
"""
import os
import shutil
import signal
import struct
import subprocess
import tempfile
import time

TITLE = "Strigolo Assistant    v.1.1"
BIN = os.environ.get("STRIGOLO_BIN", "")
DATA = os.environ.get("STRIGOLO_DATA", "")
SOURCE_DIR = os.environ.get("STRIGOLO_SOURCE_DIR", "")
OUT_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "out")

FAKETIME_LIBS = ["/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1",
                 "/usr/lib/faketime/libfaketime.so.1"]


def wait_for(predicate, timeout=10.0, interval=0.05, what="condition"):
    """Polls predicate until it returns a true value, which is returned."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(interval)


class Image:
    """A screenshot: width, height and RGB bytes, row 0 at the top."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def gui_pixel(self, gx, gy):
        """The pixel under GUI point (gx, gy) of a window screenshot."""
        x = min(self.width - 1, max(0, int(gx * self.width / 512)))
        y = min(self.height - 1, max(0, int((512 - gy) * self.height / 512)))
        return self.pixel(x, y)

    def region_differs(self, other, x0, y0, x1, y1, tolerance=24):
        """True when some pixel of the rectangle differs by more than tolerance."""
        for y in range(y0, y1):
            for x in range(x0, x1):
                a, b = self.pixel(x, y), other.pixel(x, y)
                if max(abs(a[k] - b[k]) for k in range(3)) > tolerance:
                    return True
        return False


def start_xvfb(width, height):
    """Starts Xvfb on a display number it picks itself; returns (process, ":N")."""
    r, w = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(w), "-screen", "0", "%dx%dx24" % (width, height), "-nolisten", "tcp",
         "-noreset"],
        pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(w)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(r, 16)
        if not chunk:
            os.close(r)
            raise RuntimeError("Xvfb did not start")
        number += chunk
    os.close(r)
    return xvfb, ":" + number.decode().strip()


def parse_ppm(data):
    """Parses a binary PPM (P6) with maxval 255."""
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    if fields[0] != b"P6" or int(fields[3]) != 255:
        raise ValueError("unexpected image format")
    w, h = int(fields[1]), int(fields[2])
    return Image(w, h, data[pos:pos + w * h * 3])


class Program:
    """One running copy of the program."""

    def __init__(self, proc, stderr_path):
        self.proc, self.stderr_path = proc, stderr_path

    def running(self):
        return self.proc.poll() is None

    def stderr(self):
        with open(self.stderr_path, "r", errors="replace") as f:
            return f.read()

    def rss_kb(self):
        """Resident memory now, in kB."""
        with open("/proc/%d/status" % self.proc.pid) as f:
            return int(next(l for l in f if l.startswith("VmRSS:")).split()[1])

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


class Session:
    """An X server (and optionally a window manager) with a working directory that
    holds its own Data/: the built assets, linked, plus anything a case writes."""

    def __init__(self, wm=False, width=1280, height=1024, keep_dir=False):
        self.wm, self.width, self.height, self.keep_dir = wm, width, height, keep_dir
        self.procs = []
        self.programs = []
        self.workdir = tempfile.mkdtemp(prefix="strigolo-e2e-")
        self.data_dir = os.path.join(self.workdir, "Data")
        os.mkdir(self.data_dir)
        for name in os.listdir(DATA):
            if name != "database.bin":
                os.symlink(os.path.join(DATA, name), os.path.join(self.data_dir, name))
        self.display = None
        self.window = None

    # ---- lifetime -------------------------------------------------------------
    def __enter__(self):
        try:
            self._start_x()
            if self.wm:
                self._start_wm()
        except BaseException:
            self.close()  # nothing is left running when the start fails
            raise
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def close(self):
        for p in self.programs:
            p.stop()
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
        if not self.keep_dir:
            shutil.rmtree(self.workdir, ignore_errors=True)

    def _start_x(self):
        xvfb, self.display = start_xvfb(self.width, self.height)
        self.procs.append(xvfb)

    def _start_wm(self):
        wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env(),
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(wm)
        def supported():
            out = self.run(["xprop", "-root", "_NET_SUPPORTED"]).stdout
            return "_NET_SUPPORTED" in out and "no such atom" not in out
        wait_for(supported, what="the window manager")

    def env(self, extra=None):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        env.setdefault("ALSOFT_DRIVERS", "null")  # silent unless a case listens
        env["XDG_STATE_HOME"] = os.path.join(self.workdir, "state")  # the window's place, this session's own
        if extra:
            env.update(extra)
        return env

    def run(self, cmd, **kw):
        return subprocess.run(cmd, env=self.env(), capture_output=True, text=True, **kw)

    # ---- the program ------------------------------------------------------------
    def start(self, faketime=None, env=None, wait=True, path_prepend=None, command=None, cwd=None):
        """Starts the program in the working directory. faketime is libfaketime's
        FAKETIME value: "@2026-12-04 09:05:03 x10" runs the clock from that moment
        ten times faster; without "@" the clock is frozen there (a LD_PRELOAD in env
        is loaded after libfaketime). command (a list)
        starts something else that shows the window, such as an installed launcher,
        and cwd another directory to start it in."""
        extra = dict(env or {})
        if faketime:
            lib = next((p for p in FAKETIME_LIBS if os.path.exists(p)), None)
            if not lib:
                raise RuntimeError("libfaketime is not installed")
            extra["LD_PRELOAD"] = lib + (":" + extra["LD_PRELOAD"] if extra.get("LD_PRELOAD") else "")
            extra["FAKETIME"] = faketime
            extra["FAKETIME_NO_CACHE"] = "1"
            extra["DONT_FAKE_MONOTONIC"] = "0"
        if path_prepend:
            extra["PATH"] = path_prepend + os.pathsep + os.environ.get("PATH", "")
        stderr_path = os.path.join(self.workdir, "stderr-%d.txt" % len(self.programs))
        with open(stderr_path, "w") as err:
            proc = subprocess.Popen(command or [BIN], cwd=cwd or self.workdir, env=self.env(extra),
                                    stdout=subprocess.DEVNULL, stderr=err)
        program = Program(proc, stderr_path)
        self.programs.append(program)
        if wait:
            self.window = wait_for(self.find_window, timeout=30, what="the window")
            self.wait_frames()
        return program

    def windows(self):
        """The ids of every window with the program's title."""
        return [int(w) for w in self.run(["xdotool", "search", "--name", "^" + TITLE + "$"]).stdout.split()]

    def find_window(self):
        """The id of the program's top-level window, or None."""
        return (self.windows() or [None])[0]

    def wait_frames(self, seconds=0.5):
        """Waits until the window shows something other than black, then a little more."""
        def drawn():
            try:
                return any(self.screenshot().rgb)
            except subprocess.CalledProcessError:  # found by its name before it is mapped
                return False
        wait_for(drawn, timeout=30, what="the first frame")
        time.sleep(seconds)

    def geometry(self):
        """(x, y, width, height) of the window's client area on the screen."""
        out = self.run(["xwininfo", "-id", str(self.window)]).stdout
        vals = {}
        for line in out.splitlines():
            line = line.strip()
            for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
                if line.startswith(key + ":"):
                    vals[key] = int(line.split(":")[1])
        return (vals["Absolute upper-left X"], vals["Absolute upper-left Y"], vals["Width"], vals["Height"])

    # ---- pointer and keys ---------------------------------------------------------
    def gui_to_screen(self, gx, gy):
        x, y, w, h = self.geometry()
        return x + int(gx * w / 512), y + int((512 - gy) * h / 512)

    def move(self, gx, gy, settle=0.15):
        sx, sy = self.gui_to_screen(gx, gy)
        self.move_screen(sx, sy, settle)

    def move_screen(self, sx, sy, settle=0.15):
        self.run(["xdotool", "mousemove", str(sx), str(sy)])
        time.sleep(settle)

    def click(self, gx, gy, hold=0.04, settle=0.3):
        """Moves to the GUI point and clicks as a hand does: down, a short hold, up."""
        self.move(gx, gy)
        self.run(["xdotool", "mousedown", "1"])
        time.sleep(hold)
        self.run(["xdotool", "mouseup", "1"])
        time.sleep(settle)

    def focus(self):
        self.run(["xdotool", "windowactivate", "--sync", str(self.window)])
        self.run(["xdotool", "windowfocus", "--sync", str(self.window)])
        time.sleep(0.1)

    def type_text(self, text, delay_ms=90):
        """Types text with real key presses after focusing the window."""
        self.focus()
        self.run(["xdotool", "type", "--delay", str(delay_ms), text])
        time.sleep(0.3)

    def key(self, *names):
        self.focus()
        for name in names:
            self.run(["xdotool", "key", "--delay", "90", name])
        time.sleep(0.3)

    # ---- pictures and files -------------------------------------------------------------
    def screenshot(self, save_as=None):
        """The window's current picture; save_as also writes it as PNG."""
        target = str(self.window) if self.window else "root"
        raw = subprocess.run(["import", "-display", self.display, "-window", target, "-depth", "8", "ppm:-"],
                             capture_output=True, check=True).stdout
        if save_as:
            os.makedirs(os.path.dirname(os.path.abspath(save_as)), exist_ok=True)
            subprocess.run(["convert", "ppm:-", save_as], input=raw, check=True)
        return parse_ppm(raw)

    def state_path(self):
        """The file the program remembers its window's place in."""
        return os.path.join(self.workdir, "state", "strigolo", "window-place")

    def data_path(self, name):
        return os.path.join(self.data_dir, name)

    def read_data(self, name):
        with open(self.data_path(name), "rb") as f:
            return f.read()

    def write_data(self, name, content):
        path = self.data_path(name)
        if os.path.islink(path):
            os.unlink(path)
        with open(path, "wb") as f:
            f.write(content)

    def remove_data(self, name):
        os.unlink(self.data_path(name))


def raw_texture(width, height, rgba_bytes):
    """A raw texture file: int32 width, int32 height, RGBA bytes."""
    return struct.pack("<ii", width, height) + bytes(rgba_bytes)
