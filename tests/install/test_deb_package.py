"""The Debian package: a release build in a temporary folder packed by cpack; dpkg-deb shows
its dependencies and files; as root, apt-get installs it on this machine and removes it."""
import os
import re
import shutil
import subprocess
import tempfile

SOURCE = os.environ["STRIGOLO_SOURCE_DIR"]
DEPENDS = ["libglut3.12", "libgl1", "libglu1-mesa", "libgl1-mesa-dri", "libopenal1", "libalut0", "libxrandr2",
           "libical3", "xdg-utils"]
FILES = ["/usr/bin/strigolo", "/usr/lib/strigolo/strigolo", "/usr/share/applications/strigolo.desktop",
         "/usr/share/icons/hicolor/scalable/apps/strigolo.svg", "/usr/share/icons/hicolor/48x48/apps/strigolo.png",
         "/usr/share/strigolo/Data/icon", "/usr/share/strigolo/Data/font", "/usr/share/strigolo/Data/notify.wav"]


def run(cmd, **kw):
    r = subprocess.run(cmd, capture_output=True, text=True, **kw)
    assert r.returncode == 0, "%s failed:\n%s%s" % (" ".join(cmd), r.stdout[-3000:], r.stderr[-3000:])
    return r.stdout


def package_state():
    return subprocess.run(["dpkg-query", "-W", "-f=${Status}", "strigolo"], capture_output=True, text=True).stdout


def check_package(build):
    run(["cmake", "-S", SOURCE, "-B", build, "-DCMAKE_BUILD_TYPE=Release", "-DSTRIGOLO_SANITIZE=OFF",
         "-DSTRIGOLO_TESTS=OFF"])
    run(["cmake", "--build", build, "-j2"])
    run(["cpack", "-G", "DEB"], cwd=build)
    debs = [f for f in os.listdir(build) if re.fullmatch(r"strigolo_1\.1\.\d+_[a-z0-9]+\.deb", f)]
    assert len(debs) == 1, os.listdir(build)
    deb = os.path.join(build, debs[0])

    depends = re.search(r"^ Depends: (.*)$", run(["dpkg-deb", "-I", deb]), re.M).group(1)
    alternatives = {re.sub(r" \(.*\)", "", a).strip() for d in depends.split(",") for a in d.split("|")}
    assert set(DEPENDS) <= alternatives, (DEPENDS, depends)
    entries = {}
    for line in run(["dpkg-deb", "-c", deb]).splitlines():
        mode, owner, _, _, _, path = line.split(None, 5)
        entries[path.split(" -> ")[0].lstrip(".")] = (mode, owner)
    assert set(FILES) <= set(entries), sorted(entries)
    for path, (mode, owner) in entries.items():  # root's, written by no one else, no calendar
        assert owner == "root/root" and mode[5] != "w" and mode[8] != "w" and "database" not in path, path
    return deb


def check_install_remove(deb):
    if os.geteuid() != 0 or package_state().startswith("install ok"):
        print("skipping apt-get install and remove: not root, or strigolo is already installed here")
        return
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    try:
        run(["apt-get", "install", "-y", "--no-install-recommends", deb], env=env)
        assert package_state() == "install ok installed", package_state()
        assert all(os.path.exists(p) for p in FILES), [p for p in FILES if not os.path.exists(p)]
    finally:
        run(["apt-get", "remove", "-y", "strigolo"], env=env)
    assert not package_state().endswith(" installed"), package_state()
    left = [p for p in FILES + ["/usr/lib/strigolo", "/usr/share/strigolo"] if os.path.exists(p)]
    assert not left, left


def main():
    tmp = tempfile.mkdtemp(prefix="strigolo-deb-")
    try:
        check_install_remove(check_package(os.path.join(tmp, "release")))
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    print("debian package: all checks passed")


if __name__ == "__main__":
    main()
