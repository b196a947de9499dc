#!/usr/bin/env python3
"""The Debian packages as a user gets them, step by step.

usage: package_probe.py --source DIR --work DIR --render PATH STEP

The steps are CTest entries with the label packages (tests/packages/),
in this order: `build` makes ondulite-x11, ondulite-wayland and
ondulite-render with tools/make-deb.sh into the work folder, has lintian
check them and reads their dependencies; `install` installs them with
apt-get and finds every file in place; `programs` runs the installed
programs (the render tool's pictures against the build's own, PATH); the
X11 and Wayland cases then run against the installed programs; `remove`
removes them and finds nothing left, not even in dpkg's database. Runs as
root (or through sudo). Each step prints "ok: ..." or "FAIL: ..." per
check and "N passed, M failed" last, and exits non-zero when a check
failed.
"""

import argparse
import fnmatch
import glob
import os
import shutil
import subprocess
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from checks import check, finish_checks  # noqa: E402 (tests/checks.py)

PACKAGES = ["ondulite-x11", "ondulite-wayland", "ondulite-render"]
SUDO = [] if os.getuid() == 0 else ["sudo"]


def say(text):
    print("  " + text, flush=True)


def output(argv):
    return subprocess.run(argv, capture_output=True, text=True).stdout.strip()


def apt_get(*words):
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    # Another install may hold the package lock (a second checkout's tests):
    # wait for it, as tools/install-deps.sh does.
    result = subprocess.run(SUDO + ["apt-get", "-o", "DPkg::Lock::Timeout=900", "-y", "-qq"] + list(words), env=env,
                            capture_output=True, text=True)
    if result.returncode != 0:
        say((result.stdout + result.stderr)[-3000:])
    return result.returncode == 0


def debs(work):
    return sorted(glob.glob(os.path.join(work, "dist", "*.deb")))


def field(deb, name):
    return output(["dpkg-deb", "-f", deb, name])


def excluded_by_dpkg(path):
    """Whether this machine's dpkg is told to leave `path` out (path-exclude,
    as minimal images do for /usr/share/man and /usr/share/doc)."""
    for config in glob.glob("/etc/dpkg/dpkg.cfg.d/*"):
        with open(config, errors="replace") as f:
            for line in f:
                if line.startswith("path-exclude"):
                    rule = line[len("path-exclude"):].lstrip("= ").strip()
                    if fnmatch.fnmatch(path, rule):
                        return True
    return False


def package_files(work):
    """The files (not folders) the packages hold, as installed paths, less
    those that dpkg here leaves out."""
    with open(os.path.join(work, "files")) as f:
        return f.read().split()


def step_build(args):
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    dist = os.path.join(args.work, "dist")
    log = os.path.join(args.work, "make-deb.log")
    with open(log, "w") as f:
        made = subprocess.run([os.path.join(args.source, "tools", "make-deb.sh"), dist], stdout=f,
                              stderr=subprocess.STDOUT).returncode == 0
    if not check("tools/make-deb.sh makes the three packages", made and len(debs(args.work)) == 3):
        with open(log) as f:
            say(f.read()[-3000:])
        return
    for deb in debs(args.work):
        say("%s: %d bytes, depends on: %s" % (os.path.basename(deb), os.path.getsize(deb), field(deb, "Depends")))

    # Errors and warnings fail; the informational tags are shown.
    lintian = subprocess.run(["lintian", "--info", "--display-info", "--fail-on", "error,warning"] +
                             debs(args.work), capture_output=True, text=True)
    check("lintian finds no error or warning", lintian.returncode == 0)
    for line in (lintian.stdout + lintian.stderr).splitlines():
        if "running with root privileges" not in line:
            say(line)

    x11 = next(deb for deb in debs(args.work) if os.path.basename(deb).startswith("ondulite-x11_"))
    depends = field(x11, "Depends")
    check("ondulite-x11 depends on libc6, libx11-6 and libxext6 and suggests xscreensaver",
          all(library in depends for library in ("libc6", "libx11-6", "libxext6")) and
          field(x11, "Suggests") == "xscreensaver", depends)
    wayland = next(deb for deb in debs(args.work) if os.path.basename(deb).startswith("ondulite-wayland_"))
    depends = field(wayland, "Depends")
    # Its one library beyond the C and C++ runtimes is libwayland-client.
    names = [part.strip().split(" ")[0] for part in depends.split(",")]
    check("ondulite-wayland depends on libwayland-client0 and the C and C++ runtimes only",
          "libwayland-client0" in names and
          not [name for name in names if name not in ("libc6", "libgcc-s1", "libstdc++6", "libwayland-client0")],
          depends)

    files = []
    for deb in debs(args.work):
        listing = subprocess.run("dpkg-deb --fsys-tarfile '%s' | tar -t" % deb, shell=True, capture_output=True,
                                 text=True).stdout.split()
        for entry in listing:
            if entry.endswith("/"):
                continue
            path = entry[1:] if entry.startswith(".") else entry
            if excluded_by_dpkg(path):
                say("dpkg here leaves out " + path)
            else:
                files.append(path)
    with open(os.path.join(args.work, "files"), "w") as f:
        f.write("\n".join(files) + "\n")


def step_install(args):
    check("apt-get installs the three packages", apt_get("install", *debs(args.work)))
    files = package_files(args.work)
    missing = [path for path in files if not os.path.exists(path)]
    check("all %d files are in place" % len(files), not missing, " ".join(missing))
    check("the hack, its XML and desktop file, the Wayland client and the render tool are where Debian looks",
          os.access("/usr/libexec/xscreensaver/ondulite", os.X_OK) and
          os.path.isfile("/usr/share/xscreensaver/config/ondulite.xml") and
          os.path.isfile("/usr/share/applications/screensavers/ondulite.desktop") and
          os.access("/usr/bin/ondulite-render", os.X_OK) and os.access("/usr/bin/ondulite-wayland", os.X_OK))
    if not shutil.which("man") or excluded_by_dpkg("/usr/share/man/man6/ondulite.6.gz"):
        say("no man, or no manual pages installed here: man pages not looked up")
    else:
        found = all(subprocess.run(["man", "-w", section, page], capture_output=True).returncode == 0
                    for section, page in (("6", "ondulite"), ("1", "ondulite-render"), ("1", "ondulite-wayland")))
        check("man finds ondulite(6), ondulite-wayland(1) and ondulite-render(1)", found)


def step_programs(args):
    # Debian's build flags must not change a pixel: every variant from the
    # package's render tool equals the project's own build's.
    differ = []
    for variant in range(8):
        files = []
        for tool, name in (("/usr/bin/ondulite-render", "packaged"), (args.render, "built")):
            path = os.path.join(args.work, "%s-%d.ppm" % (name, variant))
            subprocess.run([tool, "--seed", "2026", "--variant", str(variant), "--size", "321x201", "-o", path],
                           stdout=subprocess.DEVNULL)
            files.append(path)
        same = all(os.path.exists(path) for path in files)
        if same:
            with open(files[0], "rb") as a, open(files[1], "rb") as b:
                same = a.read() == b.read()
        if not same:
            differ.append(str(variant))
    check("the packaged render tool makes every variant as %s does" % args.render, not differ,
          "variants " + " ".join(differ))
    check("the installed ondulite-wayland runs",
          subprocess.run(["/usr/bin/ondulite-wayland", "--help"], stdout=subprocess.DEVNULL).returncode == 0)


def step_remove(args):
    check("apt-get removes the three packages", apt_get("remove", *PACKAGES))
    files = package_files(args.work) if os.path.exists(os.path.join(args.work, "files")) else []
    left = [path for path in files if os.path.exists(path)]
    left += [folder for folder in ("/usr/share/doc/" + package for package in PACKAGES) if os.path.exists(folder)]
    check("no file of any of them is left", not left, " ".join(left))
    # With no configuration files, removing is purging; a purge after it
    # must find nothing to do.
    apt_get("purge", *PACKAGES)
    known = [package for package in PACKAGES
             if output(["dpkg-query", "-W", "-f=${Status}", package]) not in ("", "unknown ok not-installed")]
    check("dpkg's database keeps no trace of any of them", not known, " ".join(known))


STEPS = {"build": step_build, "install": step_install, "programs": step_programs, "remove": step_remove}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", required=True, help="the project's folder")
    parser.add_argument("--work", required=True, help="the packages and what the steps hand on")
    parser.add_argument("--render", required=True, help="the build's ondulite-render")
    parser.add_argument("step", choices=sorted(STEPS))
    args = parser.parse_args()
    try:
        STEPS[args.step](args)
    except Exception as error:  # a broken step fails, said in one line
        check("the step ran to its end", False, "%s: %s" % (type(error).__name__, error))
    sys.exit(finish_checks())


if __name__ == "__main__":
    main()
