"""The Debian package: a release build (no sanitizers) in a temporary folder packed by
cpack; dpkg-deb shows its dependencies and files; as root, apt-get installs it on
this machine and removes it again."""
import os
import re
import shutil
import subprocess
import sys
import tempfile

SOURCE = os.environ["STRIGOLO_SOURCE_DIR"]
DEPENDS = ["libgl1", "libglu1-mesa", "libgl1-mesa-dri", "libopenal1", "libalut0", "xdg-utils"]
FILES = ["./usr/bin/strigolo", "./usr/lib/strigolo/strigolo", "./usr/share/applications/strigolo.desktop",
         "./usr/share/icons/hicolor/scalable/apps/strigolo.svg",
         "./usr/share/icons/hicolor/48x48/apps/strigolo.png",
         "./usr/share/icons/hicolor/256x256/apps/strigolo.png",
         "./usr/share/strigolo/Data/icon", "./usr/share/strigolo/Data/font", "./usr/share/strigolo/Data/sleep.zfx",
         "./usr/share/strigolo/Data/notify.wav"]


def run(cmd, **kw):
    r = subprocess.run(cmd, capture_output=True, text=True, **kw)
    assert r.returncode == 0, "%s failed:\n%s%s" % (" ".join(cmd), r.stdout[-3000:], r.stderr[-3000:])
    return r.stdout


def build_package(tmp):
    build = os.path.join(tmp, "release")
    run(["cmake", "-S", SOURCE, "-B", build, "-DCMAKE_BUILD_TYPE=Release", "-DSTRIGOLO_SANITIZE=OFF",
         "-DSTRIGOLO_TESTS=OFF"])
    run(["cmake", "--build", build, "-j2"])
    run(["cpack", "-G", "DEB"], cwd=build)
    debs = [f for f in os.listdir(build) if re.fullmatch(r"strigolo_1\.1\.\d+_[a-z0-9]+\.deb", f)]
    assert len(debs) == 1, os.listdir(build)
    return os.path.join(build, debs[0])


def check_contents(deb, tmp):
    info = run(["dpkg-deb", "-I", deb])
    fields = dict(re.findall(r"^ ([A-Za-z-]+): (.*)$", info, re.M))
    assert fields.get("Package") == "strigolo", info
    assert fields.get("Version", "").startswith("1.1."), info
    assert fields.get("Maintainer") and fields.get("Section"), info
    depends = [d.strip() for d in fields.get("Depends", "").split(",")]
    for name in DEPENDS:
        assert any(re.fullmatch(re.escape(name) + r"( \(.*\))?", alt.strip())
                   for d in depends for alt in d.split("|")), (name, depends)
    # freeglut's runtime, under Debian 12's name (libglut3.12) or the older one.
    assert any("libglut3.12" in d or "freeglut3" in d for d in depends), depends

    listing = run(["dpkg-deb", "-c", deb])
    entries = {}
    for line in listing.splitlines():
        parts = line.split(None, 5)
        entries[parts[5].split(" -> ")[0]] = (parts[0], parts[1])
    for path in FILES:
        assert path in entries, (path, listing[:2000])
    for path, (mode, owner) in entries.items():
        assert owner == "root/root", (path, owner)
        assert mode[5] != "w" and mode[8] != "w", (path, mode)  # no group or other write
    assert not any("database.bin" in p for p in entries), "a calendar was packed"

    # The packed program is the release build: no sanitizer runtime.
    unpacked = os.path.join(tmp, "unpacked")
    run(["dpkg-deb", "-x", deb, unpacked])
    needed = run(["objdump", "-p", os.path.join(unpacked, "usr/lib/strigolo/strigolo")])
    assert "asan" not in needed and "ubsan" not in needed, needed
    r = subprocess.run(["desktop-file-validate", os.path.join(unpacked, "usr/share/applications/strigolo.desktop")],
                       capture_output=True, text=True)
    assert r.returncode == 0, r.stdout + r.stderr


def package_state():
    r = subprocess.run(["dpkg-query", "-W", "-f=${Status}", "strigolo"], capture_output=True, text=True)
    return r.stdout if r.returncode == 0 else ""


def check_install_remove(deb):
    if os.geteuid() != 0:
        print("skipping apt-get install and remove of the package: they need root (CI runs as root)")
        return
    if "installed" in package_state() and "not-installed" not in package_state():
        print("skipping apt-get install and remove: strigolo is already installed on this machine, "
              "and this test will not replace it")
        return
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    try:
        run(["apt-get", "install", "-y", "--no-install-recommends", deb], env=env)
        assert package_state() == "install ok installed", package_state()
        for path in ("/usr/bin/strigolo", "/usr/lib/strigolo/strigolo", "/usr/share/strigolo/Data/icon",
                     "/usr/share/applications/strigolo.desktop"):
            assert os.path.exists(path), path
        listed = run(["dpkg", "-L", "strigolo"])
        assert "/usr/share/icons/hicolor/scalable/apps/strigolo.svg" in listed, listed
    finally:
        run(["apt-get", "remove", "-y", "strigolo"], env=env)
    assert "installed" not in package_state().replace("not-installed", ""), package_state()
    for path in ("/usr/bin/strigolo", "/usr/lib/strigolo", "/usr/share/strigolo",
                 "/usr/share/applications/strigolo.desktop"):
        assert not os.path.exists(path), path + " left behind"


def main():
    for tool in ("cpack", "dpkg-deb", "objdump"):
        if not shutil.which(tool):
            print("skipping the package test: %s is not installed (scripts/install-deps --test)" % tool)
            return
    tmp = tempfile.mkdtemp(prefix="strigolo-deb-")
    try:
        deb = build_package(tmp)
        check_contents(deb, tmp)
        check_install_remove(deb)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    print("debian package: all checks passed")


if __name__ == "__main__":
    main()
    sys.exit(0)
