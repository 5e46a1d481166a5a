"""A staged install (cmake --install with DESTDIR, a space in the prefix): the files, their
modes and the desktop entry; the installed launcher showing the window and importing into
the user's calendar from another folder, never writing under the prefix; an upgrade that
moves the installation, adds and drops assets; a second user."""
import os
import shutil
import struct
import subprocess
import tempfile

from harness import Session

BUILD = os.environ["STRIGOLO_BUILD_DIR"]
ASSETS = sorted(n for n in os.listdir(os.path.join(BUILD, "Data")) if not n.startswith("database.bin"))


def read(path):
    return open(path, "rb").read()


def snapshot(root):
    """Every path under root with its mode, size and modification time."""
    return {os.path.relpath(os.path.join(d, n), root): (st.st_mode, st.st_size, st.st_mtime_ns)
            for d, dirs, files in os.walk(root) for n in dirs + files for st in [os.lstat(os.path.join(d, n))]}


def links(folder):
    return {n: os.readlink(p) for n in os.listdir(folder) if os.path.islink(p := os.path.join(folder, n))}


def launch(launcher, home, *args, code=1, cwd=None):
    """The launcher with no display: it prepares the user's folder, then the program
    answers `args` or stops for want of a display."""
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    r = subprocess.run([launcher, *args], cwd=cwd, env=dict(env, HOME=home, XDG_DATA_HOME=""), capture_output=True,
                       text=True, timeout=120)
    assert r.returncode == code and (args or "display" in r.stderr), r
    return r


def main():
    tmp = tempfile.mkdtemp(prefix="strigolo-install-")
    try:
        stage = os.path.join(tmp, "stage root")
        r = subprocess.run(["cmake", "--install", BUILD, "--prefix", "/opt/strigolo test"],
                           env=dict(os.environ, DESTDIR=stage), capture_output=True, text=True)
        assert r.returncode == 0, r.stdout + r.stderr
        root, home, elsewhere = stage + "/opt/strigolo test", os.path.join(tmp, "home of ada"), os.path.join(tmp, "x")
        launcher, user_data = os.path.join(root, "bin/strigolo"), os.path.join(home, ".local/share/strigolo/Data")
        os.mkdir(home), os.mkdir(elsewhere)

        assert os.access(launcher, os.X_OK) and os.access(os.path.join(root, "lib/strigolo/strigolo"), os.X_OK)
        assert sorted(os.listdir(os.path.join(root, "share/strigolo/Data"))) == ASSETS
        assert b"<svg" in read(os.path.join(root, "share/icons/hicolor/scalable/apps/strigolo.svg"))
        assert [struct.unpack(">II", read(root + "/share/icons/hicolor/%dx%d/apps/strigolo.png" % (n, n))[16:24])
                for n in (48, 128, 256)] == [(48, 48), (128, 128), (256, 256)]
        before = snapshot(root)
        assert not [(p, oct(m)) for p, (m, _, _) in before.items() if m & 0o6022], "written by others, or set-id"
        r = subprocess.run(["desktop-file-validate", os.path.join(root, "share/applications/strigolo.desktop")],
                           capture_output=True, text=True)
        assert r.returncode == 0 and "error" not in r.stdout + r.stderr, r.stdout + r.stderr

        with Session() as s:
            app = s.start(command=[launcher], cwd=elsewhere, env={"HOME": home, "XDG_DATA_HOME": ""})
            assert "Icon (48 x 48)" in s.prop("_NET_WM_ICON") and '"strigolo", "Strigolo"' in s.prop("WM_CLASS")
            assert links(user_data) == {n: os.path.join(root, "share/strigolo/Data", n) for n in ASSETS}
            app.stop()
        with open(os.path.join(elsewhere, "in.ics"), "w") as f:  # a relative path is the caller's
            f.write("BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//t//\nBEGIN:VEVENT\nUID:1\nDTSTART:20990704T093000\n"
                    "SUMMARY:Concerto\nEND:VEVENT\nEND:VCALENDAR\n")
        assert launch(launcher, home, "--import", "in.ics", code=0, cwd=elsewhere).stdout == "imported 1, skipped 0\n"
        calendar = read(os.path.join(user_data, "database.bin"))
        assert calendar[:12] == b"\1\0\0\0Concerto" and len(calendar) == 4 + 572, calendar[:12]
        assert snapshot(root) == before and os.listdir(elsewhere) == ["in.ics"], "written outside the user's folder"

        # The upgrade: moved, a picture added and one dropped; the links a gone launcher
        # half-made go, a running one's stay.
        moved = stage + "/usr/lib/other place"
        os.renames(root, moved)
        installed = os.path.join(moved, "share/strigolo/Data")
        open(os.path.join(installed, "new picture"), "wb").write(b"\1\0\0\0\1\0\0\0\xff\xff\xff\xff")
        os.unlink(os.path.join(installed, "hat"))
        gone = subprocess.Popen(["true"])
        gone.wait()
        stale, live = (os.path.join(user_data, ".font.link.%d" % pid) for pid in (gone.pid, os.getpid()))
        os.symlink(installed + "/font", stale)
        os.symlink(installed + "/font", live)
        launch(os.path.join(moved, "bin/strigolo"), home)
        expected = {n: os.path.join(installed, n) for n in set(ASSETS) - {"hat"} | {"new picture"}}
        assert links(user_data) == dict(expected, **{os.path.basename(live): installed + "/font"})
        assert read(os.path.join(user_data, "database.bin")) == calendar

        other = os.path.join(tmp, "home of bruno")  # a second user gets the pictures, not the calendar
        os.mkdir(other)
        launch(os.path.join(moved, "bin/strigolo"), other)
        assert sorted(os.listdir(os.path.join(other, ".local/share/strigolo/Data"))) == sorted(
            set(ASSETS) - {"hat"} | {"new picture"})
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    print("staged install: all checks passed")


if __name__ == "__main__":
    main()
