"""Measures one run of a program under a fresh Xvfb: fps from Mesa's GALLIUM_HUD dump,
CPU time from /proc, peak resident memory, and the time from start to the first
buffer swap (a preloaded probe records it). Used by scripts/bench."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness import start_xvfb  # noqa: E402  (the test harness's own Xvfb start)

TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime + stime


def peak_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def measure(label, cmd, cwd, seconds, probe, prepare=None):
    xvfb, display = start_xvfb(1024, 768)
    hud = tempfile.mkdtemp(prefix="strigolo-hud-")
    swap_file = os.path.join(hud, "first-swap")
    env = dict(os.environ, DISPLAY=display, GALLIUM_HUD="fps", GALLIUM_HUD_DUMP_DIR=hud,
               ALSOFT_DRIVERS="null", LIBGL_ALWAYS_SOFTWARE="1", LD_PRELOAD=probe,
               STRIGOLO_FIRST_SWAP_FILE=swap_file)
    proc = None
    try:
        time.sleep(0.5)  # let the X server settle
        t0 = time.monotonic()
        proc = subprocess.Popen(cmd, cwd=cwd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        first = None
        while first is None and time.monotonic() - t0 < 20:
            if os.path.exists(swap_file) and os.path.getsize(swap_file) > 0:
                with open(swap_file) as f:
                    first = float(f.read()) - t0
            else:
                time.sleep(0.01)
        if prepare:
            prepare(display)
        time.sleep(1.0)  # settle
        c0, w0 = cpu_seconds(proc.pid), time.monotonic()
        time.sleep(seconds)
        c1, w1 = cpu_seconds(proc.pid), time.monotonic()
        peak = peak_kib(proc.pid)
        proc.terminate()
        proc.wait(10)
        fps_values = []
        path = os.path.join(hud, "fps")
        if os.path.exists(path):
            with open(path) as f:
                fps_values = [float(line.split()[0]) for line in f if line.strip()]
        fps_values = fps_values[2:] or fps_values  # drop the start-up samples
        fps = sum(fps_values) / len(fps_values) if fps_values else float("nan")
        cpu = 100.0 * (c1 - c0) / (w1 - w0)
        first_ms = first * 1000 if first is not None else float("nan")
        print("%-28s %6.1f fps   CPU %5.1f%% of a core   peak %6.1f MiB   first frame %5.0f ms"
              % (label, fps, cpu, peak / 1024.0, first_ms))
        return fps, cpu
    finally:
        if proc and proc.poll() is None:
            proc.kill()
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(hud, ignore_errors=True)


def pointer_away(display):
    # The pointer far from the window: the owl at rest.
    subprocess.run(["xdotool", "mousemove", "5", "5"], env={**os.environ, "DISPLAY": display})


def main():
    build, seconds = sys.argv[1], float(sys.argv[2])
    work = tempfile.mkdtemp(prefix="strigolo-bench-")
    os.mkdir(os.path.join(work, "Data"))
    for name in os.listdir(os.path.join(build, "Data")):
        if name != "database.bin":
            os.symlink(os.path.join(build, "Data", name), os.path.join(work, "Data", name))
    print("%d s per run, Xvfb 1024x768, Mesa software rendering, 300x300 window" % seconds)
    probe = os.path.join(build, "bench", "libstrigolo_first_swap_probe.so")
    _, floor_cpu = measure("empty frame (floor)", [os.path.join(build, "bench", "strigolo_empty_frame")], work,
                           seconds, probe)
    _, scene_cpu = measure("owl scene at rest", [os.path.join(build, "app", "strigolo")], work,
                           seconds, probe, prepare=pointer_away)
    print("scene above the floor: %+.1f points of a core" % (scene_cpu - floor_cpu))
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
