"""Reminders end to end, under libfaketime on Friday 2026-12-04 from 09:05:03: a
calendar holding an appointment at 09:50 turns the owl to the user with the thought
cloud and a counter of 1 from the start; the notification sound is heard at once and
again 35 seconds later although sound effects were switched off meanwhile (recorded
by OpenAL Soft's wave writer, which runs on the faked clock); a click on the cloud's
button shows the event in view mode with "Ora:  tra 45 minuti", and its check returns
to the scene with the one-hour notice written to Data/database.bin.

Texts are read back through a coded font: every character's cell of Data/font holds a
stripe of a colour of its own, so the colour under each glyph's centre names it.
With STRIGOLO_SCREENSHOTS set to a folder, the real pictures are saved there as
reminders-attention.png and reminders-view.png."""
import os
import struct
import sys
import time

from harness import Session, raw_texture, wait_for

START = "@2026-12-04 09:05:03"  # a Friday
BUTTON = (435, 440)             # the notification button on the thought cloud
CHECK = (485.12, 486)           # view mode's check button
SOUND_ICON = (44.5, 45)         # the sound-effects switch
SHOTS = os.environ.get("STRIGOLO_SCREENSHOTS")
RATE = 22050


# ---- the calendar file -------------------------------------------------------------
RECORD = struct.Struct("<20s512s8if3?x")  # 572 bytes, little-endian


def record(title, day=4, month=12, year=2026, hour=9, minute=50, kind=0, wday=5,
           remind_mode=0, remind_te=0.0, notify_1h=False, notify_hh=False, notify=False):
    return RECORD.pack(title.encode(), b"", day, month, year, hour, minute, wday, kind,
                       remind_mode, remind_te, notify_1h, notify_hh, notify)


def database(*records):
    return struct.pack("<i", len(records)) + b"".join(records)


def read_database(data):
    """The records of a calendar file as dicts."""
    (count,) = struct.unpack_from("<i", data)
    assert len(data) == 4 + RECORD.size * count, "file of %d bytes for %d records" % (len(data), count)
    out = []
    for i in range(count):
        f = RECORD.unpack_from(data, 4 + RECORD.size * i)
        out.append(dict(title=f[0].split(b"\0")[0].decode(), date=f[2:5], time=f[5:7], wday=f[7],
                        kind=f[8], remind_mode=f[9], remind_te=f[10], notify_1h=f[11],
                        notify_hh=f[12], notify=f[13]))
    return out


# ---- pictures: markers and the coded font --------------------------------------------
CLEAR = raw_texture(1, 1, [0, 0, 0, 0])
OWL = (220, 30, 30)          # the first standing pose, the one of attention
OWL_OTHER = (30, 220, 30)
OWL_ASLEEP = (30, 30, 220)
CLOUD = (220, 30, 220)
NOTIFY_ICON = (30, 220, 220)


def solid(rgb):
    return raw_texture(2, 2, (list(rgb) + [255]) * 4)


def code_colour(cell):
    """The colour of the font cell of character 32 + cell (0 to 95)."""
    return (30 + 50 * (cell % 5), 30 + 50 * (cell // 5 % 5), 30 + 50 * (cell // 25))


def coded_font():
    """A 256 by 256 font whose 16 by 16 texel cells hold a 4 texel wide stripe of
    their code colour in the middle, transparent elsewhere (bottom row first)."""
    size = 256
    px = bytearray(size * size * 4)
    for cell in range(96):
        row, col = divmod(cell, 16)  # row 0 is the picture's top
        colour = bytes(code_colour(cell)) + b"\xff"
        for ty in range(2, 14):
            y = (15 - row) * 16 + ty
            for tx in range(6, 10):
                i = (y * size + col * 16 + tx) * 4
                px[i:i + 4] = colour
    return raw_texture(size, size, px)


def decode(rgb):
    for cell in range(96):
        if max(abs(a - b) for a, b in zip(rgb, code_colour(cell))) <= 18:
            return chr(32 + cell)
    return "?"


def read_text(img, x, y, length, center=False, size=10.0):
    """The `length` characters printed from pen (x, y) in GUI units, as the program's
    text drawer lays them out (a 2 * size square per glyph, advancing 1.025 * size)."""
    if center:
        x -= 1.025 * size * length / 2
    return "".join(decode(img.gui_pixel(x + size + 1.025 * size * i, y + size)) for i in range(length))


def near(rgb, want, tol=40):
    return max(abs(a - b) for a, b in zip(rgb, want)) <= tol


def use_markers(s):
    """Flat colours for the owl, the cloud and the notification icon, and the coded
    font, so a screenshot tells what the scene shows."""
    for pose, colour in (("stand_01", OWL), ("stand_02", OWL_OTHER), ("sleep", OWL_ASLEEP)):
        s.write_data(pose, solid(colour))
        s.write_data(pose + "_close_eyes", solid(colour))
    s.write_data("eye_left", CLEAR)
    s.write_data("eye_right", CLEAR)
    s.write_data("cloud", solid(CLOUD))
    s.write_data("ic7", solid(NOTIFY_ICON))
    s.write_data("font", coded_font())


def attention(img):
    """(cloud shown, notification button shown) in a marker screenshot."""
    return near(img.gui_pixel(375, 440), CLOUD), near(img.gui_pixel(420, 455), NOTIFY_ICON)


def counter(img, digits=1):
    return read_text(img, 459, 401, digits, center=True)


def faketime_env(extra=None):
    """libfaketime is preloaded ahead of a sanitizer runtime; tell the sanitizer so."""
    asan = os.environ.get("ASAN_OPTIONS", "")
    env = {"ASAN_OPTIONS": (asan + ":" if asan else "") + "verify_asan_link_order=0"}
    env.update(extra or {})
    return env


# ---- sound: OpenAL Soft's wave writer ------------------------------------------------
class Recorder:
    """Everything the program plays, as 16-bit mono samples written to a WAV file at
    the pace of the (faked) clock, so a sample's index is its time."""

    def __init__(self, workdir):
        self.path = os.path.join(workdir, "out.wav")
        self.conf = os.path.join(workdir, "alsoft.conf")
        with open(self.conf, "w") as f:
            f.write("[general]\nchannels = mono\nsample-type = int16\nfrequency = %d\n"
                    "[wave]\nfile = %s\n" % (RATE, self.path))

    def env(self):
        return {"ALSOFT_DRIVERS": "wave", "ALSOFT_CONF": self.conf}

    def samples(self):
        with open(self.path, "rb") as f:
            data = f.read()
        head = data.find(b"data")
        body = data[head + 8 if head >= 0 else 44:]
        body = body[:len(body) // 2 * 2]
        return struct.unpack("<%dh" % (len(body) // 2), body)

    def now(self):
        """Seconds recorded so far."""
        return len(self.samples()) / RATE

    def onsets(self, level=1000, gap=1.0):
        """Start times (s) of the sounds heard: runs above `level` separated by more
        than `gap` seconds of quiet."""
        out, last = [], None
        for i, v in enumerate(self.samples()):
            if abs(v) > level:
                t = i / RATE
                if last is None or t - last > gap:
                    out.append(t)
                last = t
        return out


# ---- the cases ---------------------------------------------------------------------
def check_appointment_view():
    with Session() as s:
        use_markers(s)
        s.write_data("database.bin", database(record("Dentista")))
        rec = Recorder(s.workdir)
        app = s.start(faketime=START, env=faketime_env(rec.env()))
        shown = rec.now()  # half a second after the first frame was on screen
        s.move_screen(3, 3)

        scene = s.screenshot()
        assert attention(scene) == (True, True), "the thought cloud and its button show at start"
        assert near(scene.gui_pixel(271, 200), OWL), "the owl stands in its attention pose"
        assert counter(scene) == "1", "the counter reads %r" % counter(scene)
        heard = wait_for(lambda: rec.onsets(), timeout=10, what="the notification sound at start")[0]
        assert heard < shown, "the sound starts with the first frames (%.2f s, shown %.2f s)" % (heard, shown)

        s.click(*BUTTON)
        s.move_screen(3, 3)
        view = s.screenshot()
        assert read_text(view, 20, 280, 19) == "Ora:  tra 45 minuti", read_text(view, 20, 280, 19)
        assert read_text(view, 17, 330, 11) == "Data:  Oggi", read_text(view, 17, 330, 11)
        assert read_text(view, 28, 210, 8) == "Dentista", read_text(view, 28, 210, 8)

        s.click(*CHECK)
        s.move_screen(3, 3)
        after = s.screenshot()
        assert attention(after) == (False, False), "nothing is due once the warning was shown"
        assert read_text(after, 459, 401, 1, center=True) != "1", "the counter is gone"
        saved = read_database(s.read_data("database.bin"))
        assert len(saved) == 1, "the appointment 45 minutes ahead stays in the calendar"
        assert (saved[0]["title"], saved[0]["notify_1h"], saved[0]["notify_hh"], saved[0]["notify"]) == \
            ("Dentista", True, False, False), saved[0]
        assert app.running(), app.stderr()


def check_sound_repeats_with_effects_off():
    with Session() as s:
        s.write_data("database.bin", database(record("Dentista")))
        rec = Recorder(s.workdir)
        # Five times faster: 35 s of the program's time pass in 7 s.
        app = s.start(faketime=START + " x5", env=faketime_env(rec.env()))
        s.move_screen(3, 3)
        first = wait_for(lambda: rec.onsets(), timeout=10, what="the first notification sound")[0]

        icon_on = s.screenshot()
        s.click(*SOUND_ICON)
        s.move_screen(3, 3)
        switched_at = rec.now()
        x0, y0 = int((44.5 - 30) * icon_on.width / 512), int((512 - 75) * icon_on.height / 512)
        x1, y1 = int((44.5 + 30) * icon_on.width / 512), int((512 - 15) * icon_on.height / 512)
        assert s.screenshot().region_differs(icon_on, x0, y0, x1, y1), "the sound switch shows it is off"
        assert switched_at < first + 30, "the switch came too late to test (%.1f s)" % (switched_at - first)

        wait_for(lambda: len(rec.onsets()) >= 2 or rec.now() > first + 45, timeout=30,
                 what="35 s of recording")
        onsets = rec.onsets()
        assert len(onsets) >= 2, "no second notification sound with effects off (heard at %s)" % onsets
        second = onsets[1]
        assert second > switched_at, "the second sound came after the switch"
        assert 34.5 < second - first < 37.5, "the sound repeats after %.2f s" % (second - first)
        assert app.running(), app.stderr()


def save_screenshots():
    """The real pictures: the owl's attention with the counter, and view mode."""
    with Session() as s:
        s.write_data("database.bin", database(record("Dentista")))
        s.start(faketime=START, env=faketime_env())
        s.move_screen(3, 3)
        time.sleep(0.5)
        s.screenshot(save_as=os.path.join(SHOTS, "reminders-attention.png"))
        s.click(*BUTTON)
        s.move_screen(3, 3)
        s.screenshot(save_as=os.path.join(SHOTS, "reminders-view.png"))


if __name__ == "__main__":
    check_appointment_view()
    check_sound_repeats_with_effects_off()
    if SHOTS:
        save_screenshots()
    print("reminders: all checks passed")
    sys.exit(0)
