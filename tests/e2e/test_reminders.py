"""Reminders end to end under libfaketime, from Friday 2026-12-04 09:05:03 with an
appointment at 09:50: attention, view mode and its check, the notification sound (OpenAL
Soft's wave writer on the faked clock), a reminder due at start confirmed in the editor,
and `strigolo --import` run beside the owl: with no panel open, and with the editor open.
Texts are read through a coded font whose every character is a stripe of its own colour."""
import os
import struct
import sys

from harness import BIN, Session, raw_texture, wait_for

START = "@2026-12-04 09:05:03"
BUTTON, CHECK, CONFIRM, SOUND_ICON = (435, 440), (485.12, 486), (476.62, 436.5), (44.5, 45)
TITLE_BOX = (120, 220)
RECORD = struct.Struct("<20s512s8if3?x")  # 572 bytes
OWL, CLOUD, NOTIFY_ICON, RATE = (220, 30, 30), (220, 30, 220), (30, 220, 220), 22050
# libfaketime is preloaded ahead of the sanitizer runtime; the sanitizer is told so.
FAKED_ASAN = {"ASAN_OPTIONS": ":".join(filter(None, [os.environ.get("ASAN_OPTIONS"), "verify_asan_link_order=0"]))}


def database(*events):
    """A calendar file of (title, kind) events on the day at 09:50."""
    return struct.pack("<i", len(events)) + b"".join(
        RECORD.pack(t.encode(), b"", 4, 12, 2026, 9, 50, 5, kind, 0, 0.0, 0, 0, 0) for t, kind in events)


def read_database(data):
    """(title, remind_te, notify_1h, notify_hh, notify) of each record."""
    (count,) = struct.unpack_from("<i", data)
    assert len(data) == 4 + RECORD.size * count, len(data)
    recs = [RECORD.unpack_from(data, 4 + RECORD.size * i) for i in range(count)]
    return [(f[0].split(b"\0")[0].decode(),) + f[10:14] for f in recs]


def code_colour(cell):  # the coded font's colour of character 32 + cell
    return (30 + 50 * (cell % 5), 30 + 50 * (cell // 5 % 5), 30 + 50 * (cell // 25))


def near(rgb, want, tol=40):
    return max(abs(a - b) for a, b in zip(rgb, want)) <= tol


def read_text(img, x, y, length, center=False, size=10.0):
    """The characters printed from pen (x, y) in GUI units, as the text drawer lays them."""
    x -= 1.025 * size * length / 2 if center else 0
    pixels = [img.gui_pixel(x + size + 1.025 * size * i, y + size) for i in range(length)]
    return "".join(next((chr(32 + c) for c in range(96) if near(rgb, code_colour(c), 18)), "?") for rgb in pixels)


def attention(img):
    """(cloud shown, notification button shown, counter text)."""
    return (near(img.gui_pixel(375, 440), CLOUD), near(img.gui_pixel(420, 455), NOTIFY_ICON),
            read_text(img, 459, 401, 1, center=True))


def start(s, events, speed="", at=START, rate=RATE, sample_type="int16", env=None):
    """Flat pictures for the owl, cloud and icon, the coded font, the calendar (unless
    None) and a recorder of what is played (mono); starts the program on the faked clock
    from `at`, with `env` added to its environment."""
    solid = lambda rgb: raw_texture(2, 2, (list(rgb) + [255]) * 4)
    for name, colour in (("stand_01", OWL), ("stand_02", (30, 220, 30)), ("sleep", (30, 30, 220))):
        s.write_data(name, solid(colour))
        s.write_data(name + "_close_eyes", solid(colour))
    for name, picture in (("eye_left", raw_texture(1, 1, [0] * 4)), ("eye_right", raw_texture(1, 1, [0] * 4)),
                          ("cloud", solid(CLOUD)), ("ic7", solid(NOTIFY_ICON))):
        s.write_data(name, picture)
    px = bytearray(256 * 256 * 4)  # 16 by 16 cells, a 4 texel stripe each, bottom row first
    for cell in range(96):
        row, col = divmod(cell, 16)
        for ty in range(2, 14):
            i = (((15 - row) * 16 + ty) * 256 + col * 16 + 6) * 4
            px[i:i + 16] = (bytes(code_colour(cell)) + b"\xff") * 4
    s.write_data("font", raw_texture(256, 256, px))
    if events is not None:
        s.write_data("database.bin", database(*events))
    wav, conf = os.path.join(s.workdir, "out.wav"), os.path.join(s.workdir, "alsoft.conf")
    with open(conf, "w") as f:
        f.write("[general]\nchannels = mono\nsample-type = %s\nfrequency = %d\n[wave]\nfile = %s\n" % (sample_type, rate, wav))
    app = s.start(faketime=at + speed, env=dict(env or {}, ALSOFT_DRIVERS="wave", ALSOFT_CONF=conf, **FAKED_ASAN))
    s.move_screen(3, 3)
    return app, wav


def import_events(s, title, dtstart):
    """`strigolo --import` of one floating-time event, run in the owl's folder as a
    second process on the same faked clock; it must have succeeded."""
    with open(os.path.join(s.workdir, title + ".ics"), "w") as f:
        f.write("BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//e2e//\nBEGIN:VEVENT\nUID:%s@e2e\nDTSTART:%s\n"
                "SUMMARY:%s\nEND:VEVENT\nEND:VCALENDAR\n" % (title, dtstart, title))
    run = s.start(faketime=START, env=FAKED_ASAN, command=[BIN, "--import", title + ".ics"], wait=False)
    assert run.proc.wait(60) == 0 and run.stderr() == "", run.stderr()


def samples(wav):  # what has been played so far, at the pace of the faked clock
    data = open(wav, "rb").read()
    body = data[data.find(b"data") + 8 if b"data" in data else 44:]
    return struct.unpack("<%dh" % (len(body) // 2), body[:len(body) // 2 * 2])


def onsets(wav, level=1000, gap=1.0):
    """Start times (s) of sounds separated by more than `gap` seconds of quiet."""
    out, last = [], None
    for i, v in enumerate(samples(wav)):
        if abs(v) > level:
            if last is None or i / RATE - last > gap:
                out.append(i / RATE)
            last = i / RATE
    return out


def click_and_look(s, point):
    s.click(*point)
    s.move_screen(3, 3)
    return s.screenshot()


def check_appointment_view():
    with Session() as s:
        app, wav = start(s, [("Dentista", 0)])
        shown = len(samples(wav)) / RATE  # soon after the first frame was on screen
        scene = s.screenshot()  # the cloud, the button with 1, the owl in its attention pose
        assert attention(scene) == (True, True, "1") and near(scene.gui_pixel(271, 200), OWL), attention(scene)
        heard = wait_for(lambda: onsets(wav), timeout=10, what="the notification sound at start")[0]
        assert heard < shown, "the sound starts with the first frames (%.2f s, %.2f s)" % (heard, shown)
        view = click_and_look(s, BUTTON)
        assert (read_text(view, 20, 280, 19), read_text(view, 28, 210, 8)) == ("Ora:  tra 45 minuti", "Dentista")
        after = attention(click_and_look(s, CHECK))
        assert after[:2] == (False, False) and after[2] != "1", after
        saved = read_database(s.read_data("database.bin"))
        assert saved == [("Dentista", 0.0, True, False, False)], saved
        assert app.running(), app.stderr()


def check_sound_repeats_then_reminder_confirm():
    with Session() as s:
        # Loading makes every reminder due; 35 s of the program's time pass in 7 s.
        app, wav = start(s, [("Dentista", 0), ("Pillola", 2)], " x5")
        assert attention(s.screenshot()) == (True, True, "2")
        first = wait_for(lambda: onsets(wav), timeout=10, what="the first notification sound")[0]
        icon_on = s.screenshot()
        icon_off = click_and_look(s, SOUND_ICON)
        switched_at = len(samples(wav)) / RATE
        w, h = icon_on.width / 512, icon_on.height / 512
        assert icon_off.region_differs(icon_on, int(14.5 * w), int(437 * h), int(74.5 * w), int(497 * h)) \
            and switched_at < first + 30, "switched off in time"
        wait_for(lambda: len(onsets(wav)) >= 2 or len(samples(wav)) / RATE > first + 45, timeout=30,
                 what="45 s recorded")
        times = onsets(wav)
        assert len(times) >= 2 and times[1] > switched_at, "no second sound with effects off: %s" % times
        assert 34.5 < times[1] - first < 37.5, "the sound repeats after %.2f s" % (times[1] - first)

        # The appointment opens first; once acknowledged, the reminder opens in the editor.
        s.click(*BUTTON)
        s.click(*CHECK)
        editor = click_and_look(s, BUTTON)
        assert read_text(editor, 28, 210, 7) == "Pillola", read_text(editor, 28, 210, 7)
        assert read_text(editor, 402, 436.5, 8, center=True) == "conferma"
        scene = click_and_look(s, CONFIRM)
        assert attention(scene)[:2] == (False, False), "a confirmed reminder is not due"
        assert read_text(scene, 28, 210, 7) != "Pillola", "back in the scene"
        saved = read_database(s.read_data("database.bin"))
        assert [(t, te) for t, te, *_ in saved] == [("Pillola", 0.0), ("Dentista", 0.0)], saved
        assert app.running(), app.stderr()


def check_imports_while_running():
    with Session() as s:
        app, _ = start(s, [("Pillola", 2)])
        assert attention(s.screenshot()) == (True, True, "1")
        import_events(s, "Dentista", "20261204T095000")  # due within the hour
        # Counted within about two seconds (5 s under load) with no panel opened or closed.
        wait_for(lambda: attention(s.screenshot())[2] == "2", timeout=5, what="the imported appointment counted")
        assert read_text(click_and_look(s, BUTTON), 28, 210, 8) == "Dentista", "the imported appointment opens"
        s.click(*CHECK)
        assert read_text(click_and_look(s, BUTTON), 28, 210, 7) == "Pillola", "the reminder in the editor"
        s.click(*TITLE_BOX)
        s.type_text("X")
        import_events(s, "Cena", "20261205T200000")  # lands while the editor is open
        s.click(*CONFIRM)
        saved = lambda: sorted(r[0] for r in read_database(s.read_data("database.bin")))
        wait_for(lambda: saved() == ["Cena", "Dentista", "PillolaX"], timeout=10, what="the import and the edit saved")
        assert app.running() and "could not" not in app.stderr(), app.stderr()


if __name__ == "__main__":
    check_appointment_view()
    check_sound_repeats_then_reminder_confirm()
    check_imports_while_running()
    print("reminders: all checks passed")
    sys.exit(0)
