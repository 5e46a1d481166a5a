"""The window: title, size, centring, kept above others, and one copy only."""
import os
import subprocess
import sys
import time

from harness import BIN, Session, TITLE, wait_for


def window_state(session):
    return session.run(["xprop", "-id", str(session.window), "_NET_WM_STATE"]).stdout


def check_plain_x():
    """Without a window manager the client area is exactly where the program asks."""
    with Session(width=1280, height=1024) as s:
        app = s.start()
        assert app.running()
        x, y, w, h = s.geometry()
        assert (w, h) == (300, 300), (w, h)
        assert (x, y) == ((1280 - 300) // 2, (1024 - 300) // 2), (x, y)
        name = s.run(["xdotool", "getwindowname", str(s.window)]).stdout.rstrip("\n")
        assert name == TITLE, repr(name)

        # A second copy exits at once with status 0 and opens no window.
        second = subprocess.run([BIN], cwd=s.workdir, env=s.env(), capture_output=True, timeout=20)
        assert second.returncode == 0, second
        time.sleep(0.5)
        assert s.windows() == [s.window], s.windows()
        assert app.running()


def check_with_window_manager():
    """Under an EWMH window manager: centred allowing for the frame, and above others."""
    with Session(wm=True, width=1024, height=768) as s:
        s.start()
        x, y, w, h = s.geometry()
        assert (w, h) == (300, 300), (w, h)
        # The frame's title bar and border may push the client area down and right.
        assert abs(x - (1024 - 300) // 2) <= 12, x
        assert 0 <= y - (768 - 300) // 2 <= 40, y
        wait_for(lambda: "_NET_WM_STATE_ABOVE" in window_state(s), timeout=10, what="the above state")


def check_simultaneous_starts():
    """Two copies started at the same instant: exactly one window, one process left."""
    with Session() as s:
        procs = [subprocess.Popen([BIN], cwd=s.workdir, env=s.env(), stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL) for _ in range(3)]
        wait_for(s.find_window, timeout=30, what="a window")
        time.sleep(1.5)
        running = [p for p in procs if p.poll() is None]
        finished = [p for p in procs if p.poll() is not None]
        try:
            assert len(running) == 1, [p.poll() for p in procs]
            assert all(p.returncode == 0 for p in finished), [p.returncode for p in finished]
            assert len(s.windows()) == 1, s.windows()
        finally:
            for p in running:
                p.terminate()
                p.wait(5)


def check_no_display():
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    r = subprocess.run([BIN], env=env, capture_output=True, text=True, timeout=20)
    assert r.returncode != 0
    assert "display" in r.stderr.lower() and len(r.stderr.strip().splitlines()) == 1, r.stderr


if __name__ == "__main__":
    check_plain_x()
    check_with_window_manager()
    check_simultaneous_starts()
    check_no_display()
    print("window: all checks passed")
    sys.exit(0)
