"""The Debian package: a release build in a temporary folder packed by cpack, its
dependencies and files as dpkg-deb shows them; as root, apt-get installs it here and
removes it without a trace."""
import os
import re
import shutil
import subprocess
import tempfile

DEPENDS = {"libglut3.12", "libgl1", "libglu1-mesa", "libgl1-mesa-dri", "libopenal1", "libalut0", "libxrandr2",
           "libical3", "libicu72", "libglib2.0-0", "xdg-utils"}
FILES = ["/usr/bin/strigolo", "/usr/lib/strigolo/strigolo", "/usr/share/applications/strigolo.desktop",
         "/usr/share/icons/hicolor/scalable/apps/strigolo.svg", "/usr/share/icons/hicolor/48x48/apps/strigolo.png",
         "/usr/share/strigolo/Data/icon", "/usr/share/strigolo/Data/font", "/usr/share/strigolo/Data/notify.wav"]


def run(*cmd, **kw):
    r = subprocess.run(cmd, capture_output=True, text=True, **kw)
    assert r.returncode == 0, "%s failed:\n%s%s" % (" ".join(cmd), r.stdout[-3000:], r.stderr[-3000:])
    return r.stdout


def state():
    return subprocess.run(["dpkg-query", "-W", "-f=${Status}", "strigolo"], capture_output=True, text=True).stdout


def main(build):
    run("cmake", "-S", os.environ["STRIGOLO_SOURCE_DIR"], "-B", build, "-DCMAKE_BUILD_TYPE=Release",
        "-DSTRIGOLO_SANITIZE=OFF", "-DSTRIGOLO_TESTS=OFF")
    run("cmake", "--build", build, "-j2")
    run("cpack", "-G", "DEB", cwd=build)
    debs = [f for f in os.listdir(build) if re.fullmatch(r"strigolo_1\.1\.\d+_[a-z0-9]+\.deb", f)]
    assert len(debs) == 1, os.listdir(build)
    deb = os.path.join(build, debs[0])
    depends = re.search(r"^ Depends: (.*)$", run("dpkg-deb", "-I", deb), re.M)[1]
    assert DEPENDS <= {re.sub(r" \(.*\)", "", a).strip() for a in re.split(r"[,|]", depends)}, depends
    entries = [line.split(None, 5) for line in run("dpkg-deb", "-c", deb).splitlines()]
    assert set(FILES) <= {e[5].split(" -> ")[0].lstrip(".") for e in entries}, entries
    # Root's, written by no one else, and no calendar.
    assert not [e for e in entries if e[1] != "root/root" or "w" in e[0][5] + e[0][8] or "database" in e[5]], entries

    if os.geteuid() != 0 or state().startswith("install ok"):
        print("apt-get install and remove left out: not root, or strigolo is installed here already")
        return
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    try:
        run("apt-get", "install", "-y", "--no-install-recommends", deb, env=env)
        assert state() == "install ok installed" and all(map(os.path.exists, FILES)), state()
    finally:
        run("apt-get", "remove", "-y", "strigolo", env=env)
    assert not state().endswith(" installed") and not [p for p in FILES + ["/usr/share/strigolo"] if os.path.exists(p)]


if __name__ == "__main__":
    tmp = tempfile.mkdtemp(prefix="strigolo-deb-")
    try:
        main(os.path.join(tmp, "release"))
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    print("debian package: all checks passed")
