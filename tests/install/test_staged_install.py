"""A staged install (cmake --install with DESTDIR, a space in the prefix): the files, their
modes and the desktop entry; then the installed launcher under Xvfb with a temporary HOME,
the calendar's import and export through it, an upgrade that moves, adds and drops
assets, and a second user."""
import os
import shutil
import struct
import subprocess
import tempfile
import time

from harness import Session, wait_for

# GUI points (512 by 512 over the window, y up) of the calendar's controls.
ICON_CALENDAR, ADD, CONFIRM = (44.5, 465), (447.12, 436.5), (476.62, 436.5)
TITLE_BOX, YEAR_UP = (120, 220), (210, 410)
BUILD = os.environ["STRIGOLO_BUILD_DIR"]


def built_assets():
    return sorted(n for n in os.listdir(os.path.join(BUILD, "Data")) if not n.startswith("database.bin"))


def snapshot(root):
    """Every path under root with its mode, size and modification time."""
    return {os.path.relpath(os.path.join(d, n), root): (st.st_mode, st.st_size, st.st_mtime_ns)
            for d, dirs, files in os.walk(root) for n in dirs + files
            for st in [os.lstat(os.path.join(d, n))]}


def read(path):
    with open(path, "rb") as f:
        return f.read()


def launch_without_display(launcher, home):
    """The launcher prepares the user's folder, then the program stops for want of a display."""
    env = dict(os.environ, HOME=home, XDG_DATA_HOME="")
    env.pop("DISPLAY", None)
    r = subprocess.run([launcher], env=env, capture_output=True, text=True, timeout=60)
    assert r.returncode == 1 and "display" in r.stderr, r


def check_files(root):
    for rel in ("bin/strigolo", "lib/strigolo/strigolo"):
        assert os.access(os.path.join(root, rel), os.X_OK), rel
    assert sorted(os.listdir(os.path.join(root, "share/strigolo/Data"))) == built_assets()
    assert "<svg" in read(os.path.join(root, "share/icons/hicolor/scalable/apps/strigolo.svg")).decode()
    for side in (48, 128, 256):
        png = read(os.path.join(root, "share/icons/hicolor/%dx%d/apps/strigolo.png" % (side, side)))
        assert struct.unpack(">II", png[16:24]) == (side, side), side
    for rel, (mode, _, _) in snapshot(root).items():  # only the owner (root in a package) writes
        assert mode & 0o6022 == 0, (rel, oct(mode))
    r = subprocess.run(["desktop-file-validate", os.path.join(root, "share/applications/strigolo.desktop")],
                       capture_output=True, text=True)
    assert r.returncode == 0 and "error" not in r.stdout + r.stderr, r.stdout + r.stderr


def check_window(root, home, elsewhere):
    """The window through the launcher; an event added lands in the user's calendar only."""
    launcher, user_data = os.path.join(root, "bin/strigolo"), os.path.join(home, ".local/share/strigolo/Data")
    env = {"HOME": home, "XDG_DATA_HOME": ""}
    before = snapshot(root)
    with Session() as s:
        app = s.start(command=[launcher], cwd=elsewhere, env=env)
        assert sorted(os.listdir(user_data)) == built_assets()
        for name in built_assets():
            assert os.readlink(os.path.join(user_data, name)) == os.path.join(root, "share/strigolo/Data", name)
        assert "Icon (48 x 48)" in s.run(["xprop", "-id", str(s.window), "_NET_WM_ICON"]).stdout
        assert '"strigolo", "Strigolo"' in s.run(["xprop", "-id", str(s.window), "WM_CLASS"]).stdout

        for point in (ICON_CALENDAR, ADD, TITLE_BOX):
            s.click(*point)
        s.type_text("Dentista")
        s.click(*YEAR_UP)  # a year ahead, so it is not due
        s.click(*CONFIRM)
        database = os.path.join(user_data, "database.bin")
        # int32 count, then 572-byte records that open with a 20-byte title.
        wait_for(lambda: os.path.isfile(database) and read(database)[:12] == b"\1\0\0\0Dentista"
                 and len(read(database)) == 4 + 572, what="the event in the user's calendar")

        second = subprocess.run([launcher], cwd=elsewhere, env=s.env(env), capture_output=True, timeout=30)
        assert second.returncode == 0, second
        time.sleep(0.5)
        assert s.windows() == [s.window] and app.running(), s.windows()
        app.stop()
    assert snapshot(root) == before, "the program changed files under the prefix"
    assert not os.listdir(elsewhere)


def check_transfer(root, home, elsewhere):
    """--import and --export through the launcher, with no display: relative paths are the
    caller's, the calendar the user's."""
    env = dict(os.environ, HOME=home, XDG_DATA_HOME="")
    env.pop("DISPLAY", None)
    next_year = time.strftime("%Y", time.localtime(time.time() + 366 * 86400))
    with open(os.path.join(elsewhere, "in.ics"), "w") as f:
        f.write("BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//t//\nBEGIN:VEVENT\nUID:1\nDTSTART:%s0704T093000\n"
                "SUMMARY:Concerto\nEND:VEVENT\nEND:VCALENDAR\n" % next_year)
    launcher = os.path.join(root, "bin/strigolo")
    for args, out in ((["--import", "in.ics"], "imported 1, skipped 0\n"), (["--export", "out.ics"], "exported 2 events to out.ics\n")):
        r = subprocess.run([launcher] + args, cwd=elsewhere, env=env, capture_output=True, text=True, timeout=60)
        assert (r.returncode, r.stdout) == (0, out), r
    exported = read(os.path.join(elsewhere, "out.ics")).decode()
    assert "SUMMARY:Dentista" in exported and "DTSTART:%s0704T093000" % next_year in exported, exported
    assert len(read(os.path.join(home, ".local/share/strigolo/Data/database.bin"))) == 4 + 2 * 572


def check_upgrade_and_users(root, moved, tmp, home):
    """The installation moves, gains a file and loses one; half-made links of a gone launcher go."""
    user_data = os.path.join(home, ".local/share/strigolo/Data")
    calendar = read(os.path.join(user_data, "database.bin"))
    os.renames(root, moved)
    installed = os.path.join(moved, "share/strigolo/Data")
    with open(os.path.join(installed, "new picture"), "wb") as f:
        f.write(b"\1\0\0\0\1\0\0\0\xff\xff\xff\xff")
    os.unlink(os.path.join(installed, "hat"))
    gone = subprocess.Popen(["true"])
    gone.wait()
    stale, live = (os.path.join(user_data, ".font.link.%d" % pid) for pid in (gone.pid, os.getpid()))
    os.symlink(installed + "/font", stale)
    os.symlink(installed + "/font", live)
    launch_without_display(os.path.join(moved, "bin/strigolo"), home)
    for name in set(built_assets()) - {"hat"} | {"new picture"}:
        assert os.readlink(os.path.join(user_data, name)) == os.path.join(installed, name), name
    assert not os.path.lexists(os.path.join(user_data, "hat"))
    assert not os.path.lexists(stale) and os.path.islink(live), "only the gone launcher's link goes"
    assert read(os.path.join(user_data, "database.bin")) == calendar

    other = os.path.join(tmp, "home of bruno")
    os.mkdir(other)
    launch_without_display(os.path.join(moved, "bin/strigolo"), other)
    mine = os.listdir(os.path.join(other, ".local/share/strigolo/Data"))
    assert "database.bin" not in mine and "font" in mine, mine
    assert read(os.path.join(user_data, "database.bin")) == calendar


def main():
    tmp = tempfile.mkdtemp(prefix="strigolo-install-")
    try:
        stage = os.path.join(tmp, "stage root")
        r = subprocess.run(["cmake", "--install", BUILD, "--prefix", "/opt/strigolo test"],
                           env=dict(os.environ, DESTDIR=stage), capture_output=True, text=True)
        assert r.returncode == 0, r.stdout + r.stderr
        root = stage + "/opt/strigolo test"
        check_files(root)
        home, elsewhere = os.path.join(tmp, "home of ada"), os.path.join(tmp, "elsewhere")
        for folder in (home, elsewhere):
            os.mkdir(folder)
        check_window(root, home, elsewhere)
        check_transfer(root, home, elsewhere)
        check_upgrade_and_users(root, stage + "/usr/lib/other place", tmp, home)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    print("staged install: all checks passed")


if __name__ == "__main__":
    main()
