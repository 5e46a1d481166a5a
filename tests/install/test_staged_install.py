"""A staged install of this build (cmake --install with DESTDIR, into a prefix whose path
holds a space): the expected files with read-only permissions and a valid desktop
entry; then the installed launcher under Xvfb with a temporary HOME: the window with
the owl icon, an event added through it saved in the user's folder and nowhere under
the prefix, a second start that exits 0, and the launcher's folder handling (links
refreshed after an upgrade, separate users, clear failures)."""
import os
import shutil
import stat
import struct
import subprocess
import sys
import tempfile
import time

from harness import Session, wait_for

# GUI points (512 by 512 over the window, y up) of the calendar's controls.
ICON_CALENDAR, ADD, CONFIRM = (44.5, 465), (447.12, 436.5), (476.62, 436.5)
TITLE_BOX, YEAR_UP = (120, 220), (210, 410)

BUILD = os.environ["STRIGOLO_BUILD_DIR"]
PREFIX = "/opt/strigolo test"  # a space in every installed path

ICONS = {"share/icons/hicolor/48x48/apps/strigolo.png": 48,
         "share/icons/hicolor/128x128/apps/strigolo.png": 128,
         "share/icons/hicolor/256x256/apps/strigolo.png": 256}


def titles(data):
    """The titles of a calendar file: int32 count, then 572-byte records."""
    count = struct.unpack_from("<i", data)[0]
    assert len(data) == 4 + 572 * count, len(data)
    return [data[4 + 572 * i:24 + 572 * i].split(b"\0")[0].decode() for i in range(count)]


def install(stage, prefix=PREFIX):
    env = dict(os.environ, DESTDIR=stage)
    if not stage:
        del env["DESTDIR"]
    r = subprocess.run(["cmake", "--install", BUILD, "--prefix", prefix], env=env, capture_output=True, text=True)
    assert r.returncode == 0, r.stdout + r.stderr
    return stage + prefix


def built_assets():
    return sorted(n for n in os.listdir(os.path.join(BUILD, "Data")) if not n.startswith("database.bin"))


def snapshot(root):
    """Every path under root with its mode, size and modification time."""
    found = {}
    for dirpath, dirnames, filenames in os.walk(root):
        for name in dirnames + filenames:
            p = os.path.join(dirpath, name)
            st = os.lstat(p)
            found[os.path.relpath(p, root)] = (st.st_mode, st.st_size, st.st_mtime_ns)
    return found


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    assert head[:8] == b"\x89PNG\r\n\x1a\n", path
    return struct.unpack(">II", head[16:24])


def check_files(root):
    for rel in ("bin/strigolo", "lib/strigolo/strigolo"):
        mode = os.stat(os.path.join(root, rel)).st_mode
        assert stat.S_ISREG(mode) and mode & 0o111 == 0o111, (rel, oct(mode))
    with open(os.path.join(root, "bin/strigolo"), "rb") as f:
        assert f.readline() == b"#!/bin/sh\n"
    installed = sorted(os.listdir(os.path.join(root, "share/strigolo/Data")))
    assert installed == built_assets(), (installed, built_assets())
    for name in ("icon", "font", "background", "stand_01", "sleep.zfx", "notify.wav"):
        assert name in installed, name
    with open(os.path.join(root, "share/icons/hicolor/scalable/apps/strigolo.svg")) as f:
        assert "<svg" in f.read()
    for rel, side in ICONS.items():
        assert png_size(os.path.join(root, rel)) == (side, side), rel

    # Nothing under the prefix can be written by anyone but its owner (root in a
    # package), nor is any file set-user-id.
    for rel, (mode, _, _) in snapshot(root).items():
        assert mode & 0o022 == 0, "group or others may write %s (%s)" % (rel, oct(mode))
        assert mode & 0o6000 == 0, rel

    desktop = os.path.join(root, "share/applications/strigolo.desktop")
    r = subprocess.run(["desktop-file-validate", desktop], capture_output=True, text=True)
    assert r.returncode == 0 and "error" not in r.stdout + r.stderr, r.stdout + r.stderr
    with open(desktop) as f:
        keys = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
    assert keys["Name"] == "Strigolo" and keys["Exec"] == "strigolo" and keys["Icon"] == "strigolo", keys
    assert keys["Terminal"] == "false" and keys["Comment"] and keys["Comment[it]"], keys


def user_env(home, **extra):
    env = {"HOME": home, "XDG_DATA_HOME": ""}
    env.update(extra)
    return env


def check_launcher_window(root, tmp):
    """The window through the launcher, an event added and saved in the user's folder."""
    launcher = os.path.join(root, "bin/strigolo")
    home = os.path.join(tmp, "home of ada")
    os.mkdir(home)
    elsewhere = os.path.join(tmp, "elsewhere")
    os.mkdir(elsewhere)
    user_data = os.path.join(home, ".local/share/strigolo/Data")
    before = snapshot(root)
    with Session() as s:
        app = s.start(command=[launcher], cwd=elsewhere, env=user_env(home))
        assert app.running(), app.stderr()

        # Data/ links every installed file; the calendar does not exist yet.
        names = sorted(os.listdir(user_data))
        assert names == built_assets(), names
        for name in names:
            link = os.path.join(user_data, name)
            assert os.path.islink(link), name
            assert os.readlink(link) == os.path.join(root, "share/strigolo/Data", name), os.readlink(link)

        # The owl on the task bar, and the class desktops match the menu entry by.
        icon = s.run(["xprop", "-id", str(s.window), "_NET_WM_ICON"]).stdout
        assert "Icon (48 x 48)" in icon, icon[:200]
        wm_class = s.run(["xprop", "-id", str(s.window), "WM_CLASS"]).stdout
        assert '"strigolo", "Strigolo"' in wm_class, wm_class

        s.click(*ICON_CALENDAR)
        s.click(*ADD)
        s.click(*TITLE_BOX)
        s.type_text("Dentista")
        s.click(*YEAR_UP)  # a year ahead, so it is not due
        s.click(*CONFIRM)
        database = os.path.join(user_data, "database.bin")

        def saved():
            try:
                with open(database, "rb") as f:
                    return titles(f.read()) == ["Dentista"]
            except (OSError, AssertionError, struct.error):
                return False
        wait_for(saved, timeout=10, what="the event in the user's calendar")
        assert os.path.isfile(database) and not os.path.islink(database)

        # A second start exits at once with status 0; one window stays.
        second = subprocess.run([launcher], cwd=elsewhere, env=s.env(user_env(home)),
                                capture_output=True, text=True, timeout=30)
        assert second.returncode == 0, second
        time.sleep(0.5)
        assert s.windows() == [s.window], s.windows()
        assert app.running()
        app.stop()
        assert "could not save" not in app.stderr(), app.stderr()

    assert snapshot(root) == before, "the program changed files under the prefix"
    assert not os.listdir(elsewhere), os.listdir(elsewhere)
    return home


def launch_without_display(launcher, env):
    """Runs the launcher with no X display: it prepares the folder, then the program
    says it cannot open a display and stops with status 1."""
    env = dict(os.environ, **env)
    env.pop("DISPLAY", None)
    return subprocess.run([launcher], env=env, capture_output=True, text=True, timeout=60)


def check_upgrade_and_users(root, stage, tmp, home):
    user_data = os.path.join(home, ".local/share/strigolo/Data")
    with open(os.path.join(user_data, "database.bin"), "rb") as f:
        calendar = f.read()

    # An upgrade that adds one file and drops another, then moves the installation
    # to another prefix: links follow, the calendar stays byte for byte.
    installed = os.path.join(root, "share/strigolo/Data")
    with open(os.path.join(installed, "new picture"), "wb") as f:
        f.write(b"\1\0\0\0\1\0\0\0\xff\xff\xff\xff")
    os.unlink(os.path.join(installed, "hat"))
    r = launch_without_display(os.path.join(root, "bin/strigolo"), user_env(home))
    assert r.returncode == 1 and "display" in r.stderr, r
    assert os.readlink(os.path.join(user_data, "new picture")) == os.path.join(installed, "new picture")
    assert not os.path.lexists(os.path.join(user_data, "hat"))

    moved = install(stage, "/usr/lib/other place")
    r = launch_without_display(os.path.join(moved, "bin/strigolo"), user_env(home))
    assert r.returncode == 1, r
    for name in built_assets():
        assert os.readlink(os.path.join(user_data, name)) == os.path.join(moved, "share/strigolo/Data", name), name
    with open(os.path.join(user_data, "database.bin"), "rb") as f:
        assert f.read() == calendar

    # A second user has a folder of their own; the first one's calendar is untouched.
    other = os.path.join(tmp, "home of bruno")
    os.mkdir(other)
    r = launch_without_display(os.path.join(moved, "bin/strigolo"), user_env(other))
    assert r.returncode == 1, r
    assert sorted(os.listdir(os.path.join(other, ".local/share/strigolo/Data"))) == built_assets()
    with open(os.path.join(user_data, "database.bin"), "rb") as f:
        assert f.read() == calendar

    # XDG_DATA_HOME, when absolute, is where the folder goes; a relative one is ignored.
    xdg = os.path.join(tmp, "xdg data")
    r = launch_without_display(os.path.join(moved, "bin/strigolo"), {"HOME": other, "XDG_DATA_HOME": xdg})
    assert os.path.isdir(os.path.join(xdg, "strigolo/Data")), r
    r = launch_without_display(os.path.join(moved, "bin/strigolo"), {"HOME": other, "XDG_DATA_HOME": "rel"})
    assert not os.path.exists("rel") and "display" in r.stderr, r


def check_user_prefix(tmp):
    """Installed for one user with the prefix ~/.local, the installed Data/ is the
    user's folder itself: nothing is linked over the installed files."""
    home = os.path.join(tmp, "home of carla")
    local = install("", os.path.join(home, ".local"))
    data = os.path.join(local, "share/strigolo/Data")
    before = snapshot(data)
    r = launch_without_display(os.path.join(local, "bin/strigolo"), user_env(home))
    assert r.returncode == 1 and "display" in r.stderr, r
    assert snapshot(data) == before, "installed files were replaced"
    assert not any(os.path.islink(os.path.join(data, n)) for n in os.listdir(data))


def check_launcher_failures(root, tmp):
    launcher = os.path.join(root, "bin/strigolo")
    # The folder cannot be made: a plain file stands where a directory should be.
    blocker = os.path.join(tmp, "a file")
    with open(blocker, "w") as f:
        f.write("x")
    r = launch_without_display(launcher, {"XDG_DATA_HOME": blocker})
    assert r.returncode != 0 and "cannot create the folder" in r.stderr, r
    assert "display" not in r.stderr, r  # the program was not started

    # The launcher alone, away from the program and its files.
    lone = os.path.join(tmp, "lone/bin")
    os.makedirs(lone)
    shutil.copy(launcher, lone)
    r = launch_without_display(os.path.join(lone, "strigolo"), {"HOME": tmp})
    assert r.returncode != 0 and "incomplete" in r.stderr, r
    assert not os.path.exists(os.path.join(tmp, ".local")), "a folder was made for a broken installation"


def main():
    tmp = tempfile.mkdtemp(prefix="strigolo-install-")
    try:
        stage = os.path.join(tmp, "stage root")
        root = install(stage)
        check_files(root)
        home = check_launcher_window(root, tmp)
        check_upgrade_and_users(root, stage, tmp, home)
        check_user_prefix(tmp)
        check_launcher_failures(root, tmp)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    print("staged install: all checks passed")


if __name__ == "__main__":
    main()
    sys.exit(0)
