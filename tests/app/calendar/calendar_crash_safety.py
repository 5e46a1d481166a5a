"""Crash safety of calendar saves, for real: a saving process killed with SIGKILL at
random moments leaves the file always the old or the new calendar, and the next start
removes its temporary file; failures injected with strace leave the old file byte for
byte; four writers at once (two owls, two imports) lose none of each other's events.
Usage: calendar_crash_safety.py PATH_TO_calendar_save_loop [KILLS]"""
import glob
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HELPER = sys.argv[1]
KILLS = int(sys.argv[2]) if len(sys.argv) > 2 else 150
ENV = dict(os.environ, ASAN_OPTIONS="detect_leaks=0")
results = []


def check(name, ok, detail=""):
    results.append(ok)
    print(("ok   " if ok else "FAIL ") + name + ("" if ok else " " + detail))


def read(path):
    with open(path, "rb") as f:
        return f.read()


def new_folder():
    """A folder with Data/ and the two calendars' expected files; returns (folder, db, cal0, cal1)."""
    d = tempfile.mkdtemp(prefix="strigolo-crash-")
    os.mkdir(os.path.join(d, "Data"))
    subprocess.run([HELPER, d, "expect"], check=True, env=ENV)
    return d, os.path.join(d, "Data", "database.bin"), read(d + "/calendar0.bin"), read(d + "/calendar1.bin")


def kill_loop(rng):
    d, db, cal0, cal1 = new_folder()
    partial = temp_seen = 0
    start_ok = True
    for _ in range(KILLS):
        p = subprocess.Popen([HELPER, d, "loop"], env=ENV, stdout=subprocess.PIPE)
        p.stdout.readline()  # in its save loop from here on
        time.sleep(rng.uniform(0.0, 0.05))
        p.send_signal(signal.SIGKILL)
        p.wait()
        p.stdout.close()
        if os.path.exists(db) and read(db) not in (cal0, cal1):
            partial += 1
        if glob.glob(db + ".tmp*"):
            temp_seen += 1
            out = subprocess.run([HELPER, d, "load"], env=ENV, capture_output=True, text=True).stdout
            start_ok = start_ok and not glob.glob(db + ".tmp*") and out.strip() in ("0", "3", "1500")
    shutil.rmtree(d)
    print(f"{KILLS} kills, {partial} partial files, {temp_seen} inside a save")
    check("killed saves always leave the old or the new calendar", partial == 0)
    check("the next start removes the temporary file and loads a whole calendar", start_ok)
    check("some kills landed inside a save", temp_seen > 0, "raise KILLS")


def injected(name, inject, saved=False):
    """One save of calendar 1 over calendar 0 under strace fault injection."""
    d, db, cal0, cal1 = new_folder()
    shutil.copy(d + "/calendar0.bin", db)
    r = subprocess.run(["strace", "-f", "-o", "/dev/null", "-e", "inject=" + inject, HELPER, d, "save", "1"],
                       env=ENV, capture_output=True, text=True)
    lines = [l for l in r.stderr.splitlines() if l.strip()]
    ok = r.returncode == 0 and read(db) == cal1 if saved else \
        r.returncode == 1 and read(db) == cal0 and any("could not save" in l for l in lines)
    check(name, ok and len(lines) == 1 and not glob.glob(db + ".tmp*"), f"rc={r.returncode} {lines}")
    shutil.rmtree(d)


def four_writers():
    d, db, _, _ = new_folder()
    tags = ("owlA", "owlB", "importC", "importD")
    procs = [subprocess.Popen([HELPER, d, "add", t, "25"], env=ENV) for t in tags]
    codes = [p.wait() for p in procs]
    out = subprocess.run([HELPER, d, "load"], env=ENV, capture_output=True, text=True).stdout.strip()
    check("four writers at once keep all 100 events", codes == [0] * 4 and out == "100", f"{codes} {out}")
    shutil.rmtree(d)


if __name__ == "__main__":
    kill_loop(random.Random(int(os.environ.get("CRASH_SEED", "1"))))
    injected("ENOSPC on write keeps the old file", "write:error=ENOSPC:when=1")
    injected("EIO on fsync keeps the old file", "fsync:error=EIO:when=1")
    injected("EXDEV on rename keeps the old file", "rename,renameat,renameat2:error=EXDEV")
    injected("EIO on the folder's fsync still saves, with a warning", "fsync:error=EIO:when=2", saved=True)
    four_writers()
    print(f"{results.count(True)} passed, {results.count(False)} failed")
    sys.exit(0 if all(results) else 1)
